// Reading a vers URI into a version set; vers.hpp states the rules.
#include <algorithm>
#include <vector>

#include "ranges/range_syntax.hpp"
#include "ranges/vers.hpp"
#include "text.hpp"

namespace tambry::ranges {
namespace {

constexpr std::string_view HEAD = "invalid vers";

// The URI without its spaces and tabs: the URI itself when it has none. Errors
// find where a byte stood in the URI as the caller wrote it.
struct Compact {
    std::string_view uri;
    std::string copy;
    std::string_view bytes;

    std::size_t origin_of(std::size_t i) const {
        std::size_t kept = 0;
        for (std::size_t at = 0; at < uri.size(); ++at) {
            if (uri[at] == ' ' || uri[at] == '\t') continue;
            if (kept++ == i) return at;
        }
        return uri.size();
    }
};

struct Constraint {
    Comparator op;
    std::string key;
    std::string text;        // the decoded version; empty for a key written in hex
    std::string_view token;  // as written, without spaces, for messages
    std::size_t origin;      // where the constraint starts in the URI
};

bool is_lower_bound(Comparator op) { return op == Comparator::Greater || op == Comparator::GreaterEqual; }
bool is_upper_bound(Comparator op) { return op == Comparator::Less || op == Comparator::LessEqual; }

// UTF-8, except that the encodings of the surrogates U+D800..U+DFFF pass too: the
// bytes of every Python str, whose lone surrogates the binding passes on as such.
bool is_text(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length;
        unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        if (second < low || second > high) return false;
        for (std::size_t k = 2; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (next < 0x80 || next > 0xBF) return false;
        }
        i += length;
    }
    return true;
}

int hex_value(char c) {
    if (is_digit(c)) return c - '0';
    const char lower = to_lower(c);
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

class VersReader {
public:
    VersReader(std::string_view uri, VersTypeResolver resolve) : uri_(uri), resolve_(resolve) {}

    RangeResult<VersionSet> read() {
        if (auto failure = compact()) return Failure{std::move(*failure)};
        const std::string_view s = compact_.bytes;
        const std::size_t colon = s.find(':');
        if (colon == std::string::npos || !equal_lowered(s.substr(0, colon), "vers")) {
            return Failure{error(0, "expected 'vers:'")};
        }
        const std::size_t slash = s.find('/', colon + 1);
        if (slash == std::string::npos) return Failure{error(s.size(), "expected '/' after the versioning scheme")};
        std::string type(s.substr(colon + 1, slash - colon - 1));
        for (char& c : type) c = to_lower(c);
        if (type.empty()) return Failure{error(colon + 1, "expected a versioning scheme")};
        const std::optional<RangeScheme> scheme = resolve_(type);
        if (!scheme) return Failure{error(colon + 1, "unsupported versioning scheme " + quoted(type))};
        scheme_ = &*scheme;

        const std::size_t query = s.find('?', slash + 1);
        const std::size_t end = query == std::string::npos ? s.size() : query;
        auto releases = read_constraints(slash + 1, end);
        if (!releases.ok()) return Failure{std::move(releases.error())};
        if (query == std::string::npos) return VersionSet::uniform(*scheme, std::move(releases.value()));
        auto prereleases = read_query(query + 1);
        if (!prereleases.ok()) return Failure{std::move(prereleases.error())};
        return VersionSet(*scheme, std::move(releases.value()), std::move(prereleases.value()));
    }

private:
    static bool equal_lowered(std::string_view text, std::string_view lower) {
        if (text.size() != lower.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (to_lower(text[i]) != lower[i]) return false;
        }
        return true;
    }

    RangeError error(std::size_t compact_offset, std::string_view what) const {
        return malformed_at(HEAD, uri_, compact_.origin_of(compact_offset), what);
    }

    std::optional<RangeError> compact() {
        compact_.uri = uri_;
        bool blanks = false;
        for (std::size_t i = 0; i < uri_.size(); ++i) {
            const auto byte = static_cast<unsigned char>(uri_[i]);
            if (byte == ' ' || byte == '\t') {
                blanks = true;
            } else if (byte < 0x21 || byte > 0x7E) {
                return malformed_at(HEAD, uri_, i, "unexpected character (a vers is printable ASCII)");
            }
        }
        if (!blanks) {
            compact_.bytes = uri_;
            return std::nullopt;
        }
        compact_.copy.reserve(uri_.size());
        for (const char c : uri_) {
            if (c != ' ' && c != '\t') compact_.copy.push_back(c);
        }
        compact_.bytes = compact_.copy;
        return std::nullopt;
    }

    // "prereleases=<constraints>", the one parameter tambry writes.
    RangeResult<IntervalSet> read_query(std::size_t begin) {
        const std::string_view s = compact_.bytes;
        constexpr std::string_view NAME = "prereleases=";
        if (s.substr(begin, NAME.size()) != NAME) {
            return Failure{error(begin, "expected 'prereleases=' after '?'")};
        }
        const std::size_t value = begin + NAME.size();
        const std::size_t amp = s.find('&', value);
        if (amp != std::string::npos) return Failure{error(amp, "unexpected '&'")};
        return read_constraints(value, s.size());
    }

    RangeResult<IntervalSet> read_constraints(std::size_t begin, std::size_t end) {
        const std::string_view list = compact_.bytes.substr(begin, end - begin);
        if (list == "*") return IntervalSet::all();
        if (list == "none") return IntervalSet();
        std::vector<Constraint> constraints;
        std::size_t start = begin;
        while (start <= end) {
            std::size_t stop = compact_.bytes.find('|', start);
            if (stop == std::string::npos || stop > end) stop = end;
            if (stop > start) {
                auto constraint = read_constraint(start, stop);
                if (!constraint.ok()) return Failure{std::move(constraint.error())};
                constraints.push_back(std::move(constraint.value()));
            }
            start = stop + 1;
        }
        if (constraints.empty()) return Failure{error(begin, "expected a constraint")};
        std::sort(constraints.begin(), constraints.end(), [](const Constraint& a, const Constraint& b) {
            const int order = a.key.compare(b.key);
            return order != 0 ? order < 0 : a.origin < b.origin;
        });
        if (auto failure = check_sequence(constraints)) return Failure{std::move(*failure)};
        return build(constraints);
    }

    RangeResult<Constraint> read_constraint(std::size_t begin, std::size_t end) {
        const std::string_view token = compact_.bytes.substr(begin, end - begin);
        static constexpr std::pair<std::string_view, Comparator> OPERATORS[] = {
            {">=", Comparator::GreaterEqual}, {"<=", Comparator::LessEqual}, {"!=", Comparator::NotEqual},
            {"<", Comparator::Less},          {">", Comparator::Greater},    {"=", Comparator::Equal},
        };
        Comparator op = Comparator::Equal;
        std::size_t at = begin;
        for (const auto& [spelling, comparator] : OPERATORS) {
            if (token.starts_with(spelling)) {
                op = comparator;
                at += spelling.size();
                break;
            }
        }
        if (at == end) return Failure{error(at, "expected a version")};
        Constraint constraint{op, {}, {}, token, begin};
        if (compact_.bytes[at] == '*') {
            if (at + 1 == end) return Failure{error(at, "'*' must stand alone")};
            if (auto failure = read_key(at, end, constraint.key)) return Failure{std::move(*failure)};
            return constraint;
        }
        if (auto failure = decode(at, end, constraint.text)) return Failure{std::move(*failure)};
        KeyBuffer key;
        if (!scheme_->key(constraint.text, key)) {
            return Failure{invalid_version_at(HEAD, uri_, compact_.origin_of(at), scheme_->name(), constraint.text)};
        }
        constraint.key.assign(key_view(key));
        return constraint;
    }

    std::optional<RangeError> decode(std::size_t begin, std::size_t end, std::string& out) const {
        const std::string_view s = compact_.bytes;
        const std::size_t first = out.size();
        for (std::size_t i = begin; i < end; ++i) {
            const char c = s[i];
            if (c == '%') {
                const int high = i + 2 < end ? hex_value(s[i + 1]) : -1;
                const int low = i + 2 < end ? hex_value(s[i + 2]) : -1;
                if (high < 0 || low < 0) return error(i, "invalid percent-escape");
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
            } else if (std::string_view("<>=!*").find(c) != std::string_view::npos) {
                return error(i, std::string("unexpected ") + quoted(std::string_view(&c, 1)));
            } else {
                out.push_back(c);
            }
        }
        // A version is text: escapes must spell characters, so that every bound
        // read here is a text a caller could have given (a lone surrogate included,
        // as Python strs carry them).
        if (!is_text(std::string_view(out).substr(first))) return error(begin, "percent-escapes that spell no text");
        return std::nullopt;
    }

    // "*<hex>": a bound named by its key, which must be a key of this ecosystem.
    std::optional<RangeError> read_key(std::size_t star, std::size_t end, std::string& key) const {
        const std::string_view s = compact_.bytes;
        if ((end - star - 1) % 2 != 0) return error(end, "expected an even number of hex digits");
        for (std::size_t i = star + 1; i < end; i += 2) {
            const int high = hex_value(s[i]);
            const int low = hex_value(s[i + 1]);
            if (high < 0) return error(i, "expected a hex digit");
            if (low < 0) return error(i + 1, "expected a hex digit");
            key.push_back(static_cast<char>(high * 16 + low));
        }
        if (key.size() < 2 || static_cast<unsigned char>(key[0]) != native::KEY_FORMAT ||
            static_cast<unsigned char>(key[1]) != native::key_id(scheme_->ecosystem)) {
            std::string what = "the key is not a ";
            what.append(scheme_->name());
            what.append(" key");
            return error(star, what);
        }
        return std::nullopt;
    }

    // The sorted constraints against the rules of a valid vers.
    std::optional<RangeError> check_sequence(const std::vector<Constraint>& constraints) const {
        for (std::size_t i = 1; i < constraints.size(); ++i) {
            if (constraints[i - 1].key == constraints[i].key) {
                const Constraint& later =
                    constraints[i - 1].origin > constraints[i].origin ? constraints[i - 1] : constraints[i];
                return cannot(later, "repeats a version");
            }
        }
        const Constraint* previous = nullptr;        // ignoring "!="
        const Constraint* previous_bound = nullptr;  // ignoring "!=" and "="
        for (const Constraint& c : constraints) {
            if (c.op == Comparator::NotEqual) continue;
            if (previous && previous->op == Comparator::Equal && is_upper_bound(c.op)) return follows(c, *previous);
            if (previous_bound && c.op != Comparator::Equal &&
                is_lower_bound(previous_bound->op) == is_lower_bound(c.op)) {
                return follows(c, *previous_bound);
            }
            previous = &c;
            if (c.op != Comparator::Equal) previous_bound = &c;
        }
        return std::nullopt;
    }

    RangeError cannot(const Constraint& c, std::string_view what) const {
        return malformed_at(HEAD, uri_, compact_.origin_of(c.origin), quoted(c.token) + " " + std::string(what));
    }
    RangeError follows(const Constraint& c, const Constraint& previous) const {
        return cannot(c, "cannot follow " + quoted(previous.token));
    }

    // The set of a valid sorted list, in one pass: the list's alternation says, at
    // each constraint, whether the versions just below it are in the set.
    static IntervalSet build(std::vector<Constraint>& constraints) {
        bool only_exclusions = true;
        bool starts_inside = false;
        for (const Constraint& c : constraints) {
            if (c.op == Comparator::NotEqual) continue;
            only_exclusions = false;
            starts_inside = is_upper_bound(c.op);
            break;
        }
        if (only_exclusions) starts_inside = true;
        std::vector<Cut> cuts;
        cuts.reserve(constraints.size() * 2);
        bool inside = starts_inside;
        for (Constraint& c : constraints) {
            auto below = [&] { return cut_below_key(c.key, c.text); };
            auto above = [&] { return cut_above_key(c.key, c.text); };
            switch (c.op) {
                case Comparator::Equal:  // inside an interval already, it adds nothing
                case Comparator::NotEqual:  // outside every interval, it takes nothing away
                    if (inside == (c.op == Comparator::NotEqual)) {
                        cuts.push_back(below());
                        cuts.push_back(above());
                    }
                    break;
                case Comparator::Greater:
                case Comparator::LessEqual:
                    cuts.push_back(above());
                    inside = !inside;
                    break;
                case Comparator::GreaterEqual:
                case Comparator::Less:
                    cuts.push_back(below());
                    inside = !inside;
                    break;
            }
        }
        return IntervalSet::from_cuts(starts_inside, std::move(cuts));
    }

    std::string_view uri_;
    VersTypeResolver resolve_;
    Compact compact_;
    const RangeScheme* scheme_ = nullptr;
};

}  // namespace

std::optional<RangeScheme> native_scheme_for_vers_type(std::string_view type) {
    for (int i = 0; i < native::NATIVE_ECOSYSTEM_COUNT; ++i) {
        const auto ecosystem = static_cast<NativeEcosystem>(i);
        if (native::native_name(ecosystem) == type) return RangeScheme::of(ecosystem);
    }
    return std::nullopt;
}

RangeResult<VersionSet> parse_vers(std::string_view uri, VersTypeResolver resolve) {
    return VersReader(uri, resolve).read();
}

}  // namespace tambry::ranges
