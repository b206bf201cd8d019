// Checks the native schemes against labelled vectors without Python: every row's
// order both ways, the key property, and the validity of every text.
//
//   native_check ECOSYSTEM order FILE...   rows "a<TAB>b<TAB>expected[<TAB>...]"
//   native_check ECOSYSTEM valid FILE...   rows "version<TAB>0|1[<TAB>...]"
//   native_check ECOSYSTEM key TEXT...     prints each text's key in hex
//
// A first line that starts with "a\t" or "version\t" is a header. Lines are split on
// "\n" only and fields are never stripped.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "native/native_scheme.hpp"

using namespace tambry;
using namespace tambry::native;

namespace {

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::string hex(const KeyBuffer& key) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char b : key) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

int sign_of_keys(const KeyBuffer& a, const KeyBuffer& b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

struct Tally {
    long rows = 0, order_bad = 0, key_bad = 0, invalid = 0, shown = 0;
    void show(const std::string& what) {
        if (shown++ < 40) std::cout << what << "\n";
    }
};

void check_order(NativeEcosystem eco, const std::string& a, const std::string& b, int expected, Tally& t) {
    const NativeScheme& scheme = native_scheme_for(eco);
    ++t.rows;
    if (!scheme.is_valid(a) || !scheme.is_valid(b)) {
        ++t.invalid;
        t.show("REJECTED  " + a + "  " + b + "  (valid: " + std::to_string(scheme.is_valid(a)) + "," +
               std::to_string(scheme.is_valid(b)) + ")");
        return;
    }
    const auto ab = scheme.compare(a, b);
    const auto ba = scheme.compare(b, a);
    const int got = ab ? static_cast<int>(*ab) : 99;
    const int back = ba ? static_cast<int>(*ba) : 99;
    if (got != expected || back != -expected) {
        ++t.order_bad;
        t.show("ORDER     " + a + "  " + b + "  expected " + std::to_string(expected) + " got " + std::to_string(got) +
               " reversed " + std::to_string(back));
    }
    KeyBuffer ka, kb;
    const bool ok = native_key(eco, a, ka) && native_key(eco, b, kb);
    const int by_key = ok ? sign_of_keys(ka, kb) : 99;
    if (by_key != expected) {
        ++t.key_bad;
        t.show("KEY       " + a + "  " + b + "  expected " + std::to_string(expected) + " keys give " +
               std::to_string(by_key) + "  " + hex(ka) + " " + hex(kb));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: native_check ECOSYSTEM order|valid|key ARG...\n";
        return 2;
    }
    const auto eco = native_ecosystem_from_name(argv[1]);
    if (!eco) {
        std::cerr << "unknown ecosystem " << argv[1] << "\n";
        return 2;
    }
    const std::string mode = argv[2];
    if (mode == "key") {
        for (int i = 3; i < argc; ++i) {
            KeyBuffer key;
            std::cout << argv[i] << "\t" << (native_key(*eco, argv[i], key) ? hex(key) : "REJECTED") << "\n";
        }
        return 0;
    }
    Tally t;
    long valid_bad = 0;
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::cerr << "cannot read " << argv[i] << "\n";
            return 2;
        }
        std::string line;
        bool first = true;
        while (std::getline(in, line)) {
            if (first && (line.rfind("a\t", 0) == 0 || line.rfind("version\t", 0) == 0)) {
                first = false;
                continue;
            }
            first = false;
            if (line.empty()) continue;
            const auto fields = split_tabs(line);
            if (mode == "order") {
                if (fields.size() < 3) continue;
                check_order(*eco, fields[0], fields[1], std::stoi(fields[2]), t);
            } else if (mode == "valid") {
                if (fields.size() < 2) continue;
                ++t.rows;
                const bool want = fields[1] == "1" || fields[1] == "true";
                const bool got = native_scheme_for(*eco).is_valid(fields[0]);
                if (want != got) {
                    ++valid_bad;
                    t.show(std::string("VALID     ") + fields[0] + "  expected " + (want ? "valid" : "invalid"));
                }
            }
        }
    }
    std::cout << native_name(*eco) << " " << mode << ": " << t.rows << " rows, " << t.order_bad << " order, "
              << t.key_bad << " key, " << t.invalid << " rejected, " << valid_bad << " validity mismatches\n";
    return (t.order_bad || t.key_bad || t.invalid || valid_bad) ? 1 : 0;
}
