// Names and text rules of an application record shared with the tray.
#include "application_record.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ApplicationRecordPath, NameGoesUnderTheBranchUnchanged)
{
    EXPECT_EQ(ApplicationRecordPath("Space Game"), "SOFTWARE\\Telmark\\Zentaris\\Space Game");
    EXPECT_EQ(ApplicationRecordPath("Outer\\Inner"), "SOFTWARE\\Telmark\\Zentaris\\Outer\\Inner");
}

TEST(ApplicationExecutablePath, SkipsTheFirstCharacterAndEndsAtAQuote)
{
    struct Case {
        std::string app;
        std::string path;
    };
    const Case cases[] = {
        {"\"C:\\Games\\Game\\game.exe", "C:\\Games\\Game\\game.exe"},
        {"\"C:\\Games\\Game\\game.exe\" -x", "C:\\Games\\Game\\game.exe"},
        {"\"C:\\My Games\\g.exe -windowed", "C:\\My Games\\g.exe -windowed"},
        {"\"C:\\G\\\\game.exe", "C:\\G\\\\game.exe"},
        // The first character goes whatever it is.
        {"C:\\game.exe", ":\\game.exe"},
        {"\"", ""},
        {"", ""},
        {"\"\"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ApplicationExecutablePath(c.app), c.path) << c.app;
}

}  // namespace
