// What a "zentaris:" URL asks for, as the browser hands it over.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "text_conversion.h"
#include "url_grammar.h"

namespace {

using zenproto::UrlCommand;

using testsupport::Narrow;

const char* Name(UrlCommand command)
{
    switch (command) {
    case UrlCommand::NoScheme: return "NoScheme";
    case UrlCommand::WrongScheme: return "WrongScheme";
    case UrlCommand::BadSyntax: return "BadSyntax";
    case UrlCommand::VersionTooHigh: return "VersionTooHigh";
    case UrlCommand::InstallCheck: return "InstallCheck";
    case UrlCommand::Launch: return "Launch";
    }
    return "?";
}

struct UrlCase {
    std::u16string url;
    UrlCommand expected;
};

void ExpectAll(const std::initializer_list<UrlCase>& cases)
{
    for (const UrlCase& c : cases) {
        EXPECT_STREQ(Name(zenproto::ClassifyUrl(c.url)), Name(c.expected)) << "url: [" << Narrow(c.url) << "]";
    }
}

TEST(UrlGrammar, UrlWithoutSchemeTokenIsLeftUnanswered)
{
    ExpectAll({{u"", UrlCommand::NoScheme}, {u":", UrlCommand::NoScheme}, {u":::", UrlCommand::NoScheme}});
}

TEST(UrlGrammar, OtherSchemesAreInvalidProtocol)
{
    ExpectAll({
        {u"zentarisx://instcheck", UrlCommand::WrongScheme},
        {u"mailto:x", UrlCommand::WrongScheme},
        {u"zentari://instcheck", UrlCommand::WrongScheme},
        {u"http://zentaris/", UrlCommand::WrongScheme},
        {u"zentaris//instcheck", UrlCommand::WrongScheme},  // the token runs to the end
        {u"x", UrlCommand::WrongScheme},
        {u" zentaris://instcheck", UrlCommand::WrongScheme},
        {u"zentar\u00EFs://instcheck", UrlCommand::WrongScheme},  // only ASCII letters fold
    });
}

TEST(UrlGrammar, SchemeWithoutDoubleSlashIsInvalidSyntax)
{
    ExpectAll({
        {u"zentaris:", UrlCommand::BadSyntax},
        {u"zentaris", UrlCommand::BadSyntax},
        {u"zentaris:instcheck", UrlCommand::BadSyntax},
        {u"zentaris:/x", UrlCommand::BadSyntax},
        {u"zentaris:/", UrlCommand::BadSyntax},
        {u"zentaris:\\\\instcheck", UrlCommand::BadSyntax},
        {u":zentaris://instcheck", UrlCommand::BadSyntax},  // leading ':' shifts the slashes
        {u"::zentaris://instcheck", UrlCommand::BadSyntax},
        {u"zentaris:x//instcheck", UrlCommand::BadSyntax},
    });
}

TEST(UrlGrammar, InstallCheckUpToTheHighestVersionIsServed)
{
    ExpectAll({
        {u"zentaris://instcheck", UrlCommand::InstallCheck},
        {u"ZENTARIS://INSTCHECK/1001", UrlCommand::InstallCheck},
        {u"ZenTaris://InstCheck/1000", UrlCommand::InstallCheck},
        {u"zentaris://instcheck/", UrlCommand::InstallCheck},
        {u"zentaris://instcheck/abc", UrlCommand::InstallCheck},
        {u"zentaris://instcheck/-5", UrlCommand::InstallCheck},
        {u"zentaris://instcheck/-99999999999", UrlCommand::InstallCheck},
        {u"zentaris://instcheckfoo/9999", UrlCommand::InstallCheck},
        {u"zentaris://instcheckX", UrlCommand::InstallCheck},
        {u"zentaris://instcheck?v=7", UrlCommand::InstallCheck},
        {u"zentaris://instcheck//2000", UrlCommand::InstallCheck},  // "/2000" reads as no number
        {u"zentaris://instcheck/1001abc", UrlCommand::InstallCheck},
        {u"zentaris://instcheck/+1001", UrlCommand::InstallCheck},
        {u"zentaris://instcheck/0001001", UrlCommand::InstallCheck},
    });
}

TEST(UrlGrammar, InstallCheckAboveTheHighestVersionIsRefused)
{
    ExpectAll({
        {u"zentaris://instcheck/1002", UrlCommand::VersionTooHigh},
        {u"zentaris://instcheck/ 2000", UrlCommand::VersionTooHigh},
        {u"zentaris://instcheck/\t\r\n1002", UrlCommand::VersionTooHigh},
        {u"zentaris://instcheck/+1002", UrlCommand::VersionTooHigh},
        {u"zentaris://instcheck/1002/", UrlCommand::VersionTooHigh},
        {u"ZENTARIS://INSTCHECK/99999", UrlCommand::VersionTooHigh},
        // Past the int range the runtime answers INT_MAX: no wrap-around to
        // a small number (2^32 + 1001 would wrap to 1001).
        {u"zentaris://instcheck/4294968297", UrlCommand::VersionTooHigh},
        {u"zentaris://instcheck/99999999999999999999999", UrlCommand::VersionTooHigh},
    });
}

TEST(UrlGrammar, EveryOtherCommandIsALaunchRequest)
{
    ExpectAll({
        {u"zentaris://", UrlCommand::Launch},
        {u"zentaris://launch/abc", UrlCommand::Launch},
        {u"zentaris://launch/abc def", UrlCommand::Launch},
        {u"zentaris://foo", UrlCommand::Launch},
        {u"zentaris://instchec", UrlCommand::Launch},
        {u"zentaris://instchec/1002", UrlCommand::Launch},
        {u"zentaris:///instcheck", UrlCommand::Launch},
        {u"ZENTARIS://LAUNCH/QUJD", UrlCommand::Launch},
    });
}

TEST(WideToInt, ReadsLikeTheRuntime)
{
    struct Case {
        std::u16string text;
        int expected;
    };
    const Case cases[] = {
        {u"", 0},
        {u"abc", 0},
        {u"-", 0},
        {u"+", 0},
        {u"0", 0},
        {u"1001", 1001},
        {u"  42", 42},
        {u"\t\n\v\f\r7", 7},
        {u"-5", -5},
        {u"+8x", 8},
        {u"12 34", 12},
        {u"- 5", 0},
        {u"--5", 0},
        {u"2147483647", INT_MAX},
        {u"2147483648", INT_MAX},
        {u"-2147483648", INT_MIN},
        {u"-2147483649", INT_MIN},
        {u"000000000000000000000000000000012", 12},
        {u"\u0663", 0},  // digits of other scripts are not read
    };
    for (const Case& c : cases) EXPECT_EQ(zenproto::WideToInt(c.text), c.expected) << "[" << Narrow(c.text) << "]";
}

TEST(LaunchArgument, IsTheUrlUpToItsFirstSpace)
{
    struct Case {
        std::u16string url;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"zentaris://launch/abc def", u"zentaris://launch/abc"},
        {u"zentaris://launch/abc", u"zentaris://launch/abc"},
        {u"zentaris://", u"zentaris://"},
        {u"zentaris://a  b c", u"zentaris://a"},
        {u"zentaris://a\tb", u"zentaris://a\tb"},  // only the space character ends it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::u16string(zenproto::LaunchArgument(c.url)), c.expected) << "[" << Narrow(c.url) << "]";
    }
}

}  // namespace
