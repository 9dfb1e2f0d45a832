// The tool on the system's own functions: the system's ANSI code page, and
// the arguments taken from the wide command line (argv holds them in the
// ANSI code page, where a character outside it is already lost).
#include "Host.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

namespace qvcli::host {

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
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

}  // namespace

std::string Utf8ToAnsi(const std::string& utf8) {
    const std::wstring wide = ToWide(CP_UTF8, utf8);
    return FromWide(CP_ACP, wide.data(), static_cast<int>(wide.size()));
}

std::string AnsiToUtf8(const std::string& ansi) {
    const std::wstring wide = ToWide(CP_ACP, ansi);
    return FromWide(CP_UTF8, wide.data(), static_cast<int>(wide.size()));
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

}  // namespace qvcli::host
