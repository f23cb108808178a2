// Tray mode run inside the test process: the menu tree it tracks, read
// through the menu window, and the effects of its commands (links opened
// through the shell's "open", games started, the icon removed).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <iterator>
#include <set>
#include <thread>

#include "shared_names.h"
#include "portal.h"
#include "portal_client.h"
#include "download_thread.h"
#include "tray.h"
#include "tray_harness.h"
#include "unique_handle.h"
#include "url_record.h"

using traytest::MenuItem;
using traytest::RegValue;
using traytest::Sz;
using traytest::TrayRun;

namespace {

const std::string ListPath = "/images/uinstapp.dat";
// Links never leave the machine: the recorder takes them; the port is closed.
const std::string Site = "http://127.0.0.1:9/";

struct Expected {
    UINT id;
    std::string text;
};

std::vector<Expected> Entries(const MenuItem& submenu)
{
    std::vector<Expected> entries;
    for (const MenuItem& item : submenu.children) entries.push_back({item.id, item.text});
    return entries;
}

bool operator==(const Expected& a, const Expected& b) { return a.id == b.id && a.text == b.text; }

std::ostream& operator<<(std::ostream& out, const Expected& e) { return out << e.id << " \"" << e.text << "\""; }

std::string Numbered(const char* format, int i)
{
    char text[256];
    std::snprintf(text, sizeof text, format, i);
    return text;
}

bool WaitForDownloads(const TrayRun& tray, int count)
{
    return traytest::WaitUntil(10000, [&] { return tray.App().Downloads().Count() >= count; });
}

int NewsRequests()
{
    const std::string log = portal::RequestLog();
    int count = 0;
    for (size_t at = log.find("news.dib"); at != std::string::npos; at = log.find("news.dib", at + 1)) ++count;
    return count;
}

// Each test: an empty registry branch (or none), no news picture, the given
// download list, links recorded, games logged.
class Tray : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(portal::Reset());
        ASSERT_TRUE(portal::Serve("/launcher/news.dib", 404, ""));
        ASSERT_TRUE(traytest::DeleteBranch());
        record_ = urlrecord::NewRecordFile();
        ASSERT_TRUE(urlrecord::InstallUrlRecorder(record_));
        gameLog_ = traytest::NewFolder("tray-games") + "\\started.log";
        DeleteFileA(gameLog_.c_str());
        SetEnvironmentVariableA("ZEN_TESTGAME_LOG", gameLog_.c_str());
    }

    void ServeList(const std::string& body, const std::string& extra = "")
    {
        ASSERT_TRUE(portal::Serve(ListPath, body.empty() ? 404 : 200, body, extra));
    }

    std::string record_;
    std::string gameLog_;
};

TEST_F(Tray, WithNothingToListTheMenuHoldsItsFixedEntries)
{
    ServeList("");
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    for (int showing = 0; showing < 2; ++showing) {
        SCOPED_TRACE("showing " + std::to_string(showing + 1));
        const std::vector<MenuItem> menu = tray.ReadMenu();
        ASSERT_EQ(menu.size(), 6u);
        struct Row {
            bool popup;
            UINT id;
            std::string text;
        };
        const Row rows[] = {{true, 0, "Descargar game client"},
                            {true, 0, "Caracter\xEDsticas de zentaris"},
                            {true, 0, "Iniciar Juego"},
                            {false, 1001, "Mostrar Noticias nuevamente"},
                            {false, 0, ""},
                            {false, 1000, "Salir"}};
        for (size_t i = 0; i < menu.size(); ++i) {
            SCOPED_TRACE("item " + std::to_string(i));
            EXPECT_EQ(menu[i].popup, rows[i].popup);
            if (!rows[i].popup) {
                EXPECT_EQ(menu[i].id, rows[i].id);
            }
            EXPECT_EQ(menu[i].text, rows[i].text);
            EXPECT_TRUE(menu[i].type & MFT_OWNERDRAW);
            EXPECT_EQ((menu[i].type & MFT_SEPARATOR) != 0, i == 4);
            EXPECT_TRUE(menu[i].children.empty());
        }
    }
    // "Características" in Windows-1252: the í is one byte, 0xED.
    EXPECT_EQ(std::string(FeatureMenuText).size(), 27u);
    EXPECT_EQ(static_cast<unsigned char>(FeatureMenuText[8]), 0xEDu);

    // The fixed entries' icons, loaded at 16 x 16 before the menu shows.
    for (int slot : {1, 2, 3, 1000, 1001}) {
        SCOPED_TRACE("icon slot " + std::to_string(slot));
        ICONINFO info{};
        const HICON icon = tray.App().Icons().Icon(slot);
        ASSERT_TRUE(icon && GetIconInfo(icon, &info));
        const zentaris::UniqueGdiObject colour(info.hbmColor), mask(info.hbmMask);
        BITMAP bitmap{};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 16);
    }
}

TEST_F(Tray, OnlyAButtonReleaseOnTheIconOpensTheMenu)
{
    ServeList("");
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    for (UINT release : {WM_LBUTTONUP, WM_RBUTTONUP}) {
        HWND menu = tray.ClickIcon(release);
        ASSERT_NE(menu, nullptr) << "mouse message " << release;
        traytest::CloseMenu(menu);
        tray.Sync();
    }
    struct Case {
        UINT id, mouse;
    };
    const Case quiet[] = {{1, WM_LBUTTONDOWN}, {1, WM_RBUTTONDOWN}, {1, WM_MOUSEMOVE},   {1, WM_LBUTTONDBLCLK},
                          {1, WM_RBUTTONDBLCLK}, {1, WM_MBUTTONUP}, {2, WM_RBUTTONUP}, {0, WM_LBUTTONUP}};
    for (const Case& c : quiet) {
        PostMessageA(tray.Window(), WM_USER + 1, c.id, c.mouse);
        tray.Sync();  // a menu would be on screen by now
        EXPECT_TRUE(traytest::MenuWindows().empty()) << "icon " << c.id << ", mouse message " << c.mouse;
        for (HWND menu : traytest::MenuWindows()) traytest::CloseMenu(menu);
    }
}

// A callback that reaches the window while its menu is open (a keyboard
// selection of the icon, say) must not rebuild the tables and menus that
// the open menu still shows.
TEST_F(Tray, ASecondCallbackWhileTheMenuIsOpenLeavesItAlone)
{
    ServeList("");
    ASSERT_TRUE(traytest::CreateBranch());
    ASSERT_TRUE(traytest::WriteRecord("Open", {Sz("APPNAME", "Open Game"), Sz("WEBLINK", Site)}));
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    HWND menuWindow = tray.ClickIcon(WM_RBUTTONUP);
    ASSERT_NE(menuWindow, nullptr);
    const HMENU open = reinterpret_cast<HMENU>(SendMessageA(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
    const std::vector<MenuItem> before = traytest::ReadMenuTree(open);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(tray.Window(), WM_USER + 1, 1, WM_LBUTTONUP, SMTO_NORMAL, 5000, &result);
    const std::vector<MenuItem> after = traytest::ReadMenuTree(open);
    traytest::CloseMenu(menuWindow);
    ASSERT_EQ(before.size(), 6u);
    ASSERT_EQ(after.size(), 6u);
    ASSERT_EQ(after[1].children.size(), 1u);
    EXPECT_EQ(after[1].children[0].text, "Open Game");
    EXPECT_EQ(traytest::MenuWindows().size(), 0u);
}

// Which records each submenu lists, and under which ids: the id comes from
// the record's enumeration index, so a record left out leaves a gap.
TEST_F(Tray, RecordsAreListedByTheirEnumerationIndex)
{
    ServeList("");
    ASSERT_TRUE(traytest::CreateBranch());
    const std::string dir = traytest::NewFolder("tray-records");
    const std::string game = traytest::CopyProgram("testgame.exe", dir, "game.exe");
    const RegValue app = Sz("APP", "\"" + game), apath = Sz("APATH", dir), link = Sz("WEBLINK", Site + "page");
    const std::string name1023(1023, 'n'), name1024(1024, 'm');
    struct Record {
        std::string key;
        std::vector<RegValue> values;
        bool inFeatures, inGames;
    };
    const std::vector<Record> records = {
        {"r01 no weblink", {Sz("APPNAME", "No Link"), app, apath}, false, true},
        {"r02 complete", {Sz("APPNAME", "Complete"), app, apath, link}, true, true},
        {"r03 nolaunch text", {Sz("APPNAME", "NoLaunch Sz"), app, apath, link, Sz("NOLAUNCH", "")}, true, false},
        {"r04 nolaunch dword", {Sz("APPNAME", "NoLaunch Dword"), app, apath, link, {"NOLAUNCH", REG_DWORD, std::string(4, '\1')}}, true, false},
        {"r05 nolaunch binary", {Sz("APPNAME", "NoLaunch Binary"), app, apath, link, {"NOLAUNCH", REG_BINARY, ""}}, true, false},
        {"r06 nolaunch none", {Sz("APPNAME", "NoLaunch None"), app, apath, link, {"NOLAUNCH", REG_NONE, ""}}, true, false},
        {"r07 name 1023", {Sz("APPNAME", name1023), app, apath, link}, true, true},
        {"r08 name 1024", {Sz("APPNAME", name1024), app, apath, link}, false, false},
        {"r09 no app", {Sz("APPNAME", "No App"), apath, link}, true, false},
        {"r10 no appname", {app, apath, link}, false, false},
        {"r11 no apath", {Sz("APPNAME", "No Apath"), app, link}, true, false},
        {"r12 empty", {}, false, false},
    };
    for (const Record& r : records) ASSERT_TRUE(traytest::WriteRecord(r.key, r.values)) << r.key;

    const std::vector<std::string> order = traytest::EnumerateRecords();
    ASSERT_EQ(order.size(), records.size());
    std::vector<Expected> features, games;
    for (UINT index = 0; index < order.size(); ++index) {
        const auto r = std::find_if(records.begin(), records.end(), [&](const Record& x) { return x.key == order[index]; });
        ASSERT_NE(r, records.end());
        const std::string appName = r->values.empty() ? "" : r->values[0].data.c_str();
        if (r->inFeatures) features.push_back({2001 + index, appName});
        if (r->inGames) games.push_back({3001 + index, appName});
    }
    ASSERT_EQ(order[0], "r01 no weblink");
    ASSERT_EQ(features.front().id, 2002u) << "a record without WEBLINK leaves its id unused";

    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    const std::vector<MenuItem> menu = tray.ReadMenu();
    ASSERT_EQ(menu.size(), 6u);
    EXPECT_EQ(Entries(menu[1]), features);
    EXPECT_EQ(Entries(menu[2]), games);
    EXPECT_TRUE(menu[0].children.empty());

    // A record written while the tray runs shows in the next menu.
    ASSERT_TRUE(traytest::WriteRecord("r13 later", {Sz("APPNAME", "Later"), app, apath, link}));
    const std::vector<MenuItem> again = tray.ReadMenu();
    ASSERT_EQ(again.size(), 6u);
    EXPECT_EQ(again[1].children.size(), features.size() + 1);
    EXPECT_EQ(again[2].children.size(), games.size() + 1);
    EXPECT_EQ(again[2].children.back().text, "Later");
}

TEST_F(Tray, ItemsTakeTheFirstIconOfTheirExecutable)
{
    ServeList("");
    ASSERT_TRUE(traytest::CreateBranch());
    const std::string dir = traytest::NewFolder("tray-icons");
    struct Case {
        std::string key, exe;
        bool hasIcon;
    };
    const Case cases[] = {
        {"a with icons", traytest::CopyProgram("ZentarisLauncher.exe", dir, "icons.exe"), true},
        {"b without icons", traytest::CopyProgram("urlrecorder.exe", dir, "plain.exe"), false},
        {"c missing file", dir + "\\missing.exe", false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(traytest::WriteRecord(c.key, {Sz("APPNAME", c.key), Sz("APP", "\"" + c.exe), Sz("APATH", dir),
                                                  Sz("WEBLINK", Site)}));
    }
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    for (int showing = 0; showing < 2; ++showing) {
        const std::vector<MenuItem> menu = tray.ReadMenu();
        ASSERT_EQ(menu.size(), 6u);
        ASSERT_EQ(menu[1].children.size(), 3u);
        ASSERT_EQ(menu[2].children.size(), 3u);
        const std::vector<std::string> order = traytest::EnumerateRecords();
        for (int i = 0; i < 3; ++i) {
            const auto c = std::find_if(std::begin(cases), std::end(cases), [&](const Case& x) { return x.key == order[i]; });
            SCOPED_TRACE(c->key);
            EXPECT_EQ(tray.App().Icons().Icon(2001 + i) != nullptr, c->hasIcon);
            EXPECT_EQ(tray.App().Icons().Icon(3001 + i) != nullptr, c->hasIcon);
        }
    }
}

// Picking entries in the tracked menu, by keyboard as a user would.
TEST_F(Tray, PickedEntriesOpenTheirLinksAndStartTheGame)
{
    ServeList("Client One;" + Site + "one.exe;\r\n;Client Two;;" + Site + "two.exe;\n");
    ASSERT_TRUE(traytest::CreateBranch());
    const std::string dir = traytest::NewFolder("tray pick game");
    CreateDirectoryA((dir + "\\bin").c_str(), nullptr);
    const std::string game = traytest::CopyProgram("testgame.exe", dir + "\\bin", "space game.exe");
    ASSERT_TRUE(traytest::WriteRecord("Space", {Sz("APPNAME", "Space"), Sz("APP", "\"" + game), Sz("APATH", dir),
                                                Sz("WEBLINK", Site + "games/space?from=tray")}));

    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    ASSERT_TRUE(WaitForDownloads(tray, 2));

    ASSERT_TRUE(tray.Pick(0, 1));
    ASSERT_TRUE(tray.Pick(1, 0));
    std::vector<std::string> urls = urlrecord::WaitForRecordedUrls(record_, 2, 10000);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{Site + "games/space?from=tray", Site + "two.exe"}));

    ASSERT_TRUE(tray.Pick(2, 0));
    const std::vector<std::string> starts = traytest::WaitForGameStarts(gameLog_, 1, 10000);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], dir + "|\"" + game);
}

// The download list and the records' web links are written by others: only
// http and https links go to the shell, and none holding whitespace or a
// control character. Every other entry names a program
// that the shell would run, and that program logs its start; a game picked
// last shows by its own start that the picks before it have had their turn.
TEST_F(Tray, OnlyWebLinksAreOpened)
{
    const std::string share = traytest::NewShareFolder("zentest", "links");
    ASSERT_FALSE(share.empty());
    traytest::CopyProgram("testgame.exe", share, "game.exe");
    const std::string dir = traytest::NewFolder("tray-links");
    const std::string game = traytest::CopyProgram("testgame.exe", dir, "game.exe");
    std::string fileUrl = "file:///" + game;
    std::replace(fileUrl.begin(), fileUrl.end(), '\\', '/');
    struct Link {
        std::string target, lineEnd;
        bool opens;
    };
    const Link links[] = {
        {fileUrl, ";\n", false},
        {"FILE:///" + fileUrl.substr(8), ";\n", false},
        {"\\\\zentest\\links\\game.exe", ";\n", false},
        {"//zentest/links/game.exe", ";\n", false},
        {"\\\\?\\UNC\\zentest\\links\\game.exe", ";\n", false},
        {game, ";\n", false},
        // Whitespace or a control character inside a web link.
        {Site + "with space.exe", ";\n", false},
        {Site + "tab\t.exe", ";\n", false},
        {Site + "cr\rfile:///C:/x.exe", ";\n", false},
        {Site + "nbsp\xA0.exe", ";\n", false},
        // The line end closes the line and is no part of the link.
        {Site + "web.exe", "\r\n", true},
        {"HTTPS://127.0.0.1:9/secure", ";\n", true},
    };
    std::string list;
    std::vector<std::string> opened;
    for (size_t i = 0; i < std::size(links); ++i) {
        list += Numbered("Client %d;", static_cast<int>(i)) + links[i].target + links[i].lineEnd;
        ASSERT_TRUE(traytest::WriteRecord(Numbered("link %d", static_cast<int>(i)),
                                          {Sz("APPNAME", Numbered("Link %d", static_cast<int>(i))),
                                           Sz("WEBLINK", links[i].target)}));
        if (!links[i].opens) continue;
        opened.push_back(links[i].target);  // the download
        opened.push_back(links[i].target);  // the record's link
    }
    ServeList(list);
    ASSERT_TRUE(
        traytest::WriteRecord("z last game", {Sz("APPNAME", "Last"), Sz("APP", "\"" + game), Sz("APATH", dir)}));
    const std::vector<std::string> order = traytest::EnumerateRecords();
    ASSERT_EQ(order.size(), std::size(links) + 1);
    ASSERT_EQ(order.back(), "z last game");

    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    ASSERT_TRUE(WaitForDownloads(tray, static_cast<int>(std::size(links))));
    ASSERT_EQ(tray.ReadMenu().size(), 6u);
    for (UINT i = 0; i < std::size(links); ++i) {
        tray.Command(IDM_DOWNLOAD_FIRST + i);
        tray.Command(IDM_FEATURE_FIRST + i);
    }
    tray.Command(IDM_GAME_FIRST + static_cast<UINT>(std::size(links)));

    EXPECT_EQ(traytest::WaitForGameStarts(gameLog_, 1, 10000), (std::vector<std::string>{dir + "|\"" + game}))
        << "only the game picked last started";
    std::vector<std::string> urls = urlrecord::WaitForRecordedUrls(record_, opened.size(), 10000);
    std::sort(urls.begin(), urls.end());
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(urls, opened);
}

// Records name their executable and folder themselves: one on another
// machine is neither loaded for its icon nor started, whichever way the path
// is written. The same files reached by their local path give an icon and
// start, and a record without a folder starts its game in the launcher's.
TEST_F(Tray, GamesOnTheNetworkAreNeitherScannedNorStarted)
{
    ServeList("");
    const std::string share = traytest::NewShareFolder("zentest", "games");
    ASSERT_FALSE(share.empty());
    traytest::CopyProgram("testgame.exe", share, "game.exe");
    traytest::CopyProgram("ZentarisLauncher.exe", share, "icons.exe");
    const std::string dir = traytest::NewFolder("tray-net-games");
    const std::string game = traytest::CopyProgram("testgame.exe", dir, "game.exe");
    char cwd[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryA(sizeof cwd, cwd), 0u);
    struct Record {
        std::string key, app, apath;
        bool pick;      // the program may be started (icons.exe is the launcher)
        bool starts;
        bool icon;
    };
    const Record records[] = {
        {"a share", "\"\\\\zentest\\games\\game.exe", dir, true, false, false},
        {"b share icons", "\"\\\\zentest\\games\\icons.exe", dir, false, false, false},
        {"c share slashes", "\"//zentest/games/icons.exe", dir, false, false, false},
        {"d share long form", "\"\\\\?\\UNC\\zentest\\games\\icons.exe", dir, false, false, false},
        {"e share slashes game", "\"//zentest/games/game.exe", dir, true, false, false},
        {"f share unquoted", "\\\\zentest\\games\\game.exe", dir, true, false, false},
        {"g share folder", "\"" + game, "\\\\zentest\\games", true, false, false},
        {"h share folder slashes", "\"" + game, "//zentest/games", true, false, false},
        {"x share by local path", "\"" + share + "\\icons.exe", dir, false, false, true},
        {"y share game by local path", "\"" + share + "\\game.exe", dir, true, true, false},
        {"z empty folder", "\"" + game, "", true, true, false},
    };
    for (const Record& r : records) {
        ASSERT_TRUE(traytest::WriteRecord(r.key, {Sz("APPNAME", r.key), Sz("APP", r.app), Sz("APATH", r.apath),
                                                  Sz("WEBLINK", Site)}));
    }
    const std::vector<std::string> order = traytest::EnumerateRecords();
    ASSERT_EQ(order.size(), std::size(records));

    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    const std::vector<MenuItem> menu = tray.ReadMenu();
    ASSERT_EQ(menu.size(), 6u);
    ASSERT_EQ(menu[1].children.size(), std::size(records));
    ASSERT_EQ(menu[2].children.size(), std::size(records));
    std::set<std::string> expected;
    std::vector<UINT> refusedPicks, startingPicks;
    for (UINT i = 0; i < order.size(); ++i) {
        const auto r =
            std::find_if(std::begin(records), std::end(records), [&](const Record& x) { return x.key == order[i]; });
        ASSERT_NE(r, std::end(records));
        SCOPED_TRACE(r->key);
        EXPECT_EQ(tray.App().Icons().Icon(IDM_FEATURE_FIRST + i) != nullptr, r->icon);
        EXPECT_EQ(tray.App().Icons().Icon(IDM_GAME_FIRST + i) != nullptr, r->icon);
        if (!r->pick) continue;
        (r->starts ? startingPicks : refusedPicks).push_back(IDM_GAME_FIRST + i);
        if (r->starts) expected.insert((r->apath.empty() ? std::string(cwd) : r->apath) + "|" + r->app);
    }
    // The games that start come last: their starts show the others had
    // their turn.
    for (UINT id : refusedPicks) tray.Command(id);
    for (UINT id : startingPicks) tray.Command(id);
    const std::vector<std::string> starts = traytest::WaitForGameStarts(gameLog_, expected.size(), 10000);
    EXPECT_EQ(std::set<std::string>(starts.begin(), starts.end()), expected);
    EXPECT_EQ(starts.size(), expected.size());
}

// Ids at both ends of each range reach entries 0 and 998; the ids around
// the ranges do nothing.
TEST_F(Tray, FullCatalogsFillEveryIdAndOnlyThoseAct)
{
    std::string list;
    for (int i = 0; i < 999; ++i) list += Numbered("Client %03d;", i) + Site + Numbered("dl/%d;\n", i);
    ServeList(list);
    ASSERT_TRUE(traytest::CreateBranch());
    const std::string dir = traytest::NewFolder("tray-full");
    const std::string realGame = traytest::CopyProgram("testgame.exe", dir, "real.exe");
    for (int i = 0; i < 999; ++i) {
        // Entries 0 and 998 start the logging game; the others are never run.
        const std::string exe = (i == 0 || i == 998) ? realGame : dir + "\\never.exe";
        ASSERT_TRUE(traytest::WriteRecord(Numbered("g%03d", i), {Sz("APPNAME", Numbered("Game %03d", i)),
                                                                  Sz("APP", "\"" + exe + "\" " + std::to_string(i)),
                                                                  Sz("APATH", dir), Sz("WEBLINK", Site + Numbered("page/%d", i))}));
    }
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    ASSERT_TRUE(WaitForDownloads(tray, 999));
    const std::vector<MenuItem> menu = tray.ReadMenu(60000);
    ASSERT_EQ(menu.size(), 6u);
    for (int sub = 0; sub < 3; ++sub) {
        const UINT first = sub == 0 ? 4001 : sub == 1 ? 2001 : 3001;
        const char* format = sub == 0 ? "Client %03d" : "Game %03d";
        std::vector<Expected> expected;
        for (UINT i = 0; i < 999; ++i) expected.push_back({first + i, Numbered(format, static_cast<int>(i))});
        EXPECT_EQ(Entries(menu[sub]), expected) << "submenu " << sub;
    }

    for (UINT id : {0u, 999u, 1002u, 2000u, 3000u, 4000u, 5000u, 5001u, 65535u}) tray.Command(id);
    for (UINT id : {2001u, 2999u, 4001u, 4999u, 3001u, 3999u}) tray.Command(id);
    std::vector<std::string> urls = urlrecord::WaitForRecordedUrls(record_, 4, 10000);
    const std::vector<std::string> starts = traytest::WaitForGameStarts(gameLog_, 2, 10000);
    Sleep(1000);  // anything a wrong id started has arrived by now
    urls = urlrecord::RecordedUrls(record_);
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{Site + "dl/0", Site + "dl/998", Site + "page/0", Site + "page/998"}));
    const std::set<std::string> started(starts.begin(), starts.end());
    EXPECT_EQ(started, (std::set<std::string>{dir + "|\"" + realGame + "\" 0", dir + "|\"" + realGame + "\" 998"}));
    EXPECT_EQ(traytest::WaitForGameStarts(gameLog_, 3, 0).size(), 2u);
}

TEST_F(Tray, DownloadListLongerThan999LinesShows999)
{
    std::string list;
    for (int i = 0; i < 1500; ++i) list += Numbered("Client %d;", i) + Site + Numbered("dl/%d;\n", i);
    ServeList(list);
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    ASSERT_TRUE(WaitForDownloads(tray, 999));
    const std::vector<MenuItem> menu = tray.ReadMenu();
    ASSERT_EQ(menu.size(), 6u);
    ASSERT_EQ(menu[0].children.size(), 999u);
    EXPECT_EQ(menu[0].children.back().id, 4999u);
    EXPECT_EQ(menu[0].children.back().text, "Client 998");
    tray.Command(4999);
    EXPECT_EQ(urlrecord::WaitForRecordedUrls(record_, 1, 10000), (std::vector<std::string>{Site + "dl/998"}));
}

TEST_F(Tray, DownloadCommandBeforeTheListArrivesDoesNothing)
{
    ServeList("Late Client;" + Site + "late.exe;\n", "\"stall\": 3");
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    tray.Command(4001);
    const std::vector<MenuItem> early = tray.ReadMenu();
    ASSERT_EQ(early.size(), 6u);
    EXPECT_TRUE(early[0].children.empty());

    ASSERT_TRUE(WaitForDownloads(tray, 1));
    const std::vector<MenuItem> later = tray.ReadMenu();
    ASSERT_EQ(later.size(), 6u);
    EXPECT_EQ(Entries(later[0]), (std::vector<Expected>{{4001, "Late Client"}}));
    tray.Command(4001);
    EXPECT_EQ(urlrecord::WaitForRecordedUrls(record_, 1, 10000), (std::vector<std::string>{Site + "late.exe"}))
        << "only the command after the list arrived opens the link";
}

// A portal that never answers holds the list's fetch no longer than the
// deadline; the list then stays empty.
TEST_F(Tray, SilentPortalEndsTheListFetchAtTheDeadline)
{
    ServeList("Late Client;" + Site + "late.exe;\n", "\"stall\": 600");
    DownloadCatalog list;
    const auto start = std::chrono::steady_clock::now();
    auto fetch = std::async(std::launch::async, [&list] { return FetchDownloadList(list); });
    const auto bound = std::chrono::seconds(zentaris::TrayFetchTimeoutSeconds + 30);
    ASSERT_EQ(fetch.wait_for(bound), std::future_status::ready) << "still fetching long after the deadline";
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    EXPECT_FALSE(fetch.get()) << "nothing arrived: the list could not be opened";
    EXPECT_GE(seconds.count() + 1, zentaris::TrayFetchTimeoutSeconds) << "ended before the deadline";
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(Tray, NewsCommandFetchesTheNewsAgainEachTime)
{
    ServeList("");
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    traytest::WaitUntil(2000, [] { return NewsRequests() >= 1; });
    EXPECT_EQ(NewsRequests(), 1) << "one news fetch at start";
    tray.Command(1001);
    ASSERT_TRUE(tray.Pick(3));
    traytest::WaitUntil(5000, [] { return NewsRequests() >= 3; });
    EXPECT_EQ(NewsRequests(), 3);
}

LRESULT CALLBACK RefuseCreation(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) return FALSE;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Without its window nothing could end the message loop: tray mode ends at
// once. The window is refused by a class of the same name registered first.
TEST_F(Tray, WithoutItsWindowTrayModeEndsAtOnce)
{
    ServeList("");
    const char* const className = zentaris::TrayWindowClass;
    const HINSTANCE program = GetModuleHandleA(nullptr);
    UnregisterClassA(className, program);  // an earlier tray's
    WNDCLASSEXA refusing{};
    refusing.cbSize = sizeof refusing;
    refusing.lpfnWndProc = RefuseCreation;
    refusing.hInstance = program;
    refusing.lpszClassName = className;
    ASSERT_NE(RegisterClassExA(&refusing), 0);

    std::atomic<DWORD> trayThread{0};
    std::atomic<bool> ended{false};
    std::thread tray([&] {
        trayThread = GetCurrentThreadId();
        RunTray(program);
        ended = true;
    });
    const bool endedAtOnce = traytest::WaitUntil(10000, [&] { return ended.load(); });
    // A loop that waits for ever is ended here, so that the test ends.
    if (!endedAtOnce) PostThreadMessageA(trayThread, WM_QUIT, 0, 0);
    tray.join();
    UnregisterClassA(className, program);
    EXPECT_TRUE(endedAtOnce);
}

// Owner-drawn items keep their texts for assistive technology, and a typed
// first letter picks an item as a click would.
TEST_F(Tray, ItemsKeepTheirTextsAndAnswerToTheirFirstLetter)
{
    ServeList("");
    ASSERT_TRUE(traytest::CreateBranch());
    const std::string dir = traytest::NewFolder("tray-letters");
    const std::string game = traytest::CopyProgram("testgame.exe", dir, "kart.exe");
    ASSERT_TRUE(traytest::WriteRecord("Kart", {Sz("APPNAME", "Kart"), Sz("APP", "\"" + game), Sz("APATH", dir)}));
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    HWND menuWindow = tray.ClickIcon(WM_RBUTTONUP);
    ASSERT_NE(menuWindow, nullptr);
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
    const char* texts[] = {DownloadMenuText, FeatureMenuText, GameMenuText, NewsItemText, "", ExitItemText};
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    for (UINT i = 0; i < 6; ++i) {
        char text[64] = "?";
        EXPECT_EQ(GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION), int(std::strlen(texts[i])));
        EXPECT_STREQ(text, texts[i]);
    }
    // "i" opens "Iniciar Juego", "k" starts its one game.
    PostMessageA(menuWindow, WM_CHAR, 'i', 1);
    ASSERT_TRUE(traytest::WaitUntil(5000, [] { return traytest::MenuWindows().size() == 2; }));
    PostMessageA(menuWindow, WM_CHAR, 'k', 1);
    ASSERT_TRUE(traytest::WaitUntil(5000, [] { return traytest::MenuWindows().empty(); }));
    EXPECT_EQ(traytest::WaitForGameStarts(gameLog_, 1, 10000), (std::vector<std::string>{dir + "|\"" + game}));
    // A letter no item starts with leaves the menu open; "S" picks "Salir".
    menuWindow = tray.ClickIcon(WM_RBUTTONUP);
    ASSERT_NE(menuWindow, nullptr);
    PostMessageA(menuWindow, WM_CHAR, 'z', 1);
    PostMessageA(menuWindow, WM_CHAR, 'S', 1);
    EXPECT_TRUE(tray.WaitEnded(5000));
}

// Explorer started anew announces its taskbar to every window: the icon it
// lost comes back. "Salir" removes it for good.
TEST_F(Tray, IconComesBackWithANewTaskbarAndGoesWithSalir)
{
    ServeList("");
    TrayRun tray;
    ASSERT_TRUE(tray.Started());
    const auto present = [&] { return traytest::IconPresent(tray.Window()); };
    ASSERT_TRUE(traytest::WaitUntil(5000, present));
    ASSERT_TRUE(traytest::RemoveIcon(tray.Window()));
    ASSERT_FALSE(present());
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(traytest::WaitUntil(5000, present));

    ASSERT_TRUE(tray.Pick(5));
    EXPECT_TRUE(tray.WaitEnded(5000));
    EXPECT_FALSE(present());
}

}  // namespace
