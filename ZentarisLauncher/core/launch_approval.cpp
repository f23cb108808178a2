// The portal decides whether a launch command is carried out.
#include <memory>
#include <string>

#include "approval_request.h"
#include "launcher.h"
#include "portal.h"
#include "webfile.h"

namespace {

struct WebFileCloser {
    void operator()(WebFile* file) const { WebFileClose(file); }
};

}  // namespace

bool IsLaunchApproved(const LaunchInfo* info)
{
    if (!info->approvalid) return false;
    const std::string approvalBase = std::string(zentaris::PortalBaseUrl) + zentaris::ApprovalPath;
    // A URL that does not fit is not asked about at all.
    const std::optional<std::string> url = ApprovalUrl(approvalBase, *info->approvalid);
    if (!url) return false;

    std::unique_ptr<WebFile, WebFileCloser> answer(WebFileOpen(url->c_str(), "r"));
    if (!answer) return false;
    char line[1024];
    return IsApprovingAnswer(WebFileReadLine(line, sizeof line, answer.get()));
}
