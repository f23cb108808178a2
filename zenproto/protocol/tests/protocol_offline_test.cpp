// The protocol object with nothing listening on the image address: the
// connection is refused.
#include <windows.h>

#include <gtest/gtest.h>

#include "protocol_harness.h"
#include "uiauto.h"

namespace {

using namespace harness;

TEST(ProtocolOffline, RefusedConnectionReportsEachCommandsTextAndStartsNothing)
{
    struct Case {
        std::wstring url;
        std::string text;
    };
    for (const Case& c : {Case{L"zentaris://instcheck", "InternetOpenURL Failed"},
                          Case{L"zentaris://instcheck/1001", "InternetOpenURL Failed"},
                          Case{L"zentaris://launch/abc", "InternetOpenURL failed"},
                          Case{L"zentaris://", "InternetOpenURL failed"}}) {
        SCOPED_TRACE(Narrow(c.url));
        StandInLauncher launcher;
        uiauto::BoxWatcher watcher;
        InternetCallsScope internet;
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(c.url, sink), S_FALSE);
        EXPECT_EQ(sink.calls, Concat(Progress(), {Result(104, c.text)}));
        EXPECT_EQ(protocol.ReadAll(), "");
        EXPECT_EQ(internet.Opened(), 1) << "only the session opens";
        EXPECT_EQ(internet.Closed(), 0) << "the session is kept for the next request";
        EXPECT_TRUE(watcher.Boxes().empty());
        EXPECT_FALSE(launcher.CommandLine(1000));
    }
}

}  // namespace
