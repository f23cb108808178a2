#include "tray_harness.h"

#include <shellapi.h>

#include <cstdint>
#include <fstream>

#include "application_record.h"
#include "installation.h"
#include "screen_capture.h"
#include "uiauto.h"

namespace traytest {

namespace {

constexpr UINT MenuGetHandle = 0x01E1;  // MN_GETHMENU

}  // namespace

bool PickByKeys(HWND menuWindow, int downs, int sub, DWORD pid)
{
    for (int i = 0; i < downs; ++i) PostKey(menuWindow, VK_DOWN);
    if (sub >= 0) {
        // Right opens the submenu with its first item selected.
        PostKey(menuWindow, VK_RIGHT);
        for (int i = 0; i < sub; ++i) PostKey(menuWindow, VK_DOWN);
    }
    PostMessageA(menuWindow, WM_CHAR, '\r', 1);
    return WaitUntil(10000, [pid] { return MenuWindows(pid).empty(); });
}

namespace {

bool IconCall(DWORD call, HWND window)
{
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    lstrcpynA(data.szTip, "Zentaris", sizeof data.szTip);
    return Shell_NotifyIconA(call, &data) != FALSE;
}

}  // namespace

bool IconPresent(HWND window) { return IconCall(NIM_MODIFY, window); }

bool RemoveIcon(HWND window) { return IconCall(NIM_DELETE, window); }

TrayRun::TrayRun()
{
    ended_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE ended = ended_.get();
    TrayApp* app = app_.get();
    thread_ = std::thread([ended, app] {
        app->Run();
        SetEvent(ended);
    });
    WaitUntil(10000, [this] {
        window_ = FindWindowA(zentaris::TrayWindowClass, "Zentaris MsgWindow");
        return window_ != nullptr;
    });
}

TrayRun::~TrayRun()
{
    if (WaitForSingleObject(ended_.get(), 0) != WAIT_OBJECT_0) {
        for (HWND menu : MenuWindows()) CloseMenu(menu);
        if (window_) PostMessageA(window_, WM_COMMAND, 1000, 0);
    }
    if (WaitForSingleObject(ended_.get(), 60000) == WAIT_OBJECT_0) {
        thread_.join();
    } else {
        // A hung tray: the test has failed already; its app stays for it.
        thread_.detach();
        app_.release();
    }
}

bool TrayRun::WaitEnded(DWORD timeoutMs)
{
    return WaitForSingleObject(ended_.get(), timeoutMs) == WAIT_OBJECT_0;
}

HWND TrayRun::ClickIcon(UINT mouseMessage, DWORD waitMs, UINT iconId)
{
    PostMessageA(window_, WM_USER + 1, iconId, mouseMessage);
    HWND menu = nullptr;
    WaitUntil(waitMs, [&] {
        const std::vector<HWND> windows = MenuWindows();
        if (!windows.empty()) menu = windows.front();
        return menu != nullptr;
    });
    return menu;
}

std::vector<MenuItem> TrayRun::ReadMenu(DWORD waitMs)
{
    HWND menuWindow = ClickIcon(WM_RBUTTONUP, waitMs);
    if (!menuWindow) return {};
    std::vector<MenuItem> tree =
        ReadMenuTree(reinterpret_cast<HMENU>(SendMessageA(menuWindow, MenuGetHandle, 0, 0)));
    CloseMenu(menuWindow);
    Sync();
    return tree;
}

bool TrayRun::Pick(int top, int sub)
{
    HWND menuWindow = ClickIcon(WM_RBUTTONUP);
    if (!menuWindow) return false;
    const std::vector<MenuItem> tree =
        ReadMenuTree(reinterpret_cast<HMENU>(SendMessageA(menuWindow, MenuGetHandle, 0, 0)));
    // Keyboard selection passes over separators.
    int downs = 0;
    for (int i = 0; i <= top && i < static_cast<int>(tree.size()); ++i) {
        if (!(tree[i].type & MFT_SEPARATOR)) ++downs;
    }
    const bool closed = PickByKeys(menuWindow, downs, sub);
    Sync();
    return closed;
}

void TrayRun::Command(UINT id)
{
    PostMessageA(window_, WM_COMMAND, id, 0);
    Sync();
}

void TrayRun::Sync()
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
}

std::vector<HWND> MenuWindows(DWORD pid) { return uiauto::VisibleWindows("#32768", pid); }

void CloseMenu(HWND menuWindow)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(menuWindow, &pid);
    // Escape closes one level; a second one closes the top menu when a
    // submenu was open.
    PostKey(menuWindow, VK_ESCAPE);
    PostKey(menuWindow, VK_ESCAPE);
    WaitUntil(5000, [pid] { return MenuWindows(pid).empty(); });
}

std::vector<MenuItem> ReadMenuTree(HMENU menu)
{
    std::vector<MenuItem> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[1024] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, i, TRUE, &info)) continue;
        MenuItem item;
        item.id = info.wID;
        item.type = info.fType;
        item.popup = info.hSubMenu != nullptr;
        item.text = text;
        if (info.hSubMenu) item.children = ReadMenuTree(info.hSubMenu);
        items.push_back(item);
    }
    return items;
}

bool DeleteBranch() { return testsupport::DeleteKeyTree(HKEY_CURRENT_USER, zentaris::AppBranch); }

bool CreateBranch() { return testsupport::CreateKey(HKEY_CURRENT_USER, zentaris::AppBranch); }

bool WriteRecord(const std::string& name, const std::vector<RegValue>& values)
{
    return testsupport::WriteValues(HKEY_CURRENT_USER, ApplicationRecordPath(name), values);
}

std::vector<std::string> EnumerateRecords() { return testsupport::SubkeyNames(HKEY_CURRENT_USER, zentaris::AppBranch); }

std::string NewFolder(const std::string& name)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string CopyProgram(const std::string& fileName, const std::string& folder, const std::string& newName)
{
    const std::string target = folder + "\\" + newName;
    CopyFileA(uiauto::BesideTestProgram(fileName).c_str(), target.c_str(), FALSE);
    return target;
}

std::string NewShareFolder(const std::string& host, const std::string& share)
{
    // The prefix's Unix path, seen through drive Z: (the Unix root).
    char prefix[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    if (n == 0 || n >= sizeof prefix) return {};
    std::string folder = "Z:" + std::string(prefix, n);
    for (char& c : folder) {
        if (c == '/') c = '\\';
    }
    for (const std::string& part : {std::string("dosdevices"), std::string("unc"), host, share}) {
        folder += "\\" + part;
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

std::vector<std::string> WaitForGameStarts(const std::string& log, size_t count, DWORD timeoutMs)
{
    std::vector<std::string> lines;
    WaitUntil(timeoutMs, [&] {
        lines.clear();
        std::ifstream in(log, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) lines.push_back(line);
        return lines.size() >= count;
    });
    return lines;
}

namespace {

uint32_t Crc32(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string BigEndian(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string Chunk(const std::string& type, const std::string& data)
{
    return BigEndian(static_cast<uint32_t>(data.size())) + type + data + BigEndian(Crc32(type + data));
}

// zlib stream of stored (uncompressed) blocks.
std::string StoredZlib(const std::string& raw)
{
    std::string out = "\x78\x01";
    size_t offset = 0;
    do {
        const size_t length = raw.size() - offset < 65535 ? raw.size() - offset : 65535;
        const bool last = offset + length == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(length & 0xFF);
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(~length & 0xFF);
        out += static_cast<char>((~length >> 8) & 0xFF);
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return out + BigEndian((b << 16) | a);
}

}  // namespace

bool SaveScreenPng(const std::string& path, RECT area)
{
    const auto image = testsupport::CaptureScreen(area);
    if (!image) return false;
    const int width = image->width, height = image->height;
    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        const unsigned char* row = image->rows.data() + (height - 1 - y) * image->Stride();
        for (int x = 0; x < width; ++x) {
            raw += static_cast<char>(row[x * 3 + 2]);
            raw += static_cast<char>(row[x * 3 + 1]);
            raw += static_cast<char>(row[x * 3]);
        }
    }
    std::string header = BigEndian(width) + BigEndian(height) + std::string("\x08\x02\x00\x00\x00", 5);
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", StoredZlib(raw)) +
                            Chunk("IEND", "");
    std::ofstream out(path, std::ios::binary);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    return out.good();
}

}  // namespace traytest
