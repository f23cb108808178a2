// Feeds arbitrary command lines through the log switch, the token, prefix
// and payload split, the rules of what a launch may ask for (the check step)
// and the signature check.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "approval_request.h"
#include "base64.h"
#include "game_location.h"
#include "launch_command.h"
#include "launch_rules.h"
#include "link_signature.h"

namespace {

// The public key of a seed of 32 bytes 7, which signed the corpus's
// "signed-link": mutations of it reach the verifying path as well as the
// refusing one.
const char* const FuzzKeys[] = {"6kpsY+KcUgq+9VB7Ey7F+ZVHdq6+vnuSQh7qaRRG0iw="};

// What the rules let through can neither leave the game's folder, add
// arguments, nor change the approval URL's path or query.
void CheckRulesHold(const LaunchInfo& info)
{
    const std::string& exe = *info.exename;
    const std::string& id = *info.approvalid;
    if (exe.find_first_of("\"\\:") == 0 || exe.find('"') != std::string::npos || exe.find(':') != std::string::npos) {
        std::abort();
    }
    if (exe.find("..") != std::string::npos && (exe == ".." || exe.find("..\\") != std::string::npos ||
                                                  exe.find("../") != std::string::npos)) {
        std::abort();
    }
    if (exe.size() < 4 || id.empty() || id.find_first_of("?# %\\") != std::string::npos) std::abort();
    if (id.find("/../") != std::string::npos || id.rfind("../", 0) == 0 || id.find("//") != std::string::npos) std::abort();
    if (const auto game = RecordableGamePath("C:\\Games", exe)) {
        if (LocatedGameCommand(*game).commandLine.find('"', 1) != std::string::npos) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    size_t decodedLength = 0;
    if (char* decoded = Base64Decode(input.data(), input.size(), &decodedLength)) {
        // Four characters never make more than three bytes.
        if (decodedLength > input.size() * 3 / 4 + 3 || decoded[decodedLength] != '\0') std::abort();
        std::free(decoded);
    }

    const Step<LaunchInfo> decoded = DecodeLaunchCommand(SplitLauncherArguments(input).command);
    if (const LaunchInfo* parsed = std::get_if<LaunchInfo>(&decoded)) {
        const LaunchInfo& info = *parsed;
        for (const auto* f : {&info.appname, &info.installkey, &info.installvalue, &info.exename,
                              &info.weblink, &info.approvalid}) {
            // A field is never empty and never holds a separator.
            if (*f && (f->value().empty() || f->value().find(';') != std::string::npos)) std::abort();
        }
        if (!HasAllLaunchFields(info)) return 0;
        if (IsSafeExecutableName(*info.exename) && IsSafeApprovalId(*info.approvalid)) CheckRulesHold(info);
        if (HasValidLinkSignature(info, FuzzKeys, 1) && SignedLinkMessage(info).empty()) std::abort();
        // The check step passes only what every rule lets through.
        for (const zentaris::LinkSigningKeyList keys : {zentaris::LinkSigningKeyList{FuzzKeys, 1},
                                                        zentaris::LinkSigningKeyList{nullptr, 0}}) {
            const Step<CheckedLink> link = CheckLaunchLink(info, keys);
            if (FailureOf(link)) continue;
            if (!IsSafeExecutableName(*info.exename) || !IsSafeApprovalId(*info.approvalid)) std::abort();
            if (keys.count == 0 && !IsVendorInstallationKey(SplitInstallKey(*info.installkey))) std::abort();
        }
        if (IsLocalInstallationFolder(*info.installvalue) && info.installvalue->find('"') != std::string::npos) {
            std::abort();
        }
        if (info.signature) {
            unsigned char signature[64];
            DecodeLinkSignature(*info.signature, signature);
        }
        // What the launcher builds from the fields fits its 1024-byte texts
        // whole, or is not built at all.
        if (const auto url = ApprovalUrl("http://127.0.0.1:8780/launcher/", *info.approvalid)) {
            if (url->size() > 1023 || url->back() != '/') std::abort();
        }
        const InstallKey key = SplitInstallKey(*info.installkey);
        if (key.root == InstallRoot::Invalid && !key.subkey.empty()) std::abort();
        if (const auto game = RecordableGamePath(*info.installvalue, *info.exename)) {
            const GameCommand command = LocatedGameCommand(*game);
            if (command.commandLine.size() > 1023 || command.commandLine.front() != '"') std::abort();
            if (command.folder != *info.installvalue) std::abort();
        }
    }
    return 0;
}
