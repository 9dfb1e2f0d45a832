// The domain selection of ZTXDOM.INI with arbitrary contents, followed by the
// Microsoft network scan that uses it.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using A = qvtest::Library;
    // The default workstation without what the scan does not read.
    static const nlohmann::json base = [] {
        nlohmann::json j = nlohmann::json::parse(qvfuzz::WorkstationJson(qvfuzz::kEnvironments[0]));
        j.erase("files");
        j.erase("connections");
        return j;
    }();
    nlohmann::json ws = base;
    ws["profiles"]["ZTXDOM.INI"] =
        qvsim::command::AnsiToUtf8(std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    QV_FUZZ_CHECK(qvsim::UseText(ws.dump(), "fuzz.json", "/tmp", error));

    A::ResetToLoadState();
    A::GetSysVersion(A::Net().dwPlatformId);
    A::GetNetProv(A::Net());
    A::GetMsServers(3);
    for (const std::string& d : A::UseDomains()) QV_FUZZ_CHECK(d.size() < 4096);
    A::ResetToLoadState();
    return 0;
}
