#include "approval_request.h"

#include "application_record.h"

std::optional<std::string> ApprovalUrl(std::string_view approvalBase, std::string_view approvalid)
{
    std::string url;
    url.reserve(approvalBase.size() + approvalid.size() + 1);
    url += approvalBase;
    url += approvalid;
    url += '/';
    if (url.size() > zentaris::LauncherTextMaxLength) return std::nullopt;
    return url;
}

bool IsApprovingAnswer(const char* firstLine)
{
    return firstLine && firstLine[0] == '1';
}
