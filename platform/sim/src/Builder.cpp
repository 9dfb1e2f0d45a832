// Building a workstation while its description is read: the parser's events
// (nlohmann's SAX interface) drive a stack of frames, one per open object or
// array, each knowing what its members may be and where their values go. No
// tree of the text is made, and nothing of it is kept but the workstation.
// The first thing that is not valid ends the reading; the validator
// (Loader.cpp) then names it.
#include "LoadRules.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

namespace qvsim::detail {
namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;
using namespace rules;

// Positions in the member lists of LoadRules.h.
namespace root {
enum : int { ComputerName, CodePage, Os, Providers, Network, UnknownContainerError, Connections, Registry,
             Profiles, WindowsDir, Drives, Files, Modules, Messages };
}
namespace os {
enum : int { Fails, PlatformId, Major, Minor, Build, Csd };
}
namespace node {
enum : int { Remote, Display, Provider, Type, Usage, Comment, Local, Children, OpenError, EnumError,
             EnumErrorAfter, Batch };
}
namespace conn {
enum : int { Local, Remote, Provider, Comment, Universal };
}
namespace regvalue {
enum : int { Type, Hex };
}
namespace entry {
enum : int { Short, Children };
}

// A value that is neither an object nor an array, as the parser reports it.
struct Scalar {
    enum Type { Null, Bool, Unsigned, Signed, Float, String } type;
    std::uint64_t u = 0;
    std::int64_t i = 0;
    bool b = false;
    const std::string* s = nullptr;

    bool IsU32() const { return type == Unsigned && u <= 0xFFFFFFFFu; }
    bool IsString(std::size_t max) const { return type == String && s->size() <= max; }
    bool IsText(std::size_t max) const { return type == Null || IsString(max); }  // a string or null
};

enum class Kind : std::uint8_t {
    Root, Os, Providers, ErrorCode, Nodes, Node, Usage, Connections, Connection, Registry, RegKey, RegValue,
    Profiles, Drives, Files, Entries, Entry, Modules, Module, Messages
};

struct Frame {
    Kind kind;
    int member = -1;         // objects: the member whose value comes next
    std::uint32_t seen = 0;  // objects of fixed members: those given so far
    std::size_t keys = 0;    // objects: members so far
    std::string key;         // maps: the pending member's name, as the workstation keeps it
    DWORD number = 0;        // ErrorCode: the code; Messages: the pending number; Node: display; RegValue: type
    DWORD type = 0, usage = 0;
    bool typeGiven = false, usageGiven = false;
    bool flag = false;       // Entries: it is {"dir": ...}; Connection: its local name is a string
    std::size_t order = 0;   // Node: its place in the pre-order of its top-level node
    Node* node = nullptr;
    std::vector<Node>* nodes = nullptr;
    Connection* connection = nullptr;
    std::map<std::string, RegValue>* values = nullptr;
    FileEntry* entry = nullptr;
    ModuleVersion* module = nullptr;
};

// The path of a network node in warnings: network[i].children[j]...
struct NodePath {
    const NodePath* up;
    std::size_t index;

    std::string Text() const {
        return up ? up->Text() + ".children[" + std::to_string(index) + "]" : "network[" + std::to_string(index) + "]";
    }
};

bool HasRepeats(std::vector<std::string_view> names) {
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
}

class Reader {
public:
    Reader(const std::string& baseDir, bool asGiven)
        : ws_(std::make_shared<Workstation>()), cp_(FindCodePage(1252)), baseDir_(baseDir), asGiven_(asGiven) {
        frames_.reserve(kMaxNesting + 2);
    }

    std::shared_ptr<const Workstation> Take(std::vector<std::string>& warnings) {
        if (!done_) return nullptr;
        for (auto& w : nodeWarnings_) warnings.push_back(std::move(w));
        for (auto& w : connectionWarnings_) warnings.push_back(std::move(w));
        return std::move(ws_);
    }

    // ---- the parser's events ----
    bool null() { return OnScalar(Scalar{Scalar::Null}); }
    bool boolean(bool b) {
        Scalar v{Scalar::Bool};
        v.b = b;
        return OnScalar(v);
    }
    bool number_integer(Json::number_integer_t i) {
        Scalar v{Scalar::Signed};
        v.i = i;
        return OnScalar(v);
    }
    bool number_unsigned(Json::number_unsigned_t u) {
        Scalar v{Scalar::Unsigned};
        v.u = u;
        return OnScalar(v);
    }
    bool number_float(Json::number_float_t, const std::string&) { return OnScalar(Scalar{Scalar::Float}); }
    bool string(std::string& s) {
        Scalar v{Scalar::String};
        v.s = &s;
        return OnScalar(v);
    }
    bool binary(Json::binary_t&) { return false; }
    bool start_object(std::size_t) { return Open(true); }
    bool start_array(std::size_t) { return Open(false); }
    bool key(std::string& k) { return OnKey(k); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool parse_error(std::size_t, const std::string&, const Json::exception&) { return false; }

private:
    Frame& Push(Kind kind) {
        frames_.emplace_back();
        frames_.back().kind = kind;
        return frames_.back();
    }
    Frame& Parent() { return frames_[frames_.size() - 2]; }
    // Opens a frame when the value may be what it reads.
    bool Enter(bool allowed, Kind kind) {
        if (allowed) Push(kind);
        return allowed;
    }

    // ---- strings in the workstation's code page ----
    std::string Ansi(const std::string& utf8) {
        for (unsigned char c : utf8)
            if (c >= 0x80) {
                cpUsed_ = true;
                return ConvertUtf8ToAnsi(utf8, cp_->codePage);
            }
        return utf8;
    }
    std::string Fold(const std::string& utf8) {
        cpUsed_ = true;
        return FoldKey(Ansi(utf8), *cp_);
    }
    // A string (up to kMaxName bytes) or null.
    bool TextInto(const Scalar& v, Text& out) {
        if (!v.IsText(kMaxName)) return false;
        if (v.type == Scalar::Null)
            out.reset();
        else
            out = Ansi(*v.s);
        return true;
    }
    // An error code or null.
    static bool CodeInto(const Scalar& v, std::optional<DWORD>& out) {
        if (v.type == Scalar::Null) return true;
        if (!v.IsU32()) return false;
        out = static_cast<DWORD>(v.u);
        return true;
    }
    // A name of the table or a number.
    template <std::size_t N>
    static bool NamedInto(const Named (&table)[N], const Scalar& v, DWORD& out) {
        if (v.type == Scalar::String) return FindNamed(table, *v.s, out);
        if (!v.IsU32()) return false;
        out = static_cast<DWORD>(v.u);
        return true;
    }
    std::string HostFolder(const std::string& p) const {
        if (p.empty()) return "";
        fs::path path(p);
        if (path.is_relative()) path = (baseDir_.empty() ? fs::current_path() : fs::absolute(baseDir_)) / path;
        return path.lexically_normal().string();
    }

    // ---- members ----
    template <std::size_t N>
    static bool Fixed(Frame& f, const char* const (&members)[N], const std::string& k) {
        int m = MemberIndex(members, k);
        if (m < 0 || (f.seen >> m & 1u)) return false;
        f.seen |= 1u << m;
        f.member = m;
        return true;
    }

    bool OnKey(const std::string& k) {
        Frame& f = frames_.back();
        ++f.keys;
        switch (f.kind) {
            case Kind::Root: return Fixed(f, kRootMembers, k);
            case Kind::Os: return Fixed(f, kOsMembers, k);
            case Kind::Providers: return Fixed(f, kProviderMembers, k);
            case Kind::ErrorCode: return Fixed(f, kErrorMembers, k);
            case Kind::Node: return Fixed(f, kNodeMembers, k);
            case Kind::Connection: return Fixed(f, kConnectionMembers, k);
            case Kind::RegValue: return Fixed(f, kRegValueMembers, k);
            case Kind::Entry: return Fixed(f, kEntryMembers, k);
            case Kind::Module: return Fixed(f, kModuleMembers, k);
            case Kind::Registry:
                f.key = k;
                return IsRegistryRoot(k) && k.size() <= kMaxName;
            case Kind::RegKey:
                f.key = Fold(k);
                return !(asGiven_ && f.values->count(f.key));
            case Kind::Profiles:
                if (!IsProfileName(k)) return false;
                f.key = Fold(k);
                return !(asGiven_ && ws_->profiles.count(f.key));
            case Kind::Drives:
                if (!IsDriveName(k)) return false;
                f.key.assign(1, DriveLetter(k));
                return !(asGiven_ && ws_->drives.count(f.key[0]));
            case Kind::Files:
                f.key = k;
                return IsShareRoot(k) && k.size() <= kMaxName;
            case Kind::Entries:
                // {"dir": "folder"} has that one member; as the first of
                // several, "dir" names an entry.
                if (f.flag || !IsEntryName(k)) return false;
                f.member = f.keys == 1 && k == "dir" ? 1 : 0;
                f.key = k;
                return true;
            case Kind::Modules:
                if (!IsModuleName(k)) return false;
                f.key = Fold(k);
                return !(asGiven_ && ws_->modules.count(f.key));
            case Kind::Messages:
                return MessageNumber(k, f.number) && !(asGiven_ && ws_->messages.count(f.number));
            default: return false;
        }
    }

    // ---- objects and arrays ----
    bool Open(bool object) {
        if (frames_.empty()) {
            if (!object) return false;
            Push(Kind::Root);
            return true;
        }
        if (asGiven_ && frames_.size() >= static_cast<std::size_t>(kMaxNesting)) return false;
        Frame& f = frames_.back();
        const int m = f.member;
        switch (f.kind) {
            case Kind::Root:
                if (m == root::Network || m == root::Connections) {
                    if (object) return false;
                    if (m == root::Network)
                        Push(Kind::Nodes).nodes = &ws_->network;
                    else
                        Push(Kind::Connections);
                    return true;
                }
                switch (m) {
                    case root::Os: return Enter(object, Kind::Os);
                    case root::Providers: return Enter(object, Kind::Providers);
                    case root::Registry: return Enter(object, Kind::Registry);
                    case root::Profiles: return Enter(object, Kind::Profiles);
                    case root::Drives: return Enter(object, Kind::Drives);
                    case root::Files: return Enter(object, Kind::Files);
                    case root::Modules: return Enter(object, Kind::Modules);
                    case root::Messages: return Enter(object, Kind::Messages);
                    default: return false;
                }
            case Kind::Providers: return Enter(object, Kind::ErrorCode);
            case Kind::Nodes: {
                if (!object) return false;
                Node* n = &f.nodes->emplace_back();
                Frame& nf = Push(Kind::Node);
                nf.node = n;
                nf.order = providerGiven_.size();
                providerGiven_.push_back(false);
                return true;
            }
            case Kind::Node: {
                if (object) return false;
                if (m == node::Usage) {
                    f.usageGiven = true;
                    f.usage = 0;
                    Push(Kind::Usage);
                    return true;
                }
                if (m != node::Children) return false;
                std::vector<Node>* children = &f.node->children;
                Push(Kind::Nodes).nodes = children;
                return true;
            }
            case Kind::Connections: {
                if (!object) return false;
                Connection* c = &ws_->connections.emplace_back();
                Push(Kind::Connection).connection = c;
                return true;
            }
            case Kind::Connection: return Enter(object && m == conn::Universal, Kind::ErrorCode);
            case Kind::Registry: {
                if (!object) return false;
                std::string path = Fold(f.key);
                while (!path.empty() && path.back() == '\\') path.pop_back();
                if (asGiven_ && ws_->registry.count(path)) return false;
                auto* values = &ws_->registry[path];
                Push(Kind::RegKey).values = values;
                return true;
            }
            case Kind::RegKey: return Enter(object, Kind::RegValue);
            case Kind::Files: {
                if (!object) return false;
                FileEntry rootEntry;
                rootEntry.name = Ansi(f.key);
                rootEntry.directory = true;
                std::string folded = FoldKey(rootEntry.name, *cp_);
                cpUsed_ = true;
                FileEntry* e = &ws_->fileRoots.emplace_back(std::move(folded), std::move(rootEntry)).second;
                Push(Kind::Entries).entry = e;
                return true;
            }
            case Kind::Entries: {
                if (!object) return false;
                FileEntry* e = &f.entry->children.emplace_back();
                e->name = Ansi(f.key);
                Push(Kind::Entry).entry = e;
                return true;
            }
            case Kind::Entry: {
                if (!object || m != entry::Children) return false;
                FileEntry* e = f.entry;
                e->directory = true;
                Push(Kind::Entries).entry = e;
                return true;
            }
            case Kind::Modules: {
                if (!object) return false;
                ModuleVersion* mv = &ws_->modules[f.key];
                *mv = ModuleVersion{};
                Push(Kind::Module).module = mv;
                return true;
            }
            default: return false;
        }
    }

    bool Close() {
        Frame& f = frames_.back();
        switch (f.kind) {
            case Kind::Root: Finish(); break;
            case Kind::ErrorCode: {
                if (!(f.seen & 1u)) return false;  // {"error": N} names its code
                Frame& p = Parent();
                if (p.kind == Kind::Providers)
                    (p.member == 0 ? ws_->netware : ws_->lanman) = ProviderEntry{"", f.number};
                else
                    p.connection->universalError = f.number;
                break;
            }
            case Kind::Node: EndNode(f); break;
            case Kind::Connection:
                if (!f.connection->provider)
                    connectionWarnings_.push_back(
                        "connections[" + std::to_string(ws_->connections.size() - 1) +
                        "]: no provider: the library cannot tell the network of " +
                        (f.flag ? "drive " + f.key : std::string("this connection")) + ", so names on it do not convert");
                break;
            case Kind::RegValue: {
                Frame& p = Parent();
                (*p.values)[p.key] = RegValue{f.typeGiven ? f.type : DWORD{REG_BINARY}, std::move(f.key)};
                break;
            }
            case Kind::Files:
                if (asGiven_) {
                    std::vector<std::string_view> names;
                    for (const auto& r : ws_->fileRoots) names.push_back(r.first);
                    if (HasRepeats(std::move(names))) return false;
                }
                break;
            case Kind::Entries:
                if (f.flag) {
                    f.entry->hostDir = HostFolder(f.key);
                } else if (asGiven_ && f.entry->children.size() > 1) {
                    std::vector<std::string_view> names;
                    for (const auto& e : f.entry->children) names.push_back(e.name);
                    if (HasRepeats(std::move(names))) return false;
                }
                break;
            default: break;
        }
        frames_.pop_back();
        return true;
    }

    // ---- values ----
    bool OnScalar(const Scalar& v) {
        if (frames_.empty()) return false;  // a description is an object
        Frame& f = frames_.back();
        const int m = f.member;
        Workstation& ws = *ws_;
        switch (f.kind) {
            case Kind::Root: return RootValue(m, v);
            case Kind::Os:
                if (m == os::Fails) {
                    ws.osFails = v.b;
                    return v.type == Scalar::Bool;
                }
                if (m == os::Csd) {
                    if (!v.IsString(127)) return false;
                    ws.csd = Ansi(*v.s);
                    return true;
                }
                if (!v.IsU32()) return false;
                (m == os::PlatformId ? ws.platformId : m == os::Major ? ws.major : m == os::Minor ? ws.minor : ws.build) =
                    static_cast<DWORD>(v.u);
                return true;
            case Kind::Providers: {
                if (!v.IsText(kMaxName)) return false;
                auto& provider = m == 0 ? ws.netware : ws.lanman;
                if (v.type == Scalar::Null)
                    provider.reset();
                else
                    provider = ProviderEntry{Ansi(*v.s), std::nullopt};
                return true;
            }
            case Kind::ErrorCode:
                f.number = static_cast<DWORD>(v.u);
                return v.IsU32();
            case Kind::Node: return NodeValue(f, v);
            case Kind::Usage: {
                DWORD bit = 0;
                if (!NamedInto(kUsages, v, bit)) return false;
                Parent().usage |= bit;
                return true;
            }
            case Kind::Connection: {
                Connection& c = *f.connection;
                switch (m) {
                    case conn::Local:
                        f.flag = v.type == Scalar::String;
                        if (f.flag) f.key = *v.s;
                        return TextInto(v, c.local);
                    case conn::Remote: return TextInto(v, c.remote);
                    case conn::Provider: return TextInto(v, c.provider);
                    case conn::Comment: return TextInto(v, c.comment);
                    default: return TextInto(v, c.universal);
                }
            }
            case Kind::RegKey: return RegistryValue(f, v);
            case Kind::RegValue:
                if (m == regvalue::Type) {
                    f.typeGiven = true;
                    return NamedInto(kRegTypes, v, f.type);
                }
                if (!v.IsString(kMaxContent) || v.s->size() % 2 != 0 || !IsHexDigits(*v.s)) return false;
                f.key.clear();
                for (std::size_t i = 0; i < v.s->size(); i += 2)
                    f.key += static_cast<char>(std::stoi(v.s->substr(i, 2), nullptr, 16));
                return true;
            case Kind::Profiles:
                if (!v.IsString(kMaxContent)) return false;
                ws.profiles[f.key] = Ansi(*v.s);
                return true;
            case Kind::Drives:
                if (!v.IsText(kMaxName)) return false;
                ws.drives[f.key[0]] = v.type == Scalar::String ? HostFolder(*v.s) : "";
                return true;
            case Kind::Entries:
                if (m != 1 || !v.IsString(kMaxName)) return false;
                f.flag = true;
                f.key = *v.s;
                return true;
            case Kind::Entry:
                if (m == entry::Children) return v.type == Scalar::Null;
                if (!TextInto(v, f.entry->shortName)) return false;
                return v.type == Scalar::Null || IsShortName(*v.s);
            case Kind::Modules:
                if (v.type != Scalar::Null) return false;
                ws.modules[f.key] = ModuleVersion{false};
                return true;
            case Kind::Module:
                return v.type == Scalar::String &&
                       (m == 0 ? ParseVersion(*v.s, f.module->fileMS, f.module->fileLS)
                               : ParseVersion(*v.s, f.module->productMS, f.module->productLS));
            case Kind::Messages: {
                if (!v.IsString(kMaxContent)) return false;
                std::string text = Ansi(*v.s);
                if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
                ws.messages[f.number] = std::move(text);
                return true;
            }
            default: return false;  // lists of objects
        }
    }

    bool RootValue(int m, const Scalar& v) {
        switch (m) {
            case root::ComputerName:
                if (!v.IsText(kMaxName)) return false;
                if (v.type == Scalar::String) computerName_ = *v.s;
                return true;
            case root::CodePage: {
                const CodePageTable* table = v.IsU32() ? FindCodePage(static_cast<unsigned>(v.u)) : nullptr;
                // Strings already converted by another code page would be wrong.
                if (!table || (table != cp_ && cpUsed_)) return false;
                cp_ = table;
                return true;
            }
            case root::UnknownContainerError:
                ws_->unknownContainerError = static_cast<DWORD>(v.u);
                return v.IsU32();
            case root::WindowsDir:
                if (!v.IsText(kMaxName)) return false;
                ws_->windowsDir = v.type == Scalar::String ? HostFolder(*v.s) : "";
                return true;
            default: return false;
        }
    }

    bool NodeValue(Frame& f, const Scalar& v) {
        Node& n = *f.node;
        switch (f.member) {
            case node::Remote: return TextInto(v, n.remote);
            case node::Comment: return TextInto(v, n.comment);
            case node::Local: return TextInto(v, n.local);
            case node::Display: return NamedInto(kDisplayTypes, v, f.number);
            case node::Type: f.typeGiven = true; return NamedInto(kResourceTypes, v, f.type);
            case node::Usage:
                f.usageGiven = true;
                f.usage = static_cast<DWORD>(v.u);
                return v.IsU32();
            case node::Provider:
                // Kept in UTF-8 until the top-level node is complete: the
                // nodes below inherit it.
                if (!v.IsText(kMaxName)) return false;
                providerGiven_[f.order] = true;
                if (v.type == Scalar::String) n.provider = *v.s;
                return true;
            case node::OpenError: return CodeInto(v, n.openError);
            case node::EnumError: return CodeInto(v, n.enumError);
            case node::Batch: return CodeInto(v, n.batch) && !(n.batch && *n.batch == 0);
            case node::EnumErrorAfter:
                n.enumErrorAfter = static_cast<DWORD>(v.u);
                return v.IsU32();
            default: return false;  // children
        }
    }

    bool RegistryValue(Frame& f, const Scalar& v) {
        RegValue r;
        if (v.type == Scalar::Unsigned || v.type == Scalar::Signed) {
            if (v.type == Scalar::Unsigned ? v.u > 0xFFFFFFFFu : v.i < -2147483648LL) return false;
            auto x = static_cast<std::uint32_t>(v.type == Scalar::Unsigned ? v.u : static_cast<std::uint64_t>(v.i));
            r.type = REG_DWORD;
            for (int i = 0; i < 4; ++i) r.data += static_cast<char>((x >> (8 * i)) & 0xFF);
        } else if (v.IsString(kMaxContent)) {
            r.type = REG_SZ;
            r.data = Ansi(*v.s);
            r.data += '\0';
        } else {
            return false;
        }
        (*f.values)[f.key] = std::move(r);
        return true;
    }

    void EndNode(Frame& f) {
        Node& n = *f.node;
        n.display = f.number;
        n.type = f.typeGiven ? f.type : DefaultType(f.number);
        n.usage = f.usageGiven ? f.usage : DefaultUsage(f.number);
        if (Parent().nodes != &ws_->network) return;
        // A top-level node is complete: hand the providers down.
        nextOrder_ = 0;
        ResolveProviders(n, std::nullopt, true, NodePath{nullptr, ws_->network.size() - 1});
        providerGiven_.clear();
    }

    // A node without a provider of its own has its parent's. A node left
    // without one (while its parent has one) is named once, at its top.
    void ResolveProviders(Node& n, const Text& inherited, bool parentHasProvider, const NodePath& path) {
        if (providerGiven_[nextOrder_++]) {
            if (n.provider) n.provider = Ansi(*n.provider);
        } else {
            n.provider = inherited;
        }
        const bool hasProvider = n.provider.has_value();
        if (!hasProvider && parentHasProvider)
            nodeWarnings_.push_back(path.Text() + ": no provider (none given, none inherited): enumerations by provider "
                                                  "never reach it" + (n.children.empty() ? "" : " nor the nodes below it"));
        for (std::size_t i = 0; i < n.children.size(); ++i)
            ResolveProviders(n.children[i], n.provider, hasProvider, NodePath{&path, i});
    }

    void Finish() {
        ws_->codePage = cp_->codePage;
        if (computerName_) ws_->computerName = Ansi(*computerName_);
        IndexNetwork(*ws_);
        done_ = true;
    }

    std::shared_ptr<Workstation> ws_;
    const CodePageTable* cp_;
    bool cpUsed_ = false;  // a string was converted or folded by cp_
    std::string baseDir_;
    bool asGiven_;
    bool done_ = false;
    std::vector<Frame> frames_;
    std::optional<std::string> computerName_;  // converted at the end, by the code page then known
    std::vector<bool> providerGiven_;          // per node of the open top-level node, in pre-order
    std::size_t nextOrder_ = 0;
    std::vector<std::string> nodeWarnings_, connectionWarnings_;
};

}  // namespace

std::shared_ptr<const Workstation> BuildFromText(const std::string& json, const std::string& baseDir, bool asGiven,
                                                 std::vector<std::string>& warnings) {
    Reader reader(baseDir, asGiven);
    if (!Json::sax_parse(json, &reader)) return nullptr;
    return reader.Take(warnings);
}

std::shared_ptr<const Workstation> BuildFromCbor(std::span<const unsigned char> cbor, std::vector<std::string>& warnings) {
    Reader reader("", true);
    if (!Json::sax_parse(cbor.begin(), cbor.end(), &reader, Json::input_format_t::cbor)) return nullptr;
    return reader.Take(warnings);
}

}  // namespace qvsim::detail
