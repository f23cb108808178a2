// Replacement of %NAME% variables, the tokenizer and the parser of the
// registry script.
#include "registry_script.h"

#include <cstddef>

#include "ascii.h"

namespace registrar {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool EqualsWord(const Text& a, const char16_t* b) { return zentaris::EqualsIgnoringAsciiCase(a, b); }

struct Token {
    Text text;
    bool quoted = false;

    // Structural words and keywords are never quoted: a quoted token is
    // always a name or data, so a key may be called 'val' or '{'.
    bool Is(const char16_t* word) const { return !quoted && EqualsWord(text, word); }
};

class Tokenizer {
public:
    explicit Tokenizer(const Text& text) : text_(text) {}

    bool AtEnd()
    {
        SkipSpace();
        return pos_ >= text_.size();
    }

    // False at the end of the text, for an unclosed quote and for a token
    // of kMaxTokenLength characters or more.
    bool Next(Token& token)
    {
        SkipSpace();
        token.text.clear();
        token.quoted = false;
        if (pos_ >= text_.size()) return false;
        if (text_[pos_] == u'\'') return NextQuoted(token);
        while (pos_ < text_.size() && !IsSpace(text_[pos_])) {
            if (token.text.size() >= kMaxTokenLength) return false;
            token.text += text_[pos_++];
        }
        return true;
    }

private:
    bool NextQuoted(Token& token)
    {
        token.quoted = true;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size()) return false;
            char16_t c = text_[pos_++];
            if (c == u'\'') {
                if (pos_ >= text_.size() || text_[pos_] != u'\'') return true;
                ++pos_;   // two quotes stand for one
            }
            if (token.text.size() >= kMaxTokenLength) return false;
            token.text += c;
        }
    }

    void SkipSpace()
    {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    }

    const Text& text_;
    size_t pos_ = 0;
};

bool RootFromName(const Token& token, RootKey& root)
{
    static const struct {
        const char16_t* shortName;
        const char16_t* longName;
        RootKey root;
    } roots[] = {
        {u"HKCR", u"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
        {u"HKCU", u"HKEY_CURRENT_USER", RootKey::CurrentUser},
        {u"HKLM", u"HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
        {u"HKU", u"HKEY_USERS", RootKey::Users},
        {u"HKPD", u"HKEY_PERFORMANCE_DATA", RootKey::PerformanceData},
        {u"HKDD", u"HKEY_DYN_DATA", RootKey::DynData},
        {u"HKCC", u"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
    };
    if (token.quoted) return false;
    for (const auto& r : roots) {
        if (EqualsWord(token.text, r.shortName) || EqualsWord(token.text, r.longName)) {
            root = r.root;
            return true;
        }
    }
    return false;
}

int HexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    c = zentaris::AsciiLower(c);
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

bool ParseNumber(const Text& text, uint32_t& number)
{
    if (text.empty()) return false;
    uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c - u'0');
        if (value > 0xFFFFFFFFull) return false;
    }
    number = static_cast<uint32_t>(value);
    return true;
}

bool ParseBytes(const Text& text, std::vector<uint8_t>& bytes)
{
    if (text.size() % 2 != 0) return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]);
        int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

class Parser {
public:
    explicit Parser(const Text& text) : tokens_(text) {}

    bool ParseAll(Script& script)
    {
        Token token;
        while (!tokens_.AtEnd()) {
            RootBlock block;
            if (!tokens_.Next(token) || !RootFromName(token, block.root)) return false;
            if (!tokens_.Next(token) || !token.Is(u"{")) return false;
            if (!ParseBlock(block.entries, 1)) return false;
            script.blocks.push_back(std::move(block));
        }
        return true;
    }

private:
    // Reads entries up to and including the closing brace. The look-ahead
    // token after an entry is kept in pending_.
    bool ParseBlock(std::vector<ScriptEntry>& entries, int depth)
    {
        if (depth > kMaxNesting) return false;
        Token token;
        if (!Take(token)) return false;
        while (!token.Is(u"}")) {
            ScriptEntry entry;
            if (!ParseEntry(token, entry, depth)) return false;
            entries.push_back(std::move(entry));
            if (!Take(token)) return false;
        }
        return true;
    }

    // `token` is the entry's first token; on return the token after the
    // entry is pending.
    bool ParseEntry(Token token, ScriptEntry& entry, int depth)
    {
        if (token.Is(u"ForceRemove") || token.Is(u"Delete")) {
            entry.forceRemove = token.Is(u"ForceRemove");
            entry.deleteOnly = !entry.forceRemove;
            if (!Take(token)) return false;
        }
        if (token.Is(u"NoRemove")) {
            entry.noRemove = true;
            if (!Take(token)) return false;
        }
        if (token.Is(u"val")) {
            if (entry.forceRemove || entry.deleteOnly || entry.noRemove) return false;
            entry.kind = ScriptEntry::Kind::Value;
            if (!Take(token) || IsKeyword(token)) return false;
            entry.name = token.text;
            if (!Take(token) || !token.Is(u"=")) return false;
            entry.value.emplace();
            return ParseAssignment(*entry.value) && Peek();
        }
        if (IsKeyword(token) || token.text.empty() || token.text.find(u'\\') != Text::npos) return false;
        entry.name = token.text;
        if (!Take(token)) return false;
        if (token.Is(u"=")) {
            entry.value.emplace();
            if (!ParseAssignment(*entry.value) || !Take(token)) return false;
        }
        if (token.Is(u"{")) {
            if (!ParseBlock(entry.children, depth + 1)) return false;
            return Peek();
        }
        pending_ = std::move(token);
        return true;
    }

    static bool IsKeyword(const Token& token)
    {
        return token.Is(u"{") || token.Is(u"}") || token.Is(u"=") || token.Is(u"ForceRemove") ||
               token.Is(u"NoRemove") || token.Is(u"Delete") || token.Is(u"val");
    }

    bool ParseAssignment(Assignment& value)
    {
        Token type;
        Token data;
        if (!Take(type) || !Take(data)) return false;
        value.text = data.text;
        if (type.Is(u"s")) {
            value.type = u's';
            return true;
        }
        if (type.Is(u"d")) {
            value.type = u'd';
            return ParseNumber(data.text, value.number);
        }
        if (type.Is(u"b")) {
            value.type = u'b';
            return ParseBytes(data.text, value.bytes);
        }
        return false;
    }

    bool Take(Token& token)
    {
        if (pending_) {
            token = std::move(*pending_);
            pending_.reset();
            return true;
        }
        return tokens_.Next(token);
    }

    // Reads the token after an entry into pending_.
    bool Peek()
    {
        Token token;
        if (!tokens_.Next(token)) return false;
        pending_ = std::move(token);
        return true;
    }

    Tokenizer tokens_;
    std::optional<Token> pending_;
};

const Text* Lookup(const Replacements& table, const Text& name)
{
    for (const auto& [key, value] : table) {
        if (zentaris::EqualsIgnoringAsciiCase(key, name)) return &value;
    }
    return nullptr;
}

}  // namespace

Text DoubleSingleQuotes(const Text& text)
{
    Text out;
    out.reserve(text.size() + 8);
    for (char16_t c : text) {
        out += c;
        if (c == u'\'') out += c;
    }
    return out;
}

Replacements ModuleReplacements(const Text& modulePath)
{
    return {{u"Module", DoubleSingleQuotes(modulePath)}};
}

HResult ExpandReplacements(const Text& text, const Replacements& table, Text& out)
{
    out.clear();
    out.reserve(text.size() * 2);
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != u'%') {
            out += text[i++];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'%') {
            out += u'%';
            i += 2;
            continue;
        }
        size_t close = text.find(u'%', i + 1);
        if (close == Text::npos) return kScriptError;
        if (close - (i + 1) > kMaxReplacementName) return kFail;
        const Text* value = Lookup(table, text.substr(i + 1, close - (i + 1)));
        if (!value) return kScriptError;
        out += *value;
        i = close + 1;
    }
    return kOk;
}

HResult ParseScript(const Text& text, Script& out)
{
    out.blocks.clear();
    Parser parser(text);
    if (!parser.ParseAll(out)) {
        out.blocks.clear();
        return kScriptError;
    }
    return kOk;
}

}  // namespace registrar
