// Stored registry texts and the support log's lines.
#include "registry_value_text.h"
#include "support_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

namespace {

using zentaris::RegistryValueText;

TEST(RegistryValueText, StopsAtTheFirstNulAndNeverReadsPastTheStoredSize)
{
    struct Case {
        std::string stored;
        std::string text;
    };
    const Case cases[] = {
        {std::string("C:\\Games\\Game") + '\0', "C:\\Games\\Game"},
        {std::string("C:\\A\0C:\\B\0", 10), "C:\\A"},
        {"C:\\NoTerminator", "C:\\NoTerminator"},
        {std::string(1, '\0'), ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        // A copy on the heap of exactly the stored size lets ASan see any
        // read past it.
        std::unique_ptr<char[]> data(new char[c.stored.size()]);
        std::copy(c.stored.begin(), c.stored.end(), data.get());
        EXPECT_EQ(RegistryValueText(data.get(), c.stored.size()), c.text);
    }
    EXPECT_EQ(RegistryValueText(nullptr, 0), "");
}

// A link's fields reach the log: none of them may make a line of its own.
TEST(SupportLogLine, OneLinePerDecisionWhateverTheTextHolds)
{
    const zentaris::LogTime time{2024, 5, 1, 9, 8, 7, 6};
    const std::string head = "2024-05-01 09:08:07.006 [4242] ";
    // A text, and the line it makes.
    const std::pair<std::string, std::string> cases[] = {
        {"started C:\\Games\\g.exe", head + "started C:\\Games\\g.exe\r\n"},
        {"a\r\n2024-01-01 00:00:00.000 [1] forged", head + "a\\x0D\\x0A2024-01-01 00:00:00.000 [1] forged\r\n"},
        {std::string("nul\0tab\tdel\x7F", 12), head + "nul\\x00tab\\x09del\\x7F\r\n"},
        {"caf\xE9", head + "caf\xE9\r\n"},
        {"", head + "\r\n"},
        {std::string(zentaris::SupportLogTextLimit, 'x'),
         head + std::string(zentaris::SupportLogTextLimit, 'x') + "\r\n"},
        {std::string(zentaris::SupportLogTextLimit + 1, 'y') + "\n",
         head + std::string(zentaris::SupportLogTextLimit, 'y') + "...\r\n"},
    };
    for (const auto& [text, line] : cases) EXPECT_EQ(zentaris::SupportLogLine(time, 4242, text), line) << text;
}

}  // namespace
