// Control of the simulated workstation, for the command-line tool and the
// tests. The library never includes this header: it sees only the Win32
// functions of <quorvel/Win32Api.h>.
//
// The workstation in force is chosen at first use: the file named by
// SelectFileAtFirstUse or by the environment variable QUORVEL_WORKSTATION,
// else the embedded default. A file
// that cannot be used leaves the empty workstation in force ({}: no network,
// no registry, no INI files) and its message in StartupError().
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#if defined(QUORVEL_BUILDING_SIM)
#define QUORVEL_SIM_API __declspec(dllexport)
#else
#define QUORVEL_SIM_API __declspec(dllimport)
#endif
#else
#define QUORVEL_SIM_API __attribute__((visibility("default")))
#endif

namespace qvsim {

// The embedded default workstation, as JSON text.
QUORVEL_SIM_API const std::string& DefaultWorkstationJson();

// Validates a description without putting it in force. On success writes the
// normalised description (every member spelled out) to normalised; on
// failure writes "FILE: JSON.PATH: what was expected" to error. A file is read
// once and never beyond the size limit. warnings receives "FILE: JSON.PATH:
// ..." for each member that is valid but cannot work (a network node or a
// connection without a provider).
QUORVEL_SIM_API bool CheckFile(const std::string& path, std::string& normalised, std::string& error,
                               std::vector<std::string>* warnings = nullptr);
QUORVEL_SIM_API bool CheckText(const std::string& json, const std::string& sourceName,
                               const std::string& baseDir, std::string& normalised,
                               std::string& error);

// Puts a description in force, replacing the one in force (and closing every
// open enumeration and search handle). On failure the workstation in force is
// left unchanged.
QUORVEL_SIM_API bool UseFile(const std::string& path, std::string& error);
QUORVEL_SIM_API bool UseText(const std::string& json, const std::string& sourceName,
                             const std::string& baseDir, std::string& error);
QUORVEL_SIM_API void UseDefault();

// Names the description file for the first use, ahead of QUORVEL_WORKSTATION
// (the same effect as the variable). Meant to be called before the library is
// loaded, from an executable's pre-initialiser, so it only keeps the pointer:
// path must stay valid (an argv string does). No effect after the first use.
QUORVEL_SIM_API void SelectFileAtFirstUse(const char* path);

// The message of a QUORVEL_WORKSTATION file that could not be used at first
// use; empty when there was none (or the variable was not set).
QUORVEL_SIM_API std::string StartupError();
// The warnings of that file (see CheckFile).
QUORVEL_SIM_API std::vector<std::string> StartupWarnings();

// The ANSI code page of the workstation in force.
QUORVEL_SIM_API unsigned CodePage();

// Conversions at the boundary between UTF-8 (the tool's arguments and output,
// JSON files) and the workstation's ANSI code page. A character the code page
// lacks becomes '?'; bytes that are not valid in the source encoding become '?'.
QUORVEL_SIM_API std::string Utf8ToAnsi(const std::string& utf8);
QUORVEL_SIM_API std::string AnsiToUtf8(const std::string& ansi);
// Without replacement: false at the first sequence that is not valid UTF-8 or
// that the code page lacks, badOffset then being the offset of its first byte.
QUORVEL_SIM_API bool Utf8ToAnsiExact(std::string_view utf8, std::string& ansi, std::size_t& badOffset);

// The calling thread's last error code as the simulated functions set it
// (what GetLastError answers on Windows), e.g. after a failed FindFirstFileA.
QUORVEL_SIM_API unsigned long LastError();

}  // namespace qvsim
