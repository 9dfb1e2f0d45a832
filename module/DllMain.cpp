// Load and unload of the Windows DLL: the C runtime calls DllMain at process
// attach, once it has constructed the library's statics, and at process
// detach, before it destroys them.
#include "Module.h"

#include <quorvel/Win32Api.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE /*hModule*/, DWORD dwReason, LPVOID /*lpReserved*/) {
    if (dwReason == DLL_PROCESS_ATTACH) qvmodule::Attach();
    if (dwReason == DLL_PROCESS_DETACH) qvmodule::Detach();
    return TRUE;
}
