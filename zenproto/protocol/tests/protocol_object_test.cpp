// CZentarisPluggableProtocol driven directly, against the portal test server
// on the built-in image address: the URL checks, the image download and its
// hand-out through Read, every sink call in order.
#include <windows.h>
#include <wininet.h>

#include "portal_config.h"
#include "protocol_fixture.h"

namespace {

using namespace harness;
using namespace protocol_tests;
using Calls = std::vector<std::string>;

TEST_F(ProtocolTest, UrlsRefusedBeforeProgressReportOnlyTheirError)
{
    struct Case {
        std::wstring url;
        Calls calls;
    };
    const Case cases[] = {
        {L"", {}},
        {L":::", {}},
        {L"zentarisx://instcheck", {Result(101, "invalid protocol")}},
        {L"mailto:x", {Result(101, "invalid protocol")}},
        {L"zentaris:instcheck", {Result(102, "invalid syntax")}},
        {L"zentaris:/x", {Result(102, "invalid syntax")}},
        {L"zentaris", {Result(102, "invalid syntax")}},
        {L":zentaris://instcheck", {Result(102, "invalid syntax")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("url: " + Narrow(c.url));
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(c.url, sink), S_FALSE);
        EXPECT_EQ(sink.calls, c.calls);
        EXPECT_EQ(protocol.ReadAll(), "");
    }
    EXPECT_FALSE(ImageRequested());
}

TEST_F(ProtocolTest, VersionAboveTheHighestIsRefusedBeforeAnyRequest)
{
    for (const wchar_t* url : {L"zentaris://instcheck/1002", L"zentaris://instcheck/ 2000",
                               L"ZENTARIS://INSTCHECK/4294968297"}) {
        SCOPED_TRACE(Narrow(url));
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(url, sink), S_FALSE);
        EXPECT_EQ(sink.calls, Concat(Progress(), {Result(100, "invalid version")}));
    }
    EXPECT_FALSE(ImageRequested());
}

TEST_F(ProtocolTest, InstallCheckAnswersWithThePortalImage)
{
    struct Case {
        const wchar_t* url;
        size_t size;
    };
    const Case cases[] = {
        {L"zentaris://instcheck", 2500},
        {L"ZENTARIS://INSTCHECK/1001", 2500},
        {L"zentaris://instcheck/", 2500},
        {L"zentaris://instcheck/abc", 2500},
        {L"zentaris://instcheck/-5", 2500},
        {L"zentaris://instcheckfoo/9999", 2500},
        {L"zentaris://instcheck/1000", zenproto::ImageSizeLimit},  // the largest image held
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.url) + " image of " + std::to_string(c.size));
        Serve(Bytes(c.size, 3));
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(c.url, sink), S_OK);
        EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Data(image_.size())}));
        EXPECT_EQ(protocol.ReadAll(1000), image_);
    }
    EXPECT_TRUE(ImageRequested());
}

// Any page can make the handler ask for the picture: the request carries
// none of WinINet's cookies, and a cookie the portal sets is not kept.
TEST_F(ProtocolTest, ImageRequestCarriesAndKeepsNoCookies)
{
    const wchar_t* imageUrl = zentaris::InstallCheckImageUrl;
    ASSERT_TRUE(InternetSetCookieW(imageUrl, L"zen_jar", L"1"));
    Serve(Bytes(100), 200, R"("headers": {"Set-Cookie": "zen_kept=1; Path=/"})");
    for (int request = 0; request < 2; ++request) {
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(L"zentaris://instcheck/1000", sink), S_OK);
        EXPECT_EQ(protocol.ReadAll(), image_);
    }
    EXPECT_EQ(ImageRequests(), 2);
    EXPECT_EQ(portal::CookiesSent(), "[]");
    wchar_t jar[256] = {};
    DWORD size = sizeof jar / sizeof jar[0];
    ASSERT_TRUE(InternetGetCookieW(imageUrl, nullptr, jar, &size));
    EXPECT_EQ(std::wstring(jar).find(L"zen_kept"), std::wstring::npos) << Narrow(jar);
}

// Only a 200 answer is the portal's image: any other status ends the request
// as an unanswered one does, and a launch does not go on without the image.
TEST_F(ProtocolTest, ErrorStatusIsNoImage)
{
    StandInLauncher launcher;
    struct Case {
        std::wstring url;
        std::string text;
    };
    for (int status : {404, 500, 204, 203}) {
        Serve("1 gone " + std::to_string(status), status);
        for (const Case& c : {Case{L"zentaris://instcheck/1000", "InternetOpenURL Failed"},
                              Case{L"zentaris://launch/abc", "InternetOpenURL failed"}}) {
            SCOPED_TRACE(std::to_string(status) + " " + c.text);
            Protocol protocol;
            RecordingSink sink;
            EXPECT_EQ(protocol.Start(c.url, sink), S_FALSE);
            EXPECT_EQ(sink.calls, Concat(Progress(), {Result(104, c.text)}));
            EXPECT_EQ(protocol.ReadAll(), "");
        }
    }
    EXPECT_FALSE(launcher.CommandLine(1500)) << "launcher started without the image";
    EXPECT_TRUE(ImageRequested());
}

TEST_F(ProtocolTest, ReadHandsOutTheImageOnceInOrder)
{
    // An empty body: announced with maximum 0, nothing to read.
    {
        Serve("");
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
        EXPECT_EQ(sink.calls.back(), Data(0));
        char buffer[8];
        ULONG got = 1234;
        EXPECT_EQ(protocol->Read(buffer, sizeof buffer, &got), S_FALSE);
        EXPECT_EQ(got, 1234u) << "bytes-read written on S_FALSE";
    }
    // Exactly one read size: all of it, then the end.
    {
        Serve(Bytes(1024, 5));
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
        EXPECT_EQ(sink.calls.back(), Data(1024));
        std::string buffer(2000, '\0');
        ULONG got = 0;
        EXPECT_EQ(protocol->Read(buffer.data(), 2000, &got), S_OK);
        EXPECT_EQ(got, 1024u);
        EXPECT_EQ(buffer.substr(0, got), image_);
        EXPECT_EQ(protocol->Read(buffer.data(), 2000, &got), S_FALSE);
    }
    // Zero-byte reads move nothing; a read for more than is left gets the rest.
    {
        Serve(Bytes(3000, 6));
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
        std::string buffer(5000, '\0');
        ULONG got = 99;
        EXPECT_EQ(protocol->Read(buffer.data(), 0, &got), S_OK);
        EXPECT_EQ(got, 0u);
        EXPECT_EQ(protocol->Read(buffer.data(), 1000, &got), S_OK);
        EXPECT_EQ(buffer.substr(0, got), image_.substr(0, 1000));
        EXPECT_EQ(protocol->Read(buffer.data(), 0, &got), S_OK);
        EXPECT_EQ(got, 0u);
        EXPECT_EQ(protocol->Read(buffer.data(), 5000, &got), S_OK);
        EXPECT_EQ(got, 2000u);
        EXPECT_EQ(buffer.substr(0, got), image_.substr(1000));
        got = 77;
        EXPECT_EQ(protocol->Read(buffer.data(), 5000, &got), S_FALSE);
        EXPECT_EQ(got, 77u);
        // Terminate keeps the image; there is simply nothing left.
        EXPECT_EQ(protocol->Terminate(0), S_OK);
        EXPECT_EQ(protocol->Read(buffer.data(), 5000, &got), S_FALSE);
    }
    // Before Start and after a failed Start there is nothing.
    {
        Protocol protocol;
        char buffer[8];
        ULONG got = 55;
        EXPECT_EQ(protocol->Read(buffer, sizeof buffer, &got), S_FALSE);
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(L"zentaris://instcheck/1002", sink), S_FALSE);
        EXPECT_EQ(protocol->Read(buffer, sizeof buffer, &got), S_FALSE);
        EXPECT_EQ(got, 55u);
    }
}

TEST_F(ProtocolTest, ImageIsInPlaceWhenReportDataIsCalled)
{
    Serve(Bytes(4097, 7));
    Protocol protocol;
    RecordingSink sink;
    std::string readInside;
    sink.onData = [&] { readInside = protocol.ReadAll(333); };
    EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
    EXPECT_EQ(readInside, image_);
    EXPECT_EQ(sink.calls.back(), Data(4097)) << "ReportData must be the last sink call";
}

TEST_F(ProtocolTest, StartingTheObjectAgainKeepsOneImage)
{
    Serve(Bytes(1500, 4));
    FailingAllocator allocator(0);
    {
        Protocol protocol;
        for (int round = 0; round < 3; ++round) {
            RecordingSink sink;
            EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
            EXPECT_EQ(allocator.Outstanding(), 1) << "round " << round;
        }
        EXPECT_EQ(protocol.ReadAll(), image_);
    }
    EXPECT_EQ(allocator.Outstanding(), 0) << "the image outlived its object";
}

TEST_F(ProtocolTest, FailedReadInMidBodyServesWhatArrived)
{
    Serve(Bytes(3000, 8));
    InternetCallsScope internet;
    internet.FailReadsAfter(1);
    Protocol protocol;
    RecordingSink sink;
    EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
    // The first read may bring fewer than 1024 bytes; whatever it brought is
    // the image.
    const std::string served = protocol.ReadAll();
    ASSERT_FALSE(served.empty());
    EXPECT_LE(served.size(), 1024u);
    EXPECT_EQ(served, image_.substr(0, served.size()));
    EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Data(served.size())}));
}

TEST_F(ProtocolTest, RootHandleFailureReportsEachCommandsText)
{
    StandInLauncher launcher;
    InternetCallsScope internet;
    internet.FailRootHandle();
    struct Case {
        std::wstring url;
        std::string text;
    };
    for (const Case& c : {Case{L"zentaris://instcheck", "Internet Open failed"},
                          Case{L"zentaris://launch/abc", "InternetOpen failed"}}) {
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(c.url, sink), S_FALSE);
        EXPECT_EQ(sink.calls, Concat(Progress(), {Result(103, c.text)}));
    }
    EXPECT_FALSE(launcher.CommandLine(1500)) << "launcher started without the image";
    EXPECT_FALSE(ImageRequested());

    // A session that failed to open is not kept as failed: the next request
    // opens it.
    internet.RestoreRootHandle();
    Protocol protocol;
    RecordingSink sink;
    EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
    EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Data(image_.size())}));
    EXPECT_EQ(protocol.ReadAll(), image_);
    EXPECT_EQ(internet.RootsOpened(), 1);
}

// Memory that runs out and an image larger than the handler holds end alike.
TEST_F(ProtocolTest, ImageMemoryFailureIsReportedAndNothingIsKept)
{
    struct Case {
        std::wstring url;
        int failAt;  // 1: the first block; 3: growing it after the second read; 0: never
        bool launch;
        size_t size;
    };
    const size_t over = zenproto::ImageSizeLimit + 1;
    for (const Case& c : {Case{L"zentaris://instcheck", 1, false, 3000}, Case{L"zentaris://instcheck", 3, false, 3000},
                          Case{L"zentaris://launch/abc", 1, true, 3000}, Case{L"zentaris://launch/abc", 3, true, 3000},
                          Case{L"zentaris://instcheck", 0, false, over}, Case{L"zentaris://launch/abc", 0, true, over}}) {
        SCOPED_TRACE(Narrow(c.url) + " failing allocation " + std::to_string(c.failAt) + " image of " +
                     std::to_string(c.size));
        Serve(Bytes(c.size, 9));
        StandInLauncher launcher;
        FailingAllocator allocator(c.failAt);
        {
            Protocol protocol;
            RecordingSink sink;
            EXPECT_EQ(protocol.Start(c.url, sink), S_FALSE);
            EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Result(106, "out of memmory")}));
            EXPECT_EQ(allocator.Outstanding(), 0) << "image block kept after the failure";
            EXPECT_EQ(protocol.ReadAll(), "");
        }
        // The launcher is started before the image is read, so it runs.
        EXPECT_EQ(launcher.CommandLine(c.launch ? 10000 : 1000).has_value(), c.launch);
    }
}

// Each request closes its own handle before Start returns; the session is
// opened by the first request that fetches and kept for the next ones.
TEST_F(ProtocolTest, RequestHandlesAreClosedBeforeStartReturnsAndTheSessionIsKept)
{
    struct Case {
        std::wstring url;
        bool fetches;
    };
    StandInLauncher launcher;
    const Case cases[] = {
        {L"zentaris://instcheck", true},
        {L"zentaris://launch/abc", true},
        {L"zentaris://instcheck/1002", false},
        {L"zentaris:/x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.url));
        InternetCallsScope internet;
        for (int request = 1; request <= 3; ++request) {
            SCOPED_TRACE("request " + std::to_string(request));
            Protocol protocol;
            RecordingSink sink;
            protocol.Start(c.url, sink);
            const int urls = c.fetches ? request : 0;
            EXPECT_EQ(internet.RootsOpened(), c.fetches ? 1 : 0);
            EXPECT_EQ(internet.Opened(), internet.RootsOpened() + urls);
            EXPECT_EQ(internet.Closed(), urls);
        }
        if (!c.fetches) continue;
        // The system's configured access, synchronous; the built-in image
        // address without extra headers or cookies.
        EXPECT_EQ(Narrow(internet.RootArguments()), "Zentaris launcher|0|(null)|(null)|0");
        EXPECT_EQ(Narrow(internet.UrlArguments()), portal::BaseUrl() + "images/space.gif|(null)|4294967295|" +
                                                       std::to_string(INTERNET_FLAG_NO_COOKIES) + "|0");
    }
    // Failure after the image was opened: the launcher path is missing.
    RemoveLauncherPath();
    uiauto::BoxWatcher watcher;
    InternetCallsScope internet;
    Protocol protocol;
    RecordingSink sink;
    EXPECT_EQ(protocol.Start(L"zentaris://launch/abc", sink), S_FALSE);
    EXPECT_EQ(internet.Opened(), 2);
    EXPECT_EQ(internet.Closed(), 1);
    // No request holds the session now: the module may let it go.
    EXPECT_TRUE(zenproto::CloseIdleInternetSession());
    EXPECT_EQ(internet.Closed(), 2);
}

// Two requests on two threads at once share one session, each with its own
// request handle, and the session cannot be closed under them.
TEST_F(ProtocolTest, TwoRequestsAtOnceShareOneSession)
{
    Serve(Bytes(3000, 12));
    InternetCallsScope internet;
    internet.HoldReads();
    struct Bind {
        HRESULT started = E_PENDING;
        std::string image;
        std::vector<std::string> calls;
    };
    Bind binds[2];
    std::vector<std::thread> threads;
    for (Bind& bind : binds) {
        threads.emplace_back([&bind] {
            Protocol protocol;
            RecordingSink sink;
            bind.started = protocol.Start(L"zentaris://instcheck", sink);
            bind.image = protocol.ReadAll();
            bind.calls = sink.calls;
        });
    }
    const bool bothReading = internet.WaitForHeldReads(2, 20000);
    EXPECT_TRUE(bothReading) << "the two requests did not reach their reads together";
    if (bothReading) {
        EXPECT_EQ(internet.RootsOpened(), 1);
        EXPECT_EQ(internet.MostOpenAtOnce(), 3) << "one session and two request handles";
        EXPECT_FALSE(zenproto::CloseIdleInternetSession()) << "closed under running requests";
    }
    internet.ReleaseReads();
    for (std::thread& t : threads) t.join();
    for (const Bind& bind : binds) {
        EXPECT_EQ(bind.started, S_OK);
        EXPECT_EQ(bind.calls, Concat(Progress(), {MimeReport(), Data(image_.size())}));
        EXPECT_EQ(bind.image, image_);
    }
    EXPECT_EQ(internet.RootsOpened(), 1);
    EXPECT_EQ(internet.Closed(), 2);
    EXPECT_EQ(ImageRequests(), 2);
}

// Requests reuse the session's kept connections. A server that drops a kept
// connection just as the next request arrives on it (its keep-alive time ran
// out) costs that request a new connection, not its image.
TEST_F(ProtocolTest, DroppedKeptConnectionIsReplacedByANewOne)
{
    for (const char* drop : {"close", "reset"}) {
        SCOPED_TRACE(drop);
        ASSERT_TRUE(portal::Reset());
        Serve(Bytes(700, 13), 200, std::string("\"keep_alive\": true, \"drop_kept\": \"") + drop + "\"");
        for (int request = 1; request <= 3; ++request) {
            SCOPED_TRACE("request " + std::to_string(request));
            Protocol protocol;
            RecordingSink sink;
            EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
            EXPECT_EQ(sink.calls, Concat(Progress(), {MimeReport(), Data(image_.size())}));
            EXPECT_EQ(protocol.ReadAll(), image_);
            // Every request after the first was sent on the kept connection
            // first, and again on a new one.
            EXPECT_EQ(ImageRequests(), 2 * request - 1);
        }
        // The kept connection goes with a request answered by closing.
        Serve(Bytes(20, 14));
        Protocol protocol;
        RecordingSink sink;
        EXPECT_EQ(protocol.Start(L"zentaris://instcheck", sink), S_OK);
        EXPECT_EQ(protocol.ReadAll(), image_);
    }
}

TEST_F(ProtocolTest, OtherOperationsGiveTheirFixedResults)
{
    Protocol protocol;
    IInternetProtocol* p = protocol.Get();
    EXPECT_EQ(p->Continue(nullptr), S_OK);
    EXPECT_EQ(p->Abort(E_ABORT, 0), S_OK);
    EXPECT_EQ(p->Terminate(0), S_OK);
    EXPECT_EQ(p->Suspend(), E_NOTIMPL);
    EXPECT_EQ(p->Resume(), E_NOTIMPL);
    EXPECT_EQ(p->LockRequest(0), S_OK);
    EXPECT_EQ(p->UnlockRequest(), S_OK);
    ULARGE_INTEGER position;
    position.QuadPart = 0x1122334455667788ull;
    LARGE_INTEGER move;
    move.QuadPart = 0;
    EXPECT_EQ(p->Seek(move, STREAM_SEEK_SET, &position), E_NOTIMPL);
    EXPECT_EQ(position.QuadPart, 0x1122334455667788ull);
}

TEST_F(ProtocolTest, UrlInformationIsLeftToTheBrowser)
{
    Protocol protocol;
    testsupport::ComPtr<IInternetProtocolInfo> info;
    ASSERT_EQ(protocol->QueryInterface(IID_IInternetProtocolInfo, info.put_void()), S_OK);
    for (const wchar_t* url : {L"zentaris://instcheck", L"", L"http://127.0.0.1/"}) {
        wchar_t result[16];
        for (wchar_t& c : result) c = L'#';
        DWORD length = 4242;
        BYTE buffer[8] = {7, 7, 7, 7, 7, 7, 7, 7};
        EXPECT_EQ(info->ParseUrl(url, PARSE_CANONICALIZE, 0, result, 16, &length, 0), INET_E_DEFAULT_ACTION);
        EXPECT_EQ(info->CombineUrl(url, L"x", 0, result, 16, &length, 0), INET_E_DEFAULT_ACTION);
        EXPECT_EQ(info->CompareUrl(url, url, 0), INET_E_DEFAULT_ACTION);
        EXPECT_EQ(info->QueryInfo(url, QUERY_IS_SAFE, 0, buffer, sizeof buffer, &length, 0), INET_E_DEFAULT_ACTION);
        EXPECT_EQ(length, 4242u);
        EXPECT_EQ(result[0], L'#');
        EXPECT_EQ(buffer[0], 7);
    }
}

}  // namespace
