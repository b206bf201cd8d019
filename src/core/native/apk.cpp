// Alpine versions in apk's own order. apk reads a version as a sequence of tokens,
// each of a kind that may only follow certain others: a first number, then
// ".number" components, one lowercase letter, "_suffix" words with optional
// numbers, a "~hash" of hex digits and a "-rN" revision. Two versions compare token
// by token. Tokens of the same kind compare by value: numbers as numbers (apk
// reads them into 64 bits, so larger ones wrap), except that a "." component with
// a leading zero compares as text with the other one; suffixes in the order
// _alpha < _beta < _pre < _rc < _cvs < _svn < _git < _hg < _p; hashes as text.
// At the first place where the kinds differ, a pre-release suffix (_alpha to _rc)
// is the lesser; otherwise the kind later in the grammar is: the end of the text
// before a revision, before a hash, and so on up to ".number".
//
// This is the tokenizer of apk-tools 3, which fixed two orders of apk-tools 2
// ("6.0_pre1" now sorts before "6.0"; "8.2.0" before "8.2.001") and added the
// hash. apk-tools 2 also took digits straight after the letter ("9.6p1", as in
// Alpine's own security data), which apk-tools 3 rejects; they are accepted here
// and compare as a number, as apk-tools 2 compared them.
#include "native/apk.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "native/apk_grammar.hpp"
#include "native/key_encoding.hpp"
#include "native/native_scheme.hpp"
#include "native/number_band.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

// In grammar order, which is also the order of the comparison where kinds differ.
enum class Kind : std::uint8_t { InitialNumber, Number, Letter, Suffix, SuffixNumber, CommitHash, Revision, End, Invalid };

enum Suffix : std::uint8_t { NoSuffix, Alpha, Beta, Pre, Rc, PreReleaseEnd, Cvs, Svn, Git, Hg, P };

Suffix suffix_of(std::string_view word) {
    if (word.empty()) return NoSuffix;
    Suffix suffix = NoSuffix;
    std::string_view spelled;
    switch (word[0]) {
        case 'a': suffix = Alpha, spelled = "alpha"; break;
        case 'b': suffix = Beta, spelled = "beta"; break;
        case 'c': suffix = Cvs, spelled = "cvs"; break;
        case 'g': suffix = Git, spelled = "git"; break;
        case 'h': suffix = Hg, spelled = "hg"; break;
        case 'p': word.size() > 1 ? (suffix = Pre, spelled = "pre") : (suffix = P, spelled = "p"); break;
        case 'r': suffix = Rc, spelled = "rc"; break;
        case 's': suffix = Svn, spelled = "svn"; break;
        default: return NoSuffix;
    }
    return word == spelled ? suffix : NoSuffix;
}

struct Token {
    Kind kind;
    Suffix suffix;
    bool after_letter;  // digits straight after a letter, which apk-tools 2 reads as a number
    std::uint64_t number;
    std::string_view text;
};

// What a byte can start, for the tokenizer's dispatch.
enum class Start : std::uint8_t { Nothing, Digit, Letter, Dot, Underscore, Tilde, Dash };

constexpr std::array<Start, 256> STARTS = [] {
    std::array<Start, 256> starts{};
    for (unsigned c = '0'; c <= '9'; ++c) starts[c] = Start::Digit;
    for (unsigned c = 'a'; c <= 'z'; ++c) starts[c] = Start::Letter;
    starts['.'] = Start::Dot;
    starts['_'] = Start::Underscore;
    starts['~'] = Start::Tilde;
    starts['-'] = Start::Dash;
    return starts;
}();

constexpr bool is_hex_digit(char c) { return is_digit(c) || (c >= 'a' && c <= 'f'); }

// Walks a version one token at a time, checking that each kind may follow the
// one before it, exactly as apk's tokenizer does.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : at_(text.data()), end_(text.data() + text.size()) {
        token_.kind = Kind::InitialNumber;
        take_digits();
    }

    const Token& token() const { return token_; }

    void next() {
        if (token_.kind >= Kind::End) return;
        if (at_ == end_) {
            token_.kind = Kind::End;
            return;
        }
        const Kind previous = token_.kind;
        token_.after_letter = false;
        switch (STARTS[static_cast<unsigned char>(*at_)]) {
            case Start::Letter:
                if (previous > Kind::Number) return invalid();
                token_.kind = Kind::Letter;
                token_.text = {at_++, 1};
                return;
            case Start::Dot:
                if (previous > Kind::Number) return invalid();
                ++at_;
                token_.kind = Kind::Number;
                return take_digits();
            case Start::Digit:
                // Digits never follow digits, and ".digits" was taken above.
                if (previous == Kind::Letter) {
                    token_.kind = Kind::Number;
                    token_.after_letter = true;
                } else if (previous == Kind::Suffix) {
                    token_.kind = Kind::SuffixNumber;
                } else {
                    return invalid();
                }
                return take_digits();
            case Start::Underscore: {
                if (previous > Kind::SuffixNumber) return invalid();
                const std::string_view word = take_while(++at_, is_lower);
                token_.suffix = suffix_of(word);
                if (token_.suffix == NoSuffix) return invalid();
                token_.kind = Kind::Suffix;
                token_.text = word;
                return;
            }
            case Start::Tilde: {
                if (previous >= Kind::CommitHash) return invalid();
                const std::string_view hash = take_while(++at_, is_hex_digit);
                if (hash.empty()) return invalid();
                token_.kind = Kind::CommitHash;
                token_.text = hash;
                return;
            }
            case Start::Dash:
                if (previous >= Kind::Revision || end_ - at_ < 2 || at_[1] != 'r') return invalid();
                at_ += 2;
                token_.kind = Kind::Revision;
                return take_digits();
            case Start::Nothing:
                return invalid();
        }
    }

private:
    void invalid() { token_.kind = Kind::Invalid; }

    template <class Predicate>
    std::string_view take_while(const char* from, Predicate belongs) {
        at_ = from;
        while (at_ != end_ && belongs(*at_)) ++at_;
        return {from, static_cast<std::size_t>(at_ - from)};
    }

    // apk accumulates in 64 bits without an overflow check: larger numbers wrap.
    void take_digits() {
        const char* from = at_;
        std::uint64_t value = 0;
        for (; at_ != end_ && is_digit(*at_); ++at_) value = value * 10 + static_cast<std::uint64_t>(*at_ - '0');
        token_.number = value;
        token_.text = {from, static_cast<std::size_t>(at_ - from)};
        if (at_ == from) invalid();
    }

    const char* at_;
    const char* end_;
    Token token_{};
};

Ordering compare_text(std::string_view a, std::string_view b) {
    const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
    if (c != 0) return order_of(c, 0);
    return order_of(a.size(), b.size());
}

// Two tokens of the same kind.
Ordering compare_tokens(const Token& a, const Token& b) {
    switch (a.kind) {
        case Kind::Number:
            // Digits after a letter only ever meet digits after the same letter.
            if (a.after_letter) return order_of(a.number, b.number);
            if (a.text[0] == '0' || b.text[0] == '0') return compare_text(a.text, b.text);
            return order_of(a.number, b.number);
        case Kind::InitialNumber:
        case Kind::SuffixNumber:
        case Kind::Revision:
            return order_of(a.number, b.number);
        case Kind::Letter:
            return order_of(a.text[0], b.text[0]);
        case Kind::Suffix:
            return order_of(a.suffix, b.suffix);
        default:
            return compare_text(a.text, b.text);
    }
}

// The first place where the kinds differ.
Ordering compare_kinds(const Token& a, const Token& b) {
    if (a.kind == b.kind) return Ordering::Equal;
    if (a.kind == Kind::Suffix && a.suffix < PreReleaseEnd) return Ordering::Less;
    if (b.kind == Kind::Suffix && b.suffix < PreReleaseEnd) return Ordering::Greater;
    return a.kind > b.kind ? Ordering::Less : Ordering::Greater;
}

// Key codes after the first number (which leads the key as a plain number): one
// code per token, in the order compare_kinds gives the kinds, with a pre-release
// suffix lowest; each suffix and each letter is a code of its own, and "."
// components take the three top codes: exactly "0", other text with a leading
// zero (below every component without one), then small numbers as single codes.
constexpr unsigned char SUFFIX_CODES[] = {0, 0x00, 0x01, 0x02, 0x03, 0, 0x08, 0x09, 0x0A, 0x0B, 0x0C};
constexpr unsigned char END_CODE = 0x04;
constexpr unsigned char REVISION_CODE = 0x05;
constexpr unsigned char COMMIT_HASH_CODE = 0x06;
constexpr unsigned char SUFFIX_NUMBER_CODE = 0x07;
constexpr unsigned char FIRST_LETTER_CODE = 0x0D;
constexpr unsigned char ZERO_CODE = FIRST_LETTER_CODE + 26;
constexpr unsigned char LEADING_ZERO_CODE = ZERO_CODE + 1;
constexpr NumberBand NUMBERS{LEADING_ZERO_CODE + 1, 200};

static_assert(NUMBERS.first + NUMBERS.small + 8 <= 0xFF, "the band ends within a byte");

void put_token(KeyBuffer& out, const Token& token) {
    switch (token.kind) {
        case Kind::Number:
            if (token.after_letter) {
                put_banded_u64(out, NUMBERS, token.number);
            } else if (token.text == "0") {
                out.push_back(ZERO_CODE);
            } else if (token.text[0] == '0') {
                out.push_back(LEADING_ZERO_CODE);
                put_text(out, token.text);
            } else {
                put_banded_u64(out, NUMBERS, token.number);
            }
            break;
        case Kind::Letter:
            out.push_back(static_cast<unsigned char>(FIRST_LETTER_CODE + (token.text[0] - 'a')));
            break;
        case Kind::Suffix:
            out.push_back(SUFFIX_CODES[token.suffix]);
            break;
        case Kind::SuffixNumber:
            out.push_back(SUFFIX_NUMBER_CODE);
            put_u64(out, token.number);
            break;
        case Kind::CommitHash:
            out.push_back(COMMIT_HASH_CODE);
            put_text(out, token.text);
            break;
        case Kind::Revision:
            out.push_back(REVISION_CODE);
            put_u64(out, token.number);
            break;
        default:
            out.push_back(END_CODE);
            break;
    }
}

class ApkScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view text) const override { return is_apk_version(text); }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        // Checking both texts whole first lets the walk below stop where the order is decided.
        if (!is_apk_version(a) || !is_apk_version(b)) return std::nullopt;
        Tokenizer left(a);
        Tokenizer right(b);
        Ordering order = Ordering::Equal;
        for (;;) {
            const Token& x = left.token();
            const Token& y = right.token();
            if (x.kind != y.kind || x.kind >= Kind::End) {
                order = compare_kinds(x, y);
                break;
            }
            order = compare_tokens(x, y);
            if (order != Ordering::Equal) break;
            left.next();
            right.next();
        }
        return order;
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        if (!append_apk_token_prefix_key(text, out)) return false;
        out.push_back(END_CODE);
        return true;
    }

    // apk's pre-release suffixes are _alpha, _beta, _pre and _rc.
    bool is_prerelease(std::string_view text) const override {
        const auto version = parse_apk_version(text);
        if (!version) return false;
        for (const std::string_view suffix : {"_alpha", "_beta", "_pre", "_rc"}) {
            if (version->version.find(suffix) != std::string_view::npos) return true;
        }
        return false;
    }
};

constinit const ApkScheme APK_SCHEME{};

}  // namespace

std::optional<ApkVersion> parse_apk_version(std::string_view text) {
    Tokenizer tokens(text);
    ApkVersion version{text, {}, {}};
    for (;;) {
        const Token& token = tokens.token();
        if (token.kind == Kind::Invalid) return std::nullopt;
        if (token.kind == Kind::End) return version;
        // "~" before a hash, "-r" before a revision.
        const auto start = static_cast<std::size_t>(token.text.data() - text.data());
        if (token.kind == Kind::CommitHash) {
            version.commit_hash = token.text;
            version.version = text.substr(0, std::min(version.version.size(), start - 1));
        } else if (token.kind == Kind::Revision) {
            version.revision = token.text;
            version.version = text.substr(0, std::min(version.version.size(), start - 2));
        }
        tokens.next();
    }
}

bool append_apk_token_prefix_key(std::string_view text, KeyBuffer& out) {
    Tokenizer tokens(text);
    if (tokens.token().kind == Kind::Invalid) return false;
    put_u64(out, tokens.token().number);
    for (;;) {
        tokens.next();
        const Token& token = tokens.token();
        if (token.kind == Kind::Invalid) return false;
        // Each token's code says its kind, and no token's bytes are a proper prefix of
        // another's: a key starts with these bytes exactly when its tokens start with these.
        if (token.kind == Kind::End) return true;
        put_token(out, token);
    }
}

const NativeScheme& apk_scheme() { return APK_SCHEME; }

}  // namespace tambry::native
