// The workstation loader with arbitrary JSON: a description is either
// rejected with a message of the form "FILE: JSON.PATH: ..." or accepted, and
// an accepted one can be put in force and used.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string normalised;
    std::string error;
    bool ok = qvsim::CheckText(text, "fuzz.json", "/tmp/quorvel-fuzz-none", normalised, error);
    if (!ok) {
        QV_FUZZ_CHECK(error.rfind("fuzz.json: ", 0) == 0);
        return 0;
    }
    // The normalised form is itself a valid description.
    std::string again;
    QV_FUZZ_CHECK(qvsim::CheckText(normalised, "fuzz.json", "/tmp/quorvel-fuzz-none", again, error));
    QV_FUZZ_CHECK(qvsim::UseText(text, "fuzz.json", "/tmp/quorvel-fuzz-none", error));
    // The tour goes without the description's latency, which would only make
    // it sleep (up to 71 minutes a call).
    nlohmann::ordered_json plain = nlohmann::ordered_json::parse(normalised);
    plain.erase("latency");
    QV_FUZZ_CHECK(qvsim::UseText(plain.dump(), "fuzz.json", "/tmp/quorvel-fuzz-none", error));

    // A short tour of the library on it.
    using A = qvtest::Library;
    A::ResetToLoadState();
    CNetResConvert::BuildLists();
    CNetResConvert::GetMountList();
    char dnc[260];
    DWORD n = sizeof dnc;
    CNetResConvert::ConvRes2DNC("F:\\REPORTS", dnc, n);
    A::ResetToLoadState();
    qvsim::UseDefault();
    return 0;
}
