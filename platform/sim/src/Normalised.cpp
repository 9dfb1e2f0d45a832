// The normalised description of a workstation, written from the workstation:
// every member spelled out and the defaults filled in, in the order of the
// member lists of LoadRules.h (but a node's children last, and of the
// functions in `latency` only those given), as JSON indented by two. The
// members by name come from what the workstation keeps as written
// (AsWritten), the rest from the workstation itself; a string it holds
// converted or resolved is written as the description gave it.
#include "LoadRules.h"

#include <nlohmann/json.hpp>

#include <charconv>

namespace qvsim::detail {
namespace {

using Json = nlohmann::ordered_json;
using namespace rules;

// JSON text as nlohmann's dump(2) writes it, written as it goes: an
// ordered_json tree finds each member by a linear search, which costs the
// square of the members of a large workstation.
class JsonWriter {
public:
    std::string Take() { return std::move(out_); }

    void BeginObject() { Begin('{'); }
    void EndObject() { End('}'); }
    void BeginArray() { Begin('['); }
    void EndArray() { End(']'); }
    // The name of the next member of the open object.
    void Key(std::string_view name) {
        Next();
        Quoted(name);
        out_ += ": ";
        keyed_ = true;
    }

    void String(std::string_view s) {
        Next();
        Quoted(s);
    }
    void Nullable(const Text& t) { t ? String(*t) : Null(); }
    void Null() { Literal("null"); }
    void Bool(bool b) { Literal(b ? "true" : "false"); }
    template <class Integer>
    void Number(Integer n) {
        Next();
        char digits[24];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, n);
        out_.append(digits, end);
    }
    void Code(const std::optional<DWORD>& code) { code ? Number(*code) : Null(); }
    // A name of the table, or the number where it has none.
    template <std::size_t N>
    void NameOrNumber(const Named (&table)[N], DWORD value) {
        if (std::string_view name = NameOf(table, value); !name.empty())
            String(name);
        else
            Number(value);
    }

private:
    void Quoted(std::string_view s) {
        for (unsigned char c : s)
            if (c >= 0x80) {
                // What is not ASCII goes through the library's own writer.
                out_ += Json(std::string(s)).dump(-1, ' ', false, Json::error_handler_t::replace);
                return;
            }
        out_ += '"';
        for (char c : s) {
            switch (c) {
                case '"': out_ += "\\\""; break;
                case '\\': out_ += "\\\\"; break;
                case '\b': out_ += "\\b"; break;
                case '\f': out_ += "\\f"; break;
                case '\n': out_ += "\\n"; break;
                case '\r': out_ += "\\r"; break;
                case '\t': out_ += "\\t"; break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        static const char kHex[] = "0123456789abcdef";
                        out_ += "\\u00";
                        out_ += kHex[(c >> 4) & 0xF];
                        out_ += kHex[c & 0xF];
                    } else {
                        out_ += c;
                    }
            }
        }
        out_ += '"';
    }
    // Before a value: the separator and the indentation, unless it follows
    // its member's name.
    void Next() {
        if (keyed_) {
            keyed_ = false;
            return;
        }
        if (open_.empty()) return;
        out_ += open_.back() ? "\n" : ",\n";
        open_.back() = false;
        out_.append(2 * open_.size(), ' ');
    }
    void Literal(const char* text) {
        Next();
        out_ += text;
    }
    void Begin(char bracket) {
        Next();
        out_ += bracket;
        open_.push_back(true);
    }
    void End(char bracket) {
        const bool empty = open_.back();
        open_.pop_back();
        if (!empty) {
            out_ += '\n';
            out_.append(2 * open_.size(), ' ');
        }
        out_ += bracket;
    }

    std::string out_;
    std::vector<bool> open_;  // per open object or array: nothing in it yet
    bool keyed_ = false;
};

class Normaliser {
public:
    explicit Normaliser(const Workstation& ws) : ws_(ws), strings_(ws.asWritten.strings) {}

    std::string Write() {
        JsonWriter& w = w_;
        w.BeginObject();
        w.Key(kRootMembers[root::ComputerName]);
        Spelled(std::string(1, place::kRoot), place::Of(root::ComputerName), ws_.computerName);
        w.Key(kRootMembers[root::CodePage]);
        w.Number(ws_.codePage);
        WriteOs();
        WriteProviders();
        w.Key(kRootMembers[root::Network]);
        w.BeginArray();
        std::string at(1, place::kNetwork);
        const bool spelled = HasSection(place::kNetwork);
        for (std::size_t i = 0; i < ws_.network.size(); ++i) WriteNode(ws_.network[i], at, i, spelled);
        w.EndArray();
        w.Key(kRootMembers[root::UnknownContainerError]);
        w.Number(ws_.unknownContainerError);
        WriteConnections();
        WriteRegistry();
        const AsWritten& written = ws_.asWritten;
        WriteTexts(root::Profiles, written.profiles);
        w.Key(kRootMembers[root::WindowsDir]);
        w.Nullable(written.windowsDir);
        w.Key(kRootMembers[root::Drives]);
        w.BeginObject();
        for (const auto& [letter, folder] : written.drives) {
            const char name[] = {letter, ':'};
            w.Key(std::string_view(name, 2));
            w.Nullable(folder);
        }
        w.EndObject();
        WriteFiles();
        w.Key(kRootMembers[root::Modules]);
        w.BeginObject();
        for (const auto& [name, version] : written.modules) {
            w.Key(name);
            if (!version.present) {
                w.Null();
                continue;
            }
            w.BeginObject();
            w.Key(kModuleMembers[module::FileVersion]);
            w.String(FormatVersion(version.fileMS, version.fileLS));
            w.Key(kModuleMembers[module::ProductVersion]);
            w.String(FormatVersion(version.productMS, version.productLS));
            w.EndObject();
        }
        w.EndObject();
        WriteTexts(root::Messages, written.messages);
        WriteLatency();
        w.EndObject();
        return w.Take() + "\n";
    }

    // A root member of texts by name (profiles, messages).
    void WriteTexts(int member, const std::vector<std::pair<std::string, std::string>>& texts) {
        w_.Key(kRootMembers[member]);
        w_.BeginObject();
        for (const auto& [name, text] : texts) {
            w_.Key(name);
            w_.String(text);
        }
        w_.EndObject();
    }

private:
    bool HasSection(char section) const {
        auto it = strings_.lower_bound(std::string(1, section));
        return it != strings_.end() && it->first[0] == section;
    }
    // A string as the description gave it: kept at its place, or else as the
    // workstation holds it (then it is ASCII, the same in every code page).
    const std::string* Find(const std::string& record, char member) const {
        auto it = strings_.find(place::Member(record, member));
        return it == strings_.end() ? nullptr : &it->second;
    }
    void Spelled(const std::string& record, char member, const Text& held, bool look = true) {
        const std::string* written = look ? Find(record, member) : nullptr;
        if (written)
            w_.String(*written);
        else
            w_.Nullable(held);
    }

    void WriteOs() {
        JsonWriter& w = w_;
        w.Key(kRootMembers[root::Os]);
        w.BeginObject();
        w.Key(kOsMembers[os::Fails]);
        w.Bool(ws_.osFails);
        const DWORD numbers[] = {ws_.platformId, ws_.major, ws_.minor, ws_.build};
        for (int m = os::PlatformId; m <= os::Build; ++m) {
            w.Key(kOsMembers[m]);
            w.Number(numbers[m - os::PlatformId]);
        }
        w.Key(kOsMembers[os::Csd]);
        Spelled(std::string(1, place::kOs), place::Of(os::Csd), ws_.csd);
        w.EndObject();
    }

    void WriteProviders() {
        JsonWriter& w = w_;
        w.Key(kRootMembers[root::Providers]);
        w.BeginObject();
        const std::string at(1, place::kProviders);
        for (int m : {0, 1}) {
            const auto& provider = m == 0 ? ws_.netware : ws_.lanman;
            w.Key(kProviderMembers[m]);
            if (!provider)
                w.Null();
            else if (provider->error)
                WriteError(*provider->error);
            else
                Spelled(at, place::Of(m), provider->name);
        }
        w.EndObject();
    }

    // "network", then the functions given a latency of their own.
    void WriteLatency() {
        JsonWriter& w = w_;
        w.Key(kRootMembers[root::Latency]);
        w.BeginObject();
        w.Key(kLatencyMembers[latency::Network]);
        w.Number(ws_.asWritten.networkLatency);
        for (std::size_t i = 0; i < kFunctionCount; ++i)
            if (ws_.asWritten.ownLatency[i]) {
                w.Key(kLatencyMembers[latency::FirstFunction + i]);
                w.Number(ws_.latency[i]);
            }
        w.EndObject();
    }

    void WriteError(DWORD code) {
        w_.BeginObject();
        w_.Key(kErrorMembers[0]);
        w_.Number(code);
        w_.EndObject();
    }

    void WriteNode(const Node& n, std::string& at, std::size_t index, bool spelled) {
        JsonWriter& w = w_;
        const std::size_t length = at.size();
        place::Down(at, index);
        w.BeginObject();
        // A string member of the node, as the description gave it.
        auto text = [&](int m, const Text& held) {
            w.Key(kNodeMembers[m]);
            Spelled(at, place::Of(m), held, spelled);
        };
        text(node::Remote, n.remote);
        w.Key(kNodeMembers[node::Display]);
        w.NameOrNumber(kDisplayTypes, n.display);
        text(node::Provider, n.provider);
        w.Key(kNodeMembers[node::Type]);
        w.NameOrNumber(kResourceTypes, n.type);
        w.Key(kNodeMembers[node::Usage]);
        if ((n.usage & ~3u) == 0) {
            w.BeginArray();
            for (const auto& e : kUsages)
                if (n.usage & e.value) w.String(e.name);
            w.EndArray();
        } else {
            w.Number(n.usage);
        }
        text(node::Comment, n.comment);
        text(node::Local, n.local);
        for (int m : {node::OpenError, node::EnumError, node::EnumErrorAfter, node::Batch}) {
            w.Key(kNodeMembers[m]);
            if (m == node::EnumErrorAfter)
                w.Number(n.enumErrorAfter);
            else
                w.Code(m == node::OpenError ? n.openError : m == node::EnumError ? n.enumError : n.batch);
        }
        w.Key(kNodeMembers[node::Children]);
        w.BeginArray();
        for (std::size_t i = 0; i < n.children.size(); ++i) WriteNode(n.children[i], at, i, spelled);
        w.EndArray();
        w.EndObject();
        at.resize(length);
    }

    void WriteConnections() {
        JsonWriter& w = w_;
        w.Key(kRootMembers[root::Connections]);
        w.BeginArray();
        const bool spelled = HasSection(place::kConnections);
        for (std::size_t i = 0; i < ws_.connections.size(); ++i) {
            const Connection& c = ws_.connections[i];
            std::string at(1, place::kConnections);
            place::Down(at, i);
            w.BeginObject();
            const Text* texts[] = {&c.local, &c.remote, &c.provider, &c.comment, &c.universal};
            for (int m = conn::Local; m <= conn::Universal; ++m) {
                w.Key(kConnectionMembers[m]);
                if (m == conn::Universal && c.universalError)
                    WriteError(*c.universalError);
                else
                    Spelled(at, place::Of(m), *texts[m], spelled);
            }
            w.EndObject();
        }
        w.EndArray();
    }

    void WriteRegistry() {
        using Form = AsWritten::RegistryValue::Form;
        JsonWriter& w = w_;
        w.Key(kRootMembers[root::Registry]);
        w.BeginObject();
        for (const auto& key : ws_.asWritten.registry) {
            w.Key(key.name);
            w.BeginObject();
            for (const auto& value : key.values) {
                w.Key(value.name);
                if (value.form == Form::Number) {
                    w.Number(value.number);
                } else if (value.form == Form::Text) {
                    w.String(value.data);
                } else {
                    w.BeginObject();
                    w.Key(kRegValueMembers[regvalue::Type]);
                    w.NameOrNumber(kRegTypes, value.type);
                    w.Key(kRegValueMembers[regvalue::Hex]);
                    static const char kHex[] = "0123456789abcdef";
                    std::string hex;
                    for (unsigned char c : value.data) {
                        hex += kHex[c >> 4];
                        hex += kHex[c & 0xF];
                    }
                    w.String(hex);
                    w.EndObject();
                }
            }
            w.EndObject();
        }
        w.EndObject();
    }

    void WriteFiles() {
        w_.Key(kRootMembers[root::Files]);
        w_.BeginObject();
        const bool spelled = HasSection(place::kFiles);
        for (std::size_t i = 0; i < ws_.fileRoots.size(); ++i) {
            std::string at(1, place::kFiles);
            place::Down(at, i);
            const FileEntry& root = ws_.fileRoots[i].second;
            const std::string* name = spelled ? Find(at, place::kName) : nullptr;
            w_.Key(name ? *name : root.name);
            WriteEntries(root, at, spelled);
        }
        w_.EndObject();
    }

    // What is in a folder: its entries, or {"dir": FOLDER}.
    void WriteEntries(const FileEntry& folder, std::string& at, bool spelled) {
        JsonWriter& w = w_;
        w.BeginObject();
        if (const std::string* dir = spelled ? Find(at, place::kDir) : nullptr) {
            w.Key("dir");
            w.String(*dir);
            w.EndObject();
            return;
        }
        for (std::size_t i = 0; i < folder.children.size(); ++i) {
            const FileEntry& e = folder.children[i];
            const std::size_t length = at.size();
            place::Down(at, i);
            const std::string* name = spelled ? Find(at, place::kName) : nullptr;
            w.Key(name ? *name : e.name);
            w.BeginObject();
            w.Key(kEntryMembers[entry::Short]);
            Spelled(at, place::Of(entry::Short), e.shortName, spelled);
            w.Key(kEntryMembers[entry::Children]);
            if (e.directory)
                WriteEntries(e, at, spelled);
            else
                w.Null();
            w.EndObject();
            at.resize(length);
        }
        w.EndObject();
    }

    const Workstation& ws_;
    const std::map<std::string, std::string>& strings_;
    JsonWriter w_;
};

}  // namespace

std::string NormalisedDescription(const Workstation& ws) { return Normaliser(ws).Write(); }

}  // namespace qvsim::detail
