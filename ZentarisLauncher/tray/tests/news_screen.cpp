#include "news_screen.h"

#include <cstdio>
#include <cstring>

namespace newstest {

namespace {

BOOL CALLBACK CollectPopup(HWND window, LPARAM found)
{
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

uint32_t Crc(const unsigned char* p, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void Put32(std::string& out, uint32_t v)
{
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Chunk(std::string& png, const char* type, const std::string& data)
{
    Put32(png, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    Put32(png, Crc(reinterpret_cast<const unsigned char*>(typed.data()), typed.size()));
}

// zlib stream of stored (uncompressed) blocks: no compressor needed.
std::string Stored(const std::string& raw)
{
    std::string z("\x78\x01", 2);
    size_t pos = 0;
    do {
        const size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, b << 16 | a);
    return z;
}

}  // namespace

std::vector<HWND> ThreadPopups(DWORD threadId)
{
    std::vector<HWND> found;
    EnumThreadWindows(threadId, CollectPopup, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND WaitForPopup(DWORD threadId, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        const std::vector<HWND> popups = ThreadPopups(threadId);
        if (!popups.empty()) return popups.front();
        Sleep(20);
    } while (GetTickCount64() < end);
    return nullptr;
}

uint32_t ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

void ClickAt(int x, int y)
{
    SetCursorPos(x, y);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

void PressKey(WORD virtualKey)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = virtualKey;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

bool SaveScreenPng(const RECT& area, const std::string& windowsPath)
{
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    GdiFlush();

    std::string raw;
    raw.reserve(size_t(h) * (1 + 3 * size_t(w)));
    for (int y = 0; y < h; ++y) {
        raw.push_back('\0');  // no filter
        for (int x = 0; x < w; ++x) {
            const uint32_t p = bits[size_t(y) * w + x];
            raw.push_back(static_cast<char>((p >> 16) & 0xFF));
            raw.push_back(static_cast<char>((p >> 8) & 0xFF));
            raw.push_back(static_cast<char>(p & 0xFF));
        }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    Put32(header, static_cast<uint32_t>(w));
    Put32(header, static_cast<uint32_t>(h));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", Stored(raw));
    Chunk(png, "IEND", "");

    FILE* f = std::fopen(windowsPath.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

std::string WinePath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string ReadFileText(const std::string& path)
{
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

}  // namespace newstest
