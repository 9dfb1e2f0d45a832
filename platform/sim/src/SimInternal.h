// Internal model and state of the simulated workstation.
//
// A description is checked and turned into a Workstation in one pass
// (Builder.cpp); its strings are then in the workstation's ANSI code page,
// and its normalised description is written from it (Normalised.cpp). The
// Workstation in force is immutable; putting another one in force swaps a
// shared pointer under the state mutex, so a call that copied the pointer
// keeps a consistent view until it returns.
#pragma once

// The w32 functions are the interface of this shared library: give their
// declarations default visibility before anything else declares them.
#pragma GCC visibility push(default)
#include <quorvel/Win32Api.h>
#include <quorvel/sim/Workstation.h>
#pragma GCC visibility pop

#include <atomic>
#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Calls.h"
#include "FaultHook.h"

namespace qvsim::detail {

using Text = std::optional<std::string>;  // nullopt is a null pointer

// ---- code pages --------------------------------------------------------------

struct CodePageTable {
    unsigned codePage;
    bool lead[256];           // lead byte of a double-byte character
    unsigned char fold[256];  // lower-case folding of single-byte characters
    bool singleByte;          // no lead bytes: every character is one byte
};

// The table of a supported code page (1252, 932, 936, 949, 950); null otherwise.
const CodePageTable* FindCodePage(unsigned codePage);
// The table of the workstation in force; null until the first workstation
// is chosen.
extern std::atomic<const CodePageTable*> g_activeCodePage;
const CodePageTable& ChooseFirstCodePage();
// The table of the workstation in force (the multibyte helpers ask for it on
// every call, so the common case is one load).
inline const CodePageTable& ActiveCodePage() {
    const CodePageTable* cp = g_activeCodePage.load(std::memory_order_acquire);
    return cp != nullptr ? *cp : ChooseFirstCodePage();
}

// Case-folded copy (single-byte characters folded, double-byte kept), used as
// a map key wherever names are matched case-insensitively.
std::string FoldKey(std::string_view s, const CodePageTable& cp);
// The same into out (whose room is kept from one call to the next).
void FoldKeyInto(std::string_view s, const CodePageTable& cp, std::string& out);

// Whether every byte is below 0x80 (text the same in every code page).
bool IsAscii(std::string_view s);
// UTF-8 <-> ANSI through iconv; '?' for what the target cannot hold.
std::string ConvertUtf8ToAnsi(std::string_view utf8, unsigned codePage);
std::string ConvertAnsiToUtf8(std::string_view ansi, unsigned codePage);
// Without replacement: false at the first sequence that is not valid UTF-8 or
// that the code page lacks, with badOffset at its first byte.
bool ConvertUtf8ToAnsiExact(std::string_view utf8, unsigned codePage, std::string& ansi,
                            std::size_t& badOffset);

// ---- the workstation ------------------------------------------------------------

struct Node {
    Text remote, comment, local, provider;
    DWORD display = 0, type = 0, usage = 0;
    std::optional<DWORD> openError, enumError, batch;
    DWORD enumErrorAfter = 0;
    std::vector<Node> children;

    bool operator==(const Node&) const = default;
};

struct Connection {
    Text local, remote, provider, comment, universal;
    std::optional<DWORD> universalError;

    bool operator==(const Connection&) const = default;
};

struct ProviderEntry {
    std::string name;
    std::optional<DWORD> error;

    bool operator==(const ProviderEntry&) const = default;
};

struct RegValue {
    DWORD type = 0;
    std::string data;

    bool operator==(const RegValue&) const = default;
};

struct FileEntry {
    std::string name;                // long name (ANSI)
    Text shortName;                  // explicit 8.3 name
    bool directory = false;
    std::vector<FileEntry> children;  // listed children
    std::string hostDir;              // non-empty: the children are this real folder's

    bool operator==(const FileEntry&) const = default;
};

struct ModuleVersion {
    bool present = true;
    DWORD fileMS = 0, fileLS = 0, productMS = 0, productLS = 0;

    bool operator==(const ModuleVersion&) const = default;
};

// What the normalised description needs beyond what the functions use. The
// members by name are kept as written, in the order written (a name given
// twice in the place of its first appearance, with its last value), where the
// workstation folds names that differ in case into one; the strings it holds
// in another form (converted to the code page from anything but ASCII, or
// resolved to a host folder) are kept as written by their place.
struct AsWritten {
    struct RegistryValue {
        enum class Form : std::uint8_t { Number, Text, Typed } form = Form::Number;
        std::string name;
        std::int64_t number = 0;    // Number: as written (negative for a two's complement DWORD)
        DWORD type = 0;             // Typed
        std::string data;           // Text: UTF-8; Typed: the bytes

        bool operator==(const RegistryValue&) const = default;
    };
    struct RegistryKey {
        std::string name;
        std::vector<RegistryValue> values;

        bool operator==(const RegistryKey&) const = default;
    };
    std::vector<RegistryKey> registry;
    std::vector<std::pair<std::string, std::string>> profiles;       // name, content (UTF-8)
    Text windowsDir;                                                 // as written
    std::vector<std::pair<char, Text>> drives;                       // 'C', folder as written
    std::vector<std::pair<std::string, ModuleVersion>> modules;
    std::vector<std::pair<std::string, std::string>> messages;       // number as written, text (UTF-8)
    std::uint32_t networkLatency = 0;                                // latency "network"
    std::bitset<kFunctionCount> ownLatency;                          // functions given a latency by name
    std::map<std::string, std::string> strings;                      // place (LoadRules.h) -> UTF-8

    bool operator==(const AsWritten&) const = default;
};

struct Workstation {
    Text computerName;
    unsigned codePage = 1252;
    bool osFails = false;
    DWORD platformId = 2, major = 5, minor = 0, build = 2195;
    std::string csd;
    std::optional<ProviderEntry> netware, lanman;
    std::vector<Node> network;
    DWORD unknownContainerError = 53;
    std::vector<Connection> connections;
    std::map<std::string, std::map<std::string, RegValue>> registry;  // folded key path -> folded value name
    std::map<std::string, std::string> profiles;                      // folded name -> bytes
    std::string windowsDir;                                           // host folder, empty: none
    std::map<char, std::string> drives;                               // 'C' -> host folder ("" none)
    std::vector<std::pair<std::string, FileEntry>> fileRoots;         // folded \\server\share -> root
    std::map<std::string, ModuleVersion> modules;                     // folded file name
    std::map<DWORD, std::string> messages;                            // overrides, ANSI, with "\r\n"
    Latencies latency{};                                              // microseconds per call, by function
    // Per top-level node of network: folded remote name -> the first node of
    // that name below it (depth first, node before its children).
    std::vector<std::unordered_map<std::string, const Node*>> networkIndex;
    AsWritten asWritten;

    // The indexes point into each workstation's own network: two built apart
    // compare equal once their indexes are cleared.
    bool operator==(const Workstation&) const = default;
};

// Fills networkIndex; called once the network of a workstation is complete.
void IndexNetwork(Workstation& ws);

// Checks a description and builds it. On failure returns null and sets
// error to "SOURCE: JSON.PATH: what was expected"; on success writes the
// normalised description to normalised when asked. warnings receives
// "SOURCE: JSON.PATH: ..." for members that are valid but cannot work.
std::shared_ptr<const Workstation> LoadText(const std::string& json, const std::string& sourceName,
                                            const std::string& baseDir, std::string* normalised,
                                            std::string& error, std::vector<std::string>* warnings = nullptr);
std::shared_ptr<const Workstation> LoadFile(const std::string& path, std::string* normalised,
                                            std::string& error, std::vector<std::string>* warnings = nullptr);

// Builds a workstation while reading the text of a description once, without
// a tree of it. Null when the text is not a valid description, with fault
// naming the first fault ("JSON.PATH: what was expected", no path for the
// text as a whole). warnings receives "JSON.PATH: ..." as LoadText describes.
std::shared_ptr<const Workstation> BuildFromText(const std::string& json, const std::string& baseDir,
                                                 std::string& fault, std::vector<std::string>& warnings);
// The same for the CBOR form of a description, as the embedded default is
// kept beside its text (with no folder of its own).
std::shared_ptr<const Workstation> BuildFromCbor(std::span<const unsigned char> cbor, std::vector<std::string>& warnings);

// The normalised description of a workstation: every member spelled out,
// defaults filled in, as JSON text indented by two.
std::string NormalisedDescription(const Workstation& ws);

// The embedded default in CBOR, made from its JSON file while building; empty
// where the build could not run a program of its own (cross builds).
std::span<const unsigned char> DefaultWorkstationCbor();

// ---- state ---------------------------------------------------------------------

// One entry of an open enumeration; the strings stay in the workstation that
// the enumeration holds.
struct EnumRecord {
    DWORD scope, type, display, usage;
    const Text *local, *remote, *comment, *provider;
};

struct EnumState {
    std::shared_ptr<const Workstation> ws;
    std::vector<EnumRecord> records;
    std::size_t next = 0;
    std::optional<DWORD> batch, enumError;
    DWORD enumErrorAfter = 0;
};

struct State {
    std::mutex mu;
    std::shared_ptr<const Workstation> ws;
    std::uintptr_t nextHandle = 0x10000;
    std::map<std::uintptr_t, EnumState> enums;
    std::set<std::uintptr_t> finds;
    std::map<std::uintptr_t, std::string> keys;  // opened registry keys: folded full path
    std::set<void*> allocations;                  // FormatMessageA buffers

    std::uintptr_t NewHandle() { return nextHandle += 8; }
};

// The process-wide state.
State& GetState();
// The workstation in force (a counted reference, safe after the lock is gone);
// the first call without one in force chooses the first-use workstation.
std::shared_ptr<const Workstation> Current();
// Puts a workstation in force and forgets every open handle.
void PutInForce(std::shared_ptr<const Workstation> ws);
// Puts a workstation's latencies in force (Calls.h).
void UseLatencies(const Latencies& latencies);

// The calling thread's last error (what GetLastError would answer).
void SetLastErrorCode(DWORD code);
DWORD LastErrorCode();

// ---- shared helpers -------------------------------------------------------------

// Case-insensitive equality of two ANSI strings by the given code page.
bool EqualNoCase(std::string_view a, std::string_view b, const CodePageTable& cp);
// Bounded copy into a caller's buffer: at most size-1 bytes and a terminator.
void CopyBounded(char* dst, std::size_t size, std::string_view src);
// Parses "a,b,c,d" into the two 32-bit halves of a version.
bool ParseVersion(std::string_view text, DWORD& ms, DWORD& ls);

}  // namespace qvsim::detail
