// A small JSON reader for tests that read the portal kit's vectors files
// (portal/tests/*_vectors.json). Portable.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text_conversion.h"

namespace testsupport {

// The JSON of the portal kit's vectors files, read as far as it goes: objects,
// arrays and strings (UTF-8, "\u" escapes included); any other value is kept
// as its kind only, its text as written (a number's digits, null).
struct Json {
    enum Kind { String, Array, Object, Other } kind = Other;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json& operator[](std::string_view key) const
    {
        static const Json none;
        for (const auto& [name, value] : members) {
            if (name == key) return value;
        }
        return none;
    }
};

class JsonReader {
public:
    explicit JsonReader(std::string text) : text_(std::move(text)) {}

    std::optional<Json> Document()
    {
        std::optional<Json> value = Value();
        Blanks();
        if (!value || at_ != text_.size()) return std::nullopt;
        return value;
    }

private:
    void Blanks()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' ||
                                      text_[at_] == '\t')) {
            ++at_;
        }
    }

    bool Take(char c)
    {
        Blanks();
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }

    std::optional<Json> Value()
    {
        Blanks();
        if (at_ >= text_.size()) return std::nullopt;
        Json value;
        const char first = text_[at_];
        if (first == '"') {
            value.kind = Json::String;
            if (!Text(value.text)) return std::nullopt;
        } else if (first == '[') {
            value.kind = Json::Array;
            ++at_;
            if (Take(']')) return value;
            do {
                std::optional<Json> item = Value();
                if (!item) return std::nullopt;
                value.items.push_back(std::move(*item));
            } while (Take(','));
            if (!Take(']')) return std::nullopt;
        } else if (first == '{') {
            value.kind = Json::Object;
            ++at_;
            if (Take('}')) return value;
            do {
                std::string name;
                Blanks();
                if (!Text(name) || !Take(':')) return std::nullopt;
                std::optional<Json> member = Value();
                if (!member) return std::nullopt;
                value.members.emplace_back(std::move(name), std::move(*member));
            } while (Take(','));
            if (!Take('}')) return std::nullopt;
        } else {
            const size_t start = at_;
            while (at_ < text_.size() && std::string_view(",]} \r\n\t").find(text_[at_]) == std::string_view::npos) {
                ++at_;
            }
            if (at_ == start) return std::nullopt;
            value.text = text_.substr(start, at_ - start);
        }
        return value;
    }

    // A string at the reading position, with escapes undone.
    bool Text(std::string& out)
    {
        if (at_ >= text_.size() || text_[at_] != '"') return false;
        ++at_;
        std::u16string units;  // consecutive \u escapes, so that surrogate pairs join
        for (;;) {
            if (at_ >= text_.size()) return false;
            const char c = text_[at_++];
            if (c == '\\' && at_ < text_.size() && text_[at_] == 'u' && at_ + 5 <= text_.size()) {
                const std::string hex = text_.substr(at_ + 1, 4);
                if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
                units += static_cast<char16_t>(std::stoul(hex, nullptr, 16));
                at_ += 5;
                continue;
            }
            out += testsupport::Narrow(units);
            units.clear();
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) return false;
            const char escaped = text_[at_++];
            const std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
            const size_t which = from.find(escaped);
            if (which == std::string_view::npos) return false;
            out += to[which];
        }
    }

    std::string text_;
    size_t at_ = 0;
};

}  // namespace testsupport
