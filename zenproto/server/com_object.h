// The wrappers that give a class its IUnknown: standalone (CComObject),
// aggregated (CComAggObject around a CComContainedObject) and the cached
// class object (CComObjectCached). The wrapped class supplies
// _InternalQueryInterface (its interface table walk) and _GetRawUnknown (its
// identity, the table's first row).
#pragma once

#include "com_object_root.h"
#include "server_module.h"

#include <new>

// A standalone object: counts its own references; lives and locks the module
// from construction to the last Release.
template <class Base>
class CComObject : public Base {
public:
    CComObject() { ServerModule().Lock(); }
    ~CComObject() override
    {
        this->m_dwRef = CComObjectRootBase::DestroyingCount;
        this->FinalRelease();
        ServerModule().Unlock();
    }

    STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override
    {
        const LONG count = this->InternalRelease();
        if (count == 0) delete this;
        return count;
    }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override { return this->_InternalQueryInterface(iid, ppv); }

    // A new object with count 0; FinalConstruct has run. Null on failure.
    static CComObject* Make()
    {
        CComObject* object = new (std::nothrow) CComObject();
        if (!object) return nullptr;
        if (FAILED(object->FinalConstruct())) {
            delete object;
            return nullptr;
        }
        return object;
    }
};

// The object inside an aggregate: every IUnknown call goes to the outer
// unknown, which the object holds in place of a count (not AddRef'd: the
// outer object owns the aggregate, not the other way round).
template <class Base>
class CComContainedObject : public Base {
public:
    explicit CComContainedObject(IUnknown* outer) { this->m_pOuterUnknown = outer; }

    STDMETHOD_(ULONG, AddRef)() override { return this->OuterAddRef(); }
    STDMETHOD_(ULONG, Release)() override { return this->OuterRelease(); }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override
    {
        HRESULT hr = this->OuterQueryInterface(iid, ppv);
        if (FAILED(hr) && this->_GetRawUnknown() != this->m_pOuterUnknown) {
            hr = this->_InternalQueryInterface(iid, ppv);
        }
        return hr;
    }

    IUnknown* GetControllingUnknown() { return this->m_pOuterUnknown; }
};

// The inner, non-delegating unknown of an aggregate. Its own count decides the
// life of the aggregate; the interfaces it hands out are the contained
// object's, whose counting reaches the outer unknown.
template <class Contained>
class CComAggObject : public IUnknown, public CComObjectRootEx<CComSingleThreadModel> {
public:
    explicit CComAggObject(IUnknown* outer) : m_contained(outer) { ServerModule().Lock(); }
    virtual ~CComAggObject()
    {
        m_dwRef = DestroyingCount;
        m_contained.FinalRelease();
        ServerModule().Unlock();
    }

    STDMETHOD_(ULONG, AddRef)() override { return InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override
    {
        const LONG count = InternalRelease();
        if (count == 0) delete this;
        return count;
    }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_contained._InternalQueryInterface(iid, ppv);
    }

    static CComAggObject* Make(IUnknown* outer)
    {
        CComAggObject* object = new (std::nothrow) CComAggObject(outer);
        if (!object) return nullptr;
        if (FAILED(object->m_contained.FinalConstruct())) {
            delete object;
            return nullptr;
        }
        return object;
    }

    CComContainedObject<Contained> m_contained;
};

// A class object kept by the object map. The map's own reference does not
// lock the module; all outside references together lock it once (the
// count's steps between 1 and 2).
template <class Base>
class CComObjectCached : public Base {
public:
    CComObjectCached() = default;
    virtual ~CComObjectCached()
    {
        this->m_dwRef = CComObjectRootBase::DestroyingCount;
        this->FinalRelease();
    }

    STDMETHOD_(ULONG, AddRef)() override
    {
        const LONG count = this->InternalAddRef();
        if (count == 2) ServerModule().Lock();
        return count;
    }
    STDMETHOD_(ULONG, Release)() override
    {
        const LONG count = this->InternalRelease();
        if (count == 0) {
            delete this;
        } else if (count == 1) {
            ServerModule().Unlock();
        }
        return count;
    }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override { return this->_InternalQueryInterface(iid, ppv); }

    static CComObjectCached* Make()
    {
        CComObjectCached* object = new (std::nothrow) CComObjectCached();
        if (!object) return nullptr;
        if (FAILED(object->FinalConstruct())) {
            delete object;
            return nullptr;
        }
        return object;
    }
};
