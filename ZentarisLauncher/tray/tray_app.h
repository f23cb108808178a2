// Tray mode as one object: the hidden message window, the notification-area
// icon, the menu with its icons and modules, the tables it is built from and
// the newest news picture, all owned by one TrayApp on the UI thread. Worker
// threads fetch and hand their results to the window by message.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <optional>

#include "download_list.h"
#include "news_popup.h"
#include "tray_catalog.h"
#include "tray_menu.h"
#include "tray_messages.h"
#include "unique_handle.h"
#include "update_check.h"

// The icon in the notification area: added when the window exists, added
// again when the shell starts anew (Explorer restarted, or its taskbar came
// up after the tray), removed when the window goes.
class NotifyIcon {
public:
    // True when the shell shows the icon. A shell without a taskbar yet
    // refuses it; the taskbar's arrival then brings it (Restore).
    bool Add(HWND window, HICON icon);
    bool Restore();
    void Remove();
    // A balloon over the icon; false while the shell shows no icon.
    bool ShowNotice(const char* title, const char* text);

private:
    NOTIFYICONDATAA data_{};
    zentaris::UniqueIcon icon_;
    bool shown_ = false;
};

class TrayApp {
public:
    explicit TrayApp(HINSTANCE program);
    TrayApp(const TrayApp&) = delete;
    TrayApp& operator=(const TrayApp&) = delete;

    // Runs until "Salir"; returns at once when the window cannot be made,
    // since without it nothing could end the loop.
    void Run();

    // What the menu is built from and the icons it shows. UI thread, or a
    // thread that has synchronised with it (a message sent to the window);
    // the download count may be read from any thread.
    const TrayCatalog& Records() const { return *records_; }
    const DownloadCatalog& Downloads() const { return *downloads_; }
    const MenuIcons& Icons() const { return menu_.Icons(); }

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateTrayWindow();
    void OnIcon(WPARAM id, LPARAM mouseMessage);
    void OnCommand(UINT id);
    void OnDownloads(std::unique_ptr<DownloadCatalog> list);
    void OnNews(std::unique_ptr<NewsImage> image);
    void OnUpdate(std::unique_ptr<UpdateReport> report);
    void OnTaskbarCreated();
    void OnDestroy();
    void StartUpdateCheck();
    void ScheduleUpdateCheck(uint32_t seconds);
    void TellOfUpdate();
    void ShowMenu();
    void StartFetch(LPTHREAD_START_ROUTINE fetch);
    void OpenFeatureLink(int index) const;
    void OpenDownloadLink(int index) const;
    void StartMenuGame(int index) const;

    const HINSTANCE program_;
    // Sent by the shell to every top-level window when its taskbar is made.
    const UINT taskbarCreated_;
    // Made by Run, destroyed by "Salir" or at the end of Run.
    HWND window_ = nullptr;
    NotifyIcon icon_;
    TrayMenu menu_;
    // Heap-held: the tables are too large for a thread's stack.
    std::unique_ptr<TrayCatalog> records_ = std::make_unique<TrayCatalog>();
    std::unique_ptr<DownloadCatalog> downloads_ = std::make_unique<DownloadCatalog>();
    // The newest picture; every popup showing one holds it too.
    std::shared_ptr<const NewsImage> news_;
    // The one timer of the idle tray: the next update check.
    bool updateChecking_ = false;
    // A version waiting for the administrator that the user has not been
    // told of yet (the shell showed no icon when it came).
    std::optional<FileVersion> untoldUpdate_;
};
