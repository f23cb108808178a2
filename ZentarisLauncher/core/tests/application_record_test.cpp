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

TEST(IsNetworkPath, TwoLeadingSlashesInAnyMixLeadToAnotherMachine)
{
    struct Case {
        std::string path;
        bool network;
    };
    const Case cases[] = {
        {"\\\\host\\share\\game.exe", true},
        {"//host/share/game.exe", true},
        {"\\/host", true},
        {"/\\host", true},
        {"//", true},
        {"\\\\?\\UNC\\host\\share\\game.exe", true},
        {"\\\\?\\C:\\Games\\game.exe", true},
        {"\\\\.\\pipe\\x", true},
        {"\\??\\UNC\\host\\share", true},
        {"\\??\\unc/host", true},
        {"/?\?/Unc\\host", true},
        {"  \\\\host\\share", true},
        {"\t//host", true},
        {"C:\\Games\\game.exe", false},
        {"C:\\\\Games", false},
        {"\\Games\\game.exe", false},
        {"/Games//game.exe", false},
        {"\\??\\C:\\Games", false},
        {"\\??\\UNCX\\host", false},
        {"\\??\\UN", false},
        {"game.exe", false},
        {"\\", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsNetworkPath(c.path), c.network) << c.path;
}

TEST(IsOpenableWebLink, OnlyHttpAndHttpsUrlsWithAHostOpen)
{
    struct Case {
        std::string link;
        bool openable;
    };
    const Case cases[] = {
        {"http://127.0.0.1:8780/games/space/", true},
        {"https://games.example/client.exe", true},
        {"HTTP://games.example/", true},
        {"hTtPs://games.example", true},
        {"http://g", true},
        {"http://[::1]/", true},
        {"http://games.example/My Client.exe", true},
        // A download list line keeps its line end in its URL.
        {"http://games.example/client.exe\n", true},
        {"http://games.example/client.exe\r\n", true},
        {"http://games.example/client.exe\r", true},
        {"file:///C:/Windows/System32/calc.exe", false},
        {"FILE://host/share/x.exe", false},
        {"\\\\host\\share\\x.exe", false},
        {"//host/share", false},
        {"C:\\Windows\\System32\\calc.exe", false},
        {"calc.exe", false},
        {"ftp://games.example/", false},
        {"javascript:alert(1)", false},
        {"mailto:a@b", false},
        {"zentaris://launch/abc", false},
        {"httpx://games.example/", false},
        {"http:/games.example/", false},
        {"http:games.example", false},
        {"http:\\\\host\\share", false},
        {" http://games.example/", false},
        {"http://", false},
        {"https://", false},
        {"http://\n", false},
        {"http:///C:/x.exe", false},
        {"http://\\\\host\\share", false},
        {"http://?q", false},
        {"http://#f", false},
        {"http://@host", false},
        {"http://:80/", false},
        {"http:// host", false},
        {"http://games.example/\" --new-arg \"x", false},
        {"http://games.example/\nfile:///C:/x.exe", false},
        {"http://games.example/\r\nx", false},
        {"http://games.example/\tx", false},
        {std::string("http://games.example/\0x", 23), false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsOpenableWebLink(c.link), c.openable) << c.link;
}

}  // namespace
