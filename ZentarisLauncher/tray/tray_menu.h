// The tray's menu side: the catalog tables behind the menu, the menu
// handles of one showing, and the command actions. UI thread only, except
// the download tables, which DownloadListThread fills.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "download_list.h"
#include "tray_state.h"

// Callback message of the tray icon.
inline constexpr UINT WM_TRAYICON = WM_USER + 1;
inline constexpr UINT TrayIconId = 1;

// Item texts, Windows-1252.
inline constexpr char DownloadMenuText[] = "Descargar game client";
inline constexpr char FeatureMenuText[] = "Caracter\xEDsticas de zentaris";
inline constexpr char GameMenuText[] = "Iniciar Juego";
inline constexpr char NewsItemText[] = "Mostrar Noticias nuevamente";
inline constexpr char ExitItemText[] = "Salir";

// The hidden message window; it owns the menu and receives its commands.
extern HWND trayWindow;

// One showing's menu tree, destroyed when the menu closes.
extern HMENU trayMenu, downloadMenu, featureMenu, gameMenu;

// Registry catalog, rebuilt at every showing; entry i belongs to the
// record at enumeration index i.
extern std::unique_ptr<char[]> featureLinks[CatalogCapacity];
extern std::unique_ptr<char[]> featureNames[CatalogCapacity];
extern std::unique_ptr<char[]> gameCommands[CatalogCapacity];
extern std::unique_ptr<char[]> gameDirs[CatalogCapacity];
extern std::unique_ptr<char[]> gameNames[CatalogCapacity];

// Executables loaded as data files for their icons, per enumeration index.
// Kept for the life of the process, never freed.
extern HMODULE featureModules[CatalogCapacity];
extern HMODULE gameModules[CatalogCapacity];

// The download tables: written by DownloadListThread, read by the UI thread.
extern DownloadCatalog downloadCatalog;

// Empties every table; before any worker thread starts.
void ResetTrayTables();

LRESULT CALLBACK TrayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void ShowTrayMenu();
HMENU BuildDownloadMenu();
HMENU BuildFeatureMenu();
HMENU BuildGameMenu();
// Destroys the menu tree of the last showing, if any.
void DestroyTrayMenu();

// The first icon of the executable at path, 16 x 16 where it has that size.
void ScanExecutableIcon(const char* path, HMODULE* moduleSlot, HICON* iconSlot);
DWORD WINAPI DownloadListThread(LPVOID parameter);

void OpenFeatureLink(int index);
void StartMenuGame(int index);
void OpenDownloadLink(int index);
