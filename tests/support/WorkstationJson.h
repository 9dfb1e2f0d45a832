// Builders of the network tree of a workstation description.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <utility>

namespace qvtest {

// A node of the network tree; children only when given.
inline nlohmann::json Node(const std::string& remote, const char* display,
                           nlohmann::json children = nullptr) {
    nlohmann::json n = {{"remote", remote}, {"display", display}};
    if (!children.is_null()) n["children"] = std::move(children);
    return n;
}

// The top node of a provider, named after it.
inline nlohmann::json Top(const char* provider, nlohmann::json children) {
    nlohmann::json n = Node(provider, "network", std::move(children));
    n["provider"] = provider;
    return n;
}

inline const char kNetWare[] = "NetWare Services";
inline const char kMsNet[] = "Microsoft Windows Network";

// NT 4.0 with both providers installed, over the given network tree.
inline nlohmann::json NtWithBothProviders(nlohmann::json network) {
    return {{"os", {{"platform_id", 2}, {"major", 4}, {"minor", 0}, {"build", 1381}}},
            {"providers", {{"netware", kNetWare}, {"lanman", kMsNet}}},
            {"network", std::move(network)}};
}

}  // namespace qvtest
