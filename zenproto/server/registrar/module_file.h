// The library's own file: its path and the text resources in it.
#pragma once

#include <windows.h>

#include "registry_access.h"

namespace registrar {

// The last platform error as an HRESULT; E_FAIL when the platform left none,
// so that a failure can never read as success.
HRESULT LastErrorResult();

// Full path of `module`. 0x8007006F when it fills all 260 characters (it
// may be cut), the platform error when there is none.
HRESULT ModulePath(HINSTANCE module, Text& path);

// Resource `id` of type `type` in the file `path`, opened as a data file and
// converted from the ANSI code page; the text ends at its first NUL.
HRESULT LoadTextResource(const Text& path, UINT id, const wchar_t* type, Text& text);

}  // namespace registrar
