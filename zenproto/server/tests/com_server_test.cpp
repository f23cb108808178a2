// The real zenproto.dll, loaded with LoadLibrary and driven through its
// exports: class object, instances standalone and aggregated, identities,
// and the module lock count as DllCanUnloadNow reports it.
#include <windows.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "com_ptr.h"
#include "uiauto.h"
#include "unique_handle.h"
#include "zenproto_ids.h"

namespace {

using testsupport::ComPtr;
using zentaris::CLSID_ZentarisPluggableProtocol;

typedef HRESULT(WINAPI* GetClassObjectFn)(REFCLSID, REFIID, void**);
typedef HRESULT(WINAPI* CanUnloadNowFn)();

// Garbage an out-pointer starts with, so a failure that leaves it is seen.
void* const Garbage = reinterpret_cast<void*>(static_cast<uintptr_t>(0x5A5A5A5A));

// Loads a fresh copy of the DLL for each test and checks, before unloading
// it, that the test left nothing alive.
class ComServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        module_.reset(LoadLibraryA(uiauto::BesideTestProgram("zenproto.dll").c_str()));
        ASSERT_TRUE(module_) << "LoadLibrary failed: " << GetLastError();
        getClassObject_ = Export<GetClassObjectFn>("DllGetClassObject");
        canUnloadNow_ = Export<CanUnloadNowFn>("DllCanUnloadNow");
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
    }
    void TearDown() override
    {
        if (!module_) return;
        EXPECT_EQ(canUnloadNow_(), S_OK) << "the test left the module locked";
        module_.reset();
    }

    template <class Function>
    Function Export(const char* name)
    {
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_.get(), name)));
    }

    ComPtr<IClassFactory> Factory()
    {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject_(CLSID_ZentarisPluggableProtocol, IID_IClassFactory, factory.put_void()), S_OK);
        return factory;
    }

    zentaris::UniqueModule module_;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
};

TEST_F(ComServerTest, ExportsCarryTheirOrdinals)
{
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module_.get(), MAKEINTRESOURCEA(1))),
              reinterpret_cast<void*>(canUnloadNow_));
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module_.get(), MAKEINTRESOURCEA(2))),
              reinterpret_cast<void*>(getClassObject_));
}

TEST_F(ComServerTest, OtherClassIdsHaveNoClassObject)
{
    std::vector<CLSID> others = {GUID_NULL, IID_IUnknown, IID_IClassFactory, IID_IInternetProtocol};
    // The class id with any one of its 16 bytes changed.
    for (size_t i = 0; i < sizeof(CLSID); ++i) {
        CLSID nearby = CLSID_ZentarisPluggableProtocol;
        reinterpret_cast<unsigned char*>(&nearby)[i] ^= 0x01;
        others.push_back(nearby);
    }
    for (const CLSID& clsid : others) {
        void* out = Garbage;
        EXPECT_EQ(getClassObject_(clsid, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(getClassObject_(CLSID_ZentarisPluggableProtocol, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(getClassObject_(GUID_NULL, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ComServerTest, ClassObjectIsOneCachedObject)
{
    ComPtr<IClassFactory> first = Factory();
    ComPtr<IClassFactory> second = Factory();
    ASSERT_TRUE(first);
    EXPECT_EQ(first.get(), second.get());
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(getClassObject_(CLSID_ZentarisPluggableProtocol, IID_IUnknown, unknown.put_void()), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(first.get()));
    for (const IID& refused : {IID_IDispatch, IID_IInternetProtocol, IID_IPersist}) {
        void* out = Garbage;
        EXPECT_EQ(getClassObject_(CLSID_ZentarisPluggableProtocol, refused, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        out = Garbage;
        EXPECT_EQ(first->QueryInterface(refused, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    IClassFactory* const cached = first.get();
    unknown.reset();
    second.reset();
    first.reset();
    // Cached while the module may unload: the next call hands out the same.
    EXPECT_EQ(canUnloadNow_(), S_OK);
    EXPECT_EQ(Factory().get(), cached);
}

TEST_F(ComServerTest, UnloadAnswerFollowsOutsideReferencesToTheClassObject)
{
    EXPECT_EQ(canUnloadNow_(), S_OK) << "a fresh library";
    ComPtr<IClassFactory> factory = Factory();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(factory->AddRef(), 3u);  // the map's, ours and this one
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(factory->Release(), 2u);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(factory.reset(), 1u);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ComServerTest, InstanceIdentityIsItsProtocolInfoPointer)
{
    ComPtr<IUnknown> identity;
    ASSERT_EQ(Factory()->CreateInstance(nullptr, IID_IUnknown, identity.put_void()), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a live instance must keep the module";

    ComPtr<IInternetProtocolInfo> info;
    ComPtr<IInternetProtocol> protocol;
    ComPtr<IInternetProtocolRoot> root;
    ASSERT_EQ(identity->QueryInterface(IID_IInternetProtocolInfo, info.put_void()), S_OK);
    ASSERT_EQ(identity->QueryInterface(IID_IInternetProtocol, protocol.put_void()), S_OK);
    ASSERT_EQ(identity->QueryInterface(IID_IInternetProtocolRoot, root.put_void()), S_OK);
    EXPECT_EQ(static_cast<void*>(info.get()), static_cast<void*>(identity.get()));
    EXPECT_NE(static_cast<void*>(protocol.get()), static_cast<void*>(identity.get()));
    EXPECT_EQ(static_cast<void*>(root.get()), static_cast<void*>(protocol.get()));
    ComPtr<IUnknown> back;
    ASSERT_EQ(protocol->QueryInterface(IID_IUnknown, back.put_void()), S_OK);
    EXPECT_EQ(back.get(), identity.get());

    for (const IID& refused : {IID_IDispatch, IID_IClassFactory, IID_IInternetProtocolEx, IID_IInternetPriority,
                               IID_IInternetProtocolSink}) {
        void* out = Garbage;
        EXPECT_EQ(protocol->QueryInterface(refused, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(identity->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // One count behind every pointer: 5 references handed out.
    EXPECT_EQ(protocol->AddRef(), 6u);
    EXPECT_EQ(info->Release(), 5u);
    back.reset();
    root.reset();
    protocol.reset();
    info.reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(identity.reset(), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ComServerTest, RefusedInterfaceLeavesNoInstance)
{
    ComPtr<IClassFactory> factory = Factory();
    for (const IID& refused : {IID_IDispatch, IID_IClassFactory}) {
        void* out = Garbage;
        EXPECT_EQ(factory->CreateInstance(nullptr, refused, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_OK) << "a refused instance was left alive";
}

TEST_F(ComServerTest, InstanceFromTheLibraryIsTheProtocolHandler)
{
    // A wrong scheme is answered at once, without network or registry.
    class Sink : public IInternetProtocolSink {
    public:
        STDMETHOD(QueryInterface)(REFIID, void** ppv) override { *ppv = nullptr; return E_NOINTERFACE; }
        STDMETHOD_(ULONG, AddRef)() override { return 2; }
        STDMETHOD_(ULONG, Release)() override { return 1; }
        STDMETHOD(Switch)(PROTOCOLDATA*) override { return S_OK; }
        STDMETHOD(ReportProgress)(ULONG, LPCWSTR) override { ++progress; return S_OK; }
        STDMETHOD(ReportData)(DWORD, ULONG, ULONG) override { ++data; return S_OK; }
        STDMETHOD(ReportResult)(HRESULT hr, DWORD code, LPCWSTR text) override
        {
            results.push_back(std::to_wstring(hr) + L" " + std::to_wstring(code) + L" " + text);
            return S_OK;
        }
        int progress = 0, data = 0;
        std::vector<std::wstring> results;
    } sink;
    ComPtr<IInternetProtocol> protocol;
    ASSERT_EQ(Factory()->CreateInstance(nullptr, IID_IInternetProtocol, protocol.put_void()), S_OK);
    EXPECT_EQ(protocol->Start(L"mailto:x", &sink, nullptr, 0, 0), S_FALSE);
    EXPECT_EQ(sink.progress, 0);
    EXPECT_EQ(sink.data, 0);
    ASSERT_EQ(sink.results.size(), 1u);
    EXPECT_EQ(sink.results[0], std::to_wstring(E_FAIL) + L" 101 invalid protocol");
    EXPECT_EQ(protocol.reset(), 0u);
}

// An outer object that aggregates the protocol object: keeps the inner
// unknown, delegates every interface but IUnknown to it (or, when
// `delegates` is false, answers IUnknown only), and counts its own
// references.
class Outer : public IUnknown {
public:
    explicit Outer(bool delegates = true) : delegates_(delegates) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        if (!delegates_ || !inner) return E_NOINTERFACE;
        return inner->QueryInterface(iid, ppv);
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++count; }
    STDMETHOD_(ULONG, Release)() override { return --count; }

    ComPtr<IUnknown> inner;
    LONG count = 1;

private:
    bool delegates_;
};

TEST_F(ComServerTest, AggregateHandsOutItsInnerUnknownOnly)
{
    ComPtr<IClassFactory> factory = Factory();
    Outer outer;
    for (const IID& iid : {IID_IInternetProtocol, IID_IInternetProtocolInfo, IID_IDispatch}) {
        void* out = Garbage;
        EXPECT_EQ(factory->CreateInstance(&outer, iid, &out), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(outer.count, 1) << "the outer unknown was touched by a refused aggregation";

    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, outer.inner.put_void()), S_OK);
    factory.reset();
    ASSERT_TRUE(outer.inner);
    EXPECT_NE(outer.inner.get(), static_cast<IUnknown*>(&outer));
    EXPECT_EQ(outer.count, 1) << "the inner unknown must not hold the outer one";
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a live aggregate must keep the module";

    // The inner unknown answers IUnknown with itself.
    ComPtr<IUnknown> innerAgain;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, innerAgain.put_void()), S_OK);
    EXPECT_EQ(innerAgain.get(), outer.inner.get());
    EXPECT_EQ(innerAgain.reset(), 1u);

    // Interfaces obtained through it count on, and answer IUnknown with, the outer.
    ComPtr<IInternetProtocol> protocol;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IInternetProtocol, protocol.put_void()), S_OK);
    EXPECT_EQ(outer.count, 2);
    EXPECT_EQ(protocol->AddRef(), 3u);
    EXPECT_EQ(outer.count, 3);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(protocol->QueryInterface(IID_IUnknown, identity.put_void()), S_OK);
    EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer));
    ComPtr<IInternetProtocolInfo> info;
    ASSERT_EQ(protocol->QueryInterface(IID_IInternetProtocolInfo, info.put_void()), S_OK);
    EXPECT_NE(static_cast<void*>(info.get()), static_cast<void*>(protocol.get()));
    EXPECT_EQ(outer.count, 5);
    void* out = Garbage;
    EXPECT_EQ(protocol->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    info.reset();
    identity.reset();
    protocol->Release();
    protocol.reset();
    EXPECT_EQ(outer.count, 1);

    EXPECT_EQ(outer.inner.reset(), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ComServerTest, ContainedObjectFallsBackToItsOwnTableWhenTheOuterRefuses)
{
    Outer outer(false);
    ASSERT_EQ(Factory()->CreateInstance(&outer, IID_IUnknown, outer.inner.put_void()), S_OK);
    ComPtr<IInternetProtocol> protocol;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IInternetProtocol, protocol.put_void()), S_OK);
    // The outer answers nothing but IUnknown; the contained object's own
    // table still answers its interfaces, counted on the outer.
    ComPtr<IInternetProtocolInfo> info;
    ASSERT_EQ(protocol->QueryInterface(IID_IInternetProtocolInfo, info.put_void()), S_OK);
    EXPECT_EQ(outer.count, 3);
    void* out = Garbage;
    EXPECT_EQ(protocol->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    info.reset();
    protocol.reset();
    EXPECT_EQ(outer.count, 1);
    EXPECT_EQ(outer.inner.reset(), 0u);
}

TEST_F(ComServerTest, LockServerKeepsTheModuleUntilTheCallsBalance)
{
    ComPtr<IClassFactory> factory = Factory();
    factory->AddRef();
    factory->Release();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "LockServer(TRUE) outstanding";
    factory = Factory();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);

    // Unmatched FALSE: the count goes below 0 and the module stays until a
    // TRUE balances it.
    factory = Factory();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    factory = Factory();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(ComServerTest, ConcurrentCreationAndReleaseLeaveTheCountAtZero)
{
    constexpr int Cycles = 10000;
    const zentaris::UniqueKernelHandle go(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> failures{0};
    std::vector<IClassFactory*> factories(2, nullptr);
    auto worker = [&](int index) {
        WaitForSingleObject(go.get(), 10000);
        // Both threads ask for the class object at once on a fresh library.
        ComPtr<IClassFactory> factory;
        if (getClassObject_(CLSID_ZentarisPluggableProtocol, IID_IClassFactory, factory.put_void()) != S_OK) {
            ++failures;
            return;
        }
        factories[index] = factory.get();
        for (int i = 0; i < Cycles; ++i) {
            ComPtr<IInternetProtocol> protocol;
            if (factory->CreateInstance(nullptr, IID_IInternetProtocol, protocol.put_void()) != S_OK) {
                ++failures;
                continue;
            }
            ComPtr<IInternetProtocolInfo> info;
            if (protocol->QueryInterface(IID_IInternetProtocolInfo, info.put_void()) != S_OK) ++failures;
            info.reset();
            protocol.reset();
            // The class object's outside count crosses 1 and 2 from both sides.
            factory->AddRef();
            factory->Release();
            ComPtr<IClassFactory> again;
            getClassObject_(CLSID_ZentarisPluggableProtocol, IID_IClassFactory, again.put_void());
            if (again.get() != factory.get()) ++failures;
        }
    };
    std::thread a(worker, 0), b(worker, 1);
    SetEvent(go.get());
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(factories[0], factories[1]) << "two class objects were made";
    EXPECT_EQ(canUnloadNow_(), S_OK);
    // Exactly 0, not below: one lock makes it answer S_FALSE.
    Factory()->LockServer(TRUE);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    Factory()->LockServer(FALSE);
}

}  // namespace
