// Windows test helpers for the popup and the menu: find windows, read the
// screen, press on things, save the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace newstest {

// Waits up to timeoutMs for at least `count` visible windows of a class, of
// one process (pid) and, when threadId is not 0, of one thread.
std::vector<HWND> WaitForWindows(const char* cls, DWORD pid, DWORD threadId, size_t count, DWORD timeoutMs);

uint32_t ScreenPixel(int x, int y);  // 0xRRGGBB
void ClickAt(int x, int y);
void PressKey(WORD virtualKey);


// Writes the whole screen as a 24-bit BMP (news_png_pack.py makes PNGs).
bool SaveScreen(const std::string& windowsPath);

// Samples of the test picture at (10, 10) of the popup that differ from it;
// points under the popup's "X" button are left out.
int PictureMismatches(HWND popup);

// Waits up to 3 s for the picture to be on screen.
bool WaitForPicture(HWND popup);

}  // namespace newstest
