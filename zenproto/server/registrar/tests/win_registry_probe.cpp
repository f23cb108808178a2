#include "win_registry_probe.h"

#include <algorithm>

#include "uiauto.h"

namespace probe {
namespace {

struct Key {
    HKEY h = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key()
    {
        if (h) RegCloseKey(h);
    }
};

void SnapshotKey(HKEY key, const std::string& path, std::vector<std::string>& lines)
{
    lines.push_back(path);
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        BYTE data[8192];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        LONG status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &dataLength);
        if (status == ERROR_NO_MORE_ITEMS) break;
        std::string line = path + " [" + Narrow(std::wstring(name, nameLength)) + "] " + std::to_string(type) + ":";
        if (status == ERROR_SUCCESS) {
            static const char hex[] = "0123456789abcdef";
            for (DWORD b = 0; b < dataLength; ++b) {
                line += hex[data[b] >> 4];
                line += hex[data[b] & 15];
            }
        } else {
            line += "unreadable";
        }
        lines.push_back(line);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        Key child;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &child.h) != ERROR_SUCCESS) continue;
        SnapshotKey(child.h, path + "\\" + Narrow(name), lines);
    }
}

}  // namespace

std::wstring Widen(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    Key key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key.h) == ERROR_SUCCESS;
}

std::optional<StringValue> ReadValue(HKEY root, const std::wstring& path, const std::wstring& name)
{
    Key key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key.h) != ERROR_SUCCESS) return std::nullopt;
    StringValue value;
    DWORD size = 0;
    if (RegQueryValueExW(key.h, name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    value.storedBytes = size;
    if (RegQueryValueExW(key.h, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data = buffer.data();
    return value;
}

DWORD SubkeyCount(HKEY root, const std::wstring& path)
{
    Key key;
    DWORD count = 0;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key.h) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyW(key.h, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return count;
}

DWORD ValueCount(HKEY root, const std::wstring& path)
{
    Key key;
    DWORD count = 0;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key.h) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyW(key.h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    return count;
}

std::vector<std::string> Snapshot(HKEY root, const std::wstring& path)
{
    std::vector<std::string> lines;
    Key key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key.h) != ERROR_SUCCESS) return lines;
    SnapshotKey(key.h, Narrow(path), lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

int Regsvr32(const std::string& arguments)
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    auto process = uiauto::Process::Start(std::string(system) + "\\regsvr32.exe", "/s " + arguments);
    if (!process) return -1;
    auto code = process->WaitExit(60000);
    if (!code) {
        process->Kill();
        return -1;
    }
    return static_cast<int>(*code);
}

}  // namespace probe
