// Maven orders versions as ComparableVersion of maven-artifact 3.8.7 does. It lowers
// the text and splits it into items at '.', at '-' and wherever digits and letters
// meet; a '-', and a change between digits and letters inside a list that already
// holds an item, open a nested list. Numbers compare by size class first (at most 9
// digits once leading zeros are gone, then up to 18, then more), then by value.
// Words compare as qualifiers: alpha < beta < milestone < rc (= cr) < snapshot <
// the release ("", ga, final, release) < sp < every other word, those in the order
// of their text; "a", "b" and "m" right before a digit stand for alpha, beta and
// milestone. A word is below a nested list, and a nested list below a number. Where
// one list has ended, the other's next items decide against nothing: a number by
// not being 0, a word by lying below or above the release, a nested list by its
// first item that does. Each list first drops the nulls it ends with (0, release
// words, empty lists).
//
// That order is not transitive. An item meets "nothing" by its value but another
// item by its kind, and the two disagree for a word at or above the release that
// is not last in its list ("1.sp.1" < "1-alpha" < "1" < "1.sp.1"), for a 0 before a
// pre-release ("1-1" < "1.0.alpha.1" < "1" < "1-1"), and for a 10-to-18-digit 0
// before one. compare_maven answers exactly as Maven does, cycles included. A key
// needs one total order, so at each item it asks first whether the rest of the
// version lies below or above the version cut there, as Maven does against a
// shorter version, and only then orders by kind and value: the key follows Maven
// on every pair except those whose first difference is such a disagreement, and
// each of those lies on a cycle of Maven's own order through the version cut at
// that item.
//
// Maven lowers with Java's Unicode case data and takes every decimal digit of the
// Basic Multilingual Plane as a digit; java_text.hpp follows both.
#include "native/maven.hpp"

#include "native/java_text.hpp"
#include "native/key_encoding.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

using Kind = MavenItem::Kind;

constexpr std::size_t INT_DIGITS = 9;
constexpr std::size_t LONG_DIGITS = 18;

// ComparableVersion lowers the whole text first; ASCII texts need no case tables.
void lower_text(std::string_view text, SmallVec<char, 64>& out) {
    char* p = out.append_uninitialized(text.size());
    unsigned char high = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        high |= static_cast<unsigned char>(text[i]);
        p[i] = to_lower(text[i]);
    }
    if (high >= 0x80) {
        out.clear();
        java_lower_utf8(text, out);
    }
}

// A digit of a number item, and where the next one starts.
int digit_at(std::string_view text, std::size_t& pos) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte - '0';
    }
    const DecodedChar d = decode_utf8_at(text, pos);
    pos += d.size;
    int value = 0;
    java_is_digit(d.code_point, value);
    return value;
}

// The digits of a Big item without its leading zeros (of any script): where they
// start and how many there are.
std::size_t significant_digits(std::string_view text, const MavenItem& item, std::size_t& first) {
    std::size_t pos = item.start;
    const std::size_t end = item.start + item.size;
    std::size_t count = 0;
    first = end;
    while (pos < end) {
        const std::size_t here = pos;
        const int digit = digit_at(text, pos);
        if (count == 0 && digit == 0) continue;
        if (count == 0) first = here;
        ++count;
    }
    return count;
}

bool is_null(std::string_view text, const MavenItem& item) {
    switch (item.kind) {
        case Kind::Word: return item.qualifier == MAVEN_RELEASE;
        case Kind::Int:
        case Kind::Long: return item.value == 0;
        case Kind::Big: {
            std::size_t first;
            return significant_digits(text, item, first) == 0;
        }
        case Kind::Open: break;
    }
    return false;
}

// How an item compares with nothing, the end of a shorter list: -1, 0 or 1.
int sign_against_nothing(std::string_view text, const MavenItem& item) {
    if (item.kind == Kind::Open) return 0;
    if (item.kind == Kind::Word) return item.qualifier < MAVEN_RELEASE ? -1 : (item.qualifier > MAVEN_RELEASE);
    return is_null(text, item) ? 0 : 1;
}

// How the items from `from` on compare with nothing: the first that is not null
// decides. After normalisation a non-empty rest always holds one.
int rest_against_nothing(const MavenVersion& v, std::size_t from) {
    const std::string_view text{v.text.data(), v.text.size()};
    for (std::size_t i = from; i < v.items.size(); ++i) {
        const int sign = sign_against_nothing(text, v.items[i]);
        if (sign != 0) return sign;
    }
    return 0;
}

std::uint8_t qualifier_of(std::string_view word, bool before_digit) {
    if (before_digit && word.size() == 1) {
        if (word[0] == 'a') return 0;
        if (word[0] == 'b') return 1;
        if (word[0] == 'm') return 2;
    }
    struct Known {
        std::string_view word;
        std::uint8_t qualifier;
    };
    static constexpr Known KNOWN[] = {
        {"alpha", 0}, {"beta", 1},  {"milestone", 2}, {"rc", 3},      {"cr", 3}, {"snapshot", 4},
        {"ga", 5},    {"final", 5}, {"release", 5},   {"sp", 6},
    };
    for (const Known& known : KNOWN) {
        if (word == known.word) return known.qualifier;
    }
    return MAVEN_OTHER_WORD;
}

enum class CharClass { Dot, Dash, Digit, Other };

// Splits the lowered text into items as ComparableVersion.parseVersion does, and
// normalises on the way: a null item is held back until an item that is not null
// follows it in the same list, and a nested list until it holds such an item,
// which is what dropping every list's trailing nulls comes to.
class Parser {
public:
    explicit Parser(MavenVersion& out) : out_(out), text_(out.text.data(), out.text.size()) {}

    void run() {
        bool in_digits = false;
        std::size_t start = 0;
        for (std::size_t i = 0; i < text_.size();) {
            std::size_t width = 1;
            switch (classify(i, width)) {
                case CharClass::Dot:
                case CharClass::Dash:
                    if (i == start) {
                        add(number(i, i + 1, true));
                    } else {
                        add(token(in_digits, start, i));
                    }
                    start = i + 1;
                    if (text_[i] == '-') open();
                    break;
                case CharClass::Digit:
                    if (!in_digits && i > start) {
                        if (list_size_ != 0) open();
                        add(word(start, i, true));
                        start = i;
                        open();
                    }
                    in_digits = true;
                    break;
                case CharClass::Other:
                    if (in_digits && i > start) {
                        add(number(start, i, false));
                        start = i;
                        open();
                    }
                    in_digits = false;
                    break;
            }
            i += width;
        }
        if (text_.size() > start) {
            if (!in_digits && list_size_ != 0) open();
            add(token(in_digits, start, text_.size()));
        }
    }

private:
    CharClass classify(std::size_t i, std::size_t& width) const {
        const char c = text_[i];
        if (c == '.') return CharClass::Dot;
        if (c == '-') return CharClass::Dash;
        if (is_digit(c)) return CharClass::Digit;
        if (static_cast<unsigned char>(c) < 0x80) return CharClass::Other;
        const DecodedChar d = decode_utf8_at(text_, i);
        width = d.size;
        int value;
        return java_is_digit(d.code_point, value) ? CharClass::Digit : CharClass::Other;
    }

    MavenItem token(bool digits, std::size_t start, std::size_t end) const {
        return digits ? number(start, end, false) : word(start, end, false);
    }

    MavenItem word(std::size_t start, std::size_t end, bool before_digit) const {
        MavenItem item{};
        item.kind = Kind::Word;
        item.qualifier = qualifier_of(text_.substr(start, end - start), before_digit);
        item.start = start;
        item.size = end - start;
        return item;
    }

    // `zero` stands for the 0 that an empty part between separators reads as.
    MavenItem number(std::size_t start, std::size_t end, bool zero) const {
        MavenItem item{};
        item.kind = Kind::Int;
        if (zero) return item;
        // Only ASCII zeros are stripped, and a run of nothing but them is kept whole.
        std::size_t first = start;
        while (first < end && text_[first] == '0') ++first;
        if (first == end) first = start;
        std::size_t count = 0;
        std::uint64_t value = 0;
        for (std::size_t pos = first; pos < end; ++count) {
            const int digit = digit_at(text_, pos);
            if (count < LONG_DIGITS) value = value * 10 + static_cast<std::uint64_t>(digit);
        }
        if (count <= LONG_DIGITS) {
            item.kind = count <= INT_DIGITS ? Kind::Int : Kind::Long;
            item.value = value;
        } else {
            item.kind = Kind::Big;
            item.start = first;
            item.size = end - first;
        }
        return item;
    }

    void add(const MavenItem& item) {
        ++list_size_;
        if (is_null(text_, item)) {
            held_nulls_.push_back(item);
            return;
        }
        for (; held_lists_ != 0; --held_lists_) {
            MavenItem open{};
            open.kind = Kind::Open;
            out_.items.push_back(open);
        }
        out_.items.append(held_nulls_.data(), held_nulls_.size());
        held_nulls_.clear();
        out_.items.push_back(item);
    }

    void open() {
        // The nulls before a nested list go whether or not the list stays.
        held_nulls_.clear();
        ++held_lists_;
        list_size_ = 0;
    }

    MavenVersion& out_;
    std::string_view text_;
    SmallVec<MavenItem, 4> held_nulls_;
    std::size_t held_lists_ = 0;
    std::size_t list_size_ = 0;  // items of the innermost list as Maven counts them
};

Ordering ordering_of(int sign) { return sign < 0 ? Ordering::Less : (sign > 0 ? Ordering::Greater : Ordering::Equal); }

int compare_words(std::string_view at, const MavenItem& a, std::string_view bt, const MavenItem& b) {
    if (a.qualifier != b.qualifier) return a.qualifier < b.qualifier ? -1 : 1;
    if (a.qualifier != MAVEN_OTHER_WORD) return 0;
    const std::size_t n = a.size < b.size ? a.size : b.size;
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = java_order_rank(static_cast<unsigned char>(at[a.start + i]));
        const auto y = java_order_rank(static_cast<unsigned char>(bt[b.start + i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size == b.size ? 0 : (a.size < b.size ? -1 : 1);
}

int compare_bigs(std::string_view at, const MavenItem& a, std::string_view bt, const MavenItem& b) {
    std::size_t pa, pb;
    const std::size_t na = significant_digits(at, a, pa);
    const std::size_t nb = significant_digits(bt, b, pb);
    if (na != nb) return na < nb ? -1 : 1;
    for (std::size_t i = 0; i < na; ++i) {
        const int x = digit_at(at, pa);
        const int y = digit_at(bt, pb);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

// Two items at the same place, neither of them Open.
int compare_items(std::string_view at, const MavenItem& a, std::string_view bt, const MavenItem& b) {
    const bool a_word = a.kind == Kind::Word;
    const bool b_word = b.kind == Kind::Word;
    if (a_word || b_word) return a_word && b_word ? compare_words(at, a, bt, b) : (a_word ? -1 : 1);
    if (a.kind != b.kind) return a.kind < b.kind ? -1 : 1;  // Int < Long < Big
    if (a.kind == Kind::Big) return compare_bigs(at, a, bt, b);
    return a.value < b.value ? -1 : (a.value > b.value);
}

// Key bytes of one item. Below the end of a version, then above it; inside each
// half by kind (word, nested list, number) and value.
enum KeyCode : unsigned char {
    WORD_BELOW = 0x01,  // + qualifier 0 to 5
    LIST_BELOW = 0x07,
    INT_ZERO_BELOW = 0x08,
    LONG_ZERO_BELOW = 0x09,
    BIG_ZERO_BELOW = 0x0A,
    END = 0x0B,
    RELEASE_ABOVE = 0x0C,
    SP_ABOVE = 0x0D,
    OTHER_WORD = 0x0E,  // + the word
    LIST_ABOVE = 0x0F,
    SMALL_INT = 0x10,  // + the value, below LARGE_INT - SMALL_INT
    LARGE_INT = 0xFC,  // + put_u64
    LONG_NUMBER = 0xFD,
    BIG_NUMBER = 0xFE,  // + digit count + digits
};

void put_word(KeyBuffer& out, std::string_view word) {
    for (const char c : word) {
        const unsigned char rank = java_order_rank(static_cast<unsigned char>(c));
        if (rank <= 0x01) {
            out.push_back(0x01);
            out.push_back(static_cast<unsigned char>(rank + 1));
        } else {
            out.push_back(rank);
        }
    }
    out.push_back(0x00);
}

void put_item(KeyBuffer& out, std::string_view text, const MavenItem& item, int rest) {
    const bool below = rest < 0;
    switch (item.kind) {
        case Kind::Word:
            if (below) {
                out.push_back(static_cast<unsigned char>(WORD_BELOW + item.qualifier));
            } else if (item.qualifier == MAVEN_RELEASE) {
                out.push_back(RELEASE_ABOVE);
            } else if (item.qualifier != MAVEN_OTHER_WORD) {
                out.push_back(SP_ABOVE);
            } else {
                out.push_back(OTHER_WORD);
                put_word(out, text.substr(item.start, item.size));
            }
            return;
        case Kind::Open: out.push_back(below ? LIST_BELOW : LIST_ABOVE); return;
        case Kind::Int:
            if (below) {
                out.push_back(INT_ZERO_BELOW);
            } else if (item.value < LARGE_INT - SMALL_INT) {
                out.push_back(static_cast<unsigned char>(SMALL_INT + item.value));
            } else {
                out.push_back(LARGE_INT);
                put_u64(out, item.value);
            }
            return;
        case Kind::Long:
            if (below) {
                out.push_back(LONG_ZERO_BELOW);
            } else {
                out.push_back(LONG_NUMBER);
                put_u64(out, item.value);
            }
            return;
        case Kind::Big: {
            if (below) {
                out.push_back(BIG_ZERO_BELOW);
                return;
            }
            std::size_t pos;
            const std::size_t count = significant_digits(text, item, pos);
            out.push_back(BIG_NUMBER);
            put_u64(out, count);
            for (std::size_t i = 0; i < count; ++i) out.push_back(static_cast<unsigned char>(digit_at(text, pos)));
            return;
        }
    }
}

class MavenScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view) const override { return true; }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        MavenVersion left, right;
        parse_maven(a, left);
        parse_maven(b, right);
        return compare_maven(left, right);
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        MavenVersion version;
        parse_maven(text, version);
        append_maven_key(version, out);
        return true;
    }
};

constinit const MavenScheme MAVEN_SCHEME{};

}  // namespace

void parse_maven(std::string_view text, MavenVersion& out) {
    out.text.clear();
    out.items.clear();
    lower_text(text, out.text);
    Parser(out).run();
}

Ordering compare_maven(const MavenVersion& a, const MavenVersion& b) {
    const std::string_view at{a.text.data(), a.text.size()};
    const std::string_view bt{b.text.data(), b.text.size()};
    const std::size_t na = a.items.size(), nb = b.items.size();
    std::size_t i = 0;
    for (; i < na && i < nb; ++i) {
        const MavenItem& x = a.items[i];
        const MavenItem& y = b.items[i];
        const bool x_list = x.kind == Kind::Open;
        const bool y_list = y.kind == Kind::Open;
        int c;
        if (x_list && y_list) {
            continue;  // both nested lists: their items follow, and nothing after them
        } else if (x_list || y_list) {
            // A nested list is above a word and below a number.
            const MavenItem& other = x_list ? y : x;
            c = other.kind == Kind::Word ? 1 : -1;
            if (y_list) c = -c;
        } else {
            c = compare_items(at, x, bt, y);
        }
        if (c != 0) return ordering_of(c);
    }
    if (i < na) return ordering_of(rest_against_nothing(a, i));
    if (i < nb) return ordering_of(-rest_against_nothing(b, i));
    return Ordering::Equal;
}

void append_maven_key(const MavenVersion& version, KeyBuffer& out) {
    const std::string_view text{version.text.data(), version.text.size()};
    const std::size_t n = version.items.size();
    // The item from which the rest's comparison with nothing was last found.
    std::size_t decided_at = 0;
    int rest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const MavenItem& item = version.items[i];
        int sign = sign_against_nothing(text, item);
        if (sign == 0) {
            if (i >= decided_at) {
                decided_at = i + 1;
                rest = 0;
                while (decided_at < n && (rest = sign_against_nothing(text, version.items[decided_at])) == 0) {
                    ++decided_at;
                }
            }
            sign = rest;
        }
        put_item(out, text, item, sign);
    }
    out.push_back(END);
}

const NativeScheme& maven_scheme() { return MAVEN_SCHEME; }

}  // namespace tambry::native
