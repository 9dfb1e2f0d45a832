// The command line of the tool: the global options, the table of commands and
// the parsing of one command with its operands (from argv or from a shell
// line). Everything that is wrong with a command line ends in a UsageError.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qvcli {

// The buffer size handed to ConvRes2DNC unless --size says otherwise, and the
// largest size accepted (anything beyond is a typing error, not a buffer).
inline constexpr std::uint32_t kDefaultBufferSize = 260;
inline constexpr std::uint32_t kMaxBufferSize = 1024 * 1024;

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Cmd {
    ToDnc,
    Type,
    ToUnc,
    FromDnc,
    ToMap,
    MapEntry,
    ServerOf,
    SplitVolume,
    Servers,
    ServerCount,
    FirstServer,
    NextServer,
    ServerInfo,
    Volumes,
    VolumeList,
    Mounts,
    Build,
    Clear,
    ConvertMode,
    Shell,
    Workstation,
};

enum class OperandKind {
    Text,   // one string
    Names,  // one or more strings
    Index,  // an unsigned 32-bit number
    Mode,   // an unsigned 16-bit number
};

struct OperandSpec {
    const char* name;
    const char* help;
    OperandKind kind;
    bool required;
};

struct CommandSpec {
    Cmd id;
    const char* name;
    const char* summary;
    std::vector<OperandSpec> operands;
    bool sizeOption;  // takes --size N of its own
};

// Every command, in the order the help lists them.
const std::vector<CommandSpec>& CommandTable();
const CommandSpec* FindCommand(std::string_view name);

// A number written in decimal digits only (no sign, no blanks), at most max.
std::optional<std::uint32_t> ParseUnsigned(std::string_view text, std::uint32_t max);
// The value of a --size option; a UsageError unless 0 <= N <= kMaxBufferSize.
std::uint32_t ParseBufferSize(std::string_view text);

// One parsed command. args holds the text operands in order (for to-dnc the
// names); index and mode hold the numeric operands that were given.
struct Invocation {
    const CommandSpec* spec = nullptr;
    std::vector<std::string> args;
    std::optional<std::uint32_t> index;
    std::optional<std::uint16_t> mode;
    std::optional<std::uint32_t> size;  // to-dnc --size N
    std::optional<std::string> help;    // --help was asked for: the text to print
};

// words[0] is the command name, the rest its arguments.
Invocation ParseCommand(const std::vector<std::string>& words);

struct GlobalOptions {
    std::optional<std::string> workstation;
    bool json = false;  // also with usageError: whether --json came before the fault
    bool progress = false;
    bool stats = false;
    std::uint32_t size = kDefaultBufferSize;
    std::vector<std::string> command;  // COMMAND ARG...
    std::optional<std::string> exitText;  // --help or --version: print this, exit 0
    std::optional<std::string> usageError;  // what is wrong with the command line
};

// The program's arguments, args[0] its name.
GlobalOptions ParseGlobalOptions(const std::vector<std::string>& args);

// The commands for the help of the shell.
std::string CommandList();

// The exit statuses, as the help lists them.
extern const char* const kExitStatusHelp;

}  // namespace qvcli
