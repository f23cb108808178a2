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

LaunchFailure NotApproved(const std::string& id, const std::string& why)
{
    return {LaunchError::NotApproved, "the portal did not approve [" + id + "]: " + why};
}

}  // namespace

Step<ApprovedLink> AskPortal(CheckedLink link)
{
    const std::string approvalBase = std::string(zentaris::PortalBaseUrl) + zentaris::ApprovalPath;
    // A URL that does not fit is not asked about at all.
    const std::optional<std::string> url = ApprovalUrl(approvalBase, link.approvalid);
    if (!url) return NotApproved(link.approvalid, "its URL would pass 1023 characters, so it was not asked");

    // A portal that stays silent must not hold the launcher for ever: past
    // the deadline the transfer ends, and no answer is a refusal.
    // Only a 200 answer opens at all (an error page is no answer).
    long status = 0;
    const zentaris::UniqueWebFile answer(
        WebFileOpenAnswered(url->c_str(), "r", zentaris::ApprovalTimeoutSeconds * 1000, &status));
    if (!answer) {
        if (status == 0) {
            return NotApproved(link.approvalid, "no answer within " + std::to_string(zentaris::ApprovalTimeoutSeconds) +
                                                    " s (no connection, or nothing came)");
        }
        const char* empty = status == 200 ? " without a byte of answer" : "";
        return NotApproved(link.approvalid, "HTTP " + std::to_string(status) + empty);
    }
    char line[1024];
    if (!IsApprovingAnswer(WebFileReadLine(line, sizeof line, answer.get()))) {
        return NotApproved(link.approvalid, "HTTP 200, the answer does not begin with 1");
    }
    // A "1" counts only when the whole answer arrived in time: a portal that
    // fails half way through its answer has not said yes.
    if (!ReadsToAWholeEnd(answer.get())) {
        return NotApproved(link.approvalid, "HTTP 200 beginning with 1, but cut off or not whole in time");
    }
    return ApprovedLink{std::move(link), status};
}
