// ConvDNC2UNC, ConvDNCtoUNC and ConvDNCtoMAP with arbitrary DNC names on every
// environment. Input: a configuration byte, then the name.
#include "FuzzSupport.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qvfuzz;
    UseEnvironment(TakeByte(data, size) % kConfigCount);
    ExactString name(data, size);
    {
        ExactBuffer unc(260);
        std::vector<std::string> map;
        if (CNetResConvert::ConvDNC2UNC(name.get(), unc.get(), map) == 0)
            QV_FUZZ_CHECK(unc.Terminated());
        else
            QV_FUZZ_CHECK(map.empty());
    }
    {
        ExactBuffer unc(260);
        if (CNetResConvert::ConvDNCtoUNC(name.get(), unc.get()) == 0)
            QV_FUZZ_CHECK(unc.Terminated());
    }
    std::vector<std::string> map;
    CNetResConvert::ConvDNCtoMAP(name.get(), map);
    return 0;
}
