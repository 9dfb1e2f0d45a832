// The command on the system's own functions: no simulated workstation, the
// system's ANSI code page, and the arguments taken from the wide command line
// (argv holds them in the ANSI code page, where a character outside it is
// already lost).
#include "Host.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <mbstring.h>

namespace qvcli::host {

namespace {

std::wstring ToWide(UINT codePage, DWORD flags, std::string_view text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string FromWide(UINT codePage, const wchar_t* wide, int length) {
    if (length == 0) return {};
    // The default character ('?') is only given for code pages other than UTF-8.
    const char* fallback = codePage == CP_UTF8 ? nullptr : "?";
    const int n = ::WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, fallback, nullptr);
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(codePage, 0, wide, length, text.data(), n, fallback, nullptr);
    return text;
}

// The UTF-8 sequence at utf8[at]: its length, 0 when none begins there (a
// shorter prefix of a valid sequence is refused as incomplete).
std::size_t SequenceAt(std::string_view utf8, std::size_t at, wchar_t (&wide)[2], int& units) {
    for (std::size_t n = 1; n <= 4 && at + n <= utf8.size(); ++n) {
        units = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data() + at, static_cast<int>(n), wide, 2);
        if (units > 0) return n;
    }
    return 0;
}

// Into the ANSI code page with no best-fit mapping: a character it lacks
// would become the default character.
bool ToAnsiExact(const wchar_t* wide, int length, std::string& ansi) {
    if (length == 0) return true;
    if (::GetACP() == CP_UTF8) {  // every character is in it; no default character is allowed
        ansi += FromWide(CP_UTF8, wide, length);
        return true;
    }
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    std::string text(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, text.data(), n, nullptr, &usedDefault);
    if (usedDefault) return false;
    ansi += text;
    return true;
}

}  // namespace

bool Simulated() { return false; }

bool ChooseWorkstation(const std::optional<std::string>& file, std::string& error,
                       std::vector<std::string>& /*warnings*/) {
    if (!file) return true;
    error = std::string("--workstation: ") + kNoSimulation;
    return false;
}

bool DescribeWorkstation(const std::optional<std::string>& /*file*/, std::string& /*text*/, std::string& error,
                         std::vector<std::string>& /*warnings*/) {
    error = kNoSimulation;
    return false;
}

unsigned CodePage() { return ::GetACP(); }

bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi, std::size_t& bad) {
    ansi.clear();
    const std::wstring wide = ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
    if ((utf8.empty() || !wide.empty()) && ToAnsiExact(wide.data(), static_cast<int>(wide.size()), ansi))
        return true;
    // Sequence by sequence, to find the first that fails.
    ansi.clear();
    for (std::size_t at = 0; at < utf8.size();) {
        wchar_t unit[2];
        int units = 0;
        const std::size_t n = SequenceAt(utf8, at, unit, units);
        if (n == 0 || !ToAnsiExact(unit, units, ansi)) {
            bad = at;
            return false;
        }
        at += n;
    }
    return true;
}

std::string AnsiToUtf8(std::string_view ansi) {
    const std::wstring wide = ToWide(CP_ACP, 0, ansi);
    return FromWide(CP_UTF8, wide.data(), static_cast<int>(wide.size()));
}

// The C runtime's multibyte code page is the system's ANSI code page, as the
// library's own comparisons have it.
bool SameName(const char* a, const char* b) {
    return ::_mbsicmp(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b)) == 0;
}

std::vector<std::string> Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(FromWide(CP_UTF8, wide[i], static_cast<int>(::wcslen(wide[i]))));
    ::LocalFree(wide);
    return args;
}

// The system's functions are not counted.
std::optional<std::vector<CallCount>> PlatformCalls() { return std::nullopt; }

}  // namespace qvcli::host
