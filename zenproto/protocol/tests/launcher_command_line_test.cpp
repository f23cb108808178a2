// The launcher path read from the registry and the command line built from it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "launcher_command_line.h"

namespace {

using zenproto::LauncherPathCapacity;

std::u16string Format(std::u16string_view path, std::u16string_view argument)
{
    std::vector<char16_t> out(zenproto::LaunchCommandLineLength(path, argument) + 1, u'#');
    zenproto::FormatLaunchCommandLine(path, argument, out.data());
    EXPECT_EQ(out.back(), u'\0') << "terminator not at the computed length";
    return std::u16string(out.data());
}

TEST(LaunchCommandLine, QuotesThePathAndAppendsTheArgument)
{
    struct Case {
        std::u16string path, argument, expected;
    };
    const Case cases[] = {
        {u"C:\\Zentaris\\ZentarisLauncher.exe", u"zentaris://launch/abc",
         u"\"C:\\Zentaris\\ZentarisLauncher.exe\" zentaris://launch/abc"},
        {u"C:\\Program Files\\Zen Taris\\L.exe", u"zentaris://", u"\"C:\\Program Files\\Zen Taris\\L.exe\" zentaris://"},
        {u"", u"zentaris://x", u"\"\" zentaris://x"},
    };
    for (const Case& c : cases) EXPECT_EQ(Format(c.path, c.argument), c.expected);
}

TEST(LaunchCommandLine, LongLinesAreKeptWholeUpToTheProcessLimit)
{
    const std::u16string path(LauncherPathCapacity - 1, u'p');
    // Exactly the longest line a process takes: 32766 units and a terminator.
    const std::u16string longest(zenproto::CommandLineCapacity - 1 - path.size() - 3, u'a');
    ASSERT_TRUE(zenproto::LaunchCommandLineFits(path, longest));
    const std::u16string line = Format(path, longest);
    EXPECT_EQ(line.size(), zenproto::CommandLineCapacity - 1);
    EXPECT_EQ(line.substr(line.size() - longest.size()), longest) << "the argument was cut";

    EXPECT_FALSE(zenproto::LaunchCommandLineFits(path, longest + u"a"));
    EXPECT_FALSE(zenproto::LaunchCommandLineFits(u"x", std::u16string(40000, u'a')));
    // What the old 1024-character formatting cut is now whole.
    EXPECT_TRUE(zenproto::LaunchCommandLineFits(u"C:\\L.exe", std::u16string(5000, u'a')));
}

TEST(LauncherPathLength, StopsAtTheFirstNulOrTheDataEnd)
{
    struct Case {
        std::u16string data;
        size_t unitsRead;
        std::optional<size_t> expected;
    };
    const Case cases[] = {
        {std::u16string(u"C:\\L.exe\0", 9), 9, 8},
        {std::u16string(u"C:\\L.exe", 8), 8, 8},                 // stored without terminator
        {std::u16string(u"C:\\L\0junk\0", 10), 10, 4},
        {std::u16string(), 0, 0},
        {std::u16string(u"\0", 1), 1, 0},
        {std::u16string(u"abc", 3), 2, 2},                       // odd byte count: whole units only
    };
    for (const Case& c : cases) {
        EXPECT_EQ(zenproto::LauncherPathLength(c.data.data(), c.unitsRead, LauncherPathCapacity), c.expected)
            << "units read: " << c.unitsRead;
    }
}

TEST(LauncherPathLength, PathThatLeavesNoRoomForItsTerminatorIsRefused)
{
    std::u16string buffer(LauncherPathCapacity, u'p');
    EXPECT_EQ(zenproto::LauncherPathLength(buffer.data(), buffer.size(), LauncherPathCapacity), std::nullopt);
    buffer.back() = u'\0';
    EXPECT_EQ(zenproto::LauncherPathLength(buffer.data(), buffer.size(), LauncherPathCapacity),
              std::optional<size_t>(LauncherPathCapacity - 1));
    // Data reported beyond the buffer is never looked at.
    EXPECT_EQ(zenproto::LauncherPathLength(buffer.data(), buffer.size() + 100, LauncherPathCapacity),
              std::optional<size_t>(LauncherPathCapacity - 1));
}

}  // namespace
