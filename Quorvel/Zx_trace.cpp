// The trace facility: reads its settings from the trace INI file, opens the
// trace file at module load, writes the header and the records of every
// traced operation, filtered by masks and indented per thread.
//
// Everything here is constant-initialised and has no destructor that does
// work: the module's unload work can write records and close the file
// whenever it runs.

#include "Zx_trace.h"

#include <cinttypes>
#include <cstdint>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ConvInternal.h"

namespace qvlib {

// ---- settings ---------------------------------------------------------------
constinit TraceSettings g_TraceSettings = {0, 0, 0, 0, 0, 0, 0, "zx_trace.out"};
constinit TraceState g_TraceState = {};

namespace {

constexpr int kThreadSlots = kTraceThreadSlots;
constexpr int kOverflowSlot = kTraceOverflowSlot;
constexpr int kIndentWidth = 3;       // blanks per nesting level
constexpr std::size_t kSectionSize = 256;  // the view of one INI section
constexpr std::size_t kPathKeepMax = 255;  // tracepath keeps at most this much
constexpr std::size_t kPathFileMax = 253;  // tracefile extends the path to this

// One lock for the stream and the tables, held for the length of a record.
// Process-wide like the lists, so that the unload work, which writes
// records, still finds it (constant-initialised where the C runtime's mutex
// allows it; the MinGW runtime's is constructed first of the library's).
std::mutex s_TraceMutex QV_PROCESS_WIDE;
std::mutex& TraceMutex() { return s_TraceMutex; }

// ---- configuration helpers ----------------------------------------------------

// The entries of one INI section, as the 256-byte view shows them: each is
// split at its last "=" into key and value; entries without "=" are left out.
struct IniEntry {
    std::string key;
    const char* value;
};

// Reads one section into buf (kSectionSize bytes) and returns its entries.
std::vector<IniEntry> ReadSection(const char* section, char* buf, const char* iniFile) {
    std::memset(buf, 0, kSectionSize);
    w32::GetPrivateProfileSectionA(section, buf, static_cast<DWORD>(kSectionSize), iniFile);
    buf[kSectionSize - 2] = '\0';
    buf[kSectionSize - 1] = '\0';

    std::vector<IniEntry> entries;
    for (char* p = buf; p < buf + kSectionSize - 1 && *p != '\0'; p += std::strlen(p) + 1) {
        const char* eq = w32::MbsRChr(p, '=');
        if (eq == nullptr) continue;
        entries.push_back({std::string(p, static_cast<std::size_t>(eq - p)), eq + 1});
    }
    return entries;
}

// A key matches a keyword when it is a leading part of it (case ignored);
// the empty key matches any keyword.
bool KeyMatches(const std::string& key, const char* keyword) {
    return key.size() <= std::strlen(keyword) &&
           w32::MbsNBICmp(key.c_str(), keyword, key.size()) == 0;
}

// Index of the first keyword that the key matches, or -1.
template <std::size_t N>
int MatchKeyword(const std::string& key, const char* const (&keywords)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (KeyMatches(key, keywords[i])) return static_cast<int>(i);
    return -1;
}

bool DecimalSwitch(const char* value) { return std::strtol(value, nullptr, 10) != 0; }

// "%lx" into target; a value that does not parse leaves the target as it is.
void ReadHex(const char* value, DWORD& target) {
    unsigned long parsed = 0;
    if (std::sscanf(value, "%lx", &parsed) == 1)
        target = parsed > 0xFFFFFFFFUL ? 0xFFFFFFFFUL : static_cast<DWORD>(parsed);
}

void SetBit(DWORD& bits, DWORD bit, bool on) { bits = on ? (bits | bit) : (bits & ~bit); }

bool EndsInBackslash(const char* path) {
    std::size_t len = std::strlen(path);
    return len > 0 && w32::MbsRChr(path, '\\') == path + len - 1;
}

// tracefile: a backslash unless the path ends in one, then the file name, the
// whole path kept within kPathFileMax characters.
void AppendTraceFile(char* path, const char* file) {
    if (!EndsInBackslash(path)) BoundedAppend(path, kPathKeepMax + 1, "\\");
    std::size_t used = std::strlen(path);
    if (used >= kPathFileMax) return;
    std::size_t n = std::strlen(file);
    if (n > kPathFileMax - used) n = kPathFileMax - used;
    std::memcpy(path + used, file, n);
    path[used + n] = '\0';
}

// ---- records ----------------------------------------------------------------

// The slot of the calling thread; called with the lock held.
int ThreadSlot() {
    DWORD id = w32::GetCurrentThreadId();
    for (int i = 0; i < g_TraceState.nThreads; ++i)
        if (g_TraceState.adwThreads[i] == id) return i;
    if (g_TraceState.nThreads >= kThreadSlots) return kOverflowSlot;
    g_TraceState.adwThreads[g_TraceState.nThreads] = id;
    return g_TraceState.nThreads++;
}

bool PassesFilter(DWORD dwPrim, DWORD dwKindBit, DWORD dwSecLow, DWORD dwSecHigh) {
    const TraceSettings& s = g_TraceSettings;
    return (dwPrim & s.dwPrimLevel) != 0 && (s.dwPrimLevel & dwKindBit) != 0 &&
           ((dwSecLow & s.dwSecLevelLow) | (dwSecHigh & s.dwSecLevelHigh)) != 0 &&
           g_TraceState.pStream != nullptr;
}

void AppendTime(std::string& line) {
    std::time_t now = std::time(nullptr);
    char text[32] = {};
#if defined(_WIN32)
    if (ctime_s(text, sizeof text, &now) != 0) text[0] = '\0';
#else
    if (ctime_r(&now, text) == nullptr) text[0] = '\0';
#endif
    const char* clock = std::strlen(text) > 11 ? text + 11 : "";
    char field[16];
    std::snprintf(field, sizeof field, "%-10.8s", clock);
    line += field;
}

void AppendThreadTag(std::string& line, int slot) {
    if (w32::GetCurrentThreadId() == g_TraceState.dwLoadingThread) return;
    char tag[16];
    if (slot == kOverflowSlot)
        std::snprintf(tag, sizeof tag, "%-8s", "[FULL]");
    else
        std::snprintf(tag, sizeof tag, "[THID%-2d]", slot);
    line += tag;
}

void AppendIndent(std::string& line, int depth) {
    if (depth > 0) line.append(static_cast<std::size_t>(depth) * kIndentWidth, ' ');
}

// The line up to its body: time, thread tag, indentation.
std::string LineStart(int slot, bool withTag, int depth) {
    std::string line;
    if (g_TraceSettings.wOptions & TRACE_OPT_TIME) AppendTime(line);
    if (withTag && (g_TraceSettings.wOptions & TRACE_OPT_THREADID)) AppendThreadTag(line, slot);
    AppendIndent(line, depth);
    return line;
}

// The end of a record line: workstation, file and line.
void AppendLineEnd(std::string& line, const char* pszFile, int iLine) {
    if (g_TraceSettings.wOptions & TRACE_OPT_WORKSTATION) {
        line += " [";
        line += g_TraceState.szWorkstation;
        line += "]";
    }
    if ((g_TraceSettings.wOptions & TRACE_OPT_FILEANDLINE) && pszFile != nullptr && iLine > 0) {
        // snprintf, not std::to_string: the latter's digit table is a unique
        // symbol that would keep the module from ever being unloaded.
        char number[16];
        std::snprintf(number, sizeof number, "%d", iLine);
        line += " (";
        line += pszFile;
        line += ",";
        line += number;
        line += ")";
    }
}

// The trace file is a text file: every line feed reaches it as CR LF, a line
// break inside a record's text as well as the one that ends the record.
void WriteText(const std::string& text) {
    std::size_t from = 0;
    for (std::size_t lf; (lf = text.find('\n', from)) != std::string::npos; from = lf + 1) {
        std::fwrite(text.data() + from, 1, lf - from, g_TraceState.pStream);
        std::fwrite("\r\n", 1, 2, g_TraceState.pStream);
    }
    std::fwrite(text.data() + from, 1, text.size() - from, g_TraceState.pStream);
}

// Writes one line and flushes it when the settings ask for it.
void WriteLine(std::string& line) {
    line += '\n';
    WriteText(line);
    if (g_TraceSettings.wFlush) std::fflush(g_TraceState.pStream);
}

// A text or expression record: every piece but the body is common.
void WriteBodyRecord(DWORD dwPrim, DWORD dwKindBit, DWORD dwSecLow, DWORD dwSecHigh,
                     const char* pszFile, int iLine, const std::string& body) {
    std::lock_guard<std::mutex> lock(TraceMutex());
    if (!PassesFilter(dwPrim, dwKindBit, dwSecLow, dwSecHigh)) return;
    int slot = ThreadSlot();
    std::string line = LineStart(slot, true, g_TraceState.anDepth[slot]);
    line += body;
    AppendLineEnd(line, pszFile, iLine);
    WriteLine(line);
}

void CloseLocked() {
    if (g_TraceState.pStream != nullptr) std::fclose(g_TraceState.pStream);
    g_TraceState.pStream = nullptr;
}

}  // namespace

// ---- configuration ------------------------------------------------------------

WORD TraceReadConfig(const char* pszIniFile) {
    try {
        if (w32::GetPrivateProfileIntA("Settings", "trace_flag", 0, pszIniFile) == 0 &&
            w32::GetPrivateProfileIntA("Settings", "timer_flag", 0, pszIniFile) == 0)
            return 1;

        TraceSettings& s = g_TraceSettings;
        DWORD dwSecLow = 0;
        DWORD dwSecHigh = 1;
        char buf[kSectionSize];

        static constexpr const char* kSettings[] = {"trace_flag", "timer_flag", "tracepath",
                                                    "tracefile", "flush_flag"};
        for (const IniEntry& e : ReadSection("Settings", buf, pszIniFile)) {
            switch (MatchKeyword(e.key, kSettings)) {
            case 0: s.wTracing = DecimalSwitch(e.value) ? 1 : 0; break;
            case 1: s.wTimers = DecimalSwitch(e.value) ? 1 : 0; break;
            case 2: BoundedCopy(s.szPath, kPathKeepMax + 1, e.value); break;
            case 3: AppendTraceFile(s.szPath, e.value); break;
            case 4: s.wFlush = DecimalSwitch(e.value) ? 1 : 0; break;
            default:
                if (KeyMatches(e.key, "prim_level")) ReadHex(e.value, s.dwPrimLevel);
                if (KeyMatches(e.key, "sec_level_low")) ReadHex(e.value, dwSecLow);
                if (KeyMatches(e.key, "sec_level_high")) ReadHex(e.value, dwSecHigh);
                s.dwSecLevelLow = dwSecLow;
                s.dwSecLevelHigh = dwSecHigh;
                break;
            }
        }

        static constexpr const char* kMacros[] = {"COMMENTS", "PARAMS", "ERRORS", "ENTER_LEAVE",
                                                  "VERIFY"};
        static constexpr DWORD kMacroBits[] = {TRACE_COMMENTS, TRACE_PARAMS, TRACE_ERRORS,
                                               TRACE_ENTER_LEAVE, TRACE_VERIFY};
        for (const IniEntry& e : ReadSection("Macros", buf, pszIniFile)) {
            int i = MatchKeyword(e.key, kMacros);
            if (i >= 0) SetBit(s.dwPrimLevel, kMacroBits[i], DecimalSwitch(e.value));
        }

        static constexpr const char* kOptions[] = {"TIME", "THREADID", "FILEANDLINE", "INSTANCE",
                                                   "WORKSTATION"};
        static constexpr DWORD kOptionBits[] = {TRACE_OPT_TIME, TRACE_OPT_THREADID,
                                                TRACE_OPT_FILEANDLINE, TRACE_OPT_INSTANCE,
                                                TRACE_OPT_WORKSTATION};
        for (const IniEntry& e : ReadSection("Options", buf, pszIniFile)) {
            int i = MatchKeyword(e.key, kOptions);
            if (i >= 0) {
                DWORD options = s.wOptions;
                SetBit(options, kOptionBits[i], DecimalSwitch(e.value));
                s.wOptions = static_cast<WORD>(options);
            }
        }
        return 0;
    } catch (...) {
        return 1;
    }
}

// ---- lifetime of the trace file ------------------------------------------------

void TraceRecordLoadingThread() {
    std::lock_guard<std::mutex> lock(TraceMutex());
    g_TraceState.dwLoadingThread = w32::GetCurrentThreadId();
}

WORD TraceOpen(const char* pszIniFile) {
    try {
        std::lock_guard<std::mutex> lock(TraceMutex());
        const char* ini =
            (pszIniFile != nullptr && std::strlen(pszIniFile) >= 5) ? pszIniFile : "zx_trace.ini";
        if (TraceReadConfig(ini) == 1) return 1;

        CloseLocked();
        std::string host = w32::HostPath(g_TraceSettings.szPath);
        if (!host.empty()) g_TraceState.pStream = std::fopen(host.c_str(), "wb");
        if (g_TraceState.pStream == nullptr) {
            g_TraceSettings.wTracing = 0;
            return 1;
        }

        DWORD size = sizeof g_TraceState.szWorkstation;
        if (!w32::GetComputerNameA(g_TraceState.szWorkstation, &size))
            BoundedCopy(g_TraceState.szWorkstation, sizeof g_TraceState.szWorkstation, "Unknown");
        g_TraceState.szWorkstation[sizeof g_TraceState.szWorkstation - 1] = '\0';

        TraceWriteHeader();

        g_TraceState.adwThreads[0] = g_TraceState.dwLoadingThread;
        g_TraceState.nThreads = 1;
        return 0;
    } catch (...) {
        return 1;
    }
}

WORD TraceClose() {
    std::lock_guard<std::mutex> lock(TraceMutex());
    CloseLocked();
    return 0;
}

// ---- records --------------------------------------------------------------------

int TraceEnter(const void* pInstance, const char* pszClass, const char* pszMethod, DWORD dwPrim,
               DWORD dwSecLow, DWORD dwSecHigh, const char* pszFile, int iLine,
               TraceLeaveGuard& guard) {
    try {
        std::lock_guard<std::mutex> lock(TraceMutex());
        if (!PassesFilter(dwPrim, TRACE_ENTER_LEAVE, dwSecLow, dwSecHigh)) return 0;
        int slot = ThreadSlot();
        std::string line = LineStart(slot, true, g_TraceState.anDepth[slot]);
        line += "->";
        if (pszClass != nullptr) line += pszClass;
        if ((g_TraceSettings.wOptions & TRACE_OPT_INSTANCE) && pInstance != nullptr) {
            char address[32];
            std::snprintf(address, sizeof address, "[%08" PRIXPTR "]",
                          reinterpret_cast<std::uintptr_t>(pInstance));
            line += address;
        }
        if (pszMethod != nullptr) {
            line += "::";
            line += pszMethod;
            line += "()";
        }
        AppendLineEnd(line, pszFile, iLine);
        WriteLine(line);
        if (g_TraceState.anDepth[slot] < SHRT_MAX) ++g_TraceState.anDepth[slot];
        guard.dwArmed = 1;
        return 1;
    } catch (...) {
        return 0;
    }
}

void TraceLeave() {
    try {
        std::lock_guard<std::mutex> lock(TraceMutex());
        if (g_TraceState.pStream == nullptr) return;
        int slot = ThreadSlot();
        int depth = g_TraceState.anDepth[slot];
        // The nesting goes back also when the record cannot be composed.
        g_TraceState.anDepth[slot] = static_cast<short>(depth > 0 ? depth - 1 : 0);
        std::string line = LineStart(slot, false, depth - 1);
        line += "<- END METHODE";
        WriteLine(line);
    } catch (...) {
    }
}

void TraceText(const char* pszText, const char* /*pszClass*/, DWORD dwPrim, DWORD dwSecLow,
               DWORD dwSecHigh, const char* pszFile, int iLine) {
    try {
        WriteBodyRecord(dwPrim, TRACE_PARAMS, dwSecLow, dwSecHigh, pszFile, iLine,
                        pszText != nullptr ? pszText : "");
    } catch (...) {
    }
}

void TraceParam(const char* pszText, const char* pszClass, DWORD dwPrim, DWORD dwSecLow,
                DWORD dwSecHigh) {
    TraceText(pszText, pszClass, dwPrim, dwSecLow, dwSecHigh, nullptr, 0);
}

void TraceSysError(const char* pszText, DWORD dwError, const char* pszClass, DWORD dwPrim,
                   DWORD dwSecLow, DWORD dwSecHigh, const char* pszFile, int iLine) {
    char* pszMessage = nullptr;
    DWORD dwLen = w32::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, dwError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&pszMessage), 0, nullptr);
    try {
        // The system ends its text with a line break; it is dropped.
        std::string message;
        if (pszMessage != nullptr && dwLen > 2) message.assign(pszMessage, dwLen - 2);
        char number[16];
        std::snprintf(number, sizeof number, "%" PRIx32, static_cast<std::uint32_t>(dwError));
        std::string text = pszText != nullptr ? pszText : "";
        text += ", Error=";
        text += number;
        text += ", ";
        text += message;
        if (pszMessage != nullptr) w32::LocalFree(pszMessage);
        pszMessage = nullptr;
        TraceText(text.c_str(), pszClass, dwPrim, dwSecLow, dwSecHigh, pszFile, iLine);
    } catch (...) {
        if (pszMessage != nullptr) w32::LocalFree(pszMessage);
    }
}

void TraceExpr(const char* pszExpr, WORD wValue, const char* /*pszClass*/, DWORD dwPrim,
               DWORD dwSecLow, DWORD dwSecHigh, const char* pszFile, int iLine) {
    try {
        std::string body = "EXPR :";
        if (pszExpr != nullptr) body += pszExpr;
        body += wValue != 0 ? " = TRUE" : " = FALSE";
        WriteBodyRecord(dwPrim, TRACE_VERIFY, dwSecLow, dwSecHigh, pszFile, iLine, body);
    } catch (...) {
    }
}

// ---- header -----------------------------------------------------------------------

void TraceWriteHeader() {
    if (g_TraceState.pStream == nullptr) return;
    static constexpr const char* kModules[] = {
        "QLMZTXCATALOGAX100.dll",      "QLMZTXCatalogCPP100.dll",
        QUORVEL_MODULE_FILE_NAME,      "QLMZTXQUORVELCPP200.DLL",
        "pelvan.dll",                  "pelvan002.dll",
        "QLMZTXFolderPickDlg100.ocx",  "QLMZTXFolderPickCombo100.ocx",
    };
    const TraceSettings& s = g_TraceSettings;
    std::string text = "Zentrix - TRACING\n";
    for (const char* module : kModules) {
        char fileVersion[128];
        char productVersion[128];
        TraceGetModuleVersion(module, fileVersion, sizeof fileVersion, productVersion,
                              sizeof productVersion);
        text += module;
        text += ": FILEVERSION: ";
        text += fileVersion;
        text += " PRODUCTVERSION: ";
        text += productVersion;
        text += '\n';
    }
    text += '\n';

    auto hex = [](DWORD value) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08" PRIX32, static_cast<std::uint32_t>(value));
        return std::string(buf);
    };
    auto yesNo = [](bool on) { return std::string(on ? "YES" : "NO"); };
    const std::pair<const char*, std::string> rows[] = {
        {"tracing                 = ", s.wTracing ? "ON" : "OFF"},
        {"timers                  = ", s.wTimers ? "ON" : "OFF"},
        {"tracing primary level   = ", hex(s.dwPrimLevel)},
        {"tracing secondary level (low)  = ", hex(s.dwSecLevelLow)},
        {"tracing secondary level (high) = ", hex(s.dwSecLevelHigh)},
        {"tracing file            = ", s.szPath},
        {"with time               = ", yesNo(s.wOptions & TRACE_OPT_TIME)},
        {"with threadid           = ", yesNo(s.wOptions & TRACE_OPT_THREADID)},
        {"with file and line      = ", yesNo(s.wOptions & TRACE_OPT_FILEANDLINE)},
        {"with instance           = ", yesNo(s.wOptions & TRACE_OPT_INSTANCE)},
        {"with enter-leave        = ", yesNo(s.dwPrimLevel & TRACE_ENTER_LEAVE)},
        {"with comments           = ", yesNo(s.dwPrimLevel & TRACE_COMMENTS)},
        {"with params             = ", yesNo(s.dwPrimLevel & TRACE_PARAMS)},
        {"with errors             = ", yesNo(s.dwPrimLevel & TRACE_ERRORS)},
    };
    for (const auto& [label, value] : rows) {
        text += label;
        text += value;
        text += '\n';
    }
    text += '\n';
    WriteText(text);
    std::fflush(g_TraceState.pStream);
}

void TraceGetModuleVersion(const char* pszModule, char* pszFileVersion, std::size_t nFileSize,
                           char* pszProductVersion, std::size_t nProductSize) {
    BoundedCopy(pszFileVersion, nFileSize, "");
    BoundedCopy(pszProductVersion, nProductSize, "");
    try {
        DWORD dwHandle = 0;
        DWORD dwSize = w32::GetFileVersionInfoSizeA(pszModule, &dwHandle);
        if (dwSize == 0) return;
        std::vector<BYTE> info(dwSize);
        if (w32::GetFileVersionInfoA(pszModule, dwHandle, dwSize, info.data()) != 1) return;
        void* pFixed = nullptr;
        UINT uLen = 0;
        if (!w32::VerQueryValueA(info.data(), "\\", &pFixed, &uLen) || pFixed == nullptr ||
            uLen < sizeof(VS_FIXEDFILEINFO))
            return;
        VS_FIXEDFILEINFO fixed;
        std::memcpy(&fixed, pFixed, sizeof fixed);

        auto format = [](DWORD ms, DWORD ls, char* out, std::size_t size) {
            char text[64];
            std::snprintf(text, sizeof text, "%hu,%hu,%hu,%hu",
                          static_cast<unsigned short>(ms >> 16),
                          static_cast<unsigned short>(ms & 0xFFFF),
                          static_cast<unsigned short>(ls >> 16),
                          static_cast<unsigned short>(ls & 0xFFFF));
            BoundedCopy(out, size, text);
        };
        format(fixed.dwFileVersionMS, fixed.dwFileVersionLS, pszFileVersion, nFileSize);
        format(fixed.dwProductVersionMS, fixed.dwProductVersionLS, pszProductVersion,
               nProductSize);
    } catch (...) {
    }
}

}  // namespace qvlib
