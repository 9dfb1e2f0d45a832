// Trace state as a fresh module load has it, and the records of a trace file.
#pragma once

#include <cstring>
#include <string>

#include "Zx_trace.h"

namespace qvtest {

// Forgets the threads the trace knows and their nesting, as at module load;
// the calling thread becomes the loading thread.
inline void ResetTraceThreads() {
    qvlib::TraceState& state = qvlib::g_TraceState;
    std::memset(state.adwThreads, 0, sizeof state.adwThreads);
    std::memset(state.anDepth, 0, sizeof state.anDepth);
    state.nThreads = 0;
    qvlib::TraceRecordLoadingThread();
}

// Closes the trace and puts its state back as the module's load leaves it.
inline void ResetTraceToLoadState() {
    qvlib::TraceClose();
    ResetTraceThreads();
    std::memset(&qvlib::g_TraceSettings, 0, sizeof qvlib::g_TraceSettings);
    std::strcpy(qvlib::g_TraceSettings.szPath, "zx_trace.out");
}

// What follows the header (which ends with the first empty line after the
// settings); npos when the file has no header.
inline std::size_t TraceRecordsBegin(const std::string& file) {
    std::size_t pos = file.find("with errors             = ");
    if (pos != std::string::npos) pos = file.find("\r\n\r\n", pos);
    return pos == std::string::npos ? pos : pos + 4;
}

}  // namespace qvtest
