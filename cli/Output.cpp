#include "Output.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <utility>

#include <quorvel/NetResConvert.h>
#include <quorvel/quorvel.h>

#include "Host.h"

namespace qvcli {

namespace {

struct NamedCode {
    std::uint32_t code;
    const char* name;
};

// Windows error numbers the library, its platform or the command can answer.
constexpr NamedCode kStatusNames[] = {
    {2, "ERROR_FILE_NOT_FOUND"},
    {3, "ERROR_PATH_NOT_FOUND"},
    {5, "ERROR_ACCESS_DENIED"},
    {6, "ERROR_INVALID_HANDLE"},
    {8, "ERROR_NOT_ENOUGH_MEMORY"},
    {14, "ERROR_OUTOFMEMORY"},
    {50, "ERROR_NOT_SUPPORTED"},
    {51, "ERROR_REM_NOT_LIST"},
    {53, "ERROR_BAD_NETPATH"},
    {54, "ERROR_NETWORK_BUSY"},
    {55, "ERROR_DEV_NOT_EXIST"},
    {58, "ERROR_BAD_NET_RESP"},
    {59, "ERROR_UNEXP_NET_ERR"},
    {64, "ERROR_NETNAME_DELETED"},
    {65, "ERROR_NETWORK_ACCESS_DENIED"},
    {66, "ERROR_BAD_DEV_TYPE"},
    {67, "ERROR_BAD_NET_NAME"},
    {87, "ERROR_INVALID_PARAMETER"},
    {111, "ERROR_BUFFER_OVERFLOW"},
    {122, "ERROR_INSUFFICIENT_BUFFER"},
    {123, "ERROR_INVALID_NAME"},
    {206, "ERROR_FILENAME_EXCED_RANGE"},
    {1113, "ERROR_NO_UNICODE_TRANSLATION"},
    {124, "ERROR_INVALID_LEVEL"},
    {161, "ERROR_BAD_PATHNAME"},
    {234, "ERROR_MORE_DATA"},
    {259, "ERROR_NO_MORE_ITEMS"},
    {317, "ERROR_MR_MID_NOT_FOUND"},
    {487, "ERROR_INVALID_ADDRESS"},
    {1200, "ERROR_BAD_DEVICE"},
    {1201, "ERROR_CONNECTION_UNAVAIL"},
    {1203, "ERROR_NO_NET_OR_BAD_PATH"},
    {1204, "ERROR_BAD_PROVIDER"},
    {1205, "ERROR_CANNOT_OPEN_PROFILE"},
    {1206, "ERROR_BAD_PROFILE"},
    {1207, "ERROR_NOT_CONTAINER"},
    {1208, "ERROR_EXTENDED_ERROR"},
    {1222, "ERROR_NO_NETWORK"},
    {2250, "ERROR_NOT_CONNECTED"},
#define QV_CODE(name) {static_cast<std::uint32_t>(name), #name}
    QV_CODE(CONV_BAD_RES_NAME),
    QV_CODE(CONV_BAD_RES_TYPE),
    QV_CODE(CONV_BAD_NAME_FORMAT),
    QV_CODE(CONV_RES_NOT_FOUND),
    QV_CODE(CONV_BAD_OS_VERSION),
    QV_CODE(CONV_NO_SERVER),
    QV_CODE(CONV_BAD_CLIENT),
    QV_CODE(CONV_IVALID_INDEX),
    QV_CODE(CONV_PATH_NOT_FOUND),
    QV_CODE(CONV_NAME_TOO_LONG),
    QV_CODE(CONV_BAD_MAP_PATH),
    QV_CODE(CONV_NO_DOT),
};

constexpr NamedCode kResTypeNames[] = {
    QV_CODE(RES_TYPE_UNKNOWN),
    QV_CODE(RES_TYPE_MAP),
    QV_CODE(RES_TYPE_UNC),
};

#undef QV_CODE

template <std::size_t N>
std::string NameOf(const NamedCode (&table)[N], std::uint32_t code) {
    for (const NamedCode& entry : table)
        if (entry.code == code) return entry.name;
    return std::to_string(code);
}

// Display width of a UTF-8 text: its characters, not its bytes.
std::size_t Width(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Rows of cells as lines, columns two blanks apart; no blanks at a line's end.
std::vector<std::string> Table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
    }
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.append(widths[i] - Width(row[i]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

Json OrNull(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }

Json RecordJson(const Record& record) {
    return Json{{"scope", record.scope},
                {"type", record.type},
                {"display_type", record.displayType},
                {"usage", record.usage},
                {"local", OrNull(record.local)},
                {"remote", OrNull(record.remote)},
                {"comment", OrNull(record.comment)},
                {"provider", OrNull(record.provider)}};
}

std::vector<std::string> RecordLines(const Record& record) {
    auto text = [](const std::optional<std::string>& value) { return value ? *value : "(null)"; };
    return Table({{"scope:", std::to_string(record.scope)},
                  {"type:", std::to_string(record.type)},
                  {"display_type:", std::to_string(record.displayType)},
                  {"usage:", std::to_string(record.usage)},
                  {"local:", text(record.local)},
                  {"remote:", text(record.remote)},
                  {"comment:", text(record.comment)},
                  {"provider:", text(record.provider)}});
}

std::string NetTypeName(std::uint32_t netType) {
    switch (netType) {
    case QUORVEL_NET_LANMAN:
        return "LANMAN";
    case QUORVEL_NET_NETWARE:
        return "NETWARE";
    case NET_TYPE_UNSUPPORTED:
        return "UNSUPPORTED";
    default: {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08" PRIX32, netType);
        return text;
    }
    }
}

Outcome Make(const std::string& command, const std::string& input, std::uint32_t status) {
    Outcome outcome;
    outcome.command = command;
    outcome.input = input;
    outcome.status = status;
    return outcome;
}

// The value when the status is 0, else null.
template <typename T>
Json IfOk(std::uint32_t status, const T& value) {
    return status == 0 ? Json(value) : Json(nullptr);
}

std::string StatusText(std::uint32_t status, std::string_view hint) {
    std::string text = StatusName(status) + " (" + std::to_string(status) + ")";
    if (!hint.empty()) text.append(": ").append(hint);
    return text;
}

std::string ErrorLine(std::string_view command, std::string_view input, const std::string& text) {
    std::string line = "quorvel: ";
    line.append(command);
    if (!input.empty()) line.append(" ").append(input);
    return line.append(": ").append(text);
}

}  // namespace

std::string StatusName(std::uint32_t status) {
    return status == 0 ? "OK" : NameOf(kStatusNames, status);
}

std::string ResTypeName(std::uint32_t type) { return NameOf(kResTypeNames, type); }

Json ToJson(const Outcome& outcome) {
    Json object{{"command", outcome.command},
                {"status", outcome.status},
                {"status_name", StatusName(outcome.status)}};
    for (const auto& [key, value] : outcome.fields.items()) object[key] = value;
    return object;
}

std::string StatusText(const Outcome& outcome) { return StatusText(outcome.status, outcome.hint); }

std::string ErrorLine(const Outcome& outcome) {
    return ErrorLine(outcome.command, outcome.input, StatusText(outcome));
}

Outcome RefusedResult(const std::string& command, const std::string& input, std::uint32_t status,
                      const std::string& message) {
    Outcome o = Make(command, input, status);
    o.fields = {{"input", input}, {"message", message}};
    o.hint = message;
    return o;
}

Outcome TypeResult(const std::string& input, std::uint32_t status, std::uint32_t type) {
    Outcome o = Make("type", input, status);
    o.fields = {{"input", input}, {"type", type}, {"type_name", ResTypeName(type)}};
    o.lines.push_back(ResTypeName(type));
    return o;
}

Outcome TextResult(const std::string& command, const std::string& input, std::uint32_t status,
                   const char* field, const std::string& value) {
    Outcome o = Make(command, input, status);
    o.fields = {{"input", input}, {field, IfOk(status, value)}};
    o.lines.push_back(value);
    return o;
}

Outcome MapEntryResult(const std::string& input, std::uint32_t index, std::uint32_t status,
                       const std::string& map) {
    Outcome o = Make("map-entry", input + " " + std::to_string(index), status);
    o.fields = {{"input", input}, {"index", index}, {"map", IfOk(status, map)}};
    o.lines.push_back(map);
    return o;
}

Outcome InputListResult(const std::string& command, const char* inputField, const std::string& input,
                        std::uint32_t status, const char* listField,
                        const std::vector<std::string>& items) {
    Outcome o = Make(command, input, status);
    o.fields = {{inputField, input}, {listField, IfOk(status, items)}};
    o.lines = items;
    return o;
}

Outcome SplitVolumeResult(const std::string& input, std::uint32_t status, const std::string& server,
                          const std::string& volume) {
    Outcome o = Make("split-volume", input, status);
    o.fields = {{"input", input}, {"server", IfOk(status, server)}, {"volume", IfOk(status, volume)}};
    o.lines = {"SERVER: " + server, "VOLUME: " + volume};
    return o;
}

Outcome ListResult(const std::string& command, const char* field,
                   const std::vector<std::string>& items) {
    Outcome o = Make(command, "", 0);
    o.fields = {{field, items}};
    o.lines = items;
    return o;
}

Outcome CountResult(std::uint32_t count) {
    Outcome o = Make("server-count", "", 0);
    o.fields = {{"count", count}};
    o.lines.push_back(std::to_string(count));
    return o;
}

Outcome RecordResult(const std::string& command, std::optional<std::uint32_t> index,
                     std::uint32_t status, const Record& record) {
    Outcome o = Make(command, index ? std::to_string(*index) : "", status);
    if (index) o.fields["index"] = *index;
    o.fields["record"] = status == 0 ? RecordJson(record) : Json(nullptr);
    o.lines = RecordLines(record);
    return o;
}

Outcome MountsResult(const std::vector<Mount>& mounts) {
    Outcome o = Make("mounts", "", 0);
    Json list = Json::array();
    std::vector<std::vector<std::string>> rows{{"LOCAL", "NET_TYPE", "REMOTE", "DNC"}};
    for (const Mount& mount : mounts) {
        list.push_back(
            {{"net_type", mount.netType}, {"local", mount.local}, {"remote", mount.remote}, {"dnc", mount.dnc}});
        rows.push_back({mount.local, NetTypeName(mount.netType), mount.remote, mount.dnc});
    }
    o.fields = {{"mounts", std::move(list)}};
    o.lines = Table(rows);
    return o;
}

Outcome StatusResult(const std::string& command, std::uint32_t status) {
    return Make(command, "", status);
}

Outcome ConvertModeResult(std::uint32_t mode) {
    Outcome o = Make("convert-mode", "", 0);
    o.fields = {{"mode", mode}};
    o.lines.push_back(std::to_string(mode));
    return o;
}

Reporter::Reporter(bool json, std::FILE* out, std::FILE* err)
    : json_(json), out_(out), err_(err), lineByLine_(host::IsTerminal(out)) {}

void Reporter::Write(std::FILE* to, std::string_view text) {
    if (to == out_) {
        if (writeError_ != 0) return;
        pending_ += text;
        Pending();
        return;
    }
    EndProgress();
    // Standard error is the last resort: nothing is left to report its failure on.
    host::WriteBlock(to, text.data(), text.size());
}

// Output goes out in large blocks, on a terminal line by line.
void Reporter::Pending() {
    if (lineByLine_ || pending_.size() >= (1u << 16)) Drain();
}

void Reporter::Drain() {
    if (writeError_ == 0 && !pending_.empty() &&
        host::WriteBlock(out_, pending_.data(), pending_.size()) != pending_.size())
        writeError_ = errno ? errno : EIO;
    pending_.clear();
}

void Reporter::Line(std::FILE* to, std::string_view text) {
    line_.assign(text);
    line_ += '\n';
    Write(to, line_);
}

void Reporter::Report(const Outcome& outcome) {
    if (outcome.status != 0) exit_ = std::max(exit_, 1);
    if (json_) {
        // Invalid UTF-8 (an argument as the user typed it) never breaks the line.
        Line(out_, ToJson(outcome).dump(-1, ' ', false, Json::error_handler_t::replace));
        return;
    }
    if (outcome.status == 0) {
        for (const std::string& line : outcome.lines) Line(out_, line);
    } else {
        Flush();
        Line(err_, ErrorLine(outcome));
    }
}

void Reporter::Usage(const std::string& command, const std::string& message) {
    exit_ = 2;
    if (json_) {
        Json object{{"command", command.empty() ? Json(nullptr) : Json(command)},
                    {"status", nullptr},
                    {"status_name", "USAGE"},
                    {"message", message}};
        Line(out_, object.dump(-1, ' ', false, Json::error_handler_t::replace));
        if (shell_) return;
    }
    Flush();
    Line(err_, "quorvel: " + message);
}

void Reporter::Warning(const std::string& text) {
    Flush();
    Line(err_, "quorvel: warning: " + text);
}

void Reporter::Failure(const std::string& text) {
    exit_ = std::max(exit_, 1);
    Flush();
    Line(err_, "quorvel: " + text);
}

void Reporter::Text(std::string_view text) {
    Write(out_, text);
    if (!text.empty() && text.back() != '\n') Write(out_, "\n");
}

bool IsAscii(std::string_view text) {
    std::uint64_t high = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        high |= word;
    }
    for (; i < text.size(); ++i) high |= static_cast<unsigned char>(text[i]);
    return (high & 0x8080808080808080u) == 0;
}

void AppendJsonString(std::string& out, std::string_view text) {
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (!plain) {
        out += Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

void Reporter::ToDnc(std::string_view input, std::uint32_t status, std::string_view dnc, std::uint32_t required,
                     std::string_view message, bool streamed) {
    if (status != 0) exit_ = std::max(exit_, 1);
    if (writeError_ != 0) return;
    if (json_) {
        ToDncObject(input, status, dnc, required, message);
    } else if (status != 0) {
        const std::string hint = status == kStatusMoreData ? "the DNC name needs " + std::to_string(required) +
                                                                 " bytes: --size " + std::to_string(required)
                                                           : std::string(message);
        if (!FailureLine("to-dnc", input, status, hint, streamed)) return;
    } else {
        // The common case of a batch, kept short: the name and its DNC name.
        if (streamed && !input.empty()) {
            pending_ += input;
            pending_ += '\t';
        }
        pending_ += dnc;
        pending_ += '\n';
    }
    Pending();
}

void Reporter::NameObjectHead(const char* command, std::uint32_t status, std::string_view input) {
    std::string& out = pending_;
    out += R"({"command":")";
    out += command;
    if (status == 0) {
        out += R"(","status":0,"status_name":"OK","input":)";
    } else {
        out += R"(","status":)";
        out += std::to_string(status);
        out += R"(,"status_name":)";
        AppendJsonString(out, StatusName(status));
        out += R"(,"input":)";
    }
    AppendJsonString(out, input);
}

void Reporter::ToDncObject(std::string_view input, std::uint32_t status, std::string_view dnc,
                           std::uint32_t required, std::string_view message) {
    NameObjectHead("to-dnc", status, input);
    std::string& out = pending_;
    out += R"(,"dnc":)";
    if (status == 0)
        AppendJsonString(out, dnc);
    else
        out += "null";
    if (status == kStatusMoreData) out += R"(,"required":)" + std::to_string(required);
    if (!message.empty()) {
        out += R"(,"message":)";
        AppendJsonString(out, message);
    }
    out += "}\n";
}

void Reporter::FromDnc(std::string_view input, std::uint32_t status, std::string_view unc,
                       const std::vector<std::string>& maps, std::string_view message, bool streamed) {
    if (status != 0) exit_ = std::max(exit_, 1);
    if (writeError_ != 0) return;
    std::string& out = pending_;
    if (json_) {
        NameObjectHead("from-dnc", status, input);
        if (!message.empty()) {
            out += R"(,"message":)";
            AppendJsonString(out, message);
        } else if (status != 0) {
            out += R"(,"unc":null,"maps":null)";
        } else {
            out += R"(,"unc":)";
            AppendJsonString(out, unc);
            out += R"(,"maps":[)";
            for (std::size_t i = 0; i < maps.size(); ++i) {
                if (i > 0) out += ',';
                AppendJsonString(out, maps[i]);
            }
            out += ']';
        }
        out += "}\n";
    } else if (status != 0) {
        if (!FailureLine("from-dnc", input, status, std::string(message), streamed)) return;
    } else if (streamed) {
        if (!input.empty()) {
            out += input;
            out += '\t';
            out += unc;
            for (const std::string& map : maps) {
                out += '\t';
                out += map;
            }
        }
        out += '\n';
    } else {
        out += "UNC: ";
        out += unc;
        out += '\n';
        for (const std::string& map : maps) {
            out += "MAP: ";
            out += map;
            out += '\n';
        }
    }
    Pending();
}

bool Reporter::FailureLine(const char* command, std::string_view input, std::uint32_t status,
                           const std::string& hint, bool streamed) {
    const std::string text = StatusText(status, hint);
    if (!streamed) {
        Flush();
        Line(err_, ErrorLine(command, input, text));
        return false;
    }
    pending_ += input;
    pending_ += "\t!";
    pending_ += text;
    pending_ += '\n';
    return true;
}

void Reporter::Stats(unsigned long long names, double seconds,
                     const std::optional<std::vector<host::CallCount>>& calls) {
    const auto rate = static_cast<unsigned long long>(seconds > 0 ? static_cast<double>(names) / seconds : 0);
    unsigned long long total = 0;
    if (calls)
        for (const host::CallCount& c : *calls) total += c.calls;
    Flush();
    if (json_) {
        Json stats{{"names", names}, {"seconds", seconds}, {"names_per_second", rate}};
        if (calls) {
            Json byFunction = Json::object();
            for (const host::CallCount& c : *calls) byFunction[c.function] = c.calls;
            stats["platform_calls"] = total;
            stats["calls"] = std::move(byFunction);
        } else {
            stats["platform_calls"] = nullptr;
            stats["calls"] = nullptr;
        }
        Line(err_, Json{{"stats", std::move(stats)}}.dump());
        return;
    }
    char head[128];
    std::snprintf(head, sizeof head, "quorvel: stats: %llu names in %.3f s, %llu names/s", names, seconds, rate);
    Line(err_, head);
    if (!calls) {
        Line(err_, "quorvel: stats: platform calls: not counted on this system");
        return;
    }
    std::string line = "quorvel: stats: " + std::to_string(total) + " platform calls";
    const char* sep = ": ";
    for (const host::CallCount& c : *calls) {
        if (c.calls == 0) continue;
        line += sep + c.function + " " + std::to_string(c.calls);
        sep = ", ";
    }
    Line(err_, line);
}

void Reporter::Progress(const std::string& text, bool last) {
    EndProgress();
    std::fputs(("\r" + text + (last ? "\n" : "")).c_str(), err_);
    std::fflush(err_);
    progressShown_ = !last;
}

void Reporter::EndProgress() {
    // A message on standard error first clears the status line it would mix with.
    if (progressShown_) std::fputs("\r\033[K", err_);
    progressShown_ = false;
}

void Reporter::Flush() {
    Drain();
    if (std::fflush(out_) != 0 && writeError_ == 0) writeError_ = errno ? errno : EIO;
    std::fflush(err_);
}

int Reporter::Finish() {
    Flush();
    if (writeError_ == 0 && std::ferror(out_)) writeError_ = EIO;
    if (writeError_ != 0) {
        const int error = writeError_;
        EndProgress();
        std::fprintf(err_, "quorvel: cannot write standard output: %s\n", std::strerror(error));
        std::fflush(err_);
        exit_ = std::max(exit_, 1);
    }
    return exit_;
}

}  // namespace qvcli
