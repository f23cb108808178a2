// Owns one open registry key and closes it once.
#pragma once

#include <windows.h>

namespace zenproto {

struct RegistryKey {
    HKEY h = nullptr;
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey()
    {
        if (h) RegCloseKey(h);
    }
};

}  // namespace zenproto
