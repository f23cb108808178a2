// The portal decides whether a launch command is carried out.
#include <string>

#include "approval_request.h"
#include "launcher.h"
#include "link_signing_config.h"
#include "portal.h"
#include "webfile_owner.h"

namespace {

// Reads what is left of the answer (the transfer's deadline bounds it) and
// says whether it ended whole.
bool ReadsToAWholeEnd(WebFile* file)
{
    char rest[512];
    while (WebFileAtEnd(file) == 0) {
        if (WebFileRead(rest, 1, sizeof rest, file) == 0) break;
    }
    return WebFileAtEnd(file) == 1 && WebFileComplete(file) != 0;
}

}  // namespace

bool IsLaunchApproved(const LaunchInfo* info)
{
    if (!info->approvalid) return false;
    const std::string approvalBase = std::string(zentaris::PortalBaseUrl) + zentaris::ApprovalPath;
    // A URL that does not fit is not asked about at all.
    const std::optional<std::string> url = ApprovalUrl(approvalBase, *info->approvalid);
    if (!url) return false;

    // A portal that stays silent must not hold the launcher for ever: past
    // the deadline the transfer ends, and no answer is a refusal.
    // Only a 200 answer opens at all (an error page is no answer).
    const zentaris::UniqueWebFile answer(
        WebFileOpenWithin(url->c_str(), "r", zentaris::ApprovalTimeoutSeconds * 1000));
    if (!answer) return false;
    char line[1024];
    if (!IsApprovingAnswer(WebFileReadLine(line, sizeof line, answer.get()))) return false;
    // A "1" counts only when the whole answer arrived in time: a portal that
    // fails half way through its answer has not said yes.
    return ReadsToAWholeEnd(answer.get());
}
