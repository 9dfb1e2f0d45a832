// Reading a workstation description: strict validation into a normalised
// description (every member spelled out, defaults filled in), then the
// Workstation built from it with every string in the ANSI code page.
#include "SimInternal.h"

#include <nlohmann/json.hpp>

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>

namespace qvsim::detail {
namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

constexpr std::size_t kMaxName = 65535;          // names, paths, comments
constexpr std::size_t kMaxContent = 4u << 20;    // inline INI files, messages
constexpr std::size_t kMaxFileSize = 64u << 20;  // a whole description
constexpr int kMaxNesting = 128;

struct LoadError {
    std::string path;
    std::string message;
};

[[noreturn]] void Fail(const std::string& path, std::string message) {
    throw LoadError{path, std::move(message)};
}

std::string Quote(const std::string& s) {
    return Json(s).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Member(const std::string& path, const std::string& key) {
    bool identifier = !key.empty() && !(key[0] >= '0' && key[0] <= '9');
    for (char c : key)
        identifier = identifier && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                    (c >= '0' && c <= '9') || c == '_');
    if (identifier) return path.empty() ? key : path + "." + key;
    return path + "[" + Quote(key) + "]";
}

std::string Index(const std::string& path, std::size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

const char* Describe(const Json& v) {
    switch (v.type()) {
        case Json::value_t::object: return "an object";
        case Json::value_t::array: return "an array";
        case Json::value_t::string: return "a string";
        case Json::value_t::boolean: return "true or false";
        case Json::value_t::null: return "null";
        default: return "a number";
    }
}

// ---- value checks ------------------------------------------------------------------

void ExpectObject(const Json& v, const std::string& path, std::initializer_list<const char*> members) {
    if (!v.is_object()) Fail(path, std::string("expected an object, found ") + Describe(v));
    for (const auto& item : v.items()) {
        bool known = false;
        for (const char* m : members) known = known || item.key() == m;
        if (known) continue;
        std::string list;
        for (const char* m : members) list += (list.empty() ? "" : ", ") + std::string(m);
        Fail(Member(path, item.key()), "unknown member (expected one of: " + list + ")");
    }
}

const Json* Find(const Json& object, const char* key) {
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

Json String(const Json& v, const std::string& path, bool nullable, std::size_t max = kMaxName) {
    if (v.is_null() && nullable) return nullptr;
    if (!v.is_string()) {
        Fail(path, std::string(nullable ? "expected a string or null" : "expected a string") +
                       ", found " + Describe(v));
    }
    if (v.get_ref<const std::string&>().size() > max)
        Fail(path, "string longer than " + std::to_string(max) + " bytes");
    return v;
}

DWORD U32(const Json& v, const std::string& path) {
    if (v.is_number_unsigned() && v.get<std::uint64_t>() <= 0xFFFFFFFFu)
        return static_cast<DWORD>(v.get<std::uint64_t>());
    Fail(path, std::string("expected an integer from 0 to 4294967295, found ") +
                   (v.is_number() ? "a number out of that range" : Describe(v)));
}

// A member that is a string or null (default null).
Json OptString(const Json& obj, const std::string& path, const char* key, std::size_t max = kMaxName) {
    const Json* v = Find(obj, key);
    return v ? String(*v, Member(path, key), true, max) : Json(nullptr);
}

// A member that is an error code or null (default null).
Json OptCode(const Json& obj, const std::string& path, const char* key) {
    const Json* v = Find(obj, key);
    if (!v || v->is_null()) return nullptr;
    return U32(*v, Member(path, key));
}

// { "error": N }
Json ErrorObject(const Json& v, const std::string& path) {
    ExpectObject(v, path, {"error"});
    const Json* code = Find(v, "error");
    if (!code) Fail(Member(path, "error"), "missing (expected an error code)");
    return Json{{"error", U32(*code, Member(path, "error"))}};
}

// ---- named numbers -----------------------------------------------------------------

struct Named {
    const char* name;
    DWORD value;
};

constexpr Named kDisplayTypes[] = {{"generic", 0}, {"domain", 1},      {"server", 2},     {"share", 3},
                                   {"file", 4},    {"group", 5},       {"network", 6},    {"root", 7},
                                   {"shareadmin", 8}, {"directory", 9}, {"tree", 10},     {"ndscontainer", 11}};
constexpr Named kResourceTypes[] = {{"any", 0}, {"disk", 1}, {"print", 2}};
constexpr Named kUsages[] = {{"connectable", 1}, {"container", 2}};
constexpr Named kRegTypes[] = {{"REG_NONE", 0},
                               {"REG_SZ", 1},
                               {"REG_EXPAND_SZ", 2},
                               {"REG_BINARY", 3},
                               {"REG_DWORD", 4},
                               {"REG_DWORD_BIG_ENDIAN", 5},
                               {"REG_LINK", 6},
                               {"REG_MULTI_SZ", 7},
                               {"REG_RESOURCE_LIST", 8},
                               {"REG_FULL_RESOURCE_DESCRIPTOR", 9},
                               {"REG_RESOURCE_REQUIREMENTS_LIST", 10},
                               {"REG_QWORD", 11}};

template <std::size_t N>
Json NameOf(const Named (&table)[N], DWORD value) {
    for (const auto& e : table)
        if (e.value == value) return e.name;
    return value;
}

// A name of the table or a number; `what` names the kind in messages.
template <std::size_t N>
DWORD NamedValue(const Named (&table)[N], const Json& v, const std::string& path, const char* what) {
    if (v.is_string()) {
        for (const auto& e : table)
            if (v.get_ref<const std::string&>() == e.name) return e.value;
        Fail(path, std::string("unknown ") + what + " " + Quote(v.get<std::string>()));
    }
    if (v.is_number()) return U32(v, path);
    Fail(path, std::string("expected a ") + what + " name or a number, found " + Describe(v));
}

// Reads a normalised named number back.
template <std::size_t N>
DWORD ValueOf(const Named (&table)[N], const Json& v) {
    if (v.is_number()) return v.get<DWORD>();
    for (const auto& e : table)
        if (v.get_ref<const std::string&>() == e.name) return e.value;
    return 0;
}

DWORD UsageValue(const Json& v) {
    if (v.is_number()) return v.get<DWORD>();
    DWORD bits = 0;
    for (const auto& name : v) bits |= ValueOf(kUsages, name);
    return bits;
}

// ---- normalising -----------------------------------------------------------------

Json NormNode(const Json& v, const std::string& path, const Json& inheritedProvider) {
    ExpectObject(v, path,
                 {"remote", "display", "provider", "type", "usage", "comment", "local", "children",
                  "open_error", "enum_error", "enum_error_after", "batch"});
    Json n = Json::object();
    n["remote"] = OptString(v, path, "remote");
    const Json* display = Find(v, "display");
    DWORD d = display ? NamedValue(kDisplayTypes, *display, Member(path, "display"), "display type") : 0;
    n["display"] = NameOf(kDisplayTypes, d);
    const Json* provider = Find(v, "provider");
    n["provider"] = provider ? String(*provider, Member(path, "provider"), true) : inheritedProvider;

    const Json* type = Find(v, "type");
    DWORD t = type ? NamedValue(kResourceTypes, *type, Member(path, "type"), "resource type")
                   : (d == RESOURCEDISPLAYTYPE_SHARE ? RESOURCETYPE_DISK : RESOURCETYPE_ANY);
    n["type"] = NameOf(kResourceTypes, t);

    DWORD usage = d == RESOURCEDISPLAYTYPE_SHARE ? RESOURCEUSAGE_CONNECTABLE : RESOURCEUSAGE_CONTAINER;
    if (const Json* u = Find(v, "usage")) {
        std::string upath = Member(path, "usage");
        if (u->is_array()) {
            usage = 0;
            for (std::size_t i = 0; i < u->size(); ++i) usage |= NamedValue(kUsages, (*u)[i], Index(upath, i), "usage");
        } else if (u->is_number()) {
            usage = U32(*u, upath);
        } else {
            Fail(upath, std::string("expected a list of \"connectable\" and \"container\", or a number, found ") +
                            Describe(*u));
        }
    }
    if ((usage & ~3u) == 0) {
        n["usage"] = Json::array();
        for (const auto& e : kUsages)
            if (usage & e.value) n["usage"].push_back(e.name);
    } else {
        n["usage"] = usage;
    }
    n["comment"] = OptString(v, path, "comment");
    n["local"] = OptString(v, path, "local");
    n["open_error"] = OptCode(v, path, "open_error");
    n["enum_error"] = OptCode(v, path, "enum_error");
    const Json* after = Find(v, "enum_error_after");
    n["enum_error_after"] = after ? U32(*after, Member(path, "enum_error_after")) : 0;
    n["batch"] = OptCode(v, path, "batch");
    if (n["batch"].is_number() && n["batch"].get<DWORD>() == 0)
        Fail(Member(path, "batch"), "expected at least 1 entry per call, or null");

    n["children"] = Json::array();
    if (const Json* children = Find(v, "children")) {
        std::string cpath = Member(path, "children");
        if (!children->is_array()) Fail(cpath, std::string("expected an array, found ") + Describe(*children));
        for (std::size_t i = 0; i < children->size(); ++i)
            n["children"].push_back(NormNode((*children)[i], Index(cpath, i), n["provider"]));
    }
    return n;
}

Json NormConnection(const Json& v, const std::string& path) {
    ExpectObject(v, path, {"local", "remote", "provider", "comment", "universal"});
    Json c = Json::object();
    c["local"] = OptString(v, path, "local");
    c["remote"] = OptString(v, path, "remote");
    c["provider"] = OptString(v, path, "provider");
    c["comment"] = OptString(v, path, "comment");
    const Json* u = Find(v, "universal");
    c["universal"] = !u ? Json(nullptr) : u->is_object() ? ErrorObject(*u, Member(path, "universal"))
                                                       : String(*u, Member(path, "universal"), true);
    return c;
}

bool IsRegistryRoot(const std::string& key) {
    static const char* const kRoots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                         "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
    for (const char* root : kRoots) {
        std::size_t n = std::strlen(root);
        if (key.size() >= n && strncasecmp(key.c_str(), root, n) == 0 && (key.size() == n || key[n] == '\\'))
            return true;
    }
    return false;
}

Json NormRegValue(const Json& v, const std::string& path) {
    if (v.is_number_integer()) {
        if (v.is_number_unsigned() ? v.get<std::uint64_t>() > 0xFFFFFFFFu : v.get<std::int64_t>() < -2147483648LL)
            Fail(path, "number out of the range of a 32-bit REG_DWORD");
        return v;
    }
    if (v.is_string()) return String(v, path, false, kMaxContent);
    if (v.is_object()) {
        ExpectObject(v, path, {"type", "hex"});
        const Json* type = Find(v, "type");
        DWORD t = type ? NamedValue(kRegTypes, *type, Member(path, "type"), "registry type") : REG_BINARY;
        std::string hex;
        if (const Json* h = Find(v, "hex")) {
            hex = String(*h, Member(path, "hex"), false, kMaxContent).get<std::string>();
            for (char& c : hex) {
                if (!std::isxdigit(static_cast<unsigned char>(c)))
                    Fail(Member(path, "hex"), "expected hexadecimal digits only");
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            if (hex.size() % 2 != 0) Fail(Member(path, "hex"), "expected an even number of hexadecimal digits");
        }
        return Json{{"type", NameOf(kRegTypes, t)}, {"hex", hex}};
    }
    Fail(path, std::string("expected a number (REG_DWORD), a string (REG_SZ) or "
                           "{\"type\": ..., \"hex\": ...}, found ") + Describe(v));
}

Json NormEntries(const Json& v, const std::string& path);

Json NormEntry(const Json& v, const std::string& path) {
    ExpectObject(v, path, {"short", "children"});
    Json e = Json::object();
    e["short"] = OptString(v, path, "short");
    if (e["short"].is_string()) {
        const auto& s = e["short"].get_ref<const std::string&>();
        if (s.empty() || s.size() > 12 || s.find_first_of("\\/") != std::string::npos)
            Fail(Member(path, "short"), "expected an 8.3 name of 1 to 12 characters");
    }
    const Json* children = Find(v, "children");
    e["children"] = children && !children->is_null() ? NormEntries(*children, Member(path, "children"))
                                                     : Json(nullptr);
    return e;
}

bool IsDirObject(const Json& v) { return v.is_object() && v.size() == 1 && v.contains("dir") && v["dir"].is_string(); }

// An entry map, or { "dir": "host folder" }.
Json NormEntries(const Json& v, const std::string& path) {
    if (IsDirObject(v)) return Json{{"dir", String(v["dir"], Member(path, "dir"), false)}};
    if (!v.is_object())
        Fail(path, std::string("expected an object of entries or {\"dir\": \"folder\"}, found ") + Describe(v));
    Json out = Json::object();
    for (const auto& item : v.items()) {
        std::string epath = Member(path, item.key());
        if (item.key().empty() || item.key().size() > 255 || item.key().find_first_of("\\/") != std::string::npos)
            Fail(epath, "expected a file or folder name without backslashes as the name");
        out[item.key()] = NormEntry(item.value(), epath);
    }
    return out;
}

bool IsShareRoot(const std::string& key) {
    if (key.size() < 5 || key[0] != '\\' || key[1] != '\\') return false;
    std::size_t sep = key.find('\\', 2);
    return sep != std::string::npos && sep > 2 && sep + 1 < key.size() && key.back() != '\\';
}

std::string FormatVersion(DWORD ms, DWORD ls) {
    return std::to_string(ms >> 16) + "," + std::to_string(ms & 0xFFFF) + "," + std::to_string(ls >> 16) + "," +
           std::to_string(ls & 0xFFFF);
}

Json NormVersion(const Json& obj, const std::string& path, const char* key) {
    const Json* v = Find(obj, key);
    if (!v) return "0,0,0,0";
    std::string vpath = Member(path, key);
    DWORD ms = 0, ls = 0;
    if (!v->is_string() || !ParseVersion(v->get_ref<const std::string&>(), ms, ls))
        Fail(vpath, "expected a version \"a,b,c,d\" of four numbers from 0 to 65535");
    return FormatVersion(ms, ls);
}

const Json& ObjectMember(const Json& root, const char* key) {
    static const Json empty = Json::object();
    const Json* v = Find(root, key);
    if (!v) return empty;
    if (!v->is_object()) Fail(key, std::string("expected an object, found ") + Describe(*v));
    return *v;
}

const Json& ArrayMember(const Json& root, const char* key) {
    static const Json empty = Json::array();
    const Json* v = Find(root, key);
    if (!v) return empty;
    if (!v->is_array()) Fail(key, std::string("expected an array, found ") + Describe(*v));
    return *v;
}

Json Normalise(const Json& root) {
    if (!root.is_object()) Fail("", std::string("expected a JSON object describing a workstation, found ") + Describe(root));
    ExpectObject(root, "",
                 {"computer_name", "code_page", "os", "providers", "network", "unknown_container_error",
                  "connections", "registry", "profiles", "windows_dir", "drives", "files", "modules", "messages"});
    Json out = Json::object();
    out["computer_name"] = OptString(root, "", "computer_name");

    DWORD codePage = 1252;
    if (const Json* cp = Find(root, "code_page")) {
        codePage = U32(*cp, "code_page");
        if (!FindCodePage(codePage))
            Fail("code_page", "unsupported code page " + std::to_string(codePage) + " (expected 1252, 932, 936, 949 or 950)");
    }
    out["code_page"] = codePage;

    Json os = {{"fails", false}, {"platform_id", 2}, {"major", 5}, {"minor", 0}, {"build", 2195}, {"csd", ""}};
    if (const Json* o = Find(root, "os")) {
        ExpectObject(*o, "os", {"fails", "platform_id", "major", "minor", "build", "csd"});
        for (const char* key : {"platform_id", "major", "minor", "build"})
            if (const Json* n = Find(*o, key)) os[key] = U32(*n, Member("os", key));
        if (const Json* f = Find(*o, "fails")) {
            if (!f->is_boolean()) Fail("os.fails", std::string("expected true or false, found ") + Describe(*f));
            os["fails"] = *f;
        }
        if (const Json* csd = Find(*o, "csd")) os["csd"] = String(*csd, "os.csd", false, 127);
    }
    out["os"] = os;

    Json providers = {{"netware", nullptr}, {"lanman", nullptr}};
    const Json& givenProviders = ObjectMember(root, "providers");
    ExpectObject(givenProviders, "providers", {"netware", "lanman"});
    for (const auto& item : givenProviders.items()) {
        std::string ppath = Member("providers", item.key());
        providers[item.key()] = item.value().is_object() ? ErrorObject(item.value(), ppath)
                                                         : String(item.value(), ppath, true);
    }
    out["providers"] = providers;

    out["network"] = Json::array();
    const Json& network = ArrayMember(root, "network");
    for (std::size_t i = 0; i < network.size(); ++i)
        out["network"].push_back(NormNode(network[i], Index("network", i), nullptr));

    const Json* unknown = Find(root, "unknown_container_error");
    out["unknown_container_error"] = unknown ? U32(*unknown, "unknown_container_error") : DWORD{ERROR_BAD_NETPATH};

    out["connections"] = Json::array();
    const Json& connections = ArrayMember(root, "connections");
    for (std::size_t i = 0; i < connections.size(); ++i)
        out["connections"].push_back(NormConnection(connections[i], Index("connections", i)));

    out["registry"] = Json::object();
    for (const auto& key : ObjectMember(root, "registry").items()) {
        std::string kpath = Member("registry", key.key());
        if (!IsRegistryRoot(key.key()))
            Fail(kpath, "expected a key path beginning with a root key name, e.g. \"HKEY_LOCAL_MACHINE\\\\Software\"");
        if (key.key().size() > kMaxName) Fail(kpath, "key path too long");
        if (!key.value().is_object()) Fail(kpath, std::string("expected an object of values, found ") + Describe(key.value()));
        Json values = Json::object();
        for (const auto& value : key.value().items())
            values[value.key()] = NormRegValue(value.value(), Member(kpath, value.key()));
        out["registry"][key.key()] = values;
    }

    out["profiles"] = Json::object();
    for (const auto& p : ObjectMember(root, "profiles").items()) {
        std::string ppath = Member("profiles", p.key());
        if (p.key().empty() || p.key().size() > 255 || p.key().find_first_of("\\/:") != std::string::npos)
            Fail(ppath, "expected a file name without a directory as the name");
        out["profiles"][p.key()] = String(p.value(), ppath, false, kMaxContent);
    }

    out["windows_dir"] = OptString(root, "", "windows_dir");

    out["drives"] = Json::object();
    for (const auto& d : ObjectMember(root, "drives").items()) {
        std::string dpath = Member("drives", d.key());
        const std::string& k = d.key();
        if (k.size() != 2 || !std::isalpha(static_cast<unsigned char>(k[0])) || k[1] != ':')
            Fail(dpath, "expected a drive letter and a colon as the name, e.g. \"C:\"");
        std::string letter(1, static_cast<char>(std::toupper(static_cast<unsigned char>(k[0]))));
        out["drives"][letter + ":"] = String(d.value(), dpath, true);
    }

    out["files"] = Json::object();
    for (const auto& f : ObjectMember(root, "files").items()) {
        std::string fpath = Member("files", f.key());
        if (!IsShareRoot(f.key()) || f.key().size() > kMaxName)
            Fail(fpath, "expected a network path \\\\server\\share as the name");
        out["files"][f.key()] = NormEntries(f.value(), fpath);
    }

    out["modules"] = Json::object();
    for (const auto& m : ObjectMember(root, "modules").items()) {
        std::string mpath = Member("modules", m.key());
        if (m.key().empty() || m.key().size() > 255) Fail(mpath, "expected a module file name as the name");
        if (m.value().is_null()) {
            out["modules"][m.key()] = nullptr;
            continue;
        }
        ExpectObject(m.value(), mpath, {"file_version", "product_version"});
        out["modules"][m.key()] = Json{{"file_version", NormVersion(m.value(), mpath, "file_version")},
                                       {"product_version", NormVersion(m.value(), mpath, "product_version")}};
    }

    out["messages"] = Json::object();
    for (const auto& m : ObjectMember(root, "messages").items()) {
        std::string mpath = Member("messages", m.key());
        const std::string& k = m.key();
        bool number = !k.empty() && k.size() <= 10 && k.find_first_not_of("0123456789") == std::string::npos &&
                      std::stoull(k) <= 0xFFFFFFFFull;
        if (!number) Fail(mpath, "expected a message number in decimal as the name");
        out["messages"][k] = String(m.value(), mpath, false, kMaxContent);
    }
    return out;
}

// ---- building ---------------------------------------------------------------------

class Builder {
public:
    // The network of n is released node by node as it is built.
    Builder(Json& n, const std::string& baseDir)
        : n_(n), cp_(*FindCodePage(n["code_page"].get<unsigned>())), baseDir_(baseDir) {}

    std::shared_ptr<const Workstation> Build() {
        auto ws = std::make_shared<Workstation>();
        ws->codePage = cp_.codePage;
        ws->computerName = Ansi(n_["computer_name"]);
        const Json& os = n_["os"];
        ws->osFails = os["fails"].get<bool>();
        ws->platformId = os["platform_id"].get<DWORD>();
        ws->major = os["major"].get<DWORD>();
        ws->minor = os["minor"].get<DWORD>();
        ws->build = os["build"].get<DWORD>();
        ws->csd = *Ansi(os["csd"]);
        ws->netware = Provider(n_["providers"]["netware"]);
        ws->lanman = Provider(n_["providers"]["lanman"]);
        for (auto& node : n_["network"]) ws->network.push_back(BuildNode(node));
        IndexNetwork(*ws);
        ws->unknownContainerError = n_["unknown_container_error"].get<DWORD>();
        for (const auto& c : n_["connections"]) {
            Connection conn{Ansi(c["local"]), Ansi(c["remote"]), Ansi(c["provider"]), Ansi(c["comment"]),
                            std::nullopt, std::nullopt};
            if (c["universal"].is_object())
                conn.universalError = c["universal"]["error"].get<DWORD>();
            else
                conn.universal = Ansi(c["universal"]);
            ws->connections.push_back(std::move(conn));
        }
        for (const auto& key : n_["registry"].items()) {
            std::string path = Fold(key.key());
            while (!path.empty() && path.back() == '\\') path.pop_back();
            auto& values = ws->registry[path];
            for (const auto& v : key.value().items()) values[Fold(v.key())] = RegistryValue(v.value());
        }
        for (const auto& p : n_["profiles"].items()) ws->profiles[Fold(p.key())] = *Ansi(p.value());
        if (n_["windows_dir"].is_string()) ws->windowsDir = HostFolder(n_["windows_dir"].get<std::string>());
        for (const auto& d : n_["drives"].items())
            ws->drives[d.key()[0]] = d.value().is_string() ? HostFolder(d.value().get<std::string>()) : "";
        for (const auto& f : n_["files"].items()) {
            FileEntry root;
            root.name = *Ansi(f.key());
            root.directory = true;
            BuildEntries(f.value(), root);
            ws->fileRoots.emplace_back(FoldKey(root.name, cp_), std::move(root));
        }
        for (const auto& m : n_["modules"].items()) {
            ModuleVersion mv;
            mv.present = !m.value().is_null();
            if (mv.present) {
                ParseVersion(m.value()["file_version"].get<std::string>(), mv.fileMS, mv.fileLS);
                ParseVersion(m.value()["product_version"].get<std::string>(), mv.productMS, mv.productLS);
            }
            ws->modules[Fold(m.key())] = mv;
        }
        for (const auto& m : n_["messages"].items()) {
            std::string text = *Ansi(m.value());
            if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
            ws->messages[static_cast<DWORD>(std::stoul(m.key()))] = text;
        }
        return ws;
    }

private:
    Text Ansi(const Json& v) const {
        if (!v.is_string()) return std::nullopt;
        return ConvertUtf8ToAnsi(v.get_ref<const std::string&>(), cp_.codePage);
    }
    std::string Fold(const std::string& utf8) const { return FoldKey(*Ansi(Json(utf8)), cp_); }

    std::string HostFolder(const std::string& p) const {
        if (p.empty()) return "";
        fs::path path(p);
        if (path.is_relative()) path = (baseDir_.empty() ? fs::current_path() : fs::absolute(baseDir_)) / path;
        return path.lexically_normal().string();
    }

    std::optional<ProviderEntry> Provider(const Json& v) const {
        if (v.is_null()) return std::nullopt;
        if (v.is_object()) return ProviderEntry{"", v["error"].get<DWORD>()};
        return ProviderEntry{*Ansi(v), std::nullopt};
    }

    Node BuildNode(Json& j) const {
        Node node;
        node.remote = Ansi(j["remote"]);
        node.comment = Ansi(j["comment"]);
        node.local = Ansi(j["local"]);
        node.provider = Ansi(j["provider"]);
        node.display = ValueOf(kDisplayTypes, j["display"]);
        node.type = ValueOf(kResourceTypes, j["type"]);
        node.usage = UsageValue(j["usage"]);
        if (j["open_error"].is_number()) node.openError = j["open_error"].get<DWORD>();
        if (j["enum_error"].is_number()) node.enumError = j["enum_error"].get<DWORD>();
        if (j["batch"].is_number()) node.batch = j["batch"].get<DWORD>();
        node.enumErrorAfter = j["enum_error_after"].get<DWORD>();
        Json& children = j["children"];
        node.children.reserve(children.size());
        for (auto& child : children) node.children.push_back(BuildNode(child));
        j = nullptr;
        return node;
    }

    RegValue RegistryValue(const Json& v) const {
        RegValue r;
        if (v.is_number()) {
            auto x = static_cast<std::uint32_t>(v.is_number_unsigned() ? v.get<std::uint64_t>()
                                                                       : static_cast<std::uint64_t>(v.get<std::int64_t>()));
            r.type = REG_DWORD;
            for (int i = 0; i < 4; ++i) r.data += static_cast<char>((x >> (8 * i)) & 0xFF);
        } else if (v.is_string()) {
            r.type = REG_SZ;
            r.data = *Ansi(v);
            r.data += '\0';
        } else {
            r.type = ValueOf(kRegTypes, v["type"]);
            const std::string& hex = v["hex"].get_ref<const std::string&>();
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                r.data += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        }
        return r;
    }

    void BuildEntries(const Json& entries, FileEntry& parent) const {
        if (IsDirObject(entries)) {
            parent.hostDir = HostFolder(entries["dir"].get<std::string>());
            return;
        }
        for (const auto& item : entries.items()) {
            FileEntry e;
            e.name = *Ansi(Json(item.key()));
            e.shortName = Ansi(item.value()["short"]);
            const Json& children = item.value()["children"];
            e.directory = !children.is_null();
            if (e.directory) BuildEntries(children, e);
            parent.children.push_back(std::move(e));
        }
    }

    Json& n_;
    const CodePageTable& cp_;
    std::string baseDir_;
};

// Deep nesting is refused before the parser sees it.
void CheckNesting(const std::string& text) {
    int depth = 0;
    bool inString = false, escaped = false;
    std::size_t line = 1;
    for (char c : text) {
        if (c == '\n') ++line;
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxNesting)
                Fail("", "nesting deeper than " + std::to_string(kMaxNesting) + " levels at line " + std::to_string(line));
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
}

// Members that are valid but cannot work: a network node without a provider
// (neither its own nor inherited) is found by no enumeration that names a
// provider, and a connection without one gives its drive no network. Each
// provider-less subtree is named once, at its top.
void NodeWarnings(const Json& node, const std::string& path, bool parentHasProvider,
                  std::vector<std::string>& warnings) {
    const bool hasProvider = node["provider"].is_string();
    if (!hasProvider && parentHasProvider)
        warnings.push_back(path + ": no provider (none given, none inherited): enumerations by provider "
                                  "never reach it" + (node["children"].empty() ? "" : " nor the nodes below it"));
    const Json& children = node["children"];
    for (std::size_t i = 0; i < children.size(); ++i)
        NodeWarnings(children[i], Index(Member(path, "children"), i), hasProvider, warnings);
}

void CollectWarnings(const Json& n, std::vector<std::string>& warnings) {
    for (std::size_t i = 0; i < n["network"].size(); ++i)
        NodeWarnings(n["network"][i], Index("network", i), true, warnings);
    for (std::size_t i = 0; i < n["connections"].size(); ++i) {
        const Json& c = n["connections"][i];
        if (!c["provider"].is_string())
            warnings.push_back(Index("connections", i) + ": no provider: the library cannot tell the network of " +
                               (c["local"].is_string() ? "drive " + c["local"].get<std::string>() : "this connection") +
                               ", so names on it do not convert");
    }
}

std::string ParserMessage(const std::string& what) {
    // "[json.exception.parse_error.101] parse error at ..." -> "parse error at ..."
    std::size_t p = what.find("] ");
    return p == std::string::npos ? what : what.substr(p + 2);
}

}  // namespace

std::shared_ptr<const Workstation> LoadText(const std::string& json, const std::string& sourceName,
                                            const std::string& baseDir, std::string* normalised,
                                            std::string& error, std::vector<std::string>* warnings) {
    try {
        if (json.size() > kMaxFileSize) Fail("", "description larger than " + std::to_string(kMaxFileSize) + " bytes");
        CheckNesting(json);
        Json root;
        try {
            root = Json::parse(json);
        } catch (const Json::exception& e) {
            Fail("", "invalid JSON: " + ParserMessage(e.what()));
        }
        Json n = Normalise(root);
        root = Json();  // the description as read is no longer needed
        std::string text;
        if (normalised) text = n.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
        // Warnings read the network, which the building releases.
        std::vector<std::string> found;
        if (warnings) CollectWarnings(n, found);
        auto ws = Builder(n, baseDir).Build();
        if (warnings)
            for (std::string& w : found) warnings->push_back(sourceName + ": " + w);
        if (normalised) *normalised = std::move(text);
        error.clear();
        return ws;
    } catch (const LoadError& e) {
        error = sourceName + ": " + (e.path.empty() ? "" : e.path + ": ") + e.message;
    } catch (const std::exception& e) {
        error = sourceName + ": cannot be used: " + e.what();
    }
    return nullptr;
}

std::shared_ptr<const Workstation> LoadFile(const std::string& path, std::string* normalised, std::string& error,
                                            std::vector<std::string>* warnings) {
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    if (!in || fs::is_directory(path, ec)) {
        error = path + ": cannot be read: " + (in ? std::string("is a folder") : std::strerror(errno));
        return nullptr;
    }
    // Read once and never beyond the limit, whatever the file is (a pipe, a
    // device, standard input).
    std::string text;
    char block[1 << 16];
    while (in && text.size() <= kMaxFileSize) {
        in.read(block, sizeof block);
        text.append(block, static_cast<std::size_t>(in.gcount()));
    }
    if (text.size() > kMaxFileSize) {
        error = path + ": description larger than " + std::to_string(kMaxFileSize) + " bytes";
        return nullptr;
    }
    if (in.bad()) {
        error = path + ": cannot be read: " + std::strerror(errno);
        return nullptr;
    }
    std::string baseDir = fs::path(path).parent_path().string();
    return LoadText(text, path, baseDir.empty() ? "." : baseDir, normalised, error, warnings);
}

}  // namespace qvsim::detail
