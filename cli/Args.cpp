#include "Args.h"

#include <CLI/CLI.hpp>

#include "Host.h"

#ifndef QUORVEL_VERSION
#define QUORVEL_VERSION "unknown"
#endif

namespace qvcli {

namespace {

constexpr const char* kDncHelp = "DNC name (\\\\SERVER\\VOLUME\\PATH)";

std::vector<CommandSpec> MakeTable() {
    using K = OperandKind;
    std::vector<CommandSpec> table{
        {Cmd::ToDnc, "to-dnc", "convert resource names to DNC names (ConvRes2DNC)",
         {{"NAME", "drive path, UNC path or NDS name; - reads names from standard input, one per line",
           K::Names, true}},
         true},
        {Cmd::Type, "type", "classify a resource name (GetResNameType)",
         {{"NAME", "resource name", K::Text, true}}, false},
        {Cmd::ToUnc, "to-unc", "the UNC path of a DNC name (ConvDNCtoUNC)",
         {{"DNC", kDncHelp, K::Text, true}}, false},
        {Cmd::FromDnc, "from-dnc", "the UNC path and every mapped-drive path of DNC names (ConvDNC2UNC)",
         {{"DNC", "DNC name (\\\\SERVER\\VOLUME\\PATH); - reads DNC names from standard input, one per line",
           K::Names, true}},
         false},
        {Cmd::ToMap, "to-map", "every mapped-drive path of a DNC name (ConvDNCtoMAP)",
         {{"DNC", kDncHelp, K::Text, true}}, false},
        {Cmd::MapEntry, "map-entry", "an entry of the map list (GetMapEntry; kept for compatibility: the list is always empty)",
         {{"DNC", kDncHelp, K::Text, true}, {"INDEX", "entry index, from 0", K::Index, true}}, false},
        {Cmd::ServerOf, "server-of", "the server part of a DNC name (GetServerFromDNC)",
         {{"DNC", kDncHelp, K::Text, true}}, false},
        {Cmd::SplitVolume, "split-volume",
         "split a volume object name SERVER_VOLUME (ExtractServerVolume; shell: needs the server list)",
         {{"ELEMENT", "NDS volume object name", K::Text, true}}, false},
        {Cmd::Servers, "servers", "the server list (GetServerList)", {}, false},
        {Cmd::ServerCount, "server-count", "the number of servers (GetServerCount)", {}, false},
        {Cmd::FirstServer, "first-server", "the record of the first server (GetFirstServer)", {}, false},
        {Cmd::NextServer, "next-server", "the record of a server by index (GetNextServer)",
         {{"INDEX", "server index, from 0", K::Index, true}}, false},
        {Cmd::ServerInfo, "server-info", "the record of a server by index (GetServerInfo)",
         {{"INDEX", "server index, from 0", K::Index, true}}, false},
        {Cmd::Volumes, "volumes", "enumerate the volumes of a server (EnumServerRes, GetVolumeList)",
         {{"SERVER", "server name (\\\\SERVER)", K::Text, true},
          {"PROVIDER", "network provider (default: the provider of the listed server)", K::Text, false}},
         false},
        {Cmd::VolumeList, "volume-list", "the volume list that volumes filled (GetVolumeList; shell)", {}, false},
        {Cmd::Mounts, "mounts", "the connected network drives (GetMountList)", {}, false},
        {Cmd::Build, "build", "build the lists (BuildLists; shell)", {}, false},
        {Cmd::Clear, "clear", "clear the lists (ClearLists; shell)", {}, false},
        {Cmd::ConvertMode, "convert-mode",
         "get or set the convert mode (GetConvertMode, SetConvertMode; kept for compatibility: does nothing)",
         {{"MODE", "the mode to set, 0 to 65535", K::Mode, false}}, false},
        {Cmd::Shell, "shell", "run the commands read from standard input, one per line (help, exit)", {}, false},
    };
    if (host::Simulated())
        table.push_back({Cmd::Workstation, "workstation",
                         "print the embedded default workstation, or check FILE and print it normalised",
                         {{"FILE", "workstation description (JSON)", K::Text, false}}, false});
    return table;
}

std::string OperandError(const OperandSpec& op, std::string_view text, std::uint32_t max) {
    return std::string(op.name) + " must be a decimal number from 0 to " + std::to_string(max) +
           ", not '" + std::string(text) + "'";
}

// The top-level help shows the command in its usage line.
class TopFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return std::string("Usage: quorvel ") + (host::Simulated() ? "[--workstation FILE] " : "") +
               "[--json] [--size N] [--progress] [--stats] COMMAND [ARG...]\n"
               "       quorvel --help | --version\n";
    }
};

}  // namespace

const char* const kExitStatusHelp =
    "Exit status: 0 when every operation returned 0; 1 when one returned another status,\n"
    "a name could not be handed to the library or the output could not be written;\n"
    "2 for a usage error or an unusable workstation file.\n";

std::string CommandList() {
    std::string text = "Commands (quorvel COMMAND --help for its arguments):\n";
    for (const CommandSpec& spec : CommandTable()) {
        std::string head = "  " + std::string(spec.name);
        for (const OperandSpec& op : spec.operands) {
            std::string shown = op.name;
            if (op.kind == OperandKind::Names) shown += "...";
            head += op.required ? " " + shown : " [" + shown + "]";
        }
        if (head.size() < 32) head.resize(32, ' ');
        else head += "  ";
        text += head + spec.summary + "\n";
    }
    text +=
        "\n"
        "Marked \"shell\": these read or change the lists that the library keeps in its\n"
        "process, so they only make sense after other commands inside one shell\n"
        "(split-volume and volume-list find nothing in a fresh process; build and\n"
        "clear change lists that end with it).\n"
        "Kept for compatibility: map-entry never finds an entry, convert-mode always\n"
        "gives 0 and setting it changes nothing.\n"
        "In the shell, help lists the commands and exit ends it.\n";
    return text;
}

const std::vector<CommandSpec>& CommandTable() {
    static const std::vector<CommandSpec> table = MakeTable();
    return table;
}

const CommandSpec* FindCommand(std::string_view name) {
    for (const CommandSpec& spec : CommandTable())
        if (name == spec.name) return &spec;
    return nullptr;
}

std::optional<std::uint32_t> ParseUnsigned(std::string_view text, std::uint32_t max) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > max) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint32_t ParseBufferSize(std::string_view text) {
    const std::optional<std::uint32_t> size = ParseUnsigned(text, kMaxBufferSize);
    if (!size)
        throw UsageError("--size must be a decimal number of bytes from 0 to " +
                         std::to_string(kMaxBufferSize) + ", not '" + std::string(text) + "'");
    return *size;
}

Invocation ParseCommand(const std::vector<std::string>& words) {
    if (words.empty()) throw UsageError("missing COMMAND (quorvel --help lists the commands)");
    const CommandSpec* spec = FindCommand(words.front());
    if (!spec && !host::Simulated() && words.front() == "workstation")
        throw UsageError("workstation: " + std::string(host::kNoSimulation));
    if (!spec && words.front().size() > 1 && words.front()[0] == '-')
        throw UsageError("unknown option '" + words.front() + "' (quorvel --help lists the options)");
    if (!spec)
        throw UsageError("unknown command '" + words.front() + "' (quorvel --help lists the commands)");

    CLI::App app{spec->summary, "quorvel " + std::string(spec->name)};
    // A name may begin with '/' on every system.
    app.allow_windows_style_options(false);
    std::vector<std::string> values(spec->operands.size());
    std::vector<std::string> names;
    std::vector<CLI::Option*> options;
    for (std::size_t i = 0; i < spec->operands.size(); ++i) {
        const OperandSpec& op = spec->operands[i];
        CLI::Option* option = op.kind == OperandKind::Names
                                  ? app.add_option(op.name, names, op.help)
                                  : app.add_option(op.name, values[i], op.help);
        option->required(op.required);
        options.push_back(option);
    }
    std::string size;
    CLI::Option* sizeOption = nullptr;
    if (spec->sizeOption)
        sizeOption =
            app.add_option("--size", size, "buffer size in bytes for this command")->type_name("N");

    // CLI11 takes the arguments in reverse order.
    std::vector<std::string> rest(words.rbegin(), words.rend() - 1);
    Invocation inv;
    inv.spec = spec;
    try {
        app.parse(rest);
    } catch (const CLI::CallForHelp&) {
        inv.help = app.help();
        return inv;
    } catch (const CLI::ParseError& e) {
        throw UsageError(std::string(spec->name) + ": " + e.what());
    }

    for (std::size_t i = 0; i < spec->operands.size(); ++i) {
        const OperandSpec& op = spec->operands[i];
        if (options[i]->count() == 0) continue;
        switch (op.kind) {
        case OperandKind::Names:
            inv.args = names;
            break;
        case OperandKind::Text:
            inv.args.push_back(values[i]);
            break;
        case OperandKind::Index:
            inv.index = ParseUnsigned(values[i], UINT32_MAX);
            if (!inv.index)
                throw UsageError(std::string(spec->name) + ": " + OperandError(op, values[i], UINT32_MAX));
            break;
        case OperandKind::Mode: {
            const std::optional<std::uint32_t> mode = ParseUnsigned(values[i], UINT16_MAX);
            if (!mode)
                throw UsageError(std::string(spec->name) + ": " + OperandError(op, values[i], UINT16_MAX));
            inv.mode = static_cast<std::uint16_t>(*mode);
            break;
        }
        }
    }
    if (sizeOption && sizeOption->count() > 0) inv.size = ParseBufferSize(size);
    return inv;
}

GlobalOptions ParseGlobalOptions(const std::vector<std::string>& args) {
    GlobalOptions result;
    // The common case, a command with no global option before it: CLI11
    // would stop at that first word and leave it and the rest as they are.
    if (args.size() > 1 && !args[1].empty() && args[1][0] != '-') {
        result.command.assign(args.begin() + 1, args.end());
        return result;
    }

    CLI::App app{host::Simulated()
                     ? "Network resource names and lists of the quorvel library, on a simulated workstation."
                     : "Network resource names and lists of the quorvel library, on this workstation.",
                 "quorvel"};
    app.allow_windows_style_options(false);
    app.formatter(std::make_shared<TopFormatter>());
    app.prefix_command();
    // The command list is made only when the help is shown (CLI11 puts
    // "\n" between what the function gives and the fixed footer).
    app.footer(kExitStatusHelp);
    app.footer([] { return CommandList(); });
    app.set_version_flag("--version", "quorvel " QUORVEL_VERSION);

    std::string workstation;
    std::string size;
    CLI::Option* workstationOption = nullptr;
    if (host::Simulated()) {
        workstationOption =
            app.add_option("--workstation", workstation,
                           "simulated workstation description (same as QUORVEL_WORKSTATION=FILE)")
                ->type_name("FILE");
    } else {
        // The global options come before the command.
        for (std::size_t i = 1; i < args.size() && !FindCommand(args[i]); ++i) {
            const std::string_view arg = args[i];
            if (arg == "--workstation" || arg.starts_with("--workstation=")) {
                result.usageError = "--workstation: " + std::string(host::kNoSimulation);
                return result;
            }
        }
    }
    CLI::Option* jsonOption = app.add_flag("--json", result.json, "one JSON object per result (JSON Lines)");
    app.add_flag("--progress", result.progress,
                 "to-dnc -, from-dnc -: names done and names per second on standard error (a terminal only)");
    app.add_flag("--stats", result.stats,
                 "at the end, on standard error: the names converted, names per second and the platform calls");
    CLI::Option* sizeOption = app.add_option(
        "--size", size, "buffer size in bytes handed to ConvRes2DNC (default 260)")->type_name("N");

    try {
        // CLI11 takes the arguments in reverse order, the program's name left out.
        std::vector<std::string> rest(args.rbegin(), args.rend() - (args.empty() ? 0 : 1));
        app.parse(rest);
        if (sizeOption->count() > 0) result.size = ParseBufferSize(size);
    } catch (const CLI::CallForHelp&) {
        result.exitText = app.help();
        return result;
    } catch (const CLI::CallForVersion& e) {
        result.exitText = std::string(e.what()) + "\n";
        return result;
    } catch (const CLI::ParseError& e) {
        // --json counts when it was read before the fault.
        result.json = jsonOption->count() > 0;
        result.usageError = e.what();
        return result;
    } catch (const UsageError& e) {
        result.usageError = e.what();
        return result;
    }
    if (workstationOption && workstationOption->count() > 0) result.workstation = workstation;
    result.command = app.remaining();
    if (result.command.empty()) result.usageError = "missing COMMAND (quorvel --help lists the commands)";
    return result;
}

}  // namespace qvcli
