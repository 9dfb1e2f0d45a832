// What the tests need of the simulated workstation beyond choosing one: fault
// injection, the handles left open, and the thread's last error. This
// interface exists only in the simulation's test build (quorvel_sim_testing):
// it is neither installed nor part of the shipped libraries.
//
// Fault injection: every counted event (a call of a simulated Win32 function
// that can fail, an allocation that the test program reports) gets the next
// number while counting is on, and the chosen event fails the way Windows
// fails it (docs/workstation.md lists each function's answer).
#pragma once

#include <cstddef>

namespace qvsim::testing {

// Starts counting from 0. failAt 0 only counts; otherwise event failAt fails,
// and with persistent every event after it too. code replaces the error code
// that a failing function answers (0: each function's own).
void StartFaults(unsigned long long failAt = 0, bool persistent = false, unsigned long code = 0);
// Stops counting; returns the number of events counted since StartFaults.
unsigned long long StopFaults();

// Counts one allocation of the caller (the test program's operator new);
// true when it is to fail. Allocations made inside a simulated function are
// the simulation's own and are not counted.
bool AllocationFails() noexcept;

// Enumeration, search and registry handles and FormatMessageA buffers that
// are open at the moment.
std::size_t OpenHandles();

// The calling thread's last error code as the simulated functions set it
// (what GetLastError answers on Windows), e.g. after a failed FindFirstFileA.
unsigned long LastError();

}  // namespace qvsim::testing
