// One owner for every platform handle that must be released: a move-only
// template with the same four verbs everywhere (get, put, reset, release),
// and an alias per kind. Win32 only.
#pragma once

#include <windows.h>

#include <utility>

namespace zentaris {

// Owns one handle and releases it once with `Close`. `Invalid` is the value
// that owns nothing.
template <class T, auto Close, T Invalid = T{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(T handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return handle_; }
    // For calls that hand out a handle: releases the current one first.
    T* put()
    {
        reset();
        return &handle_;
    }
    void reset(T handle = Invalid)
    {
        if (handle_ != Invalid) Close(handle_);
        handle_ = handle;
    }
    T release() { return std::exchange(handle_, Invalid); }
    explicit operator bool() const { return handle_ != Invalid; }

private:
    T handle_ = Invalid;
};

using UniqueRegKey = UniqueHandle<HKEY, &RegCloseKey>;
using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;
// Kernel objects that report failure as null: processes, threads, jobs,
// events, completion ports. (Files report INVALID_HANDLE_VALUE.)
using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
using UniqueMemoryDc = UniqueHandle<HDC, &DeleteDC>;
using UniqueGdiObject = UniqueHandle<HGDIOBJ, &DeleteObject>;
using UniqueIcon = UniqueHandle<HICON, &DestroyIcon>;
using UniqueMenu = UniqueHandle<HMENU, &DestroyMenu>;

// What CreateProcess hands out: the process and its first thread.
struct UniqueProcessInformation {
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD processId = 0;

    // Takes both handles of a successful CreateProcess.
    void Take(const PROCESS_INFORMATION& information)
    {
        process.reset(information.hProcess);
        thread.reset(information.hThread);
        processId = information.dwProcessId;
    }
};

// A window's device context from GetDC or GetWindowDC; released with the
// window it came from, which the factories take once.
class UniqueWindowDc {
public:
    static UniqueWindowDc Get(HWND window) { return UniqueWindowDc(window, GetDC(window)); }
    static UniqueWindowDc GetWindow(HWND window) { return UniqueWindowDc(window, GetWindowDC(window)); }

    UniqueWindowDc(const UniqueWindowDc&) = delete;
    UniqueWindowDc& operator=(const UniqueWindowDc&) = delete;
    UniqueWindowDc(UniqueWindowDc&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    UniqueWindowDc& operator=(UniqueWindowDc&&) = delete;
    ~UniqueWindowDc()
    {
        if (dc_) ReleaseDC(window_, dc_);
    }

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    UniqueWindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
    HWND window_;
    HDC dc_;
};

}  // namespace zentaris
