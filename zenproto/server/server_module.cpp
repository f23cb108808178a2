#include "server_module.h"

namespace {
CServerModule theModule;
}

CServerModule& ServerModule() { return theModule; }

void CServerModule::Init(ObjectMapEntry* map, HINSTANCE instance)
{
    m_hInstance = instance;
    m_pObjectMap = map;
    m_cLocks = 0;
    // Cannot fail from Vista on; should it, no class object is ever made
    // (GetClassObject answers E_OUTOFMEMORY) rather than made unserialised.
    m_csReady = InitializeCriticalSectionAndSpinCount(&m_csObjectMap, 0) != FALSE;
    for (ObjectMapEntry* entry = m_pObjectMap; entry && entry->pClassId; ++entry) {
        if (entry->pfnClassHook) entry->pfnClassHook(true);
    }
}

void CServerModule::Term()
{
    for (ObjectMapEntry* entry = m_pObjectMap; entry && entry->pClassId; ++entry) {
        if (entry->pClassObject) {
            entry->pClassObject->Release();
            entry->pClassObject = nullptr;
        }
        if (entry->pfnClassHook) entry->pfnClassHook(false);
    }
    if (m_csReady) DeleteCriticalSection(&m_csObjectMap);
    m_csReady = false;
}

HRESULT CServerModule::GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    HRESULT hr = S_OK;
    for (ObjectMapEntry* entry = m_pObjectMap; entry && entry->pClassId; ++entry) {
        if (!entry->pfnMakeClassObject || !IsEqualCLSID(rclsid, *entry->pClassId)) continue;
        if (!entry->pClassObject) {
            if (!m_csReady) return E_OUTOFMEMORY;
            EnterCriticalSection(&m_csObjectMap);
            if (!entry->pClassObject) {
                hr = entry->pfnMakeClassObject(entry->pfnMakeInstance, IID_IUnknown,
                                               reinterpret_cast<void**>(&entry->pClassObject));
            }
            LeaveCriticalSection(&m_csObjectMap);
        }
        if (entry->pClassObject) hr = entry->pClassObject->QueryInterface(riid, ppv);
        break;
    }
    if (!*ppv && hr == S_OK) hr = CLASS_E_CLASSNOTAVAILABLE;
    return hr;
}
