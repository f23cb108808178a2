// The portal decides whether a launch command is carried out.
#include <string>

#include "approval_request.h"
#include "launcher.h"
#include "link_signing_config.h"
#include "portal.h"
#include "webfile_owner.h"

bool IsLaunchApproved(const LaunchInfo* info)
{
    if (!info->approvalid) return false;
    const std::string approvalBase = std::string(zentaris::PortalBaseUrl) + zentaris::ApprovalPath;
    // A URL that does not fit is not asked about at all.
    const std::optional<std::string> url = ApprovalUrl(approvalBase, *info->approvalid);
    if (!url) return false;

    // A portal that stays silent must not hold the launcher for ever: past
    // the deadline the transfer ends, and no answer is a refusal.
    const zentaris::UniqueWebFile answer(
        WebFileOpenWithin(url->c_str(), "r", zentaris::ApprovalTimeoutSeconds * 1000));
    if (!answer) return false;
    char line[1024];
    return IsApprovingAnswer(WebFileReadLine(line, sizeof line, answer.get()));
}
