// With nobody listening at the launcher's portal address the approval cannot
// be had: the launch ends without a word and nothing is started or recorded.
#include <windows.h>

#include <gtest/gtest.h>

#include "application_record.h"
#include "installation.h"
#include "launch_harness.h"
#include "test_registry.h"

namespace {

using namespace launchtest;
using namespace testsupport;

TEST(LaunchWithoutPortal, StartsNothingAndSaysNothing)
{
    ResetApplicationBranch();
    StartGameLog();
    const std::string dir = InstallTestGame("Offline");
    WriteString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zen Offline", "InstallDir", dir);
    const LaunchFields game{"Offline", "HKLM\\SOFTWARE\\Zen Offline", "InstallDir", "game.exe",
                            "http://127.0.0.1/offline/", "offline"};

    const LaunchRun run = RunLauncher(LaunchCommand(game));
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.processesStarted, 0);
    EXPECT_TRUE(GameStarts().empty());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ApplicationRecordPath(game.appname)));
}

}  // namespace
