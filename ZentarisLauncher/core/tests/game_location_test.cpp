// Texts of a game start, built from the launch command and the game's
// installation record.
#include "game_location.h"
#include "launch_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

TEST(SplitInstallKey, RootAbbreviationAndSubkey)
{
    struct Case {
        std::string installkey;
        InstallRoot root;
        std::string subkey;
    };
    const Case cases[] = {
        {"HKLM\\SOFTWARE\\Vendor\\Game", InstallRoot::LocalMachine, "SOFTWARE\\Vendor\\Game"},
        {"HKCU\\Software\\Game", InstallRoot::CurrentUser, "Software\\Game"},
        {"HKCR\\Game.File", InstallRoot::ClassesRoot, "Game.File"},
        {"\\\\HKLM\\SOFTWARE", InstallRoot::LocalMachine, "SOFTWARE"},
        {"HKCU", InstallRoot::CurrentUser, ""},
        {"HKCU\\", InstallRoot::CurrentUser, ""},
        {"HKLM\\a\\\\b\\", InstallRoot::LocalMachine, "a\\\\b\\"},
        {"HKLM\\with space\\x", InstallRoot::LocalMachine, "with space\\x"},
        // Exact abbreviations only.
        {"hklm\\SOFTWARE", InstallRoot::Invalid, ""},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE", InstallRoot::Invalid, ""},
        {"HKU\\x", InstallRoot::Invalid, ""},
        {"HKLMX\\x", InstallRoot::Invalid, ""},
        {"HKL", InstallRoot::Invalid, ""},
        {" HKLM\\x", InstallRoot::Invalid, ""},
        {"", InstallRoot::Invalid, ""},
        {"\\\\\\", InstallRoot::Invalid, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("[" + c.installkey + "]");
        const InstallKey key = SplitInstallKey(c.installkey);
        EXPECT_EQ(key.root, c.root);
        EXPECT_EQ(key.subkey, c.subkey);
    }
}

TEST(InstallValueText, StopsAtTheFirstNulAndNeverReadsPastTheStoredSize)
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
        EXPECT_EQ(InstallValueText(data.get(), c.stored.size()), c.text);
    }
    EXPECT_EQ(InstallValueText(nullptr, 0), "");
}

TEST(BuildLaunchTexts, QuoteDirectoryBackslashExecutable)
{
    struct Case {
        std::string directory;
        std::string exename;
        std::string commandLine;
    };
    const Case cases[] = {
        {"C:\\Games\\Game", "game.exe", "\"C:\\Games\\Game\\game.exe"},
        // A trailing backslash is kept, so two stand before the name.
        {"C:\\Games\\Game\\", "game.exe", "\"C:\\Games\\Game\\\\game.exe"},
        // Arguments after a space stay part of the path.
        {"C:\\G", "game.exe -windowed", "\"C:\\G\\game.exe -windowed"},
        {"D:\\x", "bin\\kart.exe", "\"D:\\x\\bin\\kart.exe"},
    };
    for (const Case& c : cases) {
        const auto texts = BuildLaunchTexts(c.directory, c.exename);
        ASSERT_TRUE(texts.has_value()) << c.directory;
        EXPECT_EQ(texts->commandLine, c.commandLine);
        EXPECT_EQ(texts->workingDirectory, c.directory);
    }
}

TEST(BuildLaunchTexts, RefusesWhatWouldNotFitInsteadOfCuttingIt)
{
    // "\"" + directory + "\\" + exename: 2 characters beyond the two fields.
    struct Case {
        size_t directoryLength;
        size_t exenameLength;
        bool fits;
    };
    const Case cases[] = {
        {1013, 8, true},   // 1023
        {1014, 8, false},  // 1024
        {1, 1020, true},   // 1023
        {1, 1021, false},
        {1021, 0, true},
        {1022, 0, false},
        {1023, 0, false},  // the directory alone would fit, the command line not
        {5000, 8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.directoryLength) + " + " + std::to_string(c.exenameLength));
        const std::string directory(c.directoryLength, 'd');
        const std::string exename(c.exenameLength, 'e');
        const auto texts = BuildLaunchTexts(directory, exename);
        ASSERT_EQ(texts.has_value(), c.fits);
        if (c.fits) EXPECT_EQ(texts->commandLine.size(), c.directoryLength + c.exenameLength + 2);
    }
}

TEST(BuildLaunchTexts, EmptyDirectoryNamesNoInstallation)
{
    EXPECT_FALSE(BuildLaunchTexts("", "game.exe").has_value());
}

TEST(AppNotFoundText, NamesTheApplicationAndIsCutToTheMessageBuffer)
{
    EXPECT_EQ(AppNotFoundText("Space Game"), "Could not locate \"Space Game\"\n are you sure it is installed?");
    const std::string longName(3000, 'n');
    const std::string text = AppNotFoundText(longName);
    EXPECT_EQ(text.size(), 1023u);
    EXPECT_EQ(text, ("Could not locate \"" + longName).substr(0, 1023));
}

// A launch link names the program to run; only a plain .exe inside the
// game's folder may be named.
TEST(IsSafeExecutableName, RelativeExeInsideTheFolderOnly)
{
    struct Case {
        std::string exename;
        bool safe;
    };
    const Case cases[] = {
        {"game.exe", true}, {"GAME.EXE", true}, {"bin\\game.exe", true}, {"bin/x64/Game.Exe", true},
        {"my game.exe", true}, {"v1.2\\game.exe", true},
        // Closing the quoted program path adds arguments.
        {"game1.exe\" --injected \\\\host\\x", false}, {"game.exe\"", false},
        // Leaving the folder.
        {"..\\Other\\other.exe", false}, {"bin\\..\\..\\x.exe", false}, {"./game.exe", false},
        {"\\Windows\\cmd.exe", false}, {"/game.exe", false}, {"\\\\host\\share\\g.exe", false},
        {"C:\\Windows\\System32\\cmd.exe", false}, {"C:game.exe", false}, {"game.exe:stream", false},
        {"bin\\\\game.exe", false}, {"bin\\", false}, {"... \\game.exe", false}, {"bin.\\game.exe", false},
        {"bin \\game.exe", false},
        // Not a program file, or not one name.
        {"run.bat", false}, {"game.exe -windowed", false}, {"game.exe.", false}, {"game.exe ", false},
        {"game.com", false}, {".exe", true}, {"exe", false}, {"", false}, {"game*.exe", false},
        {"game\tx.exe", false}, {"game\nx.exe", false}, {"game|x.exe", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSafeExecutableName(c.exename), c.safe) << "[" << c.exename << "]";
}

// The installation folder is read from whatever registry value a link
// names: only a folder on a local drive is a place to start a game from.
TEST(IsLocalInstallationFolder, AbsoluteLocalFoldersOnly)
{
    struct Case {
        std::string folder;
        bool local;
    };
    const Case cases[] = {
        {"C:\\Games\\Game", true}, {"d:\\", true}, {"C:\\Games\\Game\\", true}, {"C:\\Program Files (x86)\\G", true},
        {"\\\\host\\share\\Game", false}, {"//host/share", false}, {"\\\\?\\C:\\Games", false},
        {"C:Games", false}, {"C:/Games", false}, {"Games\\Game", false}, {"\\Games", false}, {"C:", false},
        {"1:\\Games", false}, {"C:\\Games\\\" x", false}, {"C:\\Ga\nmes", false}, {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsLocalInstallationFolder(c.folder), c.local) << "[" << c.folder << "]";
}

}  // namespace
