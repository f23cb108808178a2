#include "test_registry.h"

namespace testsupport {

zentaris::UniqueRegKey OpenKey(HKEY root, const std::string& path)
{
    zentaris::UniqueRegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

zentaris::UniqueRegKey OpenKey(HKEY root, const std::wstring& path)
{
    zentaris::UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.release();
    return key;
}

KeyCounts CountsOf(HKEY key)
{
    KeyCounts counts;
    if (key) {
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &counts.subkeys, nullptr, nullptr, &counts.values, nullptr,
                         nullptr, nullptr, nullptr);
    }
    return counts;
}

bool CreateKey(HKEY root, const std::string& path)
{
    zentaris::UniqueRegKey key;
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) ==
           ERROR_SUCCESS;
}

bool DeleteKeyTree(HKEY root, const std::string& path)
{
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
    return !KeyExists(root, path);
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string& path)
{
    std::vector<std::string> names;
    const zentaris::UniqueRegKey key = OpenKey(root, path);
    char name[1024];
    for (DWORD i = 0; key; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    return names;
}

std::map<std::string, StoredValue> KeyValues(HKEY root, const std::string& path)
{
    std::map<std::string, StoredValue> values;
    const zentaris::UniqueRegKey key = OpenKey(root, path);
    for (DWORD i = 0; key; ++i) {
        char name[16384];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        DWORD read = size;
        RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &read);
        data.resize(read);
        values[name] = {type, data};
    }
    return values;
}

std::optional<std::string> ReadString(HKEY root, const std::string& path, const std::string& name, REGSAM view)
{
    zentaris::UniqueRegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) return std::nullopt;
    char data[2048] = {};
    DWORD size = sizeof data;
    if (RegGetValueA(key.get(), nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(data);
}

NamedValue Sz(const std::string& name, const std::string& text) { return {name, REG_SZ, text + '\0'}; }

bool WriteValues(HKEY root, const std::string& path, const std::vector<NamedValue>& values, REGSAM view)
{
    zentaris::UniqueRegKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool ok = true;
    for (const NamedValue& value : values) {
        ok = ok && RegSetValueExA(key.get(), value.name.c_str(), 0, value.type,
                                  reinterpret_cast<const BYTE*>(value.data.data()),
                                  static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    }
    return ok;
}

bool WriteString(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                 REGSAM view)
{
    return WriteValues(root, path, {Sz(name, text)}, view);
}

std::optional<WideString> ReadValue(HKEY root, const std::wstring& path, const std::wstring& name)
{
    const zentaris::UniqueRegKey key = OpenKey(root, path);
    WideString value;
    DWORD size = 0;
    if (!key || RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
    value.storedBytes = size;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data = buffer.c_str();
    return value;
}

}  // namespace testsupport
