// Choosing and checking the simulated workstation: the Win32 functions of the
// library answer from the description in force. The library never includes
// this header: it sees only the Win32 functions.
//
// Until a program puts a description in force, the first call of a simulated
// function chooses one: the file named by the environment variable
// QUORVEL_WORKSTATION, else the embedded default. A file that cannot be used
// there leaves the empty workstation in force ({}: no network, no registry,
// no INI files); UseFile or CheckFile tell why.
#pragma once

#include <string>
#include <vector>

#if defined(_WIN32)
#if defined(QUORVEL_BUILDING_SIM)
#define QUORVEL_SIM_API __declspec(dllexport)
#elif defined(QUORVEL_STATIC)
#define QUORVEL_SIM_API
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
// left unchanged, error says why and nothing else happens; warnings as for
// CheckFile.
QUORVEL_SIM_API bool UseFile(const std::string& path, std::string& error,
                             std::vector<std::string>* warnings = nullptr);
QUORVEL_SIM_API bool UseText(const std::string& json, const std::string& sourceName,
                             const std::string& baseDir, std::string& error);
QUORVEL_SIM_API void UseDefault();

}  // namespace qvsim
