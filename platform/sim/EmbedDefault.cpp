// Run while building: writes the default workstation's description as CBOR,
// the bytes of a C initialiser list, which the simulation reads at start-up
// instead of lexing the JSON text.
//   quorvel_embed_default DefaultWorkstation.json OUTPUT
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quorvel_embed_default JSON OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        std::fprintf(stderr, "quorvel_embed_default: %s: cannot be read\n", argv[1]);
        return 1;
    }
    std::vector<std::uint8_t> cbor;
    try {
        // ordered_json keeps the members in the order of the text.
        cbor = nlohmann::ordered_json::to_cbor(nlohmann::ordered_json::parse(text.str()));
    } catch (const nlohmann::json::exception& e) {
        std::fprintf(stderr, "quorvel_embed_default: %s: %s\n", argv[1], e.what());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    for (std::size_t i = 0; i < cbor.size(); ++i) out << unsigned{cbor[i]} << (i % 16 == 15 ? ",\n" : ",");
    out << '\n';
    if (!out.flush()) {
        std::fprintf(stderr, "quorvel_embed_default: %s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
