// The browser road end to end under Wine: zenproto.dll registered with
// regsvr32 in this prefix, "LauncherPath" written as the installation does,
// and "zentaris:" URLs bound through the platform's URL layer as a browser
// binds them. The install-check image comes from the portal test server on
// the handler's built-in address; a launch URL starts the real
// ZentarisLauncher.exe, which asks the portal and starts the test game.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "installation.h"
#include "launch_harness.h"
#include "portal.h"
#include "portal_client.h"
#include "signed_link.h"
#include "uiauto.h"
#include "browser_bind.h"
#include "test_registry.h"
#include "text_conversion.h"
#include "win_registry_probe.h"

namespace {

using browser::BindLikeABrowser;
using browser::BindOutcome;
using probe::Regsvr32;
using testsupport::Widen;

// Bytes no text route would produce: NULs, high bytes, more than two of the
// handler's 1024-byte pieces.
std::string ImageBody()
{
    std::string body = "GIF89a";
    for (int i = 0; body.size() < 2500; ++i) body += static_cast<char>((i * 37) & 0xFF);
    return body;
}

int ImageRequests()
{
    const std::string log = portal::RequestLog();
    int count = 0;
    const std::string image = "\"/images/space.gif\"";
    for (size_t at = log.find(image); at != std::string::npos; at = log.find(image, at + 1)) ++count;
    return count;
}

// Every process started from this test process from now on joins one job,
// whose completion port tells their starts and ends: the handler keeps no
// handle to the launcher, and the launcher none to the game.
class ProcessWatch {
public:
    bool Begin()
    {
        job_ = CreateJobObjectW(nullptr, nullptr);
        port_ = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
        association.CompletionKey = job_;
        association.CompletionPort = port_;
        return job_ && port_ &&
               SetInformationJobObject(job_, JobObjectAssociateCompletionPortInformation, &association,
                                       sizeof association) &&
               AssignProcessToJobObject(job_, GetCurrentProcess());
    }

    // Waits until at least `minimum` processes have started since the last
    // call and all of them have ended; the number started.
    size_t WaitForChildren(size_t minimum, DWORD timeoutMs)
    {
        std::set<DWORD> started;
        std::set<DWORD> ended;
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (started.size() < minimum || ended.size() < started.size()) {
            const ULONGLONG now = GetTickCount64();
            if (now >= deadline) break;
            DWORD message = 0;
            ULONG_PTR key = 0;
            LPOVERLAPPED detail = nullptr;
            if (!GetQueuedCompletionStatus(port_, &message, &key, &detail, static_cast<DWORD>(deadline - now))) break;
            const DWORD pid = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
            if (pid == GetCurrentProcessId()) continue;
            if (message == JOB_OBJECT_MSG_NEW_PROCESS) started.insert(pid);
            if (message == JOB_OBJECT_MSG_EXIT_PROCESS || message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
                ended.insert(pid);
            }
        }
        return ended.size() < started.size() ? 0 : started.size();
    }

private:
    HANDLE job_ = nullptr;   // lives as long as the test program
    HANDLE port_ = nullptr;
};

class BrowserRoad : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        registered_ = Regsvr32("\"" + uiauto::BesideTestProgram("zenproto.dll") + "\"") == 0;
        // As the installation leaves it.
        testsupport::WriteString(HKEY_CURRENT_USER, zentaris::AppBranch, zentaris::LauncherPathValue,
                                 uiauto::BesideTestProgram("ZentarisLauncher.exe"));
        watching_ = watch_.Begin();
    }

    void SetUp() override
    {
        ASSERT_TRUE(registered_) << "regsvr32 zenproto.dll failed";
        // The handler fetches its image from its built-in address.
        ASSERT_NE(std::wstring(zentaris::InstallCheckImageUrl).find(Widen(portal::BaseUrl())), std::wstring::npos);
        ASSERT_TRUE(portal::Reset());
        ASSERT_TRUE(portal::Serve("/images/space.gif", 200, ImageBody()));
    }

    static bool registered_;
    static bool watching_;
    static ProcessWatch watch_;
};

bool BrowserRoad::registered_ = false;
bool BrowserRoad::watching_ = false;
ProcessWatch BrowserRoad::watch_;

TEST_F(BrowserRoad, InstallCheckDeliversThePortalsImage)
{
    for (const wchar_t* url : {L"zentaris://instcheck/1000", L"zentaris://instcheck", L"ZENTARIS://INSTCHECK/1001",
                               L"zentaris://instcheck/abc"}) {
        SCOPED_TRACE(std::string(url, url + wcslen(url)));
        ASSERT_TRUE(portal::Reset());
        ASSERT_TRUE(portal::Serve("/images/space.gif", 200, ImageBody()));
        const BindOutcome outcome = BindLikeABrowser(url);
        ASSERT_TRUE(outcome.finished) << "no data and no end within the bound";
        EXPECT_TRUE(SUCCEEDED(outcome.bindResult)) << std::hex << outcome.bindResult;
        EXPECT_FALSE(outcome.stopped && FAILED(outcome.stopResult)) << std::hex << outcome.stopResult;
        EXPECT_EQ(outcome.bytes, ImageBody());
        EXPECT_EQ(ImageRequests(), 1);
    }
}

TEST_F(BrowserRoad, InstallCheckForATooNewVersionFailsWithoutTheImage)
{
    for (const wchar_t* url : {L"zentaris://instcheck/1002", L"zentaris://instcheck/ 2000"}) {
        SCOPED_TRACE(std::string(url, url + wcslen(url)));
        ASSERT_TRUE(portal::Reset());
        const BindOutcome outcome = BindLikeABrowser(url);
        ASSERT_TRUE(outcome.finished);
        ASSERT_TRUE(outcome.stopped);
        EXPECT_EQ(outcome.stopResult, E_FAIL);
        EXPECT_EQ(outcome.stopText, L"invalid version");
        EXPECT_TRUE(outcome.bytes.empty());
        EXPECT_EQ(ImageRequests(), 0);
    }
}

// With the support log switched on, the handler and the launcher each write
// what they decided, and neither writes the signed link. The handler, loaded
// once, follows the switch from one request to the next.
TEST_F(BrowserRoad, LaunchUrlStartsTheLauncherAndTheApprovedGame)
{
    ASSERT_TRUE(watching_) << "cannot follow the processes this test starts";
    const struct {
        const char* approval;
        bool gameStarts;
        bool log;
    } cases[] = {{"1", true, false}, {"1", true, true}, {"0", false, true}, {"1", true, false}};
    int serial = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("approval ") + c.approval + (c.log ? ", logged" : ""));
        launchtest::ResetSupportLog(c.log);
        ASSERT_TRUE(portal::Serve("/images/space.gif", 200, ImageBody()));
        launchtest::StartGameLog();
        const std::string name = "Road Game " + std::to_string(++serial);
        const std::string dir = launchtest::InstallTestGame(name);
        const std::string key = "SOFTWARE\\Zen Road Vendor\\" + name;
        testsupport::WriteString(HKEY_LOCAL_MACHINE, key, "InstallDir", dir);
        const std::string id = "road" + std::to_string(serial);
        ASSERT_TRUE(portal::Serve("/launcher/" + id + "/", 200, c.approval));
        const launchtest::LaunchFields fields{name, "HKLM\\" + key, "InstallDir", "game.exe",
                                              "http://127.0.0.1/g/", id};
        const std::string command = launchtest::LaunchCommand(fields);

        const BindOutcome outcome = BindLikeABrowser(Widen(command));
        ASSERT_TRUE(outcome.finished);
        EXPECT_EQ(outcome.bytes, ImageBody());
        EXPECT_EQ(watch_.WaitForChildren(c.gameStarts ? 2 : 1, 60000), c.gameStarts ? 2u : 1u);

        EXPECT_NE(portal::RequestLog().find("\"/launcher/" + id + "/\""), std::string::npos);
        const auto starts = launchtest::GameStarts();
        ASSERT_EQ(starts.size(), c.gameStarts ? 1u : 0u);
        if (c.gameStarts) {
            EXPECT_EQ(launchtest::WithoutTrailingBackslash(starts[0].workingDirectory), dir);
        }

        const auto handlerLog = launchtest::SupportLogText("zenproto.log");
        const auto launcherLog = launchtest::SupportLogText("launcher.log");
        if (!c.log) {
            EXPECT_FALSE(handlerLog || launcherLog) << "a log was written while switched off";
            continue;
        }
        ASSERT_TRUE(handlerLog && launcherLog);
        for (const char* line : {"request: launch, a URL of ", "the portal's image: HTTP 200\r\n",
                                 "the launcher started, process "}) {
            EXPECT_NE(handlerLog->find(line), std::string::npos) << line << "\n" << *handlerLog;
        }
        const std::string decision = c.gameStarts ? "the portal approved [" + id + "]: HTTP 200\r\n"
                                                  : "the portal did not approve [" + id +
                                                        "]: HTTP 200, the answer does not begin with 1\r\n";
        EXPECT_NE(launcherLog->find(decision), std::string::npos) << *launcherLog;
        const std::string signature = signedlink::Signature(launchtest::JoinedFields(fields));
        const std::string payload = command.substr(std::string("zentaris://launch/").size(), 40);
        for (const std::string* log : {&*handlerLog, &*launcherLog}) {
            EXPECT_EQ(log->find(signature), std::string::npos) << *log;
            EXPECT_EQ(log->find(payload), std::string::npos) << *log;
        }
    }
}

}  // namespace
