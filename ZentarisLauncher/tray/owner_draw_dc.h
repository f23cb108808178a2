// Owner of a device context taken with GetDC or GetWindowDC: released once,
// with the window it was taken from.
#pragma once

#include <windows.h>

class WindowDc {
public:
    explicit WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc()
    {
        if (dc_) ReleaseDC(window_, dc_);
    }

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};
