// Converts each name given on the command line into its DNC name and that
// DNC name back into its UNC path and mapped-drive paths.
#include <cstdio>
#include <string>
#include <vector>

#include <quorvel/NetResConvert.h>

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        char dnc[261];
        DWORD size = sizeof dnc;
        DWORD status = CNetResConvert::ConvRes2DNC(argv[i], dnc, size);
        if (status != 0) {
            std::printf("%s: status %u\n", argv[i], static_cast<unsigned>(status));
            ++failures;
            continue;
        }
        char unc[260];
        std::vector<std::string> drives;
        status = CNetResConvert::ConvDNC2UNC(dnc, unc, drives);
        std::printf("%s -> %s -> %s", argv[i], dnc, status == 0 ? unc : "?");
        for (const std::string& drive : drives) std::printf(" %s", drive.c_str());
        std::printf("\n");
        if (status != 0) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
