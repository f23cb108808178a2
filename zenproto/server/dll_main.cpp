// Entry points of zenproto.dll as an in-process COM server.
#include <windows.h>

#include "internet_calls.h"
#include "object_map.h"
#include "pluggable_protocol.h"
#include "server_module.h"
#include "trace.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        ServerModule().Init(ServerObjectMap(), instance);
        DisableThreadLibraryCalls(instance);
        return TRUE;
    case DLL_PROCESS_DETACH:
        ServerModule().Term();
        return TRUE;
    default:
        return TRUE;
    }
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    const HRESULT hr = ServerModule().GetClassObject(rclsid, riid, ppv);
    ZEN_TRACE_LINE("DllGetClassObject 0x%08lX", static_cast<unsigned long>(hr));
    return hr;
}

// The cached class object does not count by itself: only live objects,
// outside references to the class object and LockServer do. The requests'
// WinINet session and log switch go with the module; they are closed here
// rather than at process detach, where no other library may be called.
extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    if (ServerModule().GetLockCount() != 0) return S_FALSE;
    if (!zenproto::CloseIdleInternetSession()) return S_FALSE;
    zenproto::HandlerLogSwitch().Forget();
    return S_OK;
}
