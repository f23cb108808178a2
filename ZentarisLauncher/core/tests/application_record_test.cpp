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

// The program a record's "APP" names, as the tray reads it for icons and
// as the start gives it to the platform (only a quoted line names one).
TEST(ApplicationExecutablePath, SkipsTheFirstCharacterAndEndsAtAQuote)
{
    struct Case {
        std::string app;
        std::string path;
        bool namesProgram;  // the start gives the platform this path
    };
    const Case cases[] = {
        {"\"C:\\Games\\Game\\game.exe", "C:\\Games\\Game\\game.exe", true},
        {"\"C:\\Games\\Game\\game.exe\" -x", "C:\\Games\\Game\\game.exe", true},
        {"\"C:\\My Games\\g.exe -windowed", "C:\\My Games\\g.exe -windowed", true},
        {"\"C:\\G\\\\game.exe", "C:\\G\\\\game.exe", true},
        // The first character goes whatever it is; an unquoted line is the
        // platform's to read.
        {"C:\\game.exe", ":\\game.exe", false},
        {" \"C:\\game.exe", "", false},
        {"\"", "", true},
        {"", "", false},
        {"\"\"", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ApplicationExecutablePath(c.app), c.path) << c.app;
        const GameCommand command = RecordedGameCommand(c.app, "C:\\Games");
        EXPECT_EQ(command.program, c.namesProgram ? c.path : "") << c.app;
        EXPECT_EQ(command.commandLine, c.app);
        EXPECT_EQ(command.folder, "C:\\Games");
    }
}

// What the launcher and the tray take from a record or a download list:
// nothing on another machine, and only web pages for the shell to open.
TEST(RecordRules, NetworkPathsAndOpenableWebLinks)
{
    struct Case {
        bool (*rule)(std::string_view);
        std::string text;
        bool holds;
    };
    const auto net = IsNetworkPath;
    const auto web = IsOpenableWebLink;
    const Case cases[] = {
        {net, "\\\\host\\share\\game.exe", true},
        {net, "//host/share/game.exe", true},
        {net, "\\/host", true},
        {net, "/\\host", true},
        {net, "//", true},
        {net, "\\\\?\\UNC\\host\\share\\game.exe", true},
        {net, "\\\\?\\C:\\Games\\game.exe", true},
        {net, "\\\\.\\pipe\\x", true},
        {net, "\\??\\UNC\\host\\share", true},
        {net, "\\??\\unc/host", true},
        {net, "/?\?/Unc\\host", true},
        {net, "  \\\\host\\share", true},
        {net, "\t//host", true},
        {net, "C:\\Games\\game.exe", false},
        {net, "C:\\\\Games", false},
        {net, "\\Games\\game.exe", false},
        {net, "/Games//game.exe", false},
        {net, "\\??\\C:\\Games", false},
        {net, "\\??\\UNCX\\host", false},
        {net, "\\??\\UN", false},
        {net, "game.exe", false},
        {net, "\\", false},
        {net, "", false},

        {web, "http://127.0.0.1:8780/games/space/", true},
        {web, "https://games.example/client.exe", true},
        {web, "HTTP://games.example/", true},
        {web, "hTtPs://games.example", true},
        {web, "http://g", true},
        {web, "http://[::1]/", true},
        {web, "http://games.example/My%20Client.exe", true},
        {web, "http://games.example/a-b_c.d~e/!$&'()*+,;=:@?q=%22x%22#top", true},
        // Whitespace and control characters anywhere, the line end a download
        // list line keeps included, and bytes beyond ASCII.
        {web, "http://games.example/My Client.exe", false},
        {web, "http://games.example/ ", false},
        {web, "http://games.example/client.exe\n", false},
        {web, "http://games.example/client.exe\r\n", false},
        {web, "http://games.example/client.exe\r", false},
        {web, "http://games.example/\x0B\x0C", false},
        {web, "http://games.example/\x1B[0m", false},
        {web, "http://games.example/\x7F", false},
        {web, "http://games.example/\xA0x", false},
        {web, "http://games.example/\xC2\xA0x", false},
        {web, "http://games.example/\xE2\x80\x83x", false},
        {web, "http://games.example/caf\xC3\xA9", false},
        {web, "http://games.ex\xE1mple/", false},
        {web, "file:///C:/Windows/System32/calc.exe", false},
        {web, "FILE://host/share/x.exe", false},
        {web, "\\\\host\\share\\x.exe", false},
        {web, "//host/share", false},
        {web, "C:\\Windows\\System32\\calc.exe", false},
        {web, "calc.exe", false},
        {web, "ftp://games.example/", false},
        {web, "javascript:alert(1)", false},
        {web, "mailto:a@b", false},
        {web, "zentaris://launch/abc", false},
        {web, "httpx://games.example/", false},
        {web, "http:/games.example/", false},
        {web, "http:games.example", false},
        {web, "http:\\\\host\\share", false},
        {web, " http://games.example/", false},
        {web, "http://", false},
        {web, "https://", false},
        {web, "http://\n", false},
        {web, "http:///C:/x.exe", false},
        {web, "http://\\\\host\\share", false},
        {web, "http://?q", false},
        {web, "http://#f", false},
        {web, "http://@host", false},
        {web, "http://:80/", false},
        {web, "http:// host", false},
        {web, "http://games.example/\" --new-arg \"x", false},
        {web, "http://games.example/\nfile:///C:/x.exe", false},
        {web, "http://games.example/\r\nx", false},
        {web, "http://games.example/\tx", false},
        {web, std::string("http://games.example/\0x", 23), false},
        {web, "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.rule(c.text), c.holds) << (c.rule == net ? "network path " : "web link ") << c.text;
    }
}

}  // namespace
