// Stored registry texts.
#include "registry_value_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

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

}  // namespace
