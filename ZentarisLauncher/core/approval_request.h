// The question the launcher asks the portal before it starts a game, and
// how it reads the answer. Portable; the request itself is in
// launch_approval.cpp.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// `approvalBase` + `approvalid` + "/", with the id inserted unchanged (no
// escaping). Empty when the URL would not fit the launcher's 1024-byte
// buffer: a shortened id would ask the portal about another launch.
std::optional<std::string> ApprovalUrl(std::string_view approvalBase, std::string_view approvalid);

// Only an answer whose first byte is "1" approves; null (no line came) does
// not.
bool IsApprovingAnswer(const char* firstLine);
