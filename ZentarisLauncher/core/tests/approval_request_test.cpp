// The approval request's URL and the reading of the portal's answer.
#include "approval_request.h"
#include "launch_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string Base = "http://127.0.0.1:8780/launcher/";

TEST(ApprovalUrl, IdIsInsertedUnchanged)
{
    struct Case {
        std::string id;
        std::string url;
    };
    const Case cases[] = {
        {"ab12", Base + "ab12/"},
        {"a/b", Base + "a/b/"},
        {"a b", Base + "a b/"},
        {"%41?x#y", Base + "%41?x#y/"},
    };
    for (const Case& c : cases) {
        const auto url = ApprovalUrl(Base, c.id);
        ASSERT_TRUE(url.has_value()) << c.id;
        EXPECT_EQ(*url, c.url);
    }
}

TEST(ApprovalUrl, UrlThatWouldBeCutIsNotMade)
{
    const size_t fitting = 1023 - Base.size() - 1;
    struct Case {
        size_t idLength;
        bool made;
    };
    for (const Case c : {Case{fitting - 1, true}, Case{fitting, true}, Case{fitting + 1, false},
                         Case{4096, false}}) {
        SCOPED_TRACE(c.idLength);
        const std::string id(c.idLength, 'i');
        const auto url = ApprovalUrl(Base, id);
        ASSERT_EQ(url.has_value(), c.made);
        if (c.made) EXPECT_EQ(*url, Base + id + "/");
    }
    // Even an empty id cannot rescue a base that is already too long.
    EXPECT_FALSE(ApprovalUrl(std::string(1023, 'b'), "").has_value());
    EXPECT_TRUE(ApprovalUrl(std::string(1022, 'b'), "").has_value());
}

// The id goes into the URL unchanged, so only ids that every URL parser
// leaves alone are asked about.
TEST(IsSafeApprovalId, UnreservedSegmentsOnly)
{
    struct Case {
        std::string id;
        bool safe;
    };
    const Case cases[] = {
        {"ab12", true}, {"a-b.c_d~e", true}, {"ab/cd", true}, {"a/b/c", true}, {"...", true}, {"a..b", true},
        {"", false}, {"/ab", false}, {"ab/", false}, {"a//b", false}, {".", false}, {"..", false},
        {"../x", false}, {"a/../x", false}, {"a/./b", false}, {"x/..", false},
        {"a b", false}, {"?x=1", false}, {"a#b", false}, {"%2e%2e", false}, {"a\\b", false},
        {"a\tb", false}, {"a\nb", false}, {std::string("a\0b", 3), false}, {"\xc3\xa9", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSafeApprovalId(c.id), c.safe) << "[" << c.id << "]";
}

TEST(IsApprovingAnswer, OnlyALeadingOneApproves)
{
    struct Case {
        const char* line;
        bool approves;
    };
    const Case cases[] = {
        {"1", true},     {"1\n", true},  {"10", true},     {"1 yes", true},
        {"0", false},    {"", false},    {" 1", false},    {"\n", false},
        {"true", false}, {"01", false},  {"<html>", false}, {nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsApprovingAnswer(c.line), c.approves) << (c.line ? c.line : "(no line)");
    }
}

}  // namespace
