// Runs the module's registry script over the real registry.
#include "registry_update.h"

#include <new>

#include "module_file.h"
#include "registry_script.h"
#include "win32_registry.h"

HRESULT UpdateRegistryFromResource(HINSTANCE module, UINT resourceId, BOOL doRegister)
{
    using namespace registrar;
    try {
        Text path;
        HRESULT hr = ModulePath(module, path);
        if (FAILED(hr)) return hr;
        Text script;
        hr = LoadTextResource(path, resourceId, L"REGISTRY", script);
        if (FAILED(hr)) return hr;
        Win32Registry registry;
        return UpdateRegistryFromScript(registry, script, ModuleReplacements(path),
                                        doRegister ? Direction::Register : Direction::Unregister);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
