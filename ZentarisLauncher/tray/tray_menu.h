// The tray's menu side: the menu built at every click on the icon, the
// download list behind its first submenu, and the command actions. UI
// thread only, except the download catalog, which DownloadListThread fills.
#pragma once

#include <windows.h>

#include "download_list.h"
#include "tray_catalog.h"
#include "tray_menu_entries.h"

// Callback message of the tray icon.
inline constexpr UINT WM_TRAYICON = WM_USER + 1;
inline constexpr UINT TrayIconId = 1;

// The download tables: written by DownloadListThread, read by the UI thread.
extern DownloadCatalog downloadCatalog;

LRESULT CALLBACK TrayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Builds the menu tree and tracks it at the cursor; `owner` receives its
// commands.
void ShowTrayMenu(HWND owner);
HMENU BuildDownloadMenu();
HMENU BuildFeatureMenu();
HMENU BuildGameMenu();
// Destroys the menu tree of the last showing, if any.
void DestroyTrayMenu();

DWORD WINAPI DownloadListThread(LPVOID parameter);

void OpenFeatureLink(int index);
void StartMenuGame(int index);
void OpenDownloadLink(int index);
