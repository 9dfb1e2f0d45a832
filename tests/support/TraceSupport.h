// Trace state as a fresh module load has it, and the records of a trace file.
#pragma once

#include <cstring>
#include <string>

#include "Zx_trace.h"

namespace qvtest {

// Closes the trace and forgets its settings.
inline void ResetTraceToLoadState() {
    TraceClose();
    TraceResetState();
    std::memset(&g_TraceSettings, 0, sizeof g_TraceSettings);
    std::strcpy(g_TraceSettings.szPath, "zx_trace.out");
}

// What follows the header (which ends with the first empty line after the
// settings); npos when the file has no header.
inline std::size_t TraceRecordsBegin(const std::string& file) {
    std::size_t pos = file.find("with errors             = ");
    if (pos != std::string::npos) pos = file.find("\r\n\r\n", pos);
    return pos == std::string::npos ? pos : pos + 4;
}

}  // namespace qvtest
