// Grammar of the launch command: "zentaris://launch/" + Base64 payload of
// ";"-separated fields, and the first step of the launch road, from the
// command line to the decoded fields. Portable; the launcher's entry shows
// the messages.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launch_info.h"
#include "launch_road.h"

inline constexpr char LaunchPrefix[] = "zentaris://launch/";
inline constexpr size_t LaunchFieldCount = 6;
// A signed link adds the signature after the six fields.
inline constexpr size_t SignedLaunchFieldCount = LaunchFieldCount + 1;

// The command line up to its first space; tabs belong to the token.
std::string_view LaunchToken(std::string_view commandLine);

// Splits decoded text at every ';'. Nothing when a field is empty (a leading,
// doubled or trailing ';', or no text at all) or when there are more than
// `maxFields`: skipping an empty field would move every later one into
// another field's place.
std::optional<std::vector<std::string>> SplitPayloadFields(std::string_view decoded, size_t maxFields);

// Skips one leading quotation mark, checks the prefix ignoring ASCII case,
// decodes the rest and fills the fields in payload order. A payload of fewer
// than six fields leaves the later ones absent. BadCommand when the prefix
// does not match; InvalidLink when the payload does not decode (or memory
// ran out) or breaks the field grammar: an empty field, a field after the
// signature, a NUL in the decoded bytes.
Step<LaunchInfo> ParseLaunchToken(std::string_view token);

// What the launcher's command line holds: LogArgument (exactly, then a space
// or the end) switches the support log on; the launch command follows after
// the spaces. Only the opening token can be the switch: a link arrives first
// on the command line (the shell's "%1", the handler's argument), so nothing
// a page writes into a link reaches this place.
struct LauncherArguments {
    bool log = false;
    std::string_view command;
};
LauncherArguments SplitLauncherArguments(std::string_view commandLine);

// The first step of the road: NotStandalone for a command of fewer than two
// characters, then ParseLaunchToken of its first token.
Step<LaunchInfo> DecodeLaunchCommand(std::string_view command);

// Fields fill in order, so the last one being present means all are.
bool HasAllLaunchFields(const LaunchInfo& info);
