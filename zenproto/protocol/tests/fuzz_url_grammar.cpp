// Arbitrary UTF-16 URLs through the grammar: no crash, no read past the
// text, and answers that agree with each other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "url_grammar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Bytes as UTF-16 units; ASCII bytes stand for themselves half the time,
    // so the fuzzer finds "zentaris://" quickly.
    std::u16string url;
    if (size > 0 && (data[0] & 1)) {
        for (size_t i = 1; i < size; ++i) url += static_cast<char16_t>(data[i]);
    } else {
        for (size_t i = 1; i + 1 < size; i += 2) url += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    }
    const zenproto::UrlCommand command = zenproto::ClassifyUrl(url);
    const std::u16string_view argument = zenproto::LaunchArgument(url);
    if (argument.size() > url.size() || argument.find(u' ') != std::u16string_view::npos) std::abort();
    if (command == zenproto::UrlCommand::Launch || command == zenproto::UrlCommand::InstallCheck ||
        command == zenproto::UrlCommand::VersionTooHigh) {
        // Accepted URLs begin with "zentaris://" in some letter case.
        if (url.size() < 11 || url[8] != u':' || url[9] != u'/' || url[10] != u'/') std::abort();
    }
    if (command == zenproto::UrlCommand::NoScheme && url.find_first_not_of(u':') != std::u16string::npos) std::abort();
    zenproto::WideToInt(url);
    return 0;
}
