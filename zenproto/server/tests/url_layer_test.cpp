// The platform's URL layer loading zenproto.dll as the "zentaris:" handler
// and binding to a URL as a browser does (asynchronous, pulling the data):
// the frame hands urlmon its objects (urlmon asks for an aggregate first),
// and the protocol object's answers reach the client.
#include <windows.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <string>

#include "browser_bind.h"
#include "portal_client.h"
#include "test_registry.h"
#include "uiauto.h"
#include "zenproto_ids.h"

namespace {

// Registers the DLL beside the test as the handler of "zentaris:" for this
// prefix, as its registration would, without running it.
void RegisterHandler()
{
    const std::string clsid = zentaris::CLSID_ZentarisPluggableProtocolString;
    const std::string server = "CLSID\\" + clsid + "\\InprocServer32";
    ASSERT_TRUE(testsupport::WriteValues(HKEY_CLASSES_ROOT, server,
                                         {testsupport::Sz("", uiauto::BesideTestProgram("zenproto.dll")),
                                          testsupport::Sz("ThreadingModel", "Both")}));
    ASSERT_TRUE(testsupport::WriteString(HKEY_CLASSES_ROOT, "PROTOCOLS\\Handler\\zentaris", "CLSID", clsid));
}

class UrlLayerTest : public testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void SetUp() override
    {
        ASSERT_FALSE(portal::BaseUrl().empty()) << "no portal test server";
        ASSERT_TRUE(portal::Reset());
        RegisterHandler();
    }
};

TEST_F(UrlLayerTest, InstallCheckDeliversThePortalImage)
{
    std::string image(3000, '\0');
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 13 + 5);
    ASSERT_TRUE(portal::Serve("/images/space.gif", 200, image));
    for (const wchar_t* url : {L"zentaris://instcheck/1000", L"ZENTARIS://INSTCHECK"}) {
        const browser::BindOutcome bind = browser::BindLikeABrowser(url, 10000);
        EXPECT_TRUE(SUCCEEDED(bind.bindResult)) << std::hex << bind.bindResult;
        EXPECT_EQ(bind.bytes, image);
        if (bind.stopped) {
            EXPECT_EQ(bind.stopResult, S_OK);
        }
    }
}

TEST_F(UrlLayerTest, RefusedVersionEndsTheBindWithItsText)
{
    const browser::BindOutcome bind = browser::BindLikeABrowser(L"zentaris://instcheck/1002", 10000);
    ASSERT_TRUE(bind.stopped) << "the bind did not end";
    EXPECT_EQ(bind.stopResult, E_FAIL);
    EXPECT_EQ(bind.stopText, L"invalid version");
    EXPECT_TRUE(bind.bytes.empty());
    EXPECT_EQ(portal::RequestLog().find("space.gif"), std::string::npos);
}

}  // namespace
