// The feature and game submenus, built from the application registry at
// every showing of the menu, and the icons found in the games' executables.
#include <cstring>
#include <new>

#include "installation.h"
#include "tray_menu.h"
#include "application_record.h"
#include "reg_key.h"

std::unique_ptr<char[]> featureLinks[CatalogCapacity];
std::unique_ptr<char[]> featureNames[CatalogCapacity];
std::unique_ptr<char[]> gameCommands[CatalogCapacity];
std::unique_ptr<char[]> gameDirs[CatalogCapacity];
std::unique_ptr<char[]> gameNames[CatalogCapacity];
HMODULE featureModules[CatalogCapacity];
HMODULE gameModules[CatalogCapacity];

namespace {

// Texts read into a fixed buffer: 1023 characters and the terminator.
constexpr DWORD TextBufferSize = 1024;
using TextBuffer = char[TextBufferSize + 1];

constexpr int IconScanLastId = 1024;
using IconIds = bool[IconScanLastId + 1];

BOOL CALLBACK CollectIconId(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    const ULONG_PTR id = reinterpret_cast<ULONG_PTR>(name);
    if (IS_INTRESOURCE(name) && id >= 1 && id <= IconScanLastId) (*reinterpret_cast<IconIds*>(param))[id] = true;
    return TRUE;
}

// A value read whole into a heap block of its stored size plus one byte.
std::unique_ptr<char[]> ReadValueBlock(HKEY key, const char* name)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return nullptr;
    if (size == MAXDWORD) return nullptr;
    std::unique_ptr<char[]> block(new (std::nothrow) char[size + 1]());
    if (!block) return nullptr;
    DWORD read = size;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(block.get()), &read) != ERROR_SUCCESS) {
        return nullptr;
    }
    // A value stored without its terminator still ends here.
    block[read < size ? read : size] = '\0';
    return block;
}

// A value read into a 1024-byte buffer; a longer one fails.
bool ReadValueText(HKEY key, const char* name, TextBuffer& text)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
    DWORD read = TextBufferSize;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &read) != ERROR_SUCCESS) {
        return false;
    }
    text[read] = '\0';
    return true;
}

bool HasValue(HKEY key, const char* name)
{
    DWORD size = 0;
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

std::unique_ptr<char[]> CopyText(const char* text)
{
    const size_t length = strlen(text);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
    if (copy) memcpy(copy.get(), text, length + 1);
    return copy;
}

// Calls visit(branch, subkey name, index) for the branch's first records,
// stopping at the first enumeration failure.
template <typename Visit>
void ForEachRecord(Visit visit)
{
    RegKey branch;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, zentaris::AppBranch, 0, KEY_READ, branch.Put()) != ERROR_SUCCESS) return;
    for (int i = 0; i < CatalogCapacity; ++i) {
        char name[TextBufferSize];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(branch.Get(), i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return;
        }
        visit(branch.Get(), name, i);
    }
}

void AddFeatureEntry(HKEY branch, const char* name, int i)
{
    RegKey record;
    if (RegOpenKeyExA(branch, name, 0, KEY_READ, record.Put()) != ERROR_SUCCESS) return;
    featureLinks[i] = ReadValueBlock(record.Get(), "WEBLINK");
    if (!featureLinks[i]) return;
    TextBuffer appName;
    if (!ReadValueText(record.Get(), "APPNAME", appName)) return;
    featureNames[i] = CopyText(appName);
    if (!featureNames[i]) return;
    AppendMenuA(featureMenu, MF_OWNERDRAW, IDM_FEATURE_FIRST + i, featureNames[i].get());
    TextBuffer app;
    if (!ReadValueText(record.Get(), "APP", app)) return;
    if (!featureModules[i]) {
        ScanExecutableIcon(ApplicationExecutablePath(app).c_str(), &featureModules[i], &menuIcons[IDM_FEATURE_FIRST + i]);
    }
}

void AddGameEntry(HKEY branch, const char* name, int i)
{
    RegKey record;
    if (RegOpenKeyExA(branch, name, 0, KEY_READ, record.Put()) != ERROR_SUCCESS) return;
    if (HasValue(record.Get(), "NOLAUNCH")) return;
    gameCommands[i] = ReadValueBlock(record.Get(), "APP");
    if (!gameCommands[i]) return;
    gameDirs[i] = ReadValueBlock(record.Get(), "APATH");
    if (!gameDirs[i]) return;
    TextBuffer appName;
    if (!ReadValueText(record.Get(), "APPNAME", appName)) return;
    gameNames[i] = CopyText(appName);
    if (!gameNames[i]) return;
    AppendMenuA(gameMenu, MF_OWNERDRAW, IDM_GAME_FIRST + i, gameNames[i].get());
    if (!gameModules[i]) {
        ScanExecutableIcon(ApplicationExecutablePath(gameCommands[i].get()).c_str(), &gameModules[i],
                           &menuIcons[IDM_GAME_FIRST + i]);
    }
}

}  // namespace

void ScanExecutableIcon(const char* path, HMODULE* moduleSlot, HICON* iconSlot)
{
    // Loading a file from another machine, even as data, reaches out to it;
    // the slot stays empty, so the entry just has no icon.
    if (IsNetworkPath(path)) {
        *moduleSlot = nullptr;
        return;
    }
    *moduleSlot = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    // Without a module the resource calls would look at the system's own
    // images instead of the game's.
    if (!*moduleSlot) return;
    // Only ids the file holds can give an icon: asking for each of the 1024
    // ids in turn would cost seconds for a file without icons.
    IconIds ids{};
    EnumResourceNamesA(*moduleSlot, RT_GROUP_ICON, CollectIconId, reinterpret_cast<LONG_PTR>(&ids));
    for (int id = 1; id <= IconScanLastId; ++id) {
        if (!ids[id]) continue;
        HANDLE icon = LoadImageA(*moduleSlot, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
        if (!icon) icon = LoadImageA(*moduleSlot, MAKEINTRESOURCEA(id), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR);
        if (icon) {
            *iconSlot = static_cast<HICON>(icon);
            return;
        }
    }
}

HMENU BuildFeatureMenu()
{
    for (int i = 0; i < CatalogCapacity; ++i) {
        featureLinks[i].reset();
        featureNames[i].reset();
    }
    featureMenu = CreatePopupMenu();
    ForEachRecord(AddFeatureEntry);
    return featureMenu;
}

HMENU BuildGameMenu()
{
    gameMenu = CreatePopupMenu();
    for (int i = 0; i < CatalogCapacity; ++i) {
        gameCommands[i].reset();
        gameDirs[i].reset();
        gameNames[i].reset();
    }
    ForEachRecord(AddGameEntry);
    return gameMenu;
}
