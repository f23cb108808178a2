// The class object (CComClassFactory) and the class-side glue of a creatable
// class (CComCoClass): its instance creator and its class object maker, as
// the object map calls them.
#pragma once

#include "com_object.h"

class CComClassFactory : public IClassFactory, public CComObjectRootEx<CComMultiThreadModel> {
public:
    // The creator this class object calls; set when the class object is made.
    ComCreatorFunc m_pfnMakeInstance = nullptr;

    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppvObject) override
    {
        if (!ppvObject) return E_POINTER;
        *ppvObject = nullptr;
        // Only the IUnknown of an aggregate is any use to its outer object.
        if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
        if (!m_pfnMakeInstance) return E_UNEXPECTED;
        return m_pfnMakeInstance(outer, riid, ppvObject);
    }

    // No guard against unmatched calls: the count is the caller's contract.
    STDMETHOD(LockServer)(BOOL fLock) override
    {
        if (fLock) {
            ServerModule().Lock();
        } else {
            ServerModule().Unlock();
        }
        return S_OK;
    }

    static const ComInterfaceEntry* _GetEntries()
    {
        static const ComInterfaceEntry entries[] = {
            {&IID_IClassFactory, ComInterfaceOffset<CComClassFactory, IClassFactory>()},
            {nullptr, 0},
        };
        return entries;
    }
    HRESULT _InternalQueryInterface(REFIID iid, void** ppv)
    {
        return InternalQueryInterface(this, _GetEntries(), iid, ppv);
    }
    IUnknown* _GetRawUnknown() { return static_cast<IClassFactory*>(this); }
};

template <class T, const CLSID* pclsid>
class CComCoClass {
public:
    static const CLSID& WINAPI GetObjectCLSID() { return *pclsid; }
    static const wchar_t* WINAPI GetObjectDescription() { return nullptr; }
    static const ComCategoryMapEntry* WINAPI GetCategoryMap() { return nullptr; }
    static void WINAPI ObjectMain(bool /*starting*/) {}

    // The instance creator: standalone without an outer unknown, aggregated
    // with one. A refused IID destroys the new object again.
    static HRESULT WINAPI CreateInstance(void* outer, REFIID riid, void** ppv)
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return MakeAggregated(static_cast<IUnknown*>(outer), riid, ppv);
        CComObject<T>* object = CComObject<T>::Make();
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        if (FAILED(hr)) delete object;
        return hr;
    }

    // Makes the cached class object bound to `creator`; on success the one
    // reference it holds is the object map's.
    static HRESULT WINAPI MakeClassObject(ComCreatorFunc creator, REFIID riid, void** ppv)
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        CComObjectCached<CComClassFactory>* factory = CComObjectCached<CComClassFactory>::Make();
        if (!factory) return E_OUTOFMEMORY;
        factory->m_pfnMakeInstance = creator;
        const HRESULT hr = factory->QueryInterface(riid, ppv);
        if (FAILED(hr)) delete factory;
        return hr;
    }

private:
    static HRESULT MakeAggregated(IUnknown* outer, REFIID riid, void** ppv)
    {
        CComAggObject<T>* object = CComAggObject<T>::Make(outer);
        if (!object) return E_OUTOFMEMORY;
        const HRESULT hr = object->QueryInterface(riid, ppv);
        if (FAILED(hr)) delete object;
        return hr;
    }
};
