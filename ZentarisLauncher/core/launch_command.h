// Grammar of the launch command: "zentaris://launch/" + Base64 payload of
// ";"-separated fields. Portable; the launcher's entry shows the messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "launch_info.h"

inline constexpr char LaunchPrefix[] = "zentaris://launch/";
inline constexpr size_t LaunchFieldCount = 6;
// A signed link adds the signature after the six fields.
inline constexpr size_t SignedLaunchFieldCount = LaunchFieldCount + 1;

enum class LaunchParse {
    Ok,          // prefix matched and the payload was split
    BadPrefix,   // the token does not start with the prefix
    BadPayload,  // the payload does not decode (or memory ran out)
};

// The command line up to its first space; tabs belong to the token.
std::string_view LaunchToken(std::string_view commandLine);

// Splits decoded text into at most maxFields fields. Leading ';' are skipped
// and a run of ';' is one separator, so empty fields cannot occur.
std::vector<std::string> SplitPayloadFields(std::string_view decoded, size_t maxFields);

// Skips one leading quotation mark, checks the prefix ignoring ASCII case,
// decodes the rest and fills `out` in payload order.
LaunchParse ParseLaunchToken(std::string_view token, LaunchInfo& out);

// Fields fill in order, so the last one being present means all are.
bool HasAllLaunchFields(const LaunchInfo& info);
