#include "Commands.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if !defined(QUORVEL_CLI_REAL_PLATFORM)
#include <quorvel/sim/Workstation.h>
#endif

#include <quorvel/NetResConvert.h>
#include <quorvel/Win32Api.h>
#include "Host.h"
#include "ShellWords.h"

namespace qvcli {

namespace {

// Longest line kept from standard input; a resource name is at most a few
// hundred bytes, so a longer line is cut rather than held in memory.
constexpr std::size_t kMaxLine = 64 * 1024;

// Arguments and standard input are UTF-8; the library speaks the
// workstation's ANSI code page.
std::string ToAnsi(const std::string& utf8) { return host::Utf8ToAnsi(utf8); }

std::string FromAnsi(const char* text, std::size_t max) {
    return host::AnsiToUtf8(std::string(text, strnlen(text, max)));
}

std::optional<std::string> FromAnsi(const char* text) {
    if (!text) return std::nullopt;
    return host::AnsiToUtf8(text);
}

std::vector<std::string> FromAnsi(const std::vector<std::string>& list) {
    std::vector<std::string> result;
    result.reserve(list.size());
    for (const std::string& item : list) result.push_back(host::AnsiToUtf8(item));
    return result;
}

// An output buffer of the interface's 260 bytes, with one zero byte behind it
// so that a result that fills it completely still reads as a string.
struct PathBuffer {
    char data[MAX_PATH + 1] = {};
    std::string Text() const { return FromAnsi(data, MAX_PATH); }
};

Record ToRecord(const NETRESOURCEA& res) {
    Record record;
    record.scope = res.dwScope;
    record.type = res.dwType;
    record.displayType = res.dwDisplayType;
    record.usage = res.dwUsage;
    record.local = FromAnsi(res.lpLocalName);
    record.remote = FromAnsi(res.lpRemoteName);
    record.comment = FromAnsi(res.lpComment);
    record.provider = FromAnsi(res.lpProvider);
    return record;
}

// ConvRes2DNC into a buffer of exactly the requested size, reused across the
// names of one command.
class DncConverter {
public:
    explicit DncConverter(std::uint32_t size) : size_(size), buffer_(std::make_unique<char[]>(size)) {}

    Outcome Convert(const std::string& input, bool streamed) {
        if (size_ > 0) buffer_[0] = '\0';
        DWORD bufSize = size_;
        const std::string name = ToAnsi(input);
        const DWORD status = CNetResConvert::ConvRes2DNC(name.c_str(), buffer_.get(), bufSize);
        const std::string dnc = status == 0 ? FromAnsi(buffer_.get(), size_) : std::string();
        return ToDncResult(input, status, dnc, bufSize, streamed);
    }

private:
    std::uint32_t size_;
    std::unique_ptr<char[]> buffer_;
};

Outcome ServerRecord(const Invocation& inv) {
    NETRESOURCEA res{};
    DWORD status;
    if (inv.spec->id == Cmd::FirstServer)
        status = CNetResConvert::GetFirstServer(&res);
    else if (inv.spec->id == Cmd::ServerInfo)
        status = CNetResConvert::GetServerInfo(*inv.index, &res);
    else
        status = CNetResConvert::GetNextServer(*inv.index, &res);
    return RecordResult(inv.spec->name, inv.index, status, ToRecord(res));
}

// The provider of the listed server whose name equals server (letter case
// aside); empty when none is listed.
std::optional<std::string> ProviderOfListedServer(const std::string& server) {
    NETRESOURCEA res{};
    DWORD status = CNetResConvert::GetFirstServer(&res);
    for (DWORD index = 1; status == 0; ++index) {
        if (res.lpRemoteName && w32::MbsICmp(res.lpRemoteName, server.c_str()) == 0)
            return res.lpProvider ? std::optional<std::string>(res.lpProvider) : std::nullopt;
        if (index == 0) break;  // wrapped around
        res = NETRESOURCEA{};
        status = CNetResConvert::GetNextServer(index, &res);
    }
    return std::nullopt;
}

}  // namespace

Session::Session(Reporter& reporter, std::uint32_t bufferSize, std::FILE* in)
    : reporter_(reporter), bufferSize_(bufferSize), in_(in) {}

void Session::Run(const Invocation& inv) {
    if (inv.help) {
        reporter_.Text(*inv.help);
        return;
    }
    const std::string command = inv.spec->name;
    const std::string arg = inv.args.empty() ? std::string() : inv.args.front();
    switch (inv.spec->id) {
    case Cmd::ToDnc:
        ToDnc(inv);
        break;
    case Cmd::Type: {
        DWORD type = RES_TYPE_UNKNOWN;
        const DWORD status = CNetResConvert::GetResNameType(ToAnsi(arg).c_str(), type);
        reporter_.Report(TypeResult(arg, status, type));
        break;
    }
    case Cmd::ToUnc: {
        PathBuffer unc;
        const DWORD status = CNetResConvert::ConvDNCtoUNC(ToAnsi(arg).c_str(), unc.data);
        reporter_.Report(TextResult(command, arg, status, "unc", unc.Text()));
        break;
    }
    case Cmd::FromDnc: {
        PathBuffer unc;
        std::vector<std::string> maps;
        const DWORD status = CNetResConvert::ConvDNC2UNC(ToAnsi(arg).c_str(), unc.data, maps);
        reporter_.Report(FromDncResult(arg, status, unc.Text(), FromAnsi(maps)));
        break;
    }
    case Cmd::ToMap: {
        std::vector<std::string> maps;
        const DWORD status = CNetResConvert::ConvDNCtoMAP(ToAnsi(arg).c_str(), maps);
        reporter_.Report(InputListResult(command, "input", arg, status, "maps", FromAnsi(maps)));
        break;
    }
    case Cmd::MapEntry: {
        NETRESOURCEA res{};
        PathBuffer map;
        const DWORD status =
            CNetResConvert::GetMapEntry(ToAnsi(arg).c_str(), &res, *inv.index, map.data);
        reporter_.Report(MapEntryResult(arg, *inv.index, status, map.Text()));
        break;
    }
    case Cmd::ServerOf: {
        std::string dnc = ToAnsi(arg);
        PathBuffer server;
        const DWORD status = CNetResConvert::GetServerFromDNC(dnc.data(), server.data);
        reporter_.Report(TextResult(command, arg, status, "server", server.Text()));
        break;
    }
    case Cmd::SplitVolume: {
        std::string element = ToAnsi(arg);
        PathBuffer server;
        PathBuffer volume;
        const DWORD status =
            CNetResConvert::ExtractServerVolume(element.data(), server.data, volume.data);
        reporter_.Report(SplitVolumeResult(arg, status, server.Text(), volume.Text()));
        break;
    }
    case Cmd::Servers:
        reporter_.Report(ListResult(command, "servers", FromAnsi(CNetResConvert::GetServerList())));
        break;
    case Cmd::ServerCount:
        reporter_.Report(CountResult(CNetResConvert::GetServerCount()));
        break;
    case Cmd::FirstServer:
    case Cmd::NextServer:
    case Cmd::ServerInfo:
        reporter_.Report(ServerRecord(inv));
        break;
    case Cmd::Volumes:
        Volumes(inv);
        break;
    case Cmd::VolumeList:
        reporter_.Report(ListResult(command, "volumes", FromAnsi(CNetResConvert::GetVolumeList())));
        break;
    case Cmd::Mounts: {
        std::vector<Mount> mounts;
        for (const MOUNT_T& mount : CNetResConvert::GetMountList())
            mounts.push_back({mount.dwNetType, host::AnsiToUtf8(mount.LocalName),
                              host::AnsiToUtf8(mount.RemoteName), host::AnsiToUtf8(mount.DNCName)});
        reporter_.Report(MountsResult(mounts));
        break;
    }
    case Cmd::Build:
        reporter_.Report(StatusResult(command, CNetResConvert::BuildLists()));
        break;
    case Cmd::Clear:
        reporter_.Report(StatusResult(command, CNetResConvert::ClearLists()));
        break;
    case Cmd::ConvertMode:
        if (inv.mode) {
            CNetResConvert::SetConvertMode(*inv.mode);
            reporter_.Report(StatusResult(command, 0));
        } else {
            reporter_.Report(ConvertModeResult(CNetResConvert::GetConvertMode()));
        }
        break;
    case Cmd::Shell:
        if (inShell_) throw UsageError("shell: already reading commands");
        RunShell();
        break;
    case Cmd::Workstation:
        Workstation(inv);
        break;
    }
}

void Session::ToDnc(const Invocation& inv) {
    const std::uint32_t size = inv.size.value_or(bufferSize_);
    bool readsInput = false;
    for (const std::string& name : inv.args) readsInput = readsInput || name == "-";
    if (readsInput && inShell_)
        throw UsageError("to-dnc: - (names from standard input) cannot be used inside the shell");

    DncConverter converter(size);
    for (const std::string& name : inv.args) {
        if (name == "-")
            ConvertStream(size);
        else
            reporter_.Report(converter.Convert(name, false));
    }
}

void Session::ConvertStream(std::uint32_t size) {
    DncConverter converter(size);
    LineReader reader(in_, kMaxLine);
    std::string line;
    bool cut = false;
    while (reader.Next(line, cut)) reporter_.Report(converter.Convert(line, true));
}

void Session::Volumes(const Invocation& inv) {
    const std::string& server = inv.args.at(0);
    std::string remote = ToAnsi(server);
    std::optional<std::string> provider;
    if (inv.args.size() > 1)
        provider = ToAnsi(inv.args[1]);
    else
        provider = ProviderOfListedServer(remote);

    NETRESOURCEA res{};
    res.dwScope = RESOURCE_GLOBALNET;
    res.dwType = RESOURCETYPE_DISK;
    res.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
    res.dwUsage = 0;
    res.lpRemoteName = remote.data();
    res.lpProvider = provider ? provider->data() : nullptr;
    const DWORD status = CNetResConvert::EnumServerRes(&res);
    std::vector<std::string> volumes;
    if (status == 0) volumes = FromAnsi(CNetResConvert::GetVolumeList());
    reporter_.Report(InputListResult("volumes", "server", server, status, "volumes", volumes));
}

void Session::Workstation(const Invocation& inv) {
#if defined(QUORVEL_CLI_REAL_PLATFORM)
    (void)inv;
    reporter_.Usage("workstation", host::kNoSimulation);
#else
    std::string text;
    if (inv.args.empty()) {
        text = qvsim::DefaultWorkstationJson();
    } else {
        std::string error;
        if (!qvsim::CheckFile(inv.args.front(), text, error)) {
            reporter_.Usage("workstation", error);
            return;
        }
    }
    if (reporter_.IsJson()) {
        // One line, like every other result of --json.
        const Json parsed = Json::parse(text, nullptr, false);
        if (!parsed.is_discarded()) text = parsed.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    reporter_.Text(text);
#endif
}

void Session::RunShell() {
    inShell_ = true;
    reporter_.SetShell(true);
    LineReader reader(in_, kMaxLine);
    std::string line;
    bool cut = false;
    while (reader.Next(line, cut)) {
        if (cut) {
            reporter_.Usage("", "line longer than " + std::to_string(kMaxLine) + " bytes");
            continue;
        }
        const ShellLine parsed = SplitShellLine(line);
        if (!parsed.ok) {
            reporter_.Usage("", parsed.error);
        } else if (!parsed.words.empty()) {
            try {
                Run(ParseCommand(parsed.words));
            } catch (const UsageError& e) {
                reporter_.Usage(parsed.words.front(), e.what());
            }
        }
        reporter_.Flush();
    }
    inShell_ = false;
    reporter_.SetShell(false);
}

}  // namespace qvcli
