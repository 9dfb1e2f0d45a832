// The module shell: the work the library does when it is loaded into a
// process and when it leaves it, as two functions.
//
//   Attach(): the work of process attach: records the loading thread for the
//             trace and opens the trace from Zx_TraQV.ini.
//   Detach(): the work of process detach: clears the lists (their records
//             still reach the trace) and closes the trace.
//
// Who calls them: DllMain in the Windows DLL (DllMain.cpp), a load and an
// unload function of the Linux shared library (ElfModule.cpp), and the quorvel
// command itself, in main, once it has chosen its workstation. Between the two
// the operations of CNetResConvert may be called. A second Attach without a
// Detach between them, and a Detach without an Attach, do nothing.
#pragma once

namespace qvmodule {

void Attach();
void Detach();

}  // namespace qvmodule
