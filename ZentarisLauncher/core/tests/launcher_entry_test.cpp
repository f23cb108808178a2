// The real ZentarisLauncher.exe: mode choice, messages and exit status.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "launcher.h"
#include "signed_link.h"
#include "uiauto.h"

namespace {

const std::string Standalone = "This application is not designed to start standalone";
const std::string InvalidCommand = "Invalid Launcher command";

const std::string FullFields = "Space;HKCU\\Software\\Game;Dir;game.exe;http://p/;id7";
// The fields and their signature, in Base64.
const std::string FullPayload = Base64Encode(FullFields + ";" + signedlink::Signature(FullFields));

std::string Launcher() { return uiauto::BesideTestProgram("ZentarisLauncher.exe"); }

struct Expected {
    std::string arguments;
    std::string text;     // empty: no message at all
    std::string caption;
};

void ExpectRun(const Expected& e)
{
    SCOPED_TRACE("arguments: [" + e.arguments + "]");
    const uiauto::RunResult run = uiauto::RunAndAnswer(Launcher(), e.arguments);
    ASSERT_EQ(run.startError, 0u) << "the launcher did not start";
    ASSERT_TRUE(run.exited) << "the launcher did not end";
    EXPECT_EQ(run.exitCode, 0u);
    if (e.text.empty()) {
        EXPECT_TRUE(run.boxes.empty()) << "unexpected message: " << run.boxes.front().text;
        return;
    }
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, e.text);
    EXPECT_EQ(run.boxes[0].caption, e.caption);
}

TEST(LauncherEntry, TooShortCommandLineIsNotAStandaloneStart)
{
    for (const char* arguments : {"", "x", "\""}) ExpectRun({arguments, Standalone, "error"});
}

TEST(LauncherEntry, AnythingButExactAutostartIsALaunchCommand)
{
    for (const char* arguments : {"-autostart", "--AUTOSTART", "\"--autostart\"", "ab",
                                  "zentaris:launch/x", "zentaris:/launch/x", "zentaris://launch\t/x"}) {
        ExpectRun({arguments, InvalidCommand, "Operation error"});
    }
    // Windows keeps the space after "--autostart" in the command line.
    ExpectRun({"--autostart ", InvalidCommand, "Operation error"});
}

TEST(LauncherEntry, UndecodableOrIncompletePayloadIsRefused)
{
    ExpectRun({"zentaris://launch/Y=", "Launchinfo invalid", "invalid data"});
    // "a;;b;c": three fields, nothing to approve or start.
    ExpectRun({"zentaris://launch/YTs7YjtjCg==", "Launchinfo invalid", "invalid data"});
    ExpectRun({"zentaris://launch/", "Launchinfo invalid", "invalid data"});
}

TEST(LauncherEntry, UnsignedOrHostileLaunchCommandIsRefusedBeforeAnythingElse)
{
    const std::string outside = "Space;HKCU\\Software\\Game;Dir;..\\game.exe;http://p/;id7";
    const std::string payloads[] = {
        FullFields,                                              // unsigned
        FullFields + ";" + std::string(86, 'A') + "==",          // signed by nobody
        outside + ";" + signedlink::Signature(outside),          // signed, but leaves the game's folder
    };
    for (const std::string& payload : payloads) {
        SCOPED_TRACE(payload);
        ExpectRun({"zentaris://launch/" + Base64Encode(payload), "Launchinfo invalid", "invalid data"});
    }
}

TEST(LauncherEntry, CompleteLaunchCommandShowsNoMessage)
{
    ExpectRun({"zentaris://launch/" + FullPayload, "", ""});
    ExpectRun({"\"zentaris://launch/" + FullPayload + "\"", "", ""});
    ExpectRun({"ZENTARIS://LAUNCH/" + FullPayload + " and more words", "", ""});
}

// The same parse, in this process, with the message box answered by the
// watcher thread.
}  // namespace
