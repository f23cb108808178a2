// DllRegisterServer and DllUnregisterServer: the object map's registry
// scripts and the type library in the library's own file.
#include <windows.h>
#include <oleauto.h>
#include <olectl.h>

#include <new>

#include "module_file.h"
#include "server_module.h"
#include "trace.h"
#include "type_library_path.h"
#include "unique_handle.h"
#include "win32_registry.h"

namespace {

using registrar::Text;

// One reference to a loaded type library, released once.
class TypeLibrary {
public:
    TypeLibrary() = default;
    TypeLibrary(const TypeLibrary&) = delete;
    TypeLibrary& operator=(const TypeLibrary&) = delete;
    ~TypeLibrary()
    {
        if (library_) library_->Release();
    }
    ITypeLib* get() const { return library_; }
    ITypeLib** out() { return &library_; }

private:
    ITypeLib* library_ = nullptr;
};

// The library's attributes, released once.
class LibraryAttributes {
public:
    explicit LibraryAttributes(ITypeLib* library) : library_(library)
    {
        if (FAILED(library_->GetLibAttr(&attributes_))) attributes_ = nullptr;
    }
    LibraryAttributes(const LibraryAttributes&) = delete;
    LibraryAttributes& operator=(const LibraryAttributes&) = delete;
    ~LibraryAttributes()
    {
        if (attributes_) library_->ReleaseTLibAttr(attributes_);
    }
    const TLIBATTR* get() const { return attributes_; }

private:
    ITypeLib* library_;
    TLIBATTR* attributes_ = nullptr;
};

// The type library from the module itself, else from the ".tlb" file beside
// it; `path` is where it was found.
HRESULT LoadModuleTypeLibrary(TypeLibrary& library, Text& path)
{
    HRESULT hr = registrar::ModulePath(ServerModule().m_hInstance, path);
    if (FAILED(hr)) return hr;
    hr = LoadTypeLib(registrar::Wide(path), library.out());
    if (SUCCEEDED(hr)) return hr;
    Text besides;
    if (!registrar::TypeLibraryFileBeside(path, besides)) return E_FAIL;
    path = besides;
    return LoadTypeLib(registrar::Wide(path), library.out());
}

HRESULT RegisterModuleTypeLibrary()
{
    TypeLibrary library;
    Text path;
    HRESULT hr = LoadModuleTypeLibrary(library, path);
    if (FAILED(hr)) return hr;
    Text helpDirectory = registrar::HelpDirectoryOf(path);
    return RegisterTypeLib(library.get(), const_cast<wchar_t*>(registrar::Wide(path)),
                           const_cast<wchar_t*>(registrar::Wide(helpDirectory)));
}

typedef HRESULT(WINAPI* UnRegisterTypeLibFunc)(REFGUID, WORD, WORD, LCID, SYSKIND);

void UnregisterModuleTypeLibrary()
{
    TypeLibrary library;
    Text path;
    if (FAILED(LoadModuleTypeLibrary(library, path))) return;
    LibraryAttributes attributes(library.get());
    if (!attributes.get()) return;
    // Looked up at the time of the call: older systems lack the function.
    const zentaris::UniqueModule oleaut32(LoadLibraryW(L"oleaut32.dll"));
    if (!oleaut32) return;
    FARPROC found = GetProcAddress(oleaut32.get(), "UnRegisterTypeLib");
    auto unregister = reinterpret_cast<UnRegisterTypeLibFunc>(reinterpret_cast<void (*)()>(found));
    if (unregister) unregister(attributes.get()->guid, 1, 0, 0, attributes.get()->syskind);
}

// Classes with a description of their own are registered otherwise; the
// protocol class has none and runs its script.
bool RegistersByScript(const ObjectMapEntry& entry)
{
    return entry.pfnUpdateRegistration && (!entry.pfnDescription || entry.pfnDescription() == nullptr);
}

HRESULT RegisterServer()
{
    try {
        for (ObjectMapEntry* entry = ServerModule().m_pObjectMap; entry && entry->pClassId; ++entry) {
            if (!RegistersByScript(*entry)) continue;
            HRESULT hr = entry->pfnUpdateRegistration(TRUE);
            if (FAILED(hr)) return hr;
        }
        return RegisterModuleTypeLibrary();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Takes away what it can.
void UnregisterServer()
{
    try {
        for (ObjectMapEntry* entry = ServerModule().m_pObjectMap; entry && entry->pClassId; ++entry) {
            if (RegistersByScript(*entry)) entry->pfnUpdateRegistration(FALSE);
        }
        UnregisterModuleTypeLibrary();
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

STDAPI DllRegisterServer()
{
    const HRESULT hr = RegisterServer();
    ZEN_TRACE_LINE("DllRegisterServer 0x%08lX", static_cast<unsigned long>(hr));
    return hr;
}

// Always answers S_OK, whatever was left behind.
STDAPI DllUnregisterServer()
{
    UnregisterServer();
    ZEN_TRACE_LINE("DllUnregisterServer 0x%08lX", static_cast<unsigned long>(S_OK));
    return S_OK;
}

// "regsvr32 /n /i:user" registers for the calling user alone: while it runs,
// HKEY_CLASSES_ROOT of this process is the user's own classes. An installer
// without administrator rights needs this for a handler it cannot load
// itself (the 64-bit one, from a 32-bit installer). "/n /i:machine" registers
// in the machine's classes alone: the merged HKEY_CLASSES_ROOT would write
// into the installing user's own classes wherever they already hold a key
// (an installation for that user beside the one for every user). Any other
// command line registers as DllRegisterServer does.
STDAPI DllInstall(BOOL install, PCWSTR commandLine)
{
    const auto names = [commandLine](const wchar_t* word) {
        return commandLine && CompareStringOrdinal(commandLine, -1, word, -1, TRUE) == CSTR_EQUAL;
    };
    const HKEY owner = names(L"user") ? HKEY_CURRENT_USER : names(L"machine") ? HKEY_LOCAL_MACHINE : nullptr;
    zentaris::UniqueRegKey classes;
    if (owner) {
        const LSTATUS opened = RegCreateKeyExW(owner, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                               classes.put(), nullptr);
        if (opened != ERROR_SUCCESS) return HRESULT_FROM_WIN32(opened);
        const LSTATUS redirected = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.get());
        if (redirected != ERROR_SUCCESS) return HRESULT_FROM_WIN32(redirected);
    }
    const HRESULT hr = install ? DllRegisterServer() : DllUnregisterServer();
    if (owner) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    ZEN_TRACE_LINE("DllInstall %d %s 0x%08lX", install ? 1 : 0,
                   owner == HKEY_CURRENT_USER ? "user" : owner ? "machine" : "merged", static_cast<unsigned long>(hr));
    return hr;
}
