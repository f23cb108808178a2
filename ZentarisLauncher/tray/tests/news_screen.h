// Windows test helpers for the news popup: find a thread's popup, read the
// screen, press on things, save what is on screen as a PNG.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace newstest {

// The visible dialog windows ("#32770") of a thread.
std::vector<HWND> ThreadPopups(DWORD threadId);

// Waits up to timeoutMs for a visible dialog of the thread; null if none.
HWND WaitForPopup(DWORD threadId, DWORD timeoutMs);

// Screen pixel as 0xRRGGBB.
uint32_t ScreenPixel(int x, int y);

// A left click at a screen position, through the input queue.
void ClickAt(int x, int y);

// A key press and release through the input queue.
void PressKey(WORD virtualKey);

// Writes the given screen area as an RGB PNG. True when written.
bool SaveScreenPng(const RECT& area, const std::string& windowsPath);

// A Linux path as Wine sees it (Z: drive).
std::string WinePath(const std::string& unixPath);

// Contents of a file, empty when it does not exist.
std::string ReadFileText(const std::string& path);

}  // namespace newstest
