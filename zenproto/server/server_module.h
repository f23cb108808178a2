// The module object of zenproto.dll and its object map.
//
// For the registrar and anyone else in the DLL:
//   ServerModule().m_hInstance      the DLL's own instance handle (set at
//                                   process attach; null outside the DLL,
//                                   e.g. in tests that link the protocol
//                                   object directly)
//   ServerModule().m_pObjectMap     the object map, ended by an entry whose
//                                   pClassId is null; walk it with
//                                   `for (ObjectMapEntry* e = map; e->pClassId; ++e)`
//   e->pfnUpdateRegistration(TRUE)  runs the class's registry script forwards
//                                   (FALSE: backwards); see registry_update.h
//   e->pfnDescription()             null for every class registered by script
//   e->pfnCategories()              null: no component categories
//   ServerModule().Lock()/Unlock()  the module lock count m_cLocks
#pragma once

#include <windows.h>
#include <unknwn.h>

// Makes an instance: outer unknown (null for a standalone object), IID, out.
typedef HRESULT(WINAPI* ComCreatorFunc)(void* outer, REFIID riid, void** ppv);

// One component category of a class (the protocol class has none).
struct ComCategoryMapEntry {
    int iType;
    const GUID* pcatid;
};

struct ObjectMapEntry {
    const CLSID* pClassId;
    HRESULT(WINAPI* pfnUpdateRegistration)(BOOL bRegister);
    HRESULT(WINAPI* pfnMakeClassObject)(ComCreatorFunc creator, REFIID riid, void** ppv);
    ComCreatorFunc pfnMakeInstance;
    IUnknown* pClassObject;  // cached class object; one reference until detach
    DWORD dwCookie;          // always 0: nothing is registered with CoRegisterClassObject
    const wchar_t*(WINAPI* pfnDescription)();
    const ComCategoryMapEntry*(WINAPI* pfnCategories)();
    void(WINAPI* pfnClassHook)(bool starting);
};

class CServerModule {
public:
    HINSTANCE m_hInstance = nullptr;
    ObjectMapEntry* m_pObjectMap = nullptr;
    // Reasons the DLL must stay loaded: live objects, outside references to
    // class objects, LockServer(TRUE) calls. Only interlocked operations.
    volatile LONG m_cLocks = 0;
    // Serialises the creation of cached class objects.
    CRITICAL_SECTION m_csObjectMap;

    // Process attach: records the handle and the map, readies the lock and
    // runs the class hooks.
    void Init(ObjectMapEntry* map, HINSTANCE instance);
    // Process detach: releases cached class objects, ends the class hooks.
    void Term();

    LONG Lock() { return InterlockedIncrement(&m_cLocks); }
    LONG Unlock() { return InterlockedDecrement(&m_cLocks); }
    LONG GetLockCount() const { return m_cLocks; }

    // The cached class object of a class id (DllGetClassObject).
    HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

private:
    bool m_csReady = false;
};

// The one module object of this library.
CServerModule& ServerModule();
