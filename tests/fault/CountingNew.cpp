// The fault sweep's operator new: every allocation of the program goes
// through the fault hook of the simulated workstation, which counts it only
// while a sweep run is counting and outside the simulated functions.
#include <cstdlib>
#include <new>

#include <quorvel/sim/Testing.h>

void* operator new(std::size_t n) {
    void* p = qvsim::testing::AllocationFails() ? nullptr : std::malloc(n != 0 ? n : 1);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return qvsim::testing::AllocationFails() ? nullptr : std::malloc(n != 0 ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

