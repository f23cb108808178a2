#include "module_file.h"

#include <vector>

#include "type_library_path.h"
#include "unique_handle.h"
#include "win32_registry.h"

namespace registrar {

HRESULT LastErrorResult()
{
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

HRESULT ModulePath(HINSTANCE module, Text& path)
{
    wchar_t buffer[kMaxModulePath + 1] = {};
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetModuleFileNameW(module, buffer, static_cast<DWORD>(kMaxModulePath));
    if (length == 0) return LastErrorResult();
    if (length >= kMaxModulePath) return HRESULT_FROM_WIN32(ERROR_BUFFER_OVERFLOW);
    path.assign(reinterpret_cast<const char16_t*>(buffer), length);
    return S_OK;
}

HRESULT LoadTextResource(const Text& path, UINT id, const wchar_t* type, Text& text)
{
    const zentaris::UniqueModule file(LoadLibraryExW(Wide(path), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!file) return LastErrorResult();
    HRSRC resource = FindResourceW(file.get(), MAKEINTRESOURCEW(id), type);
    if (!resource) return LastErrorResult();
    const DWORD size = SizeofResource(file.get(), resource);
    HGLOBAL loaded = LoadResource(file.get(), resource);
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes) return LastErrorResult();
    if (size == 0) {
        text.clear();
        return S_OK;
    }

    const int units = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), nullptr, 0);
    if (units <= 0) return LastErrorResult();
    std::vector<wchar_t> wide(static_cast<size_t>(units));
    if (MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(size), wide.data(), units) != units) {
        return LastErrorResult();
    }
    text.assign(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
    text = text.substr(0, text.find(u'\0'));
    return S_OK;
}

}  // namespace registrar
