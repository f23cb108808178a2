// What a launch command may ask for. A launch link is written by whatever
// page the user visits, so its fields are checked before anything is fetched
// or written; the installation folder it points at comes from a registry
// value that other software wrote, and is checked before it is used.
// Portable.
#pragma once

#include <string_view>

#include "launch_info.h"
#include "launch_road.h"
#include "link_signing_keys.h"

// A program inside the installation folder: a relative path of ordinary
// components ("bin\game.exe"), ending in ".exe". Nothing that could leave the
// folder (rooted, a drive, "..", a stream), close the quoted program path
// ('"') or be rewritten by the platform's path rules (a component made of
// dots and spaces, or ending in one, or a device name such as "NUL").
bool IsSafeExecutableName(std::string_view exename);

// Path segments of URL-unreserved characters separated by single "/", none
// of them "." or "..": nothing a URL parser would resolve, escape or read as
// a query, so the portal is asked about exactly this id.
bool IsSafeApprovalId(std::string_view approvalid);

// The step from decoded fields to a checked link: all six fields present,
// the executable and the approval id within their rules, the signature
// verified by one of `keys` (when there are any), and, where unsigned links
// are taken, an installation key of a vendor's (IsVendorInstallationKey).
// InvalidLink otherwise, naming the rule that refused.
Step<CheckedLink> CheckLaunchLink(const LaunchInfo& info, const zentaris::LinkSigningKeyList& keys);

// An absolute folder on a local drive ("C:\..."), with no quotation mark
// that would close the program path built from it and no device name among
// its components.
bool IsLocalInstallationFolder(std::string_view folder);
