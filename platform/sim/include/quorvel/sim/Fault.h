// Fault injection for the tests: every counted event (a call of a simulated
// Win32 function, an allocation that the test program reports) gets the next
// number while counting is on, and the chosen event fails the way Windows
// fails it (see the comments at the w32:: declarations of Win32Api.h).
// Only the simulated workstation has this hook; the real library has none.
#pragma once

#include <cstddef>

#include <quorvel/sim/Workstation.h>

namespace qvsim::fault {

// Starts counting from 0. failAt 0 only counts; otherwise event failAt fails,
// and with persistent every event after it too. code replaces the error code
// that a failing function answers (0: each function's own, see Win32Api.h).
QUORVEL_SIM_API void Start(unsigned long long failAt = 0, bool persistent = false,
                           unsigned long code = 0);
// Stops counting; returns the number of events counted since Start.
QUORVEL_SIM_API unsigned long long Stop();

// Counts one allocation of the caller (the test program's operator new);
// true when it is to fail. Allocations made inside a simulated function are
// the simulation's own and are not counted.
QUORVEL_SIM_API bool AllocationFails() noexcept;

// Enumeration, search and registry handles and FormatMessageA buffers that
// are open at the moment.
QUORVEL_SIM_API std::size_t OpenHandles();

}  // namespace qvsim::fault
