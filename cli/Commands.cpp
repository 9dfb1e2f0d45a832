#include "Commands.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <quorvel/NetResConvert.h>
#include <quorvel/quorvel.h>
#include "Host.h"
#include "ShellWords.h"

namespace qvcli {

namespace {

// Longest line kept from standard input; a resource name is at most a few
// hundred bytes, so a longer line is cut rather than held in memory.
constexpr std::size_t kMaxLine = 64 * 1024;

// The length of the UTF-8 sequence at text[at] and its code point; 0 when no
// valid sequence begins there.
std::size_t DecodeUtf8(std::string_view text, std::size_t at, std::uint32_t& code) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t n = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                        : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (n == 0 || at + n > text.size()) return 0;
    code = n == 1 ? lead : lead & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        const auto c = static_cast<unsigned char>(text[at + i]);
        if ((c & 0xC0) != 0x80) return 0;
        code = (code << 6) | (c & 0x3F);
    }
    const bool overlong = (n == 3 && code < 0x800) || (n == 4 && code < 0x10000);
    return overlong || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF ? 0 : n;
}

// Checks text before it goes to the library: no NUL byte, valid UTF-8 and
// only characters of the workstation's code page. name then points at the
// text in that code page: at text itself when it is ASCII (text must be
// followed by a NUL byte), else at ansi.
bool PrepareName(std::string_view text, std::string& ansi, const char*& name, Refused& refused) {
    if (const void* nul = std::memchr(text.data(), 0, text.size())) {
        refused = {std::string(text), kStatusInvalidName,
                   "the name holds a NUL byte (at byte " +
                       std::to_string(static_cast<const char*>(nul) - text.data()) + ")"};
        return false;
    }
    if (IsAscii(text)) {
        name = text.data();
        return true;
    }
    std::size_t bad = 0;
    if (host::Utf8ToAnsiExact(text, ansi, bad)) {
        name = ansi.c_str();
        return true;
    }
    std::uint32_t code = 0;
    const std::size_t n = bad < text.size() ? DecodeUtf8(text, bad, code) : 0;
    char detail[96];
    if (n > 0)
        std::snprintf(detail, sizeof detail, "'%.*s' (U+%04X, at byte %zu) is not in code page %u",
                      static_cast<int>(n), text.data() + bad, static_cast<unsigned>(code), bad,
                      host::CodePage());
    else
        std::snprintf(detail, sizeof detail, "invalid UTF-8 (byte 0x%02X at byte %zu)",
                      bad < text.size() ? static_cast<unsigned char>(text[bad]) : 0u, bad);
    refused = {std::string(text), kStatusNoTranslation, detail};
    return false;
}

// The size of the library's path buffers, the terminator included.
constexpr std::size_t kPathSize = QUORVEL_PATH_SIZE;

// How many bytes of a name the library reads, where it reads fewer than a
// long name has: ConvRes2DNC converts a name beginning with two backslashes
// from its first 260 bytes (a drive path whole), GetServerFromDNC reads its
// first 259 and ExtractServerVolume its first 260. 0: the name is read whole,
// or refused when it is too long (the DNC-to-UNC operations).
std::size_t BytesRead(Cmd command, std::string_view ansi) {
    switch (command) {
    case Cmd::ToDnc:
        return ansi.starts_with("\\\\") ? kPathSize : 0;
    case Cmd::ServerOf:
        return kPathSize - 1;
    case Cmd::SplitVolume:
        return kPathSize;
    default:
        return 0;
    }
}

// A warning for a name of which the library reads only a part.
void WarnIfCut(Reporter& reporter, const CommandSpec& spec, std::string_view input, std::string_view ansi) {
    if (ansi.size() < kPathSize) return;  // read whole by every operation
    const std::size_t read = BytesRead(spec.id, ansi);
    if (read == 0 || ansi.size() <= read) return;
    reporter.Warning(std::string(spec.name) + " " + std::string(input) + ": the name has " +
                     std::to_string(ansi.size()) + " bytes; the library reads only its first " +
                     std::to_string(read));
}

// Everything the library hands back is in the code page; ASCII is UTF-8 as it is.
std::string_view ToUtf8(std::string_view ansi, std::string& utf8) {
    if (IsAscii(ansi)) return ansi;
    utf8 = host::AnsiToUtf8(ansi);
    return utf8;
}

// Names done and names per second, redrawn at most five times a second.
class ProgressMeter {
public:
    ProgressMeter(Reporter& reporter, bool on) : reporter_(reporter), on_(on) {}
    ~ProgressMeter() {
        if (on_ && done_ > 0) Draw(Clock::now(), true);
    }
    void Add() {
        if (!on_ || (++done_ & 0x3FF) != 0) return;
        const Clock::time_point now = Clock::now();
        if (now >= next_) Draw(now, false);
    }

private:
    using Clock = std::chrono::steady_clock;
    void Draw(Clock::time_point now, bool last) {
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const auto rate = static_cast<unsigned long long>(seconds > 0 ? static_cast<double>(done_) / seconds : 0);
        reporter_.Progress("quorvel: " + std::to_string(done_) + " names, " + std::to_string(rate) + " names/s",
                           last);
        next_ = now + std::chrono::milliseconds(200);
    }
    Reporter& reporter_;
    bool on_;
    unsigned long long done_ = 0;
    Clock::time_point start_ = Clock::now();
    Clock::time_point next_ = start_ + std::chrono::milliseconds(200);
};

std::string FromAnsi(const char* text, std::size_t max) {
    return host::AnsiToUtf8(std::string_view(text, strnlen(text, max)));
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
    char data[kPathSize + 1] = {};
    std::string Text() const { return FromAnsi(data, kPathSize); }
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
// names of one command, with one spare byte so that a result that fills it
// still reads as a string.
class DncConverter {
public:
    explicit DncConverter(std::uint32_t size) : size_(size), buffer_(std::make_unique<char[]>(size + std::size_t{1})) {}

    // The status; bufSize receives the size the library wrote back.
    DWORD Convert(const char* name, DWORD& bufSize) {
        buffer_[0] = '\0';
        buffer_[size_] = '\0';
        bufSize = size_;
        return CNetResConvert::ConvRes2DNC(name, buffer_.get(), bufSize);
    }
    std::string_view Result() const { return std::string_view(buffer_.get(), strnlen(buffer_.get(), size_)); }

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
        if (res.lpRemoteName && host::SameName(res.lpRemoteName, server.c_str()))
            return res.lpProvider ? std::optional<std::string>(res.lpProvider) : std::nullopt;
        if (index == 0) break;  // wrapped around
        res = NETRESOURCEA{};
        status = CNetResConvert::GetNextServer(index, &res);
    }
    return std::nullopt;
}

// A batch of the library around the names of standard input.
class LibraryBatch {
public:
    LibraryBatch() { quorvel_batch_begin(); }
    ~LibraryBatch() { quorvel_batch_end(); }
    LibraryBatch(const LibraryBatch&) = delete;
    LibraryBatch& operator=(const LibraryBatch&) = delete;
};

}  // namespace

Session::Session(Reporter& reporter, std::uint32_t bufferSize, std::FILE* in, bool progress)
    : reporter_(reporter), bufferSize_(bufferSize), in_(in), progress_(progress) {}

std::string Session::ToLibrary(const CommandSpec& spec, const std::string& text) {
    std::string ansi;
    const char* name = nullptr;
    Refused refused;
    if (!PrepareName(text, ansi, name, refused)) throw refused;
    if (name == text.c_str()) ansi = text;
    WarnIfCut(reporter_, spec, text, ansi);
    return ansi;
}

const char* Session::Admit(const CommandSpec& spec, std::string_view text, std::string& ansi, Refused& refused) {
    const char* name = nullptr;
    if (!PrepareName(text, ansi, name, refused)) return nullptr;
    WarnIfCut(reporter_, spec, text, name == text.data() ? text : std::string_view(ansi));
    ++names_;
    return name;
}

void Session::Run(const Invocation& inv) {
    if (inv.help) {
        reporter_.Text(*inv.help);
        return;
    }
    const std::string command = inv.spec->name;
    const std::string arg = inv.args.empty() ? std::string() : inv.args.front();
    try {
        RunOne(inv, command, arg);
    } catch (const Refused& r) {
        reporter_.Report(RefusedResult(command, r.input, r.status, r.message));
    }
}

void Session::RunOne(const Invocation& inv, const std::string& command, const std::string& arg) {
    auto ToAnsi = [&](const std::string& text) { return ToLibrary(*inv.spec, text); };
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
    case Cmd::FromDnc:
        FromDnc(inv);
        break;
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

// The names of to-dnc and from-dnc: each argument, "-" standing for the lines
// of standard input, handed to onName as the library can take them.
template <class OnName>
void Session::ForEachName(const Invocation& inv, OnName onName) {
    bool readsInput = false;
    for (const std::string& name : inv.args) readsInput = readsInput || name == "-";
    if (readsInput && inShell_)
        throw UsageError(std::string(inv.spec->name) + ": - (names from standard input) cannot be used inside the shell");

    std::string ansi;
    for (const std::string& arg : inv.args) {
        if (reporter_.Failed()) return;
        if (arg == "-") {
            StreamNames(*inv.spec, onName);
            continue;
        }
        Refused refused;
        const char* name = Admit(*inv.spec, arg, ansi, refused);
        onName(Name{arg, name, name ? nullptr : &refused, false});
    }
}

// The hot loop of a catalogue: no allocation per name (the line and the name
// in the code page reuse their buffers), and the names go to the library in
// one batch, which remembers what it learns of the network.
template <class OnName>
void Session::StreamNames(const CommandSpec& spec, OnName onName) {
    const LibraryBatch batch;
    LineReader reader(in_, kMaxLine);
    ProgressMeter progress(reporter_, progress_ && host::IsTerminal(stderr));
    std::string ansi;
    std::string_view line;
    bool cut = false;
    Refused refused;
    while (!reporter_.Failed() && reader.Next(line, cut)) {
        progress.Add();
        if (cut) {
            refused = {std::string(line), kStatusNameTooLong,
                       "line longer than " + std::to_string(kMaxLine) + " bytes"};
        } else if (line.empty()) {
            onName(Name{line, nullptr, nullptr, true});
            continue;
        } else if (const char* name = Admit(spec, line, ansi, refused)) {
            onName(Name{line, name, nullptr, true});
            continue;
        }
        onName(Name{refused.input, nullptr, &refused, true});
    }
    if (reader.Error() != 0) reporter_.Failure(std::string("cannot read standard input: ") + std::strerror(reader.Error()));
}

void Session::ToDnc(const Invocation& inv) {
    DncConverter converter(inv.size.value_or(bufferSize_));
    std::string utf8;
    ForEachName(inv, [&](const Name& n) {
        if (n.refused != nullptr) {
            reporter_.ToDnc(n.input, n.refused->status, "", 0, n.refused->message, n.streamed);
        } else if (n.ansi == nullptr) {
            reporter_.ToDnc(n.input, 0, "", 0, "", n.streamed);  // an empty line
        } else {
            DWORD bufSize = 0;
            const DWORD status = converter.Convert(n.ansi, bufSize);
            reporter_.ToDnc(n.input, status, status == 0 ? ToUtf8(converter.Result(), utf8) : "", bufSize, "",
                            n.streamed);
        }
    });
}

void Session::FromDnc(const Invocation& inv) {
    std::vector<std::string> maps;
    std::string utf8;
    ForEachName(inv, [&](const Name& n) {
        maps.clear();
        if (n.refused != nullptr) {
            reporter_.FromDnc(n.input, n.refused->status, "", maps, n.refused->message, n.streamed);
        } else if (n.ansi == nullptr) {
            reporter_.FromDnc(n.input, 0, "", maps, "", n.streamed);  // an empty line
        } else {
            PathBuffer unc;
            const DWORD status = CNetResConvert::ConvDNC2UNC(n.ansi, unc.data, maps);
            for (std::string& map : maps)
                if (!IsAscii(map)) map = host::AnsiToUtf8(map);
            reporter_.FromDnc(n.input, status, ToUtf8(std::string_view(unc.data, strnlen(unc.data, kPathSize)), utf8),
                              maps, "", n.streamed);
        }
    });
}

void Session::Volumes(const Invocation& inv) {
    const std::string& server = inv.args.at(0);
    std::string remote = ToLibrary(*inv.spec, server);
    std::optional<std::string> provider;
    if (inv.args.size() > 1)
        provider = ToLibrary(*inv.spec, inv.args[1]);
    else
        provider = ProviderOfListedServer(remote);

    // A server record as GetFirstServer gives one: the whole network (scope
    // 2), disks (type 1), a server (display type 2).
    NETRESOURCEA res{};
    res.dwScope = 2;
    res.dwType = 1;
    res.dwDisplayType = 2;
    res.dwUsage = 0;
    res.lpRemoteName = remote.data();
    res.lpProvider = provider ? provider->data() : nullptr;
    const DWORD status = CNetResConvert::EnumServerRes(&res);
    std::vector<std::string> volumes;
    if (status == 0) volumes = FromAnsi(CNetResConvert::GetVolumeList());
    reporter_.Report(InputListResult("volumes", "server", server, status, "volumes", volumes));
}

void Session::Workstation(const Invocation& inv) {
    std::optional<std::string> file;
    if (!inv.args.empty()) file = inv.args.front();
    std::string text;
    std::string error;
    std::vector<std::string> warnings;
    const bool ok = host::DescribeWorkstation(file, text, error, warnings);
    for (const std::string& warning : warnings) reporter_.Warning(warning);
    if (!ok) {
        reporter_.Usage("workstation", error);
        return;
    }
    if (reporter_.IsJson()) {
        // One line, like every other result of --json.
        const Json parsed = Json::parse(text, nullptr, false);
        if (!parsed.is_discarded()) text = parsed.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    reporter_.Text(text);
}

void Session::RunShell() {
    inShell_ = true;
    reporter_.SetShell(true);
    LineReader reader(in_, kMaxLine);
    // A person at a terminal gets a prompt, on standard error as shells do.
    const bool prompt = host::IsTerminal(in_);
    std::string_view line;
    bool cut = false;
    for (;;) {
        if (prompt) {
            std::fputs("quorvel> ", stderr);
            std::fflush(stderr);
        }
        if (reporter_.Failed() || !reader.Next(line, cut)) break;
        if (cut) {
            reporter_.Usage("", "line longer than " + std::to_string(kMaxLine) + " bytes");
            continue;
        }
        const ShellLine parsed = SplitShellLine(line);
        if (!parsed.ok) {
            reporter_.Usage("", parsed.error);
        } else if (parsed.words.size() == 1 && parsed.words.front() == "exit") {
            break;
        } else if (!parsed.words.empty() && parsed.words.front() == "help") {
            // help, or help COMMAND: that command's --help.
            std::vector<std::string> words(parsed.words.begin() + 1, parsed.words.end());
            words.push_back("--help");
            try {
                if (words.size() == 1) reporter_.Text(CommandList());
                else Run(ParseCommand(words));
            } catch (const UsageError& e) {
                reporter_.Usage("help", e.what());
            }
        } else if (!parsed.words.empty()) {
            try {
                Run(ParseCommand(parsed.words));
            } catch (const UsageError& e) {
                reporter_.Usage(parsed.words.front(), e.what());
            }
        }
        reporter_.Flush();
    }
    if (reader.Error() != 0) reporter_.Failure(std::string("cannot read standard input: ") + std::strerror(reader.Error()));
    if (prompt) std::fputs("\n", stderr);
    inShell_ = false;
    reporter_.SetShell(false);
}

}  // namespace qvcli
