// The launcher's reads of application record values, which other software
// may have written in any shape (this process's own prefix). Writing and
// finding records is covered by the launch road tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "application_record.h"
#include "application_registry.h"
#include "launch_harness.h"

namespace {

const std::string TestRecord = "Registry Test";

class ApplicationRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        launchtest::ResetApplicationBranch();
        record_ = CreateApplicationRecord(TestRecord);
        ASSERT_TRUE(record_);
    }

    void Store(const char* name, DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, ApplicationRecordPath(TestRecord).c_str(), name, type,
                                  bytes.data(), static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }

    zentaris::RegistryKey record_;
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
        const std::optional<std::string> text = ReadRecordText(record_, "APP");
        EXPECT_EQ(text.has_value(), c.ok);
        if (c.ok) EXPECT_EQ(text, c.text);
    }
    EXPECT_FALSE(ReadRecordText(record_, "APATH"));
}

}  // namespace
