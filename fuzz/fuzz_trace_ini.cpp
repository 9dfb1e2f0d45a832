// The trace configuration reader with arbitrary Zx_TraQV.ini contents. The
// trace file itself is not opened (its path comes from the input).
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nlohmann::json ws = nlohmann::json::object();
    ws["profiles"]["Zx_TraQV.ini"] =
        qvsim::command::AnsiToUtf8(std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    QV_FUZZ_CHECK(qvsim::UseText(ws.dump(), "fuzz.json", "/tmp", error));

    std::memset(&qvlib::g_TraceSettings, 0, sizeof qvlib::g_TraceSettings);
    qvlib::TraceReadConfig("Zx_TraQV.ini");
    QV_FUZZ_CHECK(std::memchr(qvlib::g_TraceSettings.szPath, '\0', sizeof qvlib::g_TraceSettings.szPath) != nullptr);
    (void)w32::HostPath(qvlib::g_TraceSettings.szPath);
    std::memset(&qvlib::g_TraceSettings, 0, sizeof qvlib::g_TraceSettings);
    return 0;
}
