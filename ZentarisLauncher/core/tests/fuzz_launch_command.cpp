// Feeds arbitrary command lines through the token, prefix and payload split.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "approval_request.h"
#include "base64.h"
#include "game_location.h"
#include "launch_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    size_t decodedLength = 0;
    if (char* decoded = Base64Decode(input.data(), input.size(), &decodedLength)) {
        // Four characters never make more than three bytes.
        if (decodedLength > input.size() * 3 / 4 + 3 || decoded[decodedLength] != '\0') std::abort();
        std::free(decoded);
    }

    LaunchInfo info;
    if (ParseLaunchToken(LaunchToken(input), info) == LaunchParse::Ok) {
        for (const auto* f : {&info.appname, &info.installkey, &info.installvalue, &info.exename,
                              &info.weblink, &info.approvalid}) {
            // A field is never empty and never holds a separator.
            if (*f && (f->value().empty() || f->value().find(';') != std::string::npos)) std::abort();
        }
        if (!HasAllLaunchFields(info)) return 0;
        // What the launcher builds from the fields fits its 1024-byte texts
        // whole, or is not built at all.
        if (const auto url = ApprovalUrl("http://127.0.0.1:8780/launcher/", *info.approvalid)) {
            if (url->size() > 1023 || url->back() != '/') std::abort();
        }
        const InstallKey key = SplitInstallKey(*info.installkey);
        if (key.root == InstallRoot::Invalid && !key.subkey.empty()) std::abort();
        if (const auto texts = BuildLaunchTexts(*info.installvalue, *info.exename)) {
            if (texts->commandLine.size() > 1023 || texts->commandLine.front() != '"') std::abort();
            if (texts->workingDirectory != *info.installvalue) std::abort();
        }
    }
    return 0;
}
