#include "launch_command.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "ascii.h"
#include "base64.h"
#include "installation.h"

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

std::optional<std::vector<std::string>> SplitPayloadFields(std::string_view decoded, size_t maxFields)
{
    std::vector<std::string> fields;
    size_t pos = 0;
    for (;;) {
        const size_t end = decoded.find(';', pos);
        const std::string_view field = decoded.substr(pos, end == std::string_view::npos ? end : end - pos);
        if (field.empty() || fields.size() == maxFields) return std::nullopt;
        fields.emplace_back(field);
        if (end == std::string_view::npos) return fields;
        pos = end + 1;
    }
}

Step<LaunchInfo> ParseLaunchToken(std::string_view token)
{
    if (!token.empty() && token.front() == '"') token.remove_prefix(1);
    const std::string_view prefix(LaunchPrefix);
    if (!zentaris::StartsWithIgnoringAsciiCase(token, prefix)) {
        return LaunchFailure{LaunchError::BadCommand, "the command does not begin with zentaris://launch/"};
    }
    token.remove_prefix(prefix.size());

    size_t length = 0;
    std::unique_ptr<char, FreeDeleter> decoded(Base64Decode(token.data(), token.size(), &length));
    if (!decoded) return LaunchFailure{LaunchError::InvalidLink, "the payload is not Base64"};
    const std::string_view text(decoded.get(), length);
    // A NUL ends the text for every C string the fields pass through, while
    // the signature covers what lies after it: such a payload means two
    // different things.
    if (text.find('\0') != std::string_view::npos) {
        return LaunchFailure{LaunchError::InvalidLink, "the payload holds a NUL byte"};
    }

    const std::optional<std::vector<std::string>> fields = SplitPayloadFields(text, SignedLaunchFieldCount);
    if (!fields) {
        return LaunchFailure{LaunchError::InvalidLink,
                             "the payload has an empty field, or a field after the signature"};
    }
    LaunchInfo info;
    std::optional<std::string>* const slots[SignedLaunchFieldCount] = {
        &info.appname, &info.installkey, &info.installvalue, &info.exename,
        &info.weblink, &info.approvalid, &info.signature,
    };
    for (size_t i = 0; i < fields->size(); ++i) *slots[i] = (*fields)[i];
    return info;
}

LauncherArguments SplitLauncherArguments(std::string_view commandLine)
{
    const std::string_view token = LaunchToken(commandLine);
    if (token != zentaris::LogArgument) return {false, commandLine};
    commandLine.remove_prefix(token.size());
    while (!commandLine.empty() && commandLine.front() == ' ') commandLine.remove_prefix(1);
    return {true, commandLine};
}

Step<LaunchInfo> DecodeLaunchCommand(std::string_view command)
{
    if (command.size() < 2) return LaunchFailure{LaunchError::NotStandalone, "no launch command"};
    return ParseLaunchToken(LaunchToken(command));
}

bool HasAllLaunchFields(const LaunchInfo& info)
{
    return info.approvalid.has_value();
}
