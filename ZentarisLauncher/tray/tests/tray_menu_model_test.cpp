// The tray menu as values: what the catalogs make of the records and the
// download list, the tree built from them, the item a typed letter picks and
// the colours it is painted in.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "download_list.h"
#include "tray_catalog.h"
#include "tray_menu_model.h"

namespace {

using Kind = TrayMenuItem::Kind;
using Text = std::optional<std::string>;

// "id:text:slot" for each child, so that a table row reads as one line.
std::vector<std::string> Lines(const std::vector<TrayMenuItem>& items)
{
    std::vector<std::string> lines;
    for (const TrayMenuItem& item : items)
        lines.push_back(std::to_string(item.command) + ":" + item.text + ":" + std::to_string(item.iconSlot));
    return lines;
}

void AppendDownload(DownloadCatalog& list, bool hasName, std::string_view name)
{
    DownloadLineFields fields;
    fields.hasName = hasName;
    fields.name = name;
    fields.hasUrl = true;
    fields.url = "http://p/x";
    list.Append(fields);
}

TEST(TrayMenuModel, FixedEntriesKeepTheirTextsCommandsAndIcons)
{
    const std::vector<TrayMenuItem> menu = BuildTrayMenuModel(DownloadCatalog(), TrayCatalog());
    ASSERT_EQ(menu.size(), 6u);
    const struct {
        Kind kind;
        uint32_t command;
        std::string text;
        int32_t slot;
    } rows[] = {
        {Kind::Submenu, 0, "Descargar game client", 1},
        {Kind::Submenu, 0, "Caracter\xEDsticas de zentaris", 2},
        {Kind::Submenu, 0, "Iniciar Juego", 3},
        {Kind::Command, 1001, "Mostrar Noticias nuevamente", 1001},
        {Kind::Separator, 0, "", -1},
        {Kind::Command, 1000, "Salir", 1000},
    };
    for (size_t i = 0; i < menu.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(menu[i].kind, rows[i].kind);
        EXPECT_EQ(menu[i].command, rows[i].command);
        EXPECT_EQ(menu[i].text, rows[i].text);
        EXPECT_EQ(menu[i].iconSlot, rows[i].slot);
        EXPECT_TRUE(menu[i].children.empty());
    }
    // Id 5000 is a command id, but the icon table ends at 4999.
    EXPECT_EQ(CommandIconSlot(4999), 4999);
    EXPECT_EQ(CommandIconSlot(5000), -1);
}

// Downloads are listed up to the first entry without a name.
TEST(TrayMenuModel, DownloadsAreListedUpToTheFirstNamelessEntry)
{
    DownloadCatalog list;
    AppendDownload(list, true, "One");
    AppendDownload(list, true, "Two\n");
    AppendDownload(list, false, "");
    AppendDownload(list, true, "After the gap");
    DownloadCatalog tray;
    tray.Append(list);
    EXPECT_EQ(tray.Count(), 4);
    EXPECT_EQ(Lines(BuildTrayMenuModel(tray, TrayCatalog())[0].children),
              (std::vector<std::string>{"4001:One:4001", "4002:Two\n:4002"}));
}

// Which record each submenu lists, under which id, and which executable
// gives its icon: every text is stored in turn until one is missing.
TEST(TrayMenuModel, RecordsAreListedByTheirEnumerationIndex)
{
    const Text app = "\"C:\\G\\g.exe\" -x", dir = "C:\\G", link = "http://p/", name = "Game";
    const struct {
        const char* what;
        RecordFields record;
        const char* featureIcon;  // null: not listed under features
        const char* gameIcon;     // null: not listed under games
        const char* link;         // kept whether listed or not
    } rows[] = {
        {"complete", {link, name, app, app, dir, false}, "C:\\G\\g.exe", "C:\\G\\g.exe", "http://p/"},
        {"no link", {{}, name, app, app, dir, false}, nullptr, "C:\\G\\g.exe", nullptr},
        {"no name", {link, {}, app, app, dir, false}, nullptr, nullptr, "http://p/"},
        {"nolaunch", {link, name, app, app, dir, true}, "C:\\G\\g.exe", nullptr, "http://p/"},
        {"no app", {link, name, {}, {}, dir, false}, "", nullptr, "http://p/"},
        {"app past the buffer", {link, name, app, {}, dir, false}, "", "C:\\G\\g.exe", "http://p/"},
        {"no folder", {link, name, app, app, {}, false}, "C:\\G\\g.exe", nullptr, "http://p/"},
        {"empty", {}, nullptr, nullptr, nullptr},
    };
    TrayCatalog records;
    std::vector<std::string> features, games;
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        SCOPED_TRACE(rows[i].what);
        const std::string featureIcon = records.AddFeature(i, rows[i].record);
        const std::string gameIcon = records.AddGame(i, rows[i].record);
        EXPECT_EQ(featureIcon, rows[i].featureIcon ? rows[i].featureIcon : "");
        EXPECT_EQ(gameIcon, rows[i].gameIcon ? rows[i].gameIcon : "");
        EXPECT_EQ(records.FeatureLink(i) ? records.FeatureLink(i) : "-", std::string(rows[i].link ? rows[i].link : "-"));
        const std::string entry = ":Game:";
        if (rows[i].featureIcon) features.push_back(std::to_string(2001 + i) + entry + std::to_string(2001 + i));
        if (rows[i].gameIcon) games.push_back(std::to_string(3001 + i) + entry + std::to_string(3001 + i));
    }
    EXPECT_EQ(records.GameCommand(0), *app);
    EXPECT_EQ(records.GameDir(0), *dir);
    const std::vector<TrayMenuItem> menu = BuildTrayMenuModel(DownloadCatalog(), records);
    EXPECT_EQ(Lines(menu[1].children), features);
    EXPECT_EQ(Lines(menu[2].children), games);

    // Outside the table nothing is stored or read.
    EXPECT_EQ(records.AddGame(CatalogCapacity, rows[0].record), "");
    EXPECT_EQ(records.GameCommand(-1), nullptr);
    records.Clear();
    EXPECT_EQ(records.FeatureLink(0), nullptr);
    EXPECT_TRUE(BuildTrayMenuModel(DownloadCatalog(), records)[2].children.empty());
}

// A typed letter stands for the items starting with it, in either case: the
// only one is picked, among several the next after the highlighted one is
// selected.
TEST(TrayMenuModel, TypedLetterPicksTheItemItStarts)
{
    const std::vector<std::string_view> top = {"Descargar game client", "Caracter\xEDsticas de zentaris",
                                               "Iniciar Juego", "Mostrar Noticias nuevamente", "", "Salir"};
    const std::vector<std::string_view> games = {"Space", "\xC9toile", "space two", "Kart", "Sky"};
    using Action = MenuCharChoice::Action;
    const struct {
        const std::vector<std::string_view>& texts;
        unsigned char typed;
        int highlighted;
        Action action;
        int index;
    } rows[] = {
        {top, 's', -1, Action::Execute, 5},  {top, 'S', 2, Action::Execute, 5},
        {top, 'c', -1, Action::Execute, 1},  {top, 'i', 0, Action::Execute, 2},
        {top, 'm', -1, Action::Execute, 3},  {top, 'x', -1, Action::Ignore, -1},
        {top, ' ', -1, Action::Ignore, -1},  {top, '\0', -1, Action::Ignore, -1},
        {games, 's', -1, Action::Select, 0}, {games, 's', 0, Action::Select, 2},
        {games, 'S', 2, Action::Select, 4},  {games, 's', 4, Action::Select, 0},
        {games, 'k', 1, Action::Execute, 3}, {games, 0xE9, -1, Action::Execute, 1},
        {games, 0xC9, 3, Action::Execute, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "'" << row.typed << "' after " << row.highlighted);
        const MenuCharChoice choice = ChooseMenuChar(row.texts, row.typed, row.highlighted);
        EXPECT_EQ(choice.action, row.action);
        EXPECT_EQ(choice.index, row.index);
    }
}

// High Contrast paints with the system's menu colours, flat; otherwise the
// product's gradient, whatever the system's colours are.
TEST(TrayMenuModel, HighContrastPaintsInTheSystemsColours)
{
    const MenuColours system{0x000000, 0xFFFFFF, 0x00FFFF, 0x800000};
    const MenuPalette contrast = ChooseMenuPalette(true, system);
    EXPECT_FALSE(contrast.gradient);
    EXPECT_EQ(contrast.background, system.menu);
    EXPECT_EQ(contrast.text, system.menuText);
    EXPECT_EQ(contrast.selectedBackground, system.highlight);
    EXPECT_EQ(contrast.selectedText, system.highlightText);

    const MenuPalette normal = ChooseMenuPalette(false, system);
    EXPECT_TRUE(normal.gradient);
    EXPECT_EQ(normal.gradientFrom, 0xE78421u);  // 0x00BBGGRR
    EXPECT_EQ(normal.gradientTo, 0xFFFFFFu);
    EXPECT_EQ(normal.text, 0u);
    EXPECT_EQ(normal.selectedBackground, 0u);
    EXPECT_EQ(normal.selectedText, 0xFFFFFFu);
}

}  // namespace
