// GetServerFromDNC, ExtractServerVolume and GetResNameType with arbitrary
// names, on a pre-built server list. Input: a configuration byte, then the
// name.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qvfuzz;
    UseEnvironment(TakeByte(data, size) % kConfigCount);
    {
        ExactString name(data, size);
        ExactBuffer server(260);
        if (CNetResConvert::GetServerFromDNC(name.get(), server.get()) == 0)
            QV_FUZZ_CHECK(server.Terminated());
    }
    {
        ExactString name(data, size);
        ExactBuffer server(260);
        ExactBuffer volume(260);
        if (CNetResConvert::ExtractServerVolume(name.get(), server.get(), volume.get()) == 0) {
            QV_FUZZ_CHECK(server.Terminated());
            QV_FUZZ_CHECK(volume.Terminated());
        }
    }
    ExactString name(data, size);
    DWORD type = 0x12345678;
    if (CNetResConvert::GetResNameType(name.get(), type) == 0)
        QV_FUZZ_CHECK(type == RES_TYPE_MAP || type == RES_TYPE_UNC);
    return 0;
}
