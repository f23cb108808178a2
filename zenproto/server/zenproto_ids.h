// Identity of the protocol handler class, shared by the object map, the
// registration code and the tests.
//
// CLSID_ZentarisPluggableProtocol is an inline constant in namespace zentaris,
// so any file may include this header without a separate definition. It lives
// in a namespace because a header generated from the type library may declare
// a global CLSID of the same name; the string forms are for code that writes
// or compares registry keys.
#pragma once

#include <windows.h>

namespace zentaris {

// {3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}
inline constexpr CLSID CLSID_ZentarisPluggableProtocol = {
    0x3a7c1e52, 0x9d04, 0x4b6f, {0xa1, 0xe8, 0x52, 0xc0, 0xd9, 0x7b, 0x3f, 0x14}};

inline constexpr wchar_t CLSID_ZentarisPluggableProtocolStringW[] =
    L"{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}";
inline constexpr char CLSID_ZentarisPluggableProtocolString[] =
    "{3A7C1E52-9D04-4B6F-A1E8-52C0D97B3F14}";

// Resource number of the registry script the object map entry runs.
inline constexpr UINT RegistryScriptResourceId = 101;

}  // namespace zentaris
