#include "registry.h"

#include <cstring>
#include <memory>
#include <new>

#include "registry_value_text.h"

namespace zentaris {

namespace {

// The value's stored bytes: its size first, then the bytes. The value may
// change between the two calls, so neither answer is trusted beyond the block.
template <class Query>
std::optional<std::string> StoredBytes(Query query, size_t maxBytes)
{
    DWORD stored = 0;
    if (query(nullptr, &stored) != ERROR_SUCCESS) return std::nullopt;
    if (maxBytes != 0 && stored > maxBytes) return std::nullopt;
    std::unique_ptr<char[]> data(new (std::nothrow) char[stored ? stored : 1]);
    if (!data) return std::nullopt;
    DWORD read = stored;
    if (query(reinterpret_cast<BYTE*>(data.get()), &read) != ERROR_SUCCESS) return std::nullopt;
    return std::string(data.get(), read < stored ? read : stored);
}

}  // namespace

RegistryKey RegistryKey::Open(HKEY root, const char* path, REGSAM access)
{
    HKEY key = nullptr;
    if (!root || RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return {};
    return RegistryKey(key);
}

RegistryKey RegistryKey::OpenSubkey(const char* name) const
{
    return Open(key_.get(), name);
}

RegistryKey RegistryKey::Create(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return {};
    }
    return RegistryKey(key);
}

std::optional<std::string> RegistryKey::Text(const char* name, size_t maxBytes, TerminatorRule rule) const
{
    if (!key_) return std::nullopt;
    const std::optional<std::string> bytes = StoredBytes(
        [&](BYTE* data, DWORD* size) { return RegQueryValueExA(key_.get(), name, nullptr, nullptr, data, size); },
        maxBytes);
    if (!bytes) return std::nullopt;
    const bool terminated = bytes->find('\0') != std::string::npos;
    if (!terminated && rule == TerminatorRule::MustFit && maxBytes != 0 && bytes->size() >= maxBytes) {
        return std::nullopt;
    }
    return RegistryValueText(bytes->data(), bytes->size());
}

std::optional<std::wstring> RegistryKey::WideText(const wchar_t* name, size_t maxBytes) const
{
    if (!key_) return std::nullopt;
    const std::optional<std::string> bytes = StoredBytes(
        [&](BYTE* data, DWORD* size) { return RegQueryValueExW(key_.get(), name, nullptr, nullptr, data, size); },
        maxBytes);
    if (!bytes) return std::nullopt;
    std::wstring text(bytes->size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes->data(), text.size() * sizeof(wchar_t));
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

std::optional<DWORD> RegistryKey::Number(const char* name) const
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!key_ || RegQueryValueExA(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                     ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}

bool RegistryKey::Has(const char* name) const
{
    DWORD size = 0;
    return key_ && RegQueryValueExA(key_.get(), name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

bool RegistryKey::SetText(const char* name, std::string_view text) const
{
    const std::string stored(text);  // with its terminator
    return key_ && RegSetValueExA(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                                  static_cast<DWORD>(stored.size() + 1)) == ERROR_SUCCESS;
}

std::optional<std::string> RegistryKey::SubkeyName(DWORD index, size_t maxLength) const
{
    if (!key_) return std::nullopt;
    std::string name(maxLength + 1, '\0');
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumKeyExA(key_.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    name.resize(length);
    return name;
}

bool RegistryKey::WatchValues(HANDLE event) const
{
    return key_ && RegNotifyChangeKeyValue(key_.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE) == ERROR_SUCCESS;
}

}  // namespace zentaris
