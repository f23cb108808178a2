// Where the time of one install check goes: every WinINet call that the
// handler DLL or urlmon makes is timed by replacing its entry in the calling
// module's import table, and the handler's Start by replacing it in the
// handler's interface tables. The bind's time splits into the part before
// Start (urlmon finding and making the handler), the part before the first
// WinINet call, the calls themselves, the gaps between them and the part after
// the last one (the handler's ReportData and the client's reads).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// One timed call kind: its name in the samples, its time and count in a bind.
struct PhaseTotal {
    const char* name;
    double ms = 0;
    int calls = 0;
};

struct BindPhases {
    double toStartMs = -1;   // bind start to the handler's Start; -1 when no Start was timed
    double beforeMs = 0;     // Start (or the bind's start) to the first WinINet call (all of it when none was made)
    double betweenMs = 0;    // from the first call to the last return, outside every call
    double afterMs = 0;      // last return to the bind's end
    std::vector<PhaseTotal> calls;  // by kind, in a fixed order
};

// Replaces the WinINet entries of `module`'s import table (once per loaded
// module; again when it was unloaded and loaded anew). False when the module
// imports none of the timed calls.
bool TimeWinInetCallsOf(HMODULE module);

// The class and path of the in-process server registered for `scheme`'s
// protocol handler; false when it is not registered.
bool RegisteredHandler(const std::wstring& scheme, CLSID* clsid, std::wstring* path);

// Replaces Start in the interface tables of the handler class `clsid` of the
// loaded `module`, made standalone and aggregated (urlmon aggregates it).
bool TimeStartOf(HMODULE module, const CLSID& clsid);

// Brackets one bind: calls made between Begin and End count for it.
void BeginBindPhases();
BindPhases EndBindPhases();

}  // namespace bench
