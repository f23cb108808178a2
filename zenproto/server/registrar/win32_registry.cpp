#include "win32_registry.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "registry text is UTF-16");

namespace registrar {
namespace {

HKEY H(KeyHandle key) { return reinterpret_cast<HKEY>(key); }
KeyHandle K(HKEY key) { return reinterpret_cast<KeyHandle>(key); }

// RegSetValueExW takes null for the default value.
const wchar_t* ValueName(const Text& name) { return name.empty() ? nullptr : Wide(name); }

}  // namespace

KeyHandle Win32Registry::Root(RootKey root)
{
    switch (root) {
    case RootKey::ClassesRoot: return K(HKEY_CLASSES_ROOT);
    case RootKey::CurrentUser: return K(HKEY_CURRENT_USER);
    case RootKey::LocalMachine: return K(HKEY_LOCAL_MACHINE);
    case RootKey::Users: return K(HKEY_USERS);
    case RootKey::PerformanceData: return K(HKEY_PERFORMANCE_DATA);
    case RootKey::DynData: return K(HKEY_DYN_DATA);
    case RootKey::CurrentConfig: return K(HKEY_CURRENT_CONFIG);
    }
    return 0;
}

// Full access where it is granted; a key that may only be read can still be
// walked and its subkeys written where their own rights allow.
Status Win32Registry::OpenKey(KeyHandle parent, const Text& name, KeyHandle& key)
{
    HKEY opened = nullptr;
    LONG status = RegOpenKeyExW(H(parent), Wide(name), 0, KEY_READ | KEY_WRITE, &opened);
    if (status != ERROR_SUCCESS) status = RegOpenKeyExW(H(parent), Wide(name), 0, KEY_READ, &opened);
    key = status == ERROR_SUCCESS ? K(opened) : 0;
    return static_cast<Status>(status);
}

Status Win32Registry::CreateKey(KeyHandle parent, const Text& name, KeyHandle& key)
{
    HKEY created = nullptr;
    LONG status = RegCreateKeyExW(H(parent), Wide(name), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                  nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) status = RegOpenKeyExW(H(parent), Wide(name), 0, KEY_READ, &created);
    key = status == ERROR_SUCCESS ? K(created) : 0;
    return static_cast<Status>(status);
}

void Win32Registry::CloseKey(KeyHandle key) { RegCloseKey(H(key)); }

Status Win32Registry::SetString(KeyHandle key, const Text& name, const Text& data)
{
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    return static_cast<Status>(
        RegSetValueExW(H(key), ValueName(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(Wide(data)), bytes));
}

Status Win32Registry::SetDword(KeyHandle key, const Text& name, uint32_t data)
{
    const DWORD value = data;
    return static_cast<Status>(
        RegSetValueExW(H(key), ValueName(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value));
}

Status Win32Registry::SetBinary(KeyHandle key, const Text& name, const std::vector<uint8_t>& data)
{
    return static_cast<Status>(RegSetValueExW(H(key), ValueName(name), 0, REG_BINARY, data.data(),
                                              static_cast<DWORD>(data.size())));
}

Status Win32Registry::DeleteValue(KeyHandle key, const Text& name)
{
    return static_cast<Status>(RegDeleteValueW(H(key), ValueName(name)));
}

Status Win32Registry::DeleteKey(KeyHandle parent, const Text& name)
{
    return static_cast<Status>(RegDeleteKeyW(H(parent), Wide(name)));
}

Status Win32Registry::SubkeyName(KeyHandle key, uint32_t index, Text& name)
{
    wchar_t buffer[256];   // the longest key name the registry allows, and its terminator
    DWORD length = 256;
    LONG status = RegEnumKeyExW(H(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) name.assign(reinterpret_cast<const char16_t*>(buffer), length);
    return static_cast<Status>(status);
}

Status Win32Registry::CountSubkeys(KeyHandle key, uint32_t& count)
{
    DWORD subkeys = 0;
    LONG status = RegQueryInfoKeyW(H(key), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr);
    count = subkeys;
    return static_cast<Status>(status);
}

}  // namespace registrar
