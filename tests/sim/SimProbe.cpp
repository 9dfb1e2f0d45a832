// Reports which workstation a fresh process chose at first use, for the
// loader tests: "name=COMPUTERNAME error=STARTUP ERROR".
#include <cstdio>

#include <quorvel/Win32Api.h>
#include <quorvel/sim/Workstation.h>

int main() {
    char name[64];
    DWORD size = sizeof name;
    const char* shown = w32::GetComputerNameA(name, &size) ? name : "(none)";
    std::printf("name=%s error=%s\n", shown, qvsim::StartupError().c_str());
    return 0;
}
