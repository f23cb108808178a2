#include "tray_app.h"

#include <objbase.h>

#include <optional>
#include <string>

#include "application_record.h"
#include "download_thread.h"
#include "game_process.h"
#include "shared_names.h"
#include "tray.h"
#include "update_thread.h"

namespace {

constexpr WORD IDI_APP = 101;
// The update check's timer, the only one the tray keeps.
constexpr UINT_PTR UpdateTimerId = 1;
constexpr const char* WindowClassName = zentaris::TrayWindowClass;
constexpr char WindowTitle[] = "Zentaris MsgWindow";

#ifndef _WIN64
static_assert(sizeof(NOTIFYICONDATAA) == 508, "the full ANSI record, balloon icon included");
#endif

HICON LoadAppIcon(HINSTANCE program, UINT flags)
{
    return static_cast<HICON>(LoadImageA(program, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 16, 16, flags));
}

// Nobody waits for a worker: its handle goes at once. The parameter is the
// thread's to free once it runs; when it cannot start, it is freed here.
template <class T>
bool StartWorker(LPTHREAD_START_ROUTINE procedure, std::unique_ptr<T> parameter)
{
    const zentaris::UniqueKernelHandle thread(CreateThread(nullptr, 0, procedure, parameter.get(), 0, nullptr));
    if (!thread) return false;
    parameter.release();
    return true;
}

// Entry i of a catalog has the id first + i; the ids just before and just
// after a range (2000, 3000, 4000, 5000) belong to no entry.
bool InCatalogRange(UINT id, UINT first)
{
    return id >= first && id < first + CatalogCapacity;
}

// Links come from the portal and from records other software may write;
// the shell would run anything else it is handed.
void OpenUrl(const char* url)
{
    if (!url || !IsOpenableWebLink(url)) return;
    ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

bool NotifyIcon::Add(HWND window, HICON icon)
{
    icon_.reset(icon);
    data_ = NOTIFYICONDATAA{};
    data_.cbSize = sizeof data_;
    data_.hWnd = window;
    data_.uID = TrayIconId;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = WM_TRAYICON;
    data_.hIcon = icon_.get();
    lstrcpynA(data_.szTip, "Zentaris", sizeof data_.szTip);
    return Restore();
}

// The shell also announces a new taskbar when the icon is still there (a
// change of display scale): then it is updated instead.
bool NotifyIcon::Restore()
{
    if (!data_.hWnd) return false;
    shown_ = Shell_NotifyIconA(NIM_ADD, &data_) || Shell_NotifyIconA(NIM_MODIFY, &data_);
    return shown_;
}

// The notice goes with a copy of the icon's record, so that restoring the
// icon later does not show it again.
bool NotifyIcon::ShowNotice(const char* title, const char* text)
{
    if (!shown_) return false;
    NOTIFYICONDATAA notice = data_;
    notice.uFlags = NIF_INFO;
    notice.dwInfoFlags = NIIF_INFO;
    lstrcpynA(notice.szInfoTitle, title, sizeof notice.szInfoTitle);
    lstrcpynA(notice.szInfo, text, sizeof notice.szInfo);
    return Shell_NotifyIconA(NIM_MODIFY, &notice) != FALSE;
}

// A shell that has already lost the icon refuses to delete it: either way
// it is gone.
void NotifyIcon::Remove()
{
    if (shown_) Shell_NotifyIconA(NIM_DELETE, &data_);
    shown_ = false;
}

TrayApp::TrayApp(HINSTANCE program)
    : program_(program), taskbarCreated_(RegisterWindowMessageA("TaskbarCreated"))
{
}

LRESULT CALLBACK TrayApp::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* app = static_cast<TrayApp*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        app->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
    }
    auto* app = reinterpret_cast<TrayApp*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!app) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        app->window_ = nullptr;
    }
    return app->OnMessage(message, wParam, lParam);
}

LRESULT TrayApp::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (taskbarCreated_ != 0 && message == taskbarCreated_) {
        OnTaskbarCreated();
        return 0;
    }
    switch (message) {
    case WM_TRAYICON:
        OnIcon(wParam, lParam);
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_MEASUREITEM:
        menu_.Measure(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        menu_.Draw(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_MENUCHAR:
        return menu_.OnMenuChar(wParam, reinterpret_cast<HMENU>(lParam));
    case WM_TRAY_DOWNLOADS:
        OnDownloads(TakePosted<DownloadCatalog>(lParam));
        return 0;
    case WM_TRAY_NEWS:
        OnNews(TakePosted<NewsImage>(lParam));
        return 0;
    case WM_TRAY_UPDATE:
        OnUpdate(TakePosted<UpdateReport>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == UpdateTimerId) StartUpdateCheck();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

bool TrayApp::CreateTrayWindow()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = program_;
    // Shared icons belong to the system's cache: the class never frees them.
    windowClass.hIcon = LoadAppIcon(program_, LR_DEFAULTCOLOR | LR_SHARED);
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = GetCursor();
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = WindowClassName;
    // An earlier tray of this process registered it already.
    if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    return CreateWindowExA(0, WindowClassName, WindowTitle, WS_OVERLAPPEDWINDOW, -500, -500, 1, 1, nullptr, nullptr,
                           program_, this) != nullptr;
}

void TrayApp::Run()
{
    // Shell "open" may hand the link to a COM-based handler.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (CreateTrayWindow()) {
        // The shell's message about its new taskbar is let through to a
        // tray with more rights than the shell, which would otherwise never
        // see it; where the filter cannot be changed the icon simply stays
        // away after a restart, as before.
        if (taskbarCreated_ != 0) ChangeWindowMessageFilterEx(window_, taskbarCreated_, MSGFLT_ALLOW, nullptr);
        // Refused before the shell is up (at logon); its taskbar brings it.
        icon_.Add(window_, LoadAppIcon(program_, LR_DEFAULTCOLOR));
        StartFetch(NewsThread);
        StartFetch(DownloadListThread);
        StartUpdateCheck();
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        // A loop ended by an error leaves the window standing.
        if (window_) DestroyWindow(window_);
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

void TrayApp::OnIcon(WPARAM id, LPARAM mouseMessage)
{
    if (id != TrayIconId) return;
    if (mouseMessage == WM_LBUTTONUP || mouseMessage == WM_RBUTTONUP) ShowMenu();
}

// A callback that comes while the menu is open (a keyboard selection of
// the icon, say) leaves the open menu and its tables alone.
void TrayApp::ShowMenu()
{
    if (menu_.Showing()) return;
    ReadApplicationRecords(*records_, menu_.Icons());
    menu_.Icons().LoadProgramIcons(program_);
    menu_.Show(window_, BuildTrayMenuModel(*downloads_, *records_));
}

void TrayApp::OnCommand(UINT id)
{
    if (id == IDM_EXIT) {
        DestroyWindow(window_);
    } else if (id == IDM_NEWS) {
        StartFetch(NewsThread);
    } else if (InCatalogRange(id, IDM_FEATURE_FIRST)) {
        OpenFeatureLink(static_cast<int>(id - IDM_FEATURE_FIRST));
    } else if (InCatalogRange(id, IDM_GAME_FIRST)) {
        StartMenuGame(static_cast<int>(id - IDM_GAME_FIRST));
    } else if (InCatalogRange(id, IDM_DOWNLOAD_FIRST)) {
        OpenDownloadLink(static_cast<int>(id - IDM_DOWNLOAD_FIRST));
    }
}

void TrayApp::OnDownloads(std::unique_ptr<DownloadCatalog> list)
{
    if (list) downloads_->Append(*list);
}

// Each picture gets a popup thread of its own, which shares it: the popup
// paints it while the next one may already have arrived.
void TrayApp::OnNews(std::unique_ptr<NewsImage> image)
{
    if (!image) return;
    news_ = std::move(image);
    StartWorker(NewsPopupThread, std::make_unique<std::shared_ptr<const NewsImage>>(news_));
}

void TrayApp::OnTaskbarCreated()
{
    icon_.Restore();
    TellOfUpdate();
}

// Between checks the tray sleeps: one timer, for the next check.
void TrayApp::OnUpdate(std::unique_ptr<UpdateReport> report)
{
    updateChecking_ = false;
    if (!report) return;
    if (report->outcome == UpdateOutcome::ForAdministrator && report->tellUser) {
        untoldUpdate_ = report->version;
        TellOfUpdate();
    }
    ScheduleUpdateCheck(report->nextCheckSeconds);
}

// Told once: the version is remembered only when the shell took the notice.
void TrayApp::TellOfUpdate()
{
    if (!untoldUpdate_) return;
    const std::string text = "Zentaris " + FileVersionText(*untoldUpdate_) +
                             " is available. Zentaris is installed for every user of this computer: "
                             "your administrator can install the update.";
    if (!icon_.ShowNotice("Zentaris update", text.c_str())) return;
    RememberToldVersion(*untoldUpdate_);
    untoldUpdate_.reset();
}

void TrayApp::StartUpdateCheck()
{
    KillTimer(window_, UpdateTimerId);
    if (updateChecking_) return;
    const zentaris::UniqueKernelHandle thread(CreateThread(nullptr, 0, UpdateCheckThread, window_, 0, nullptr));
    if (!thread) {
        ScheduleUpdateCheck(UpdateRetrySeconds);
        return;
    }
    updateChecking_ = true;
}

void TrayApp::ScheduleUpdateCheck(uint32_t seconds)
{
    SetTimer(window_, UpdateTimerId, static_cast<UINT>(seconds) * 1000, nullptr);
}

// Results still on their way to the window are taken and freed; once it is
// gone, their posts fail and their threads free them.
void TrayApp::OnDestroy()
{
    KillTimer(window_, UpdateTimerId);
    icon_.Remove();
    MSG message;
    while (PeekMessageA(&message, window_, WM_TRAY_DOWNLOADS, WM_TRAY_UPDATE, PM_REMOVE)) {
        if (message.message == WM_TRAY_DOWNLOADS) TakePosted<DownloadCatalog>(message.lParam);
        if (message.message == WM_TRAY_NEWS) TakePosted<NewsImage>(message.lParam);
        if (message.message == WM_TRAY_UPDATE) TakePosted<UpdateReport>(message.lParam);
    }
    PostQuitMessage(0);
}

// The worker is given the window to hand its result to. A worker that
// cannot start leaves the menu as it is: without downloads, or without a
// new picture, until the next "Mostrar Noticias nuevamente".
void TrayApp::StartFetch(LPTHREAD_START_ROUTINE fetch)
{
    const zentaris::UniqueKernelHandle thread(CreateThread(nullptr, 0, fetch, window_, 0, nullptr));
}

void TrayApp::OpenFeatureLink(int index) const
{
    OpenUrl(records_->FeatureLink(index));
}

void TrayApp::OpenDownloadLink(int index) const
{
    const char* url = downloads_->Url(index);
    if (!url) return;
    if (const std::optional<std::string> link = DownloadLinkToOpen(url)) OpenUrl(link->c_str());
}

void TrayApp::StartMenuGame(int index) const
{
    const char* command = records_->GameCommand(index);
    if (!command) return;
    // The executable as the icon scan reads it; StartGameProcess refuses what
    // the platform itself would reach over the network.
    if (IsNetworkPath(ApplicationExecutablePath(command))) return;
    StartGameProcess(command, records_->GameDir(index));
}

void RunTray(HINSTANCE instance)
{
    TrayApp(instance).Run();
}
