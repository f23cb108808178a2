#include "url_grammar.h"

#include <climits>

#include "ascii.h"

namespace zenproto {

using zentaris::EqualsIgnoringAsciiCase;

namespace {

constexpr std::u16string_view Scheme = u"zentaris";
constexpr std::u16string_view InstallCheckWord = u"instcheck";
constexpr size_t CommandStart = Scheme.size() + 3;                        // behind "zentaris://"
constexpr size_t VersionSlash = CommandStart + InstallCheckWord.size();  // right behind "instcheck"

bool IsRuntimeSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

UrlCommand ClassifyUrl(std::u16string_view url)
{
    const size_t tokenStart = url.find_first_not_of(u':');
    if (tokenStart == std::u16string_view::npos) return UrlCommand::NoScheme;
    const size_t tokenEnd = url.find(u':', tokenStart);
    const std::u16string_view token = url.substr(tokenStart, tokenEnd - tokenStart);
    if (!EqualsIgnoringAsciiCase(token, Scheme)) return UrlCommand::WrongScheme;

    // Positions 9 and 10 of the whole URL: with the token check this accepts
    // exactly "zentaris://" at the very start.
    if (url.size() <= CommandStart - 1 || url[CommandStart - 2] != u'/' || url[CommandStart - 1] != u'/') {
        return UrlCommand::BadSyntax;
    }

    const std::u16string_view command = url.substr(CommandStart);
    if (command.size() < InstallCheckWord.size() ||
        !EqualsIgnoringAsciiCase(command.substr(0, InstallCheckWord.size()), InstallCheckWord)) {
        return UrlCommand::Launch;
    }
    if (url.size() > VersionSlash + 1 && url[VersionSlash] == u'/' &&
        WideToInt(url.substr(VersionSlash + 1)) > HighestInstallCheckVersion) {
        return UrlCommand::VersionTooHigh;
    }
    return UrlCommand::InstallCheck;
}

int WideToInt(std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsRuntimeSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate towards the limit of the sign's side; stop growing there.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value >= limit) {
            value = limit;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

std::u16string_view LaunchArgument(std::u16string_view url)
{
    return url.substr(0, url.find(u' '));
}

}  // namespace zenproto
