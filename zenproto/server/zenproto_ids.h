// Identity of the protocol handler class, shared by the object map, the
// registration code and the tests.
//
// CLSID_ZentarisPluggableProtocol is an inline constant in namespace zentaris,
// so any file may include this header without a separate definition. It lives
// in a namespace because a header generated from the type library may declare
// a global CLSID of the same name. It is read from the one text of the class
// id in shared_names.h, which the registry script and the type library are
// made from as well.
#pragma once

#include <windows.h>

#include "shared_names.h"

namespace zentaris {

namespace ids_detail {

constexpr unsigned HexDigit(char c)
{
    return c >= '0' && c <= '9' ? unsigned(c - '0') : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
                                                                           : unsigned(c - 'A' + 10);
}

// `digits` hexadecimal digits of "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" from `at`.
constexpr unsigned long Hex(const char* text, int at, int digits)
{
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + HexDigit(text[at + i]);
    return value;
}

constexpr GUID GuidFromText(const char* t)
{
    return {Hex(t, 1, 8),
            static_cast<unsigned short>(Hex(t, 10, 4)),
            static_cast<unsigned short>(Hex(t, 15, 4)),
            {static_cast<unsigned char>(Hex(t, 20, 2)), static_cast<unsigned char>(Hex(t, 22, 2)),
             static_cast<unsigned char>(Hex(t, 25, 2)), static_cast<unsigned char>(Hex(t, 27, 2)),
             static_cast<unsigned char>(Hex(t, 29, 2)), static_cast<unsigned char>(Hex(t, 31, 2)),
             static_cast<unsigned char>(Hex(t, 33, 2)), static_cast<unsigned char>(Hex(t, 35, 2))}};
}

}  // namespace ids_detail

inline constexpr CLSID CLSID_ZentarisPluggableProtocol = ids_detail::GuidFromText(HandlerClassIdText);

inline constexpr const wchar_t* CLSID_ZentarisPluggableProtocolStringW = HandlerClassIdTextW;
inline constexpr const char* CLSID_ZentarisPluggableProtocolString = HandlerClassIdText;

// Resource number of the registry script the object map entry runs.
inline constexpr UINT RegistryScriptResourceId = 101;

}  // namespace zentaris
