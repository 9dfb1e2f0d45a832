// Load and unload of the Linux shared library (libquorvel.so): the module's
// work runs when the dynamic linker loads the library and when the library
// leaves the process, at dlclose or at exit.
//
// The unload work is registered with the C runtime at load, as a destructor
// of this library (__cxa_atexit with its handle): it then runs before the
// library's lists are destroyed, at exit and at dlclose alike, while a
// destructor function would run after them at exit.
#include "Module.h"

extern "C" int __cxa_atexit(void (*function)(void*), void* argument, void* dso);
extern "C" void* __dso_handle;

namespace {

void Unload(void*) { qvmodule::Detach(); }

[[gnu::constructor]] void Load() {
    qvmodule::Attach();
    __cxa_atexit(Unload, nullptr, &__dso_handle);
}

}  // namespace
