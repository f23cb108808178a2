// The launcher's reads and writes of application records, in this process's
// own prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "application_registry.h"
#include "installation.h"
#include "launch_harness.h"

namespace {

using launchtest::KeyValues;
using launchtest::RecordPath;

const std::string TestRecord = "Registry Test";

class ApplicationRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        launchtest::ResetApplicationBranch();
        ASSERT_TRUE(CreateApplicationRecord(TestRecord.c_str(), record_));
    }

    void Store(const char* name, DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(RegSetValueExA(record_.Get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    RegKey record_;
};

TEST_F(ApplicationRegistry, TextsAreReadWholeAndTerminatedOrNotAtAll)
{
    struct Case {
        const char* what;
        DWORD type;
        std::string stored;  // bytes as stored
        bool ok;
        std::string text;
    };
    const Case cases[] = {
        {"short", REG_SZ, std::string("\"C:\\g\\g.exe") + '\0', true, "\"C:\\g\\g.exe"},
        {"1023 characters", REG_SZ, std::string(1023, 'a') + '\0', true, std::string(1023, 'a')},
        {"1024 characters", REG_SZ, std::string(1024, 'a') + '\0', false, ""},
        {"no terminator, fits", REG_BINARY, std::string(1023, 'b'), true, std::string(1023, 'b')},
        {"no terminator, fills the buffer", REG_BINARY, std::string(1024, 'b'), false, ""},
        {"other type", REG_EXPAND_SZ, std::string("D:\\x") + '\0', true, "D:\\x"},
        {"empty", REG_SZ, std::string(1, '\0'), true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store("APP", c.type, c.stored);
        char buffer[1024];
        std::memset(buffer, 'X', sizeof buffer);
        EXPECT_EQ(ReadRecordText(record_.Get(), "APP", buffer, sizeof buffer), c.ok);
        if (c.ok) {
            EXPECT_EQ(std::string(buffer), c.text);
        }
    }
    char buffer[1024];
    EXPECT_FALSE(ReadRecordText(record_.Get(), "APATH", buffer, sizeof buffer));
}

TEST_F(ApplicationRegistry, WrittenTextsCountTheirTerminator)
{
    for (const std::string& text : {std::string(), std::string("Space"), std::string(1023, 'w')}) {
        WriteRecordText(record_.Get(), "WEBLINK", text.c_str());
        const auto values = KeyValues(HKEY_CURRENT_USER, RecordPath(TestRecord));
        ASSERT_EQ(values.count("WEBLINK"), 1u);
        EXPECT_EQ(values.at("WEBLINK").type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(values.at("WEBLINK").data, text + '\0');
    }
}

TEST_F(ApplicationRegistry, RecordsAreFoundByTheirFullPath)
{
    RegKey found;
    EXPECT_TRUE(OpenApplicationRecord(TestRecord.c_str(), found));
    EXPECT_FALSE(OpenApplicationRecord("Not There", found));

    RegKey nested;
    ASSERT_TRUE(CreateApplicationRecord("Outer\\Inner", nested));
    EXPECT_TRUE(launchtest::KeyExists(HKEY_CURRENT_USER, RecordPath("Outer\\Inner")));
    EXPECT_TRUE(OpenApplicationRecord("Outer\\Inner", found));
}

TEST_F(ApplicationRegistry, BranchWritabilityFollowsTheBranch)
{
    EXPECT_TRUE(ApplicationBranchIsWritable());
    record_.Close();
    launchtest::DeleteApplicationBranch();
    EXPECT_FALSE(ApplicationBranchIsWritable());
}

}  // namespace
