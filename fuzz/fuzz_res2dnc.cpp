// ConvRes2DNC with arbitrary names and buffer sizes (MAP, UNC and NDS forms)
// on every environment. Input: a configuration byte, two bytes of buffer size,
// then the name.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qvfuzz;
    UseEnvironment(TakeByte(data, size) % kConfigCount);
    DWORD bufSize = TakeByte(data, size);
    bufSize |= (TakeByte(data, size) & 0x03) << 8;  // 0 .. 1023

    ExactString name(data, size);
    ExactBuffer out(bufSize);
    DWORD given = bufSize;
    DWORD ret = CNetResConvert::ConvRes2DNC(name.get(), out.get(), given);
    if (ret == 0) QV_FUZZ_CHECK(out.Terminated());
    if (ret == ERROR_MORE_DATA) QV_FUZZ_CHECK(given > bufSize);
    return 0;
}
