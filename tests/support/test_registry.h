// The registry as tests arrange and read it. Text paths and values use the
// platform's ANSI calls, as the launcher and the tray do, so that stored
// bytes and sizes are the ones those programs see; wide paths and values use
// the UTF-16 calls, as the COM server's registration does.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "unique_handle.h"

namespace testsupport {

// Opened for reading; empty when the key is missing.
zentaris::UniqueRegKey OpenKey(HKEY root, const std::string& path);
zentaris::UniqueRegKey OpenKey(HKEY root, const std::wstring& path);

struct KeyCounts {
    DWORD subkeys = 0;
    DWORD values = 0;
};
KeyCounts CountsOf(HKEY key);  // zeros for no key

template <class Path>
bool KeyExists(HKEY root, const Path& path)
{
    return static_cast<bool>(OpenKey(root, path));
}
template <class Path>
DWORD SubkeyCount(HKEY root, const Path& path)
{
    return CountsOf(OpenKey(root, path).get()).subkeys;
}
template <class Path>
DWORD ValueCount(HKEY root, const Path& path)
{
    return CountsOf(OpenKey(root, path).get()).values;
}

bool CreateKey(HKEY root, const std::string& path);
// Deletes the key and everything below it; true when it is gone.
bool DeleteKeyTree(HKEY root, const std::string& path);
// Subkey names in the platform's enumeration order.
std::vector<std::string> SubkeyNames(HKEY root, const std::string& path);

struct StoredValue {
    DWORD type = 0;
    std::string data;  // the stored bytes, a text's terminator included
};
// Every value of a key by name; empty when the key is missing.
std::map<std::string, StoredValue> KeyValues(HKEY root, const std::string& path);
// A REG_SZ value without its terminator ("" names the default value), in
// this program's registry view or the one `view` names.
std::optional<std::string> ReadString(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);

struct NamedValue {
    std::string name;
    DWORD type = REG_SZ;
    std::string data;  // stored exactly as given
};
NamedValue Sz(const std::string& name, const std::string& text);  // REG_SZ with its terminator
// Creates the key (even for no values) and writes the values in order, in
// this program's registry view or the one `view` names (KEY_WOW64_32KEY,
// KEY_WOW64_64KEY).
bool WriteValues(HKEY root, const std::string& path, const std::vector<NamedValue>& values, REGSAM view = 0);
bool WriteString(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                 REGSAM view = 0);

struct WideString {
    std::wstring data;
    DWORD storedBytes = 0;
    DWORD type = 0;
};
std::optional<WideString> ReadValue(HKEY root, const std::wstring& path, const std::wstring& name);

}  // namespace testsupport
