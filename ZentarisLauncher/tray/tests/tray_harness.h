// Drives tray mode inside the test process: a TrayApp on a thread of its own,
// the icon's callback messages, the tracked menu read through its window,
// keyboard picks, and the records the menus are built from.
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "test_registry.h"
#include "tray_app.h"
#include "uiauto.h"

namespace traytest {

struct MenuItem {
    UINT id = 0;             // command id; for a submenu entry its handle's low bits
    UINT type = 0;           // MFT_* flags
    bool popup = false;
    std::string text;        // as the menu answers for it (what a screen reader reads)
    std::vector<MenuItem> children;
};

// A TrayApp of the program instance running on its own thread, window
// found, until Exit or destruction.
class TrayRun {
public:
    TrayRun();
    ~TrayRun();
    TrayRun(const TrayRun&) = delete;
    TrayRun& operator=(const TrayRun&) = delete;

    HWND Window() const { return window_; }
    bool Started() const { return window_ != nullptr; }
    // Read after Sync, or (the download count) at any time while it runs.
    const TrayApp& App() const { return *app_; }
    // True once RunTray has returned, within timeoutMs.
    bool WaitEnded(DWORD timeoutMs);

    // Sends the icon's callback as the shell does (id, mouse message) and
    // waits for a menu to be tracked. Null when none appears in waitMs.
    HWND ClickIcon(UINT mouseMessage, DWORD waitMs = 5000, UINT iconId = 1);
    // Opens the menu with a right click, reads the whole tree and closes it.
    std::vector<MenuItem> ReadMenu(DWORD waitMs = 5000);
    // Opens the menu and picks, by keyboard, the item at `top` (and in its
    // submenu at `sub`, when sub >= 0); positions count every item.
    bool Pick(int top, int sub = -1);
    // A command as the menu posts it, handled when this returns.
    void Command(UINT id);
    // Handled when this returns: everything posted before it.
    void Sync();

private:
    std::unique_ptr<TrayApp> app_ = std::make_unique<TrayApp>(GetModuleHandleA(nullptr));
    zentaris::UniqueKernelHandle ended_;
    std::thread thread_;
    HWND window_ = nullptr;
};

using uiauto::WaitUntil;

// The visible tracked menu windows ("#32768") of a process.
std::vector<HWND> MenuWindows(DWORD pid = GetCurrentProcessId());
// Closes a tracked menu, and waits until it is gone.
void CloseMenu(HWND menuWindow);
// Keys for a tracked menu, as its modal loop reads them.
using uiauto::PostKey;
// Picks by keyboard: `downs` presses of Down (the first selects the first
// item), then, when sub >= 0, Right and `sub` presses of Down, then Enter.
// True when the menu has closed.
bool PickByKeys(HWND menuWindow, int downs, int sub, DWORD pid = GetCurrentProcessId());
// Whether the notification area holds icon 1 of window.
bool IconPresent(HWND window);
// Takes icon 1 of window out of the notification area, as a shell that
// ends does; true when it was there.
bool RemoveIcon(HWND window);
// The menu tree behind a tracked menu window.
std::vector<MenuItem> ReadMenuTree(HMENU menu);

// The application registry of this prefix.
using RegValue = testsupport::NamedValue;
using testsupport::Sz;  // REG_SZ with its terminator
bool DeleteBranch();  // true when the branch is gone
bool CreateBranch();
bool WriteRecord(const std::string& key, const std::vector<RegValue>& values);
// The record names in the platform's enumeration order.
std::vector<std::string> EnumerateRecords();

// Folder for files of one test, below the temporary folder, created empty.
std::string NewFolder(const std::string& name);
// Copies a program beside the test program into folder under a new name.
std::string CopyProgram(const std::string& fileName, const std::string& folder, const std::string& newName);
// A folder that this Wine prefix serves as the share \\<host>\<share>
// (its dosdevices\unc folder), created when missing. Answers its local path;
// the share reaches the same files.
std::string NewShareFolder(const std::string& host, const std::string& share);

// Lines that testgame.exe recorded: "<working directory>|<command line>".
std::vector<std::string> WaitForGameStarts(const std::string& log, size_t count, DWORD timeoutMs);

// Saves a part of the screen (the whole screen when area is empty) as a PNG
// file.
bool SaveScreenPng(const std::string& path, RECT area = {});

}  // namespace traytest
