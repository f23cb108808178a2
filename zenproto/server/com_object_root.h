// Reference counting and interface tables shared by every COM object of the
// library: the two threading models, the object root, and the walk over a
// class's interface table.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <climits>

// Plain counters: the object is used by one thread at a time.
class CComSingleThreadModel {
public:
    static LONG Increment(volatile LONG* p) { return ++*p; }
    static LONG Decrement(volatile LONG* p) { return --*p; }
};

// Interlocked counters: the object is shared between threads.
class CComMultiThreadModel {
public:
    static LONG Increment(volatile LONG* p) { return InterlockedIncrement(p); }
    static LONG Decrement(volatile LONG* p) { return InterlockedDecrement(p); }
};

// One row of a class's interface table: the IID and where, from the start of
// the class, the interface's table pointer lies. The table ends with a row
// whose piid is null; its first row is the object's identity.
struct ComInterfaceEntry {
    const IID* piid;
    DWORD_PTR offset;
};

// Offset of base Interface within Derived, without an object at hand.
template <class Derived, class Interface>
DWORD_PTR ComInterfaceOffset()
{
    constexpr DWORD_PTR probe = 0x1000;  // any non-null address will do
    return reinterpret_cast<DWORD_PTR>(static_cast<Interface*>(reinterpret_cast<Derived*>(probe))) - probe;
}

class CComObjectRootBase {
public:
    CComObjectRootBase() : m_dwRef(0) {}

    // The frame calls these around an object's life; this library's classes
    // do no work in them.
    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease() {}

    // The interface table walk: IUnknown answers the first row, any other
    // IID the first row that names it. What is handed out is AddRef'd
    // through the handed-out pointer, so a wrapper's counting applies.
    static HRESULT InternalQueryInterface(void* pThis, const ComInterfaceEntry* entries, REFIID iid,
                                          void** ppv)
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!entries || !entries->piid) return E_NOINTERFACE;
        if (IsEqualIID(iid, IID_IUnknown)) return HandOut(pThis, entries, ppv);
        for (const ComInterfaceEntry* e = entries; e->piid; ++e) {
            if (IsEqualIID(iid, *e->piid)) return HandOut(pThis, e, ppv);
        }
        return E_NOINTERFACE;
    }

    LONG OuterAddRef() { return m_pOuterUnknown->AddRef(); }
    LONG OuterRelease() { return m_pOuterUnknown->Release(); }
    HRESULT OuterQueryInterface(REFIID iid, void** ppv) { return m_pOuterUnknown->QueryInterface(iid, ppv); }

    // A standalone or aggregate object counts its own references; an object
    // inside an aggregate holds the outer unknown instead.
    union {
        volatile LONG m_dwRef;
        IUnknown* m_pOuterUnknown;
    };

protected:
    // Written into the count of an object being destroyed, so that a stray
    // AddRef/Release pair inside its destructor cannot delete it twice.
    static constexpr LONG DestroyingCount = -(LONG_MAX / 2);

private:
    static HRESULT HandOut(void* pThis, const ComInterfaceEntry* entry, void** ppv)
    {
        IUnknown* unknown = reinterpret_cast<IUnknown*>(static_cast<char*>(pThis) + entry->offset);
        unknown->AddRef();
        *ppv = unknown;
        return S_OK;
    }
};

template <class ThreadModel>
class CComObjectRootEx : public CComObjectRootBase {
public:
    typedef ThreadModel _ThreadModel;

    LONG InternalAddRef() { return ThreadModel::Increment(&m_dwRef); }
    LONG InternalRelease() { return ThreadModel::Decrement(&m_dwRef); }
};
