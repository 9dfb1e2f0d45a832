// The module shell: the application object and the module's own work at load
// and unload.
//
// The object files of the library are linked in a fixed order with this unit
// where start-up comes to it last: last on ELF platforms, first on Windows,
// whose list of initialisers is run from its end (module/CMakeLists.txt). So
// its one static object is constructed after every other static of the
// library (the unit file names, the empty lists, the loading thread id) and
// destroyed before any of them. Load and unload therefore run on the
// platform's process-wide start-up and shut-down of the library, in this
// order:
//   load:   statics of the other units, then InitInstance (opens the trace);
//   unload: ExitInstance (clears the lists, which still write their records,
//           then closes the trace), then the statics of the other units.

#include <quorvel/NetResConvert.h>
#include "Zx_trace.h"

namespace {

class CNetResConvertApp {
public:
#if defined(_WIN32) && !defined(QUORVEL_SIMULATED)
    // Windows: DllMain runs the load and unload work (below).
    CNetResConvertApp() = default;
    ~CNetResConvertApp() = default;
#else
    CNetResConvertApp() { InitInstance(); }
    ~CNetResConvertApp() { ExitInstance(); }
#endif
    CNetResConvertApp(const CNetResConvertApp&) = delete;
    CNetResConvertApp& operator=(const CNetResConvertApp&) = delete;

    // Opens the trace from the trace INI file; a missing or switched-off
    // trace never makes loading fail.
    BOOL InitInstance() {
        TraceOpen("Zx_TraQV.ini");
        return TRUE;
    }

    // Releases the lists while the trace is still open, then closes it.
    int ExitInstance() {
        try {
            CNetResConvert::ClearLists();
        } catch (...) {
        }
        if (TraceIsOn()) TraceClose();
        return 0;
    }
};

CNetResConvertApp theApp;

}  // namespace

#if defined(_WIN32) && !defined(QUORVEL_SIMULATED)
extern "C" BOOL WINAPI DllMain(HINSTANCE /*hModule*/, DWORD dwReason, LPVOID /*lpReserved*/) {
    // The C runtime constructs the statics of every unit before process
    // attach reaches this function and destroys them after process detach
    // has left it, so the order above holds.
    if (dwReason == DLL_PROCESS_ATTACH) return theApp.InitInstance();
    if (dwReason == DLL_PROCESS_DETACH) theApp.ExitInstance();
    return TRUE;
}
#endif
