#include "launch_command.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "ascii.h"
#include "base64.h"

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

}  // namespace

std::string_view LaunchToken(std::string_view commandLine)
{
    const size_t space = commandLine.find(' ');
    return space == std::string_view::npos ? commandLine : commandLine.substr(0, space);
}

std::vector<std::string> SplitPayloadFields(std::string_view decoded, size_t maxFields)
{
    std::vector<std::string> fields;
    size_t pos = 0;
    while (fields.size() < maxFields) {
        pos = decoded.find_first_not_of(';', pos);
        if (pos == std::string_view::npos) break;
        const size_t end = decoded.find(';', pos);
        fields.emplace_back(decoded.substr(pos, end == std::string_view::npos ? end : end - pos));
        if (end == std::string_view::npos) break;
        pos = end;
    }
    return fields;
}

LaunchParse ParseLaunchToken(std::string_view token, LaunchInfo& out)
{
    if (!token.empty() && token.front() == '"') token.remove_prefix(1);
    const std::string_view prefix(LaunchPrefix);
    if (!zentaris::StartsWithIgnoringAsciiCase(token, prefix)) return LaunchParse::BadPrefix;
    token.remove_prefix(prefix.size());

    std::unique_ptr<char, FreeDeleter> decoded(Base64Decode(token.data(), token.size(), nullptr));
    if (!decoded) return LaunchParse::BadPayload;

    // The decoded text ends at its first NUL, wherever the bytes go on.
    const std::vector<std::string> fields =
        SplitPayloadFields(std::string_view(decoded.get()), SignedLaunchFieldCount);
    std::optional<std::string>* const slots[SignedLaunchFieldCount] = {
        &out.appname, &out.installkey, &out.installvalue, &out.exename,
        &out.weblink, &out.approvalid, &out.signature,
    };
    for (size_t i = 0; i < fields.size(); ++i) *slots[i] = fields[i];
    return LaunchParse::Ok;
}

bool HasAllLaunchFields(const LaunchInfo& info)
{
    return info.approvalid.has_value();
}
