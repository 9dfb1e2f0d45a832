// The trace configuration reader with arbitrary Zx_TraQV.ini contents. The
// trace file itself is not opened (its path comes from the input).
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nlohmann::json ws = nlohmann::json::object();
    ws["profiles"]["Zx_TraQV.ini"] =
        qvsim::AnsiToUtf8(std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    QV_FUZZ_CHECK(qvsim::UseText(ws.dump(), "fuzz.json", "/tmp", error));

    std::memset(&g_TraceSettings, 0, sizeof g_TraceSettings);
    TraceReadConfig("Zx_TraQV.ini");
    QV_FUZZ_CHECK(std::memchr(g_TraceSettings.szPath, '\0', sizeof g_TraceSettings.szPath) != nullptr);
    (void)w32::HostPath(g_TraceSettings.szPath);
    std::memset(&g_TraceSettings, 0, sizeof g_TraceSettings);
    return 0;
}
