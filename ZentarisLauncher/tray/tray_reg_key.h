// Owner of one registry key handle.
#pragma once

#include <windows.h>

struct TrayRegKey {
    HKEY h = nullptr;
    TrayRegKey() = default;
    TrayRegKey(const TrayRegKey&) = delete;
    TrayRegKey& operator=(const TrayRegKey&) = delete;
    ~TrayRegKey() { if (h) RegCloseKey(h); }
    bool Open(HKEY parent, const char* path) { return RegOpenKeyExA(parent, path, 0, KEY_READ, &h) == ERROR_SUCCESS; }
};
