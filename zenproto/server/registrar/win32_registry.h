// The real registry behind the script engine.
#pragma once

#include <windows.h>

#include "registry_access.h"

namespace registrar {

class Win32Registry : public RegistryAccess {
public:
    KeyHandle Root(RootKey root) override;
    Status OpenKey(KeyHandle parent, const Text& name, KeyHandle& key) override;
    Status CreateKey(KeyHandle parent, const Text& name, KeyHandle& key) override;
    void CloseKey(KeyHandle key) override;
    Status SetString(KeyHandle key, const Text& name, const Text& data) override;
    Status SetDword(KeyHandle key, const Text& name, uint32_t data) override;
    Status SetBinary(KeyHandle key, const Text& name, const std::vector<uint8_t>& data) override;
    Status DeleteValue(KeyHandle key, const Text& name) override;
    Status DeleteKey(KeyHandle parent, const Text& name) override;
    Status SubkeyName(KeyHandle key, uint32_t index, Text& name) override;
    Status CountSubkeys(KeyHandle key, uint32_t& count) override;
};

// Registry text is UTF-16 on Windows: the same units under another name.
inline const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline Text FromWide(const wchar_t* text) { return Text(reinterpret_cast<const char16_t*>(text)); }

}  // namespace registrar
