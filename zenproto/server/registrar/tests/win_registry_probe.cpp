#include "win_registry_probe.h"

#include <algorithm>

#include "test_registry.h"
#include "text_conversion.h"
#include "uiauto.h"

namespace probe {
namespace {

using testsupport::Narrow;

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
        const zentaris::UniqueRegKey child = testsupport::OpenKey(key, std::wstring(name));
        if (child) SnapshotKey(child.get(), path + "\\" + Narrow(name), lines);
    }
}

}  // namespace

std::vector<std::string> Snapshot(HKEY root, const std::wstring& path)
{
    std::vector<std::string> lines;
    const zentaris::UniqueRegKey key = testsupport::OpenKey(root, path);
    if (!key) return lines;
    SnapshotKey(key.get(), Narrow(path), lines);
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
