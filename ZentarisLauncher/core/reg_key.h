// Owner of one registry key handle: closes it once, when it goes.
#pragma once

#include <windows.h>

class RegKey {
public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Close(); }

    HKEY Get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

    // For the calls that hand out a key: closes the current one first.
    HKEY* Put()
    {
        Close();
        return &key_;
    }
    void Close()
    {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};
