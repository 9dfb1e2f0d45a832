// The module's load and unload work: the application object, whose
// InitInstance and ExitInstance run at process attach and detach.
#include "Module.h"

#include <quorvel/NetResConvert.h>
#include "Zx_trace.h"

namespace qvmodule {
namespace {

class CNetResConvertApp {
public:
    constexpr CNetResConvertApp() = default;
    CNetResConvertApp(const CNetResConvertApp&) = delete;
    CNetResConvertApp& operator=(const CNetResConvertApp&) = delete;

    // Opens the trace from the trace INI file; a missing or switched-off
    // trace never makes loading fail.
    BOOL InitInstance() {
        qvlib::TraceOpen("Zx_TraQV.ini");
        return TRUE;
    }

    // Releases the lists while the trace is still open, then closes it.
    int ExitInstance() {
        CNetResConvert::ClearLists();
        if (qvlib::TraceIsOn()) qvlib::TraceClose();
        return 0;
    }
};

// The one application object; it holds nothing and does nothing by itself.
constinit CNetResConvertApp theApp;
constinit bool s_bAttached = false;

}  // namespace

void Attach() {
    if (s_bAttached) return;
    s_bAttached = true;
    qvlib::TraceRecordLoadingThread();
    theApp.InitInstance();
}

void Detach() {
    if (!s_bAttached) return;
    s_bAttached = false;
    theApp.ExitInstance();
}

}  // namespace qvmodule
