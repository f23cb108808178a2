// Reading the registry and running regsvr32 from Windows tests.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace probe {

struct StringValue {
    std::wstring data;
    DWORD storedBytes = 0;
    DWORD type = 0;
};

std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

bool KeyExists(HKEY root, const std::wstring& path);
std::optional<StringValue> ReadValue(HKEY root, const std::wstring& path, const std::wstring& name);
DWORD SubkeyCount(HKEY root, const std::wstring& path);
DWORD ValueCount(HKEY root, const std::wstring& path);

// Every key and value under root\path, one line each, sorted.
std::vector<std::string> Snapshot(HKEY root, const std::wstring& path);

// Runs the platform's regsvr32 silently; its exit code, or -1.
int Regsvr32(const std::string& arguments);

}  // namespace probe
