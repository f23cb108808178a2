// The one way the programs reach the registry: a key that owns its handle,
// with the few reads and writes they make. Values are written by other
// software too, so every read states how much it accepts, and every write
// says whether it was stored. Win32 only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "unique_handle.h"

namespace zentaris {

enum class TerminatorRule {
    // The stored bytes may fill the limit without a NUL: the text is all of them.
    MayBeMissing,
    // A value that fills the limit without a NUL would have to be cut, and is
    // refused: a shortened command line or folder must not be used.
    MustFit,
};

class RegistryKey {
public:
    RegistryKey() = default;  // no key: every read finds nothing, every write fails

    // `path` below `root` (or below another open key), opened with `access`
    // (KEY_READ, or with KEY_WOW64_32KEY / KEY_WOW64_64KEY added to choose a
    // view). No key when it cannot be opened.
    static RegistryKey Open(HKEY root, const char* path, REGSAM access = KEY_READ);
    RegistryKey OpenSubkey(const char* name) const;
    // Made (with any missing keys above it) or opened, with full access.
    static RegistryKey Create(HKEY root, const char* path);

    explicit operator bool() const { return static_cast<bool>(key_); }

    // The value's text: its bytes up to the first NUL, never beyond the stored
    // size; the value's type is not looked at. Nothing when the value is
    // missing or unreadable, or stored with more than `maxBytes` bytes (0: any
    // size).
    std::optional<std::string> Text(const char* name, size_t maxBytes, TerminatorRule rule) const;
    // The same for a UTF-16 value, `maxBytes` counted in bytes.
    std::optional<std::wstring> WideText(const wchar_t* name, size_t maxBytes) const;
    // A REG_DWORD value; nothing for any other type.
    std::optional<DWORD> Number(const char* name) const;
    // Whether the key has the value at all, whatever its type and size.
    bool Has(const char* name) const;

    // Stores a REG_SZ value, its terminating NUL counted in the stored size.
    bool SetText(const char* name, std::string_view text) const;

    // The name of subkey `index`, while the enumeration goes on; names longer
    // than `maxLength` characters end it as a failure would.
    std::optional<std::string> SubkeyName(DWORD index, size_t maxLength) const;

    // Signals `event` at the next change of the key's values, once per call.
    // Windows also signals it when the calling thread ends. False when the
    // key cannot be watched.
    bool WatchValues(HANDLE event) const;

private:
    explicit RegistryKey(HKEY key) : key_(key) {}
    UniqueRegKey key_;
};

}  // namespace zentaris
