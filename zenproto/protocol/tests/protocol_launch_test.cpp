// Launch requests through CZentarisPluggableProtocol: the launcher path from
// the registry, the message when it is missing, the launcher's command line.
#include "protocol_fixture.h"

namespace {

using namespace harness;
using namespace protocol_tests;
using Calls = std::vector<std::string>;

std::wstring ExpectedLine(const std::wstring& path, const std::wstring& argument)
{
    return L"\"" + path + L"\" " + argument;
}

TEST_F(ProtocolTest, LaunchStartsTheLauncherWithTheUrlUpToItsFirstSpace)
{
    struct Case {
        std::wstring url, argument;
    };
    const Case cases[] = {
        {L"zentaris://launch/abc def", L"zentaris://launch/abc"},
        {L"zentaris://launch/QUJD", L"zentaris://launch/QUJD"},
        {L"zentaris://", L"zentaris://"},
        {L"zentaris://foo", L"zentaris://foo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.url));
        StandInLauncher launcher(L"Zen Taris Launcher", L"Zentaris Launcher.exe");  // spaces in the path
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(c.url, sink), S_OK);
        EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Data(image_.size())}));
        EXPECT_EQ(protocol.ReadAll(), image_);
        const auto line = launcher.CommandLine(10000);
        ASSERT_TRUE(line) << "the launcher was not started";
        EXPECT_EQ(*line, ExpectedLine(launcher.Path(), c.argument));
    }
}

TEST_F(ProtocolTest, MissingLauncherPathIsShownBeforeItIsReported)
{
    // The value missing, then the whole branch missing.
    for (bool wholeBranch : {false, true}) {
        SCOPED_TRACE(wholeBranch ? "no branch" : "no value");
        RemoveLauncherPath();
        if (wholeBranch) RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Telmark");
        uiauto::BoxWatcher watcher;
        size_t boxesAtReport = 0;
        Protocol protocol;
        RecordingSink sink;
        sink.onResult = [&] { boxesAtReport = watcher.Boxes().size(); };
        EXPECT_EQ(protocol.Start(L"zentaris://launch/abc", sink), S_FALSE);
        EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Result(105, "registry settings not found")}));
        EXPECT_EQ(boxesAtReport, 1u) << "the report came before the user closed the message";
        const auto boxes = watcher.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, BoxText);
        EXPECT_EQ(boxes[0].caption, "error");
        EXPECT_EQ(protocol.ReadAll(), "");
    }
}

// An installation for every user of the machine keeps LauncherPath under
// HKEY_LOCAL_MACHINE; a user's own installation keeps it in the user's hive
// and wins over it.
TEST_F(ProtocolTest, UsersOwnLauncherPathWinsOverTheMachines)
{
    enum class UsersValue { None, StandIn, TooLong };
    struct Case {
        const char* what;
        UsersValue user;
        bool usersStarts;
    };
    const Case cases[] = {
        {"the machine's value alone", UsersValue::None, false},
        {"the user's and the machine's", UsersValue::StandIn, true},
        {"the user's too long to use, and the machine's", UsersValue::TooLong, false},
    };
    const std::wstring url = L"zentaris://launch/abc";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveLauncherPath();
        StandInLauncher machine(L"zen machine launcher", L"ZentarisLauncher.exe", HKEY_LOCAL_MACHINE);
        std::optional<StandInLauncher> user;
        if (c.user == UsersValue::StandIn) user.emplace(L"zen user launcher", L"ZentarisLauncher.exe");
        if (c.user == UsersValue::TooLong) WriteLauncherPath(L"C:\\" + std::wstring(1100, L'x') + L"\\L.exe");
        uiauto::BoxWatcher watcher;
        Protocol protocol;
        RecordingSink sink;
        const HRESULT started = protocol.Start(url, sink);
        RemoveLauncherPath(HKEY_LOCAL_MACHINE);  // the other tests' machine has none
        EXPECT_EQ(started, S_OK);
        EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Data(image_.size())}));
        EXPECT_TRUE(watcher.Boxes().empty());
        StandInLauncher& recorder = user ? *user : machine;
        const auto line = recorder.CommandLine(10000);
        ASSERT_TRUE(line) << "no launcher was started";
        EXPECT_EQ(*line, ExpectedLine(c.usersStarts ? user->Path() : machine.Path(), url));
    }
    RemoveLauncherPath();
}

TEST_F(ProtocolTest, LauncherPathTooLongForItsBufferIsRefusedLikeAMissingOne)
{
    struct Case {
        size_t length;
        bool terminated;
    };
    for (const Case& c : {Case{1048, true}, Case{1048, false}, Case{1100, true}, Case{40000, true}}) {
        SCOPED_TRACE("path of " + std::to_string(c.length) + (c.terminated ? " with" : " without") + " terminator");
        StandInLauncher launcher;
        // The stand-in's own path, padded: read cut at the buffer, it would
        // start the stand-in.
        std::wstring path = launcher.Path();
        path.append(c.length - path.size(), L' ');
        WriteLauncherPath(path, c.terminated);
        uiauto::BoxWatcher watcher;
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(L"zentaris://launch/abc", sink), S_FALSE);
        EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Result(105, "registry settings not found")}));
        ASSERT_EQ(watcher.Boxes().size(), 1u);
        EXPECT_EQ(watcher.Boxes()[0].text, BoxText);
        EXPECT_FALSE(launcher.CommandLine(1000)) << "launcher started from an oversized path";
    }
}

TEST_F(ProtocolTest, LauncherPathFillingTheBufferExactlyIsUsed)
{
    // 1047 characters and the terminator: the longest path that fits. It
    // names no file, which the browser is not told about.
    const std::wstring path = L"C:\\" + std::wstring(1038, L'x') + L"\\L.exe";
    ASSERT_EQ(path.size(), 1047u);
    for (bool terminated : {true, false}) {
        WriteLauncherPath(path, terminated);
        uiauto::BoxWatcher watcher;
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(L"zentaris://launch/abc", sink), S_OK);
        EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Data(image_.size())}));
        EXPECT_TRUE(watcher.Boxes().empty());
    }
}

TEST_F(ProtocolTest, MissingLauncherFileStillServesTheImage)
{
    WriteLauncherPath(L"C:\\nowhere\\ZentarisLauncher.exe");
    uiauto::BoxWatcher watcher;
    Protocol protocol;
    RecordingSink sink;
    EXPECT_EQ(protocol.Start(L"zentaris://launch/abc", sink), S_OK);
    EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Data(image_.size())}));
    EXPECT_EQ(protocol.ReadAll(), image_);
    EXPECT_TRUE(watcher.Boxes().empty());
}

TEST_F(ProtocolTest, LongLaunchUrlReachesTheLauncherWholeOrNotAtAll)
{
    // Far beyond the 1024 characters a formatting call would keep.
    {
        StandInLauncher launcher;
        const std::wstring url = L"zentaris://launch/" + std::wstring(6000, L'Q') + L"==";
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(url + L" tail", sink), S_OK);
        const auto line = launcher.CommandLine(10000);
        ASSERT_TRUE(line);
        EXPECT_EQ(*line, ExpectedLine(launcher.Path(), url));
    }
    // Beyond what a process can be started with: nothing started, reported.
    {
        StandInLauncher launcher;
        const std::wstring url = L"zentaris://launch/" + std::wstring(33000, L'Q');
        uiauto::BoxWatcher watcher;
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(url, sink), S_FALSE);
        EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Result(107, "launch url too long")}));
        EXPECT_EQ(protocol.ReadAll(), "");
        EXPECT_TRUE(watcher.Boxes().empty());
        EXPECT_FALSE(launcher.CommandLine(1000));
    }
}

}  // namespace
