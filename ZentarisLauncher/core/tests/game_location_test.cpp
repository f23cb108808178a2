// Texts of a game start, built from the launch command and the game's
// installation record.
#include "game_location.h"
#include "launch_rules.h"
#include "path_rules.h"

#include <gtest/gtest.h>

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

// A launcher that takes unsigned links reads its folder only from a key a
// game vendor's installer writes: never from the platform's own branches,
// whose values name the user's downloads, desktop or temporary folders.
TEST(IsVendorInstallationKey, OnlyVendorKeysBelowSoftware)
{
    const std::pair<const char*, bool> cases[] = {
        {"HKLM\\SOFTWARE\\Vendor\\Game", true},
        {"HKCU\\Software\\Vendor", true},
        {"HKLM\\SOFTWARE\\WOW6432Node\\Vendor\\Game", true},
        {"HKLM\\software\\microsoftgames\\x", true},
        {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", false},
        {"HKCU\\SOFTWARE\\MICROSOFT\\x", false},
        {"HKLM\\SOFTWARE\\Classes\\Game.File", false},
        {"HKLM\\SOFTWARE\\Policies\\Vendor", false},
        {"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\x", false},
        {"HKLM\\SOFTWARE\\Wow6432Node\\Classes\\x", false},
        {"HKLM\\SOFTWARE\\WOW6432Node", false},
        {"HKCU\\Environment", false},
        {"HKCU\\Software", false},
        {"HKCU", false},
        {"HKCU\\", false},
        {"HKCR\\Vendor.Game", false},
        {"HKLM\\SYSTEM\\CurrentControlSet\\Vendor", false},
        // Empty components would let another spelling reach a platform branch.
        {"HKCU\\Software\\\\Microsoft\\x", false},
        {"HKCU\\Software\\Vendor\\", false},
        {"HKCU\\\\Software\\Vendor", false},
    };
    for (const auto& [installkey, vendor] : cases) {
        EXPECT_EQ(IsVendorInstallationKey(SplitInstallKey(installkey)), vendor) << installkey;
    }
}

TEST(IsSameOrBelowFolder, WholeComponentsOnlyAndAnyCase)
{
    struct Case {
        const char* folder;
        const char* place;
        bool below;
    };
    const Case cases[] = {
        {"C:\\Users\\Ann\\Downloads", "C:\\Users\\Ann\\Downloads", true},
        {"c:\\users\\ann\\downloads\\game", "C:\\Users\\Ann\\Downloads", true},
        {"C:\\Users\\Ann\\Downloads\\", "C:\\Users\\Ann\\Downloads\\", true},
        {"C:/Users/Ann/Downloads/x", "C:\\Users\\Ann\\Downloads", true},
        {"C:\\Users\\Ann\\Downloads2", "C:\\Users\\Ann\\Downloads", false},
        {"C:\\Users\\Ann", "C:\\Users\\Ann\\Downloads", false},
        {"D:\\Users\\Ann\\Downloads", "C:\\Users\\Ann\\Downloads", false},
        {"C:\\Games", "", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSameOrBelowFolder(c.folder, c.place), c.below) << c.folder << " / " << c.place;
}

TEST(PathRules, NamespacePathsAndDeviceNames)
{
    for (const char* path : {"\\\\?\\C:\\Games\\g.exe", "\\??\\C:\\g.exe", "\\\\.\\COM1", " \\\\?\\C:\\x", "//?/C:/x",
                             "\\??\\UNC\\host\\s"}) {
        EXPECT_TRUE(IsNamespacePath(path)) << path;
    }
    for (const char* path : {"C:\\Games\\g.exe", "\\\\host\\share", "\\?x", "?\\", "", "\\\\?"}) {
        EXPECT_FALSE(IsNamespacePath(path)) << path;
    }
    EXPECT_TRUE(HasDeviceNameComponent("C:\\Games\\aux\\game.exe"));
    EXPECT_TRUE(HasDeviceNameComponent("CONIN$"));
    EXPECT_FALSE(HasDeviceNameComponent("C:\\Games\\Auxiliary\\game.exe"));
    EXPECT_FALSE(HasDeviceNameComponent("C:\\"));
}

// The program and the folder travel apart; "APP" (the game's command line)
// is a quotation mark and the program.
TEST(LocatedGameCommand, ProgramIsFolderBackslashExecutable)
{
    struct Case {
        std::string folder;
        std::string exename;
        std::string program;
    };
    const Case cases[] = {
        {"C:\\Games\\Game", "game.exe", "C:\\Games\\Game\\game.exe"},
        // A trailing backslash is kept, so two stand before the name.
        {"C:\\Games\\Game\\", "game.exe", "C:\\Games\\Game\\\\game.exe"},
        // Arguments after a space stay part of the path.
        {"C:\\G", "game.exe -windowed", "C:\\G\\game.exe -windowed"},
        {"D:\\x", "bin\\kart.exe", "D:\\x\\bin\\kart.exe"},
    };
    for (const Case& c : cases) {
        const auto game = RecordableGamePath(c.folder, c.exename);
        ASSERT_TRUE(game.has_value()) << c.folder;
        const GameCommand command = LocatedGameCommand(*game);
        EXPECT_EQ(command.program, c.program);
        EXPECT_EQ(command.commandLine, "\"" + c.program);
        EXPECT_EQ(command.folder, c.folder);
    }
}

TEST(RecordableGamePath, RefusesWhatWouldNotFitInsteadOfCuttingIt)
{
    // "\"" + folder + "\\" + exename: 2 characters beyond the two fields.
    struct Case {
        size_t folderLength;
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
        {1023, 0, false},  // the folder alone would fit, the command line not
        {5000, 8, false},
        {0, 8, false},     // an empty folder names no installation
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.folderLength) + " + " + std::to_string(c.exenameLength));
        const auto game = RecordableGamePath(std::string(c.folderLength, 'd'), std::string(c.exenameLength, 'e'));
        ASSERT_EQ(game.has_value(), c.fits);
        if (c.fits) EXPECT_EQ(LocatedGameCommand(*game).commandLine.size(), c.folderLength + c.exenameLength + 2);
    }
}

TEST(AppNotFoundText, NamesTheApplicationAndIsCutToTheMessageBuffer)
{
    EXPECT_EQ(AppNotFoundText("Space Game"), "Could not locate \"Space Game\"\n are you sure it is installed?");
    const std::string longName(3000, 'n');
    const std::string text = AppNotFoundText(longName);
    EXPECT_EQ(text.size(), 1023u);
    EXPECT_EQ(text, ("Could not locate \"" + longName).substr(0, 1023));
}

// What a launch link may name: only a plain .exe inside the game's folder,
// and (read from whatever registry value the link names) only a folder on a
// local drive to start it from.
TEST(LaunchRules, ExecutableNamesAndInstallationFolders)
{
    struct Case {
        bool (*rule)(std::string_view);
        std::string text;
        bool passes;
    };
    const auto exe = IsSafeExecutableName;
    const auto folder = IsLocalInstallationFolder;
    const Case cases[] = {
        {exe, "game.exe", true}, {exe, "GAME.EXE", true}, {exe, "bin\\game.exe", true},
        {exe, "bin/x64/Game.Exe", true}, {exe, "my game.exe", true}, {exe, "v1.2\\game.exe", true},
        {exe, ".exe", true},
        // Closing the quoted program path adds arguments.
        {exe, "game1.exe\" --injected \\\\host\\x", false}, {exe, "game.exe\"", false},
        // Leaving the folder.
        {exe, "..\\Other\\other.exe", false}, {exe, "bin\\..\\..\\x.exe", false}, {exe, "./game.exe", false},
        {exe, "\\Windows\\cmd.exe", false}, {exe, "/game.exe", false}, {exe, "\\\\host\\share\\g.exe", false},
        {exe, "C:\\Windows\\System32\\cmd.exe", false}, {exe, "C:game.exe", false},
        {exe, "game.exe:stream", false}, {exe, "bin\\\\game.exe", false}, {exe, "bin\\", false},
        {exe, "... \\game.exe", false}, {exe, "bin.\\game.exe", false}, {exe, "bin \\game.exe", false},
        // Not a program file, or not one name.
        {exe, "run.bat", false}, {exe, "game.exe -windowed", false}, {exe, "game.exe.", false},
        {exe, "game.exe ", false}, {exe, "game.com", false}, {exe, "exe", false}, {exe, "", false},
        {exe, "game*.exe", false}, {exe, "game\tx.exe", false}, {exe, "game\nx.exe", false},
        {exe, "game|x.exe", false},
        // Device names open the device, whatever extension follows.
        {exe, "COM1.exe", false}, {exe, "nul.exe", false}, {exe, "bin\\con\\game.exe", false},
        {exe, "Aux .exe", false}, {exe, "lpt9.x.exe", false}, {exe, "CONOUT$.exe", false},
        {exe, "com\xb9.exe", false}, {exe, "console.exe", true}, {exe, "com10.exe", true},
        {exe, "nul1.exe", true},
        {folder, "C:\\Games\\Game", true}, {folder, "d:\\", true}, {folder, "C:\\Games\\Game\\", true},
        {folder, "C:\\Program Files (x86)\\G", true},
        {folder, "\\\\host\\share\\Game", false}, {folder, "//host/share", false},
        {folder, "\\\\?\\C:\\Games", false}, {folder, "C:Games", false}, {folder, "C:/Games", false},
        {folder, "Games\\Game", false}, {folder, "\\Games", false}, {folder, "C:", false},
        {folder, "1:\\Games", false}, {folder, "C:\\Games\\\" x", false}, {folder, "C:\\Ga\nmes", false},
        {folder, "", false}, {folder, "\\??\\C:\\Games", false}, {folder, "C:\\Games\\NUL", false},
        {folder, "C:\\prn.txt\\Game", false}, {folder, "C:\\Games\\Nullify", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.rule(c.text), c.passes) << (c.rule == exe ? "exename" : "folder") << " [" << c.text << "]";
    }
}

}  // namespace
