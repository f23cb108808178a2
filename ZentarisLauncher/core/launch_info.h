// The decoded launch command.
#pragma once

#include <optional>
#include <string>

// Six fields of the payload, each absent when the payload has fewer fields.
// Note the order: the payload carries exename before weblink.
struct LaunchInfo {
    std::optional<std::string> appname;       // payload field 1
    std::optional<std::string> installkey;    // field 2: "HKCR|HKCU|HKLM\subkey"
    std::optional<std::string> installvalue;  // field 3: value naming the install dir
    std::optional<std::string> weblink;       // field 5
    std::optional<std::string> exename;       // field 4: relative to the install dir
    std::optional<std::string> approvalid;    // field 6
    // Field 7 of a signed link: the portal's signature over the six fields.
    // Launchers that take unsigned links never look at it.
    std::optional<std::string> signature;
};
