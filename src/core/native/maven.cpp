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
// pre-release ("1-1" < "1.0.alpha.1" < "1" < "1-1"), and for a 0 of ten digits or
// more before a pre-release, which Maven puts above every shorter number ("1.5" <
// "1.0000000000.alpha.1" < "1" < "1.5"). compare_maven answers exactly as Maven
// does, cycles included. A key needs one total order, so at each item it asks
// first whether the rest of the version from there lies below or above the end of
// a shorter version, as Maven does, and only then orders by kind and value. The
// key so follows Maven on every pair but those whose first differing items lie on
// opposite sides of "nothing" against the order of their kinds (a word above it
// against a list or a 0 below it, a list above it against a 0 below it, a long 0
// below it against a shorter number); each such pair lies on a cycle of Maven's
// own order through the version cut before those items, and the key sides with
// Maven's comparison against that shorter version.
//
// Maven lowers with Java's Unicode case data and takes every decimal digit of the
// Basic Multilingual Plane as a digit; java_text.hpp follows both.
#include "native/maven.hpp"

#include "native/dotted_numbers.hpp"
#include "native/java_text.hpp"
#include "native/key_encoding.hpp"
#include "text.hpp"

namespace tambry::native {
namespace {

using Kind = MavenItem::Kind;

constexpr std::size_t INT_DIGITS = 9;
constexpr std::size_t LONG_DIGITS = 18;

// A parsed version seen from outside: its text (lowered, or ASCII to be lowered
// byte by byte) and its normalised items.
struct MavenView {
    std::string_view text;
    const MavenItem* items;
    std::size_t count;
};

[[gnu::noinline]] int unicode_digit_at(std::string_view text, std::size_t& pos) {
    const DecodedChar d = decode_utf8_at(text, pos);
    pos += d.size;
    int value = 0;
    java_is_digit(d.code_point, value);
    return value;
}

// A digit of a number item, and where the next one starts.
inline int digit_at(std::string_view text, std::size_t& pos) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte - '0';
    }
    return unicode_digit_at(text, pos);
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

bool equal_lowered(std::string_view word, std::string_view lower) {
    if (word.size() != lower.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (to_lower(word[i]) != lower[i]) return false;
    }
    return true;
}

std::uint8_t qualifier_of(std::string_view word, bool before_digit) {
    switch (word.size()) {
        case 1:
            if (!before_digit) break;
            switch (to_lower(word[0])) {
                case 'a': return 0;
                case 'b': return 1;
                case 'm': return 2;
            }
            break;
        case 2:
            if (equal_lowered(word, "rc") || equal_lowered(word, "cr")) return 3;
            if (equal_lowered(word, "ga")) return MAVEN_RELEASE;
            if (equal_lowered(word, "sp")) return 6;
            break;
        case 4:
            if (equal_lowered(word, "beta")) return 1;
            break;
        case 5:
            if (equal_lowered(word, "alpha")) return 0;
            if (equal_lowered(word, "final")) return MAVEN_RELEASE;
            break;
        case 7:
            if (equal_lowered(word, "release")) return MAVEN_RELEASE;
            break;
        case 8:
            if (equal_lowered(word, "snapshot")) return 4;
            break;
        case 9:
            if (equal_lowered(word, "milestone")) return 2;
            break;
    }
    return MAVEN_OTHER_WORD;
}

// Copies an item field by field. An item is built with narrow stores, and a copy
// made of wide loads right after them stalls until they have settled.
inline void assign(MavenItem& to, const MavenItem& from) {
    to.kind = from.kind;
    to.against_nothing = from.against_nothing;
    to.qualifier = from.qualifier;
    to.start = from.start;
    to.size = from.size;
    to.value = from.value;
}

// The items of one version while they are read: room for the usual handful inside,
// and the last ones can be taken back.
class ItemArray {
public:
    const MavenItem* data() const { return store_.data(); }
    std::size_t size() const { return size_; }

    // The next item, which the caller fills whole, in place: an item built
    // elsewhere and copied in would be read back before its stores have settled.
    MavenItem& next() {
        if (size_ == store_.size()) store_.append_uninitialized(1);
        return store_[size_++];
    }
    void truncate(std::size_t size) { size_ = size; }

    // Puts `count` Open items before the last `tail` items.
    void insert_opens(std::size_t tail, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) set_open(next());
        MavenItem* items = store_.data();
        const std::size_t first = size_ - count - tail;
        for (std::size_t i = size_; i-- > first + count;) assign(items[i], items[i - count]);
        for (std::size_t i = first; i < first + count; ++i) set_open(items[i]);
    }

    static void set_open(MavenItem& item) { assign(item, MavenItem{Kind::Open, 0, 0, 0, 0, 0}); }

private:
    SmallVec<MavenItem, 24> store_;
    std::size_t size_ = 0;
};

// Splits a text into items as ComparableVersion.parseVersion does, a run at a
// time: Maven walks the text a character at a time, and a run of digits or of
// other characters up to a separator or to a change between the two comes to the
// same. Each step tells a sink of the items and nested lists it found, in order.
//
// An ASCII text is read as it stands and its words lowered as they are compared;
// when only ASCII is read, a byte outside it stops the reading (failed()), as the
// text must then be lowered with Java's case data first.
class Tokenizer {
public:
    Tokenizer(std::string_view text, bool ascii_only, std::size_t start = 0)
        : text_(text), ascii_only_(ascii_only), pos_(start) {}

    bool failed() const { return failed_; }

    // Reads one run; false once the text is done (or the reading failed).
    template <class Sink>
    [[gnu::always_inline]] inline bool step(Sink& sink) {
        const std::size_t n = text_.size();
        if (pos_ >= n) return false;
        const std::size_t i = pos_;
        const char c = text_[i];
        if (c == '.' || c == '-') {
            add(sink, MavenItem{Kind::Int, 0, 0, 0, 0, 0});  // an empty part reads as 0
            if (c == '-') open(sink);
            pos_ = i + 1;
            return true;
        }
        bool digits;
        std::size_t end;
        MavenItem item;
        if (!scan_ascii_run(i, digits, end, item)) {
            if (!scan_run(i, digits, end)) {
                failed_ = true;
                return false;
            }
            const bool before_digit = end < n && text_[end] != '.' && text_[end] != '-';
            item = token(digits, i, end, before_digit);
        }
        if (end == n) {
            if (!digits && list_size_ != 0) open(sink);
            add(sink, item);
        } else if (text_[end] == '.' || text_[end] == '-') {
            add(sink, item);
            if (text_[end] == '-') open(sink);
            ++end;
        } else {
            if (!digits && list_size_ != 0) open(sink);
            add(sink, item);
            open(sink);
        }
        pos_ = end;
        return true;
    }

private:
    template <class Sink>
    void add(Sink& sink, const MavenItem& item) {
        ++list_size_;
        sink.item(item);
    }

    template <class Sink>
    void open(Sink& sink) {
        list_size_ = 0;
        sink.open();
    }

    // The common case: a run of ASCII that ends at the end, at a separator or at
    // another ASCII character, read with its item in one pass. False when the run
    // meets a byte outside ASCII, which may continue it.
    [[gnu::always_inline]] inline bool scan_ascii_run(std::size_t i, bool& digits, std::size_t& end,
                                                      MavenItem& item) const {
        const char* p = text_.data();
        const std::size_t n = text_.size();
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
        std::size_t j = i;
        digits = is_digit(p[i]);
        if (digits) {
            while (j < n && p[j] == '0') ++j;
            const std::size_t first = j;
            std::uint64_t value = 0;
            for (; j < n && is_digit(p[j]); ++j) {
                if (j - first < LONG_DIGITS) value = value * 10 + static_cast<std::uint64_t>(p[j] - '0');
            }
            if (j < n && static_cast<unsigned char>(p[j]) >= 0x80) return false;
            end = j;
            // A run of nothing but zeros is kept whole.
            const std::size_t count = first == j ? j - i : j - first;
            const auto sign = static_cast<std::int8_t>(first != j);
            if (count > LONG_DIGITS) {
                item = MavenItem{Kind::Big, sign, 0, first == j ? i : first, first == j ? j - i : j - first, 0};
            } else {
                item = MavenItem{count <= INT_DIGITS ? Kind::Int : Kind::Long, sign, 0, 0, 0, value};
            }
            return true;
        }
        for (++j; j < n; ++j) {
            const char c = p[j];
            if (c == '.' || c == '-' || is_digit(c)) break;
            if (static_cast<unsigned char>(c) >= 0x80) return false;
        }
        end = j;
        const bool before_digit = j < n && is_digit(p[j]);
        const std::uint8_t qualifier = qualifier_of(text_.substr(i, j - i), before_digit);
        const auto sign = static_cast<std::int8_t>(qualifier < MAVEN_RELEASE ? -1 : qualifier > MAVEN_RELEASE);
        item = MavenItem{Kind::Word, sign, qualifier, i, j - i, 0};
        return true;
    }

    // Whether the character at `i` is a digit, and its width; false from `ok` when
    // it lies outside ASCII and only ASCII is read.
    bool is_digit_at(std::size_t i, std::size_t& width, bool& ok) const {
        const char c = text_[i];
        width = 1;
        if (static_cast<unsigned char>(c) < 0x80) return is_digit(c);
        if (ascii_only_) {
            ok = false;
            return false;
        }
        const DecodedChar d = decode_utf8_at(text_, i);
        width = d.size;
        int value = 0;
        return java_is_digit(d.code_point, value);
    }

    // The run that starts at `i` (not a separator): its kind and where it ends.
    bool scan_run(std::size_t i, bool& digits, std::size_t& end) const {
        bool ok = true;
        std::size_t width;
        digits = is_digit_at(i, width, ok);
        end = i + width;
        while (ok && end < text_.size()) {
            const char c = text_[end];
            if (c == '.' || c == '-') break;
            if (is_digit_at(end, width, ok) != digits) break;
            end += width;
        }
        return ok;
    }

    // `before_digit`: the run ends where a digit starts.
    MavenItem token(bool digits, std::size_t start, std::size_t end, bool before_digit) const {
        if (!digits) {
            const std::uint8_t qualifier = qualifier_of(text_.substr(start, end - start), before_digit);
            const auto sign = static_cast<std::int8_t>(qualifier < MAVEN_RELEASE ? -1 : qualifier > MAVEN_RELEASE);
            return MavenItem{Kind::Word, sign, qualifier, start, end - start, 0};
        }
        // Only ASCII zeros are stripped, and a run of nothing but them is kept whole.
        std::size_t first = start;
        while (first < end && text_[first] == '0') ++first;
        if (first == end) first = start;
        std::size_t count = 0;
        std::uint64_t value = 0;
        bool nonzero = false;
        for (std::size_t pos = first; pos < end; ++count) {
            const int digit = digit_at(text_, pos);
            nonzero |= digit != 0;
            if (count < LONG_DIGITS) value = value * 10 + static_cast<std::uint64_t>(digit);
        }
        const auto sign = static_cast<std::int8_t>(nonzero);
        if (count > LONG_DIGITS) return MavenItem{Kind::Big, sign, 0, first, end - first, 0};
        return MavenItem{count <= INT_DIGITS ? Kind::Int : Kind::Long, sign, 0, 0, 0, value};
    }

    std::string_view text_;
    bool ascii_only_;
    bool failed_ = false;
    std::size_t pos_ = 0;
    std::size_t list_size_ = 0;  // items of the innermost list as Maven counts them
};

// Normalises into an array: a null item is held back until an item that is not
// null follows it in the same list, and a nested list until it holds such an
// item, which is what dropping every list's trailing nulls comes to.
class Normaliser {
public:
    explicit Normaliser(ItemArray& out) : out_(out) {}

    void item(const MavenItem& item) {
        if (item.against_nothing == 0) {
            ++held_nulls_;
            assign(out_.next(), item);
            return;
        }
        if (held_lists_ != 0) {
            if (held_nulls_ == 0) {
                for (; held_lists_ != 0; --held_lists_) ItemArray::set_open(out_.next());
            } else {
                out_.insert_opens(held_nulls_, held_lists_);
            }
            held_lists_ = 0;
        }
        held_nulls_ = 0;
        assign(out_.next(), item);
    }

    void open() {
        // The nulls before a nested list go whether or not the list stays.
        out_.truncate(out_.size() - held_nulls_);
        held_nulls_ = 0;
        ++held_lists_;
    }

    void finish() { out_.truncate(out_.size() - held_nulls_); }

private:
    ItemArray& out_;
    std::size_t held_nulls_ = 0;  // the last items, nulls not yet followed by an item
    std::size_t held_lists_ = 0;  // nested lists opened and not yet holding an item
};

bool parse_items(std::string_view text, bool ascii_only, ItemArray& out) {
    Tokenizer tokens(text, ascii_only);
    Normaliser sink(out);
    while (tokens.step(sink)) {
    }
    sink.finish();
    return !tokens.failed();
}

// The normalised items of an ASCII text one at a time, for a comparison that
// stops at the first difference. It holds back what Normaliser holds back and
// lets it go once an item that is not null arrives.
class ItemStream {
public:
    explicit ItemStream(std::string_view text) : tokens_(text, true) {}

    bool failed() const { return tokens_.failed(); }

    // The next item, or null at the end; it stays valid until the next call.
    const MavenItem* next() {
        static constexpr MavenItem OPEN{Kind::Open, 0, 0, 0, 0, 0};
        for (;;) {
            if (opens_out_ != 0) {
                --opens_out_;
                return &OPEN;
            }
            if (nulls_next_ < nulls_out_) return &nulls_[nulls_next_++];
            if (has_item_) {
                has_item_ = false;
                return &item_;
            }
            if (nulls_out_ != 0) {
                nulls_.clear();
                nulls_out_ = nulls_next_ = 0;
            }
            for (; deferred_opens_ != 0; --deferred_opens_) hold_open();
            if (!tokens_.step(*this)) return nullptr;
        }
    }

    // The sink of the tokens.
    void item(const MavenItem& item) {
        if (item.against_nothing == 0) {
            assign(*nulls_.append_uninitialized(1), item);
            return;
        }
        opens_out_ = held_lists_;
        held_lists_ = 0;
        nulls_out_ = nulls_.size();
        nulls_next_ = 0;
        assign(item_, item);
        has_item_ = true;
    }

    void open() {
        // An item let go in this step still goes out before the list opens.
        if (has_item_) {
            ++deferred_opens_;
        } else {
            hold_open();
        }
    }

private:
    void hold_open() {
        nulls_.clear();
        ++held_lists_;
    }

    Tokenizer tokens_;
    SmallVec<MavenItem, 4> nulls_;  // held nulls, then the nulls going out
    std::size_t nulls_out_ = 0;
    std::size_t nulls_next_ = 0;
    std::size_t opens_out_ = 0;
    std::size_t held_lists_ = 0;
    std::size_t deferred_opens_ = 0;
    MavenItem item_{};
    bool has_item_ = false;
};

// A text parsed for one comparison or key: read in place when it is ASCII.
class ParsedText {
public:
    explicit ParsedText(std::string_view text) : text_(text) {
        if (parse_items(text, true, items_)) return;
        java_lower_utf8(text, lowered_);
        text_ = {lowered_.data(), lowered_.size()};
        items_.truncate(0);
        parse_items(text_, false, items_);
    }
    ParsedText(const ParsedText&) = delete;
    ParsedText& operator=(const ParsedText&) = delete;

    MavenView view() const { return {text_, items_.data(), items_.size()}; }

private:
    std::string_view text_;
    SmallVec<char, 64> lowered_;
    ItemArray items_;
};

MavenView view_of(const MavenVersion& v) { return {{v.text.data(), v.text.size()}, v.items.data(), v.items.size()}; }

// How the items from `from` on compare with nothing: the first that is not null
// decides. After normalisation a non-empty rest always holds one.
int rest_against_nothing(const MavenView& v, std::size_t from) {
    for (std::size_t i = from; i < v.count; ++i) {
        if (v.items[i].against_nothing != 0) return v.items[i].against_nothing;
    }
    return 0;
}

unsigned char word_rank(char c) { return java_order_rank(static_cast<unsigned char>(to_lower(c))); }

int compare_words(std::string_view at, const MavenItem& a, std::string_view bt, const MavenItem& b) {
    if (a.qualifier != b.qualifier) return a.qualifier < b.qualifier ? -1 : 1;
    if (a.qualifier != MAVEN_OTHER_WORD) return 0;
    const std::size_t n = a.size < b.size ? a.size : b.size;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = word_rank(at[a.start + i]);
        const unsigned char y = word_rank(bt[b.start + i]);
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

// Two items at the same place.
int compare_items(std::string_view at, const MavenItem& a, std::string_view bt, const MavenItem& b) {
    if (a.kind == Kind::Open || b.kind == Kind::Open) {
        if (a.kind == b.kind) return 0;
        // A nested list is above a word and below a number.
        const MavenItem& other = a.kind == Kind::Open ? b : a;
        const int list_side = other.kind == Kind::Word ? 1 : -1;
        return a.kind == Kind::Open ? list_side : -list_side;
    }
    const bool a_word = a.kind == Kind::Word;
    const bool b_word = b.kind == Kind::Word;
    if (a_word || b_word) return a_word && b_word ? compare_words(at, a, bt, b) : (a_word ? -1 : 1);
    if (a.kind != b.kind) return a.kind < b.kind ? -1 : 1;  // Int < Long < Big
    if (a.kind == Kind::Big) return compare_bigs(at, a, bt, b);
    return a.value < b.value ? -1 : (a.value > b.value);
}

Ordering compare_views(const MavenView& a, const MavenView& b) {
    const std::size_t n = a.count < b.count ? a.count : b.count;
    for (std::size_t i = 0; i < n; ++i) {
        // Two Opens match: their items follow, and nothing after them.
        const int c = compare_items(a.text, a.items[i], b.text, b.items[i]);
        if (c != 0) return c < 0 ? Ordering::Less : Ordering::Greater;
    }
    int c = 0;
    if (a.count > n) c = rest_against_nothing(a, n);
    if (b.count > n) c = -rest_against_nothing(b, n);
    return c < 0 ? Ordering::Less : (c > 0 ? Ordering::Greater : Ordering::Equal);
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

// The word as put_text would put its lowered bytes, each by its UTF-16 rank.
unsigned char* write_word(unsigned char* p, std::string_view word) {
    for (const char c : word) p = write_text_byte(p, word_rank(c));
    *p++ = 0x00;
    return p;
}

// The most key bytes an item takes beyond twice the text it spans: a code, and a
// number of up to 9 bytes, or for a digit string its count.
constexpr std::size_t ITEM_ROOM = 1 + 9;

unsigned char* write_item(unsigned char* p, std::string_view text, const MavenItem& item, int rest) {
    const bool below = rest < 0;
    switch (item.kind) {
        case Kind::Word:
            if (below) {
                *p++ = static_cast<unsigned char>(WORD_BELOW + item.qualifier);
            } else if (item.qualifier == MAVEN_RELEASE) {
                *p++ = RELEASE_ABOVE;
            } else if (item.qualifier != MAVEN_OTHER_WORD) {
                *p++ = SP_ABOVE;
            } else {
                *p++ = OTHER_WORD;
                p = write_word(p, text.substr(item.start, item.size));
            }
            return p;
        case Kind::Open: *p++ = below ? LIST_BELOW : LIST_ABOVE; return p;
        case Kind::Int:
            if (below) {
                *p++ = INT_ZERO_BELOW;
            } else if (item.value < LARGE_INT - SMALL_INT) {
                *p++ = static_cast<unsigned char>(SMALL_INT + item.value);
            } else {
                *p++ = LARGE_INT;
                p = write_u64(p, item.value);
            }
            return p;
        case Kind::Long:
            if (below) {
                *p++ = LONG_ZERO_BELOW;
            } else {
                *p++ = LONG_NUMBER;
                p = write_u64(p, item.value);
            }
            return p;
        case Kind::Big: {
            if (below) {
                *p++ = BIG_ZERO_BELOW;
                return p;
            }
            std::size_t pos;
            const std::size_t count = significant_digits(text, item, pos);
            *p++ = BIG_NUMBER;
            p = write_u64(p, count);
            for (std::size_t i = 0; i < count; ++i) *p++ = static_cast<unsigned char>(digit_at(text, pos));
            return p;
        }
    }
    return p;
}

void append_key(const MavenView& v, KeyBuffer& out) {
    // Words and digit strings take at most two bytes for each byte of the text.
    unsigned char* p = out.room_for(2 * v.text.size() + ITEM_ROOM * v.count + 1);
    // The item from which the rest's comparison with nothing was last found.
    std::size_t decided_at = 0;
    int rest = 0;
    for (std::size_t i = 0; i < v.count; ++i) {
        int sign = v.items[i].against_nothing;
        if (sign == 0) {
            if (i >= decided_at) {
                decided_at = i + 1;
                while (decided_at < v.count && (rest = v.items[decided_at].against_nothing) == 0) ++decided_at;
            }
            sign = rest;
        }
        p = write_item(p, v.text, v.items[i], sign);
    }
    *p++ = END;
    out.end_at(p);
}

// How the rest of a stream, from `first` on, compares with nothing; false when
// the stream meets a byte outside ASCII.
bool rest_of_stream(ItemStream& stream, const MavenItem& first, int& sign) {
    sign = first.against_nothing;
    while (sign == 0) {
        const MavenItem* item = stream.next();
        if (!item) break;
        sign = item->against_nothing;
    }
    return !stream.failed();
}

constexpr int NOT_ASCII = 2;

// Two ASCII texts compared item by item as they are read, up to the first
// difference: -1, 0 or 1, or NOT_ASCII when either holds a byte outside ASCII.
int compare_ascii(std::string_view a, std::string_view b) {
    ItemStream left(a), right(b);
    for (;;) {
        const MavenItem* x = left.next();
        const MavenItem* y = right.next();
        if (left.failed() || right.failed()) return NOT_ASCII;
        int c;
        if (x && y) {
            if (x->kind == y->kind && (x->kind == Kind::Int || x->kind == Kind::Long)) {
                if (x->value == y->value) continue;
                return x->value < y->value ? -1 : 1;
            }
            c = compare_items(a, *x, b, *y);
        } else if (x) {
            if (!rest_of_stream(left, *x, c)) return NOT_ASCII;
        } else if (y) {
            if (!rest_of_stream(right, *y, c)) return NOT_ASCII;
            c = -c;
        } else {
            return 0;
        }
        if (c != 0) return c;
    }
}

// Most pairs of real versions differ first in a number that both begin with
// ("1.2.3-SNAPSHOT" and "1.2.4"), and that number decides. In Maven's reading each
// number of a leading run of dotted numbers keeps its place in the top list; only
// zeros can leave it (dropped before a sub-list or the end), and what then takes
// a zero's place (nothing, a word or a sub-list) orders below every number but a
// zero, as the zero itself does. So the first differing pair of leading numbers
// orders the two versions, while both are numbers of at most nine digits (a longer
// run is another kind of item) and neither runs on into a character outside
// ASCII (Java reads many of them as digits). Nothing when that does not settle it.
std::optional<Ordering> compare_leading_numbers(std::string_view a, std::string_view b) {
    constexpr std::size_t LONGEST = 9;
    std::size_t i = 0, j = 0;
    for (;;) {
        const std::size_t a_start = i, b_start = j;
        while (i < a.size() && is_digit(a[i])) ++i;
        while (j < b.size() && is_digit(b[j])) ++j;
        const std::string_view x = a.substr(a_start, i - a_start), y = b.substr(b_start, j - b_start);
        if (x.empty() || y.empty() || x.size() > LONGEST || y.size() > LONGEST) return std::nullopt;
        const Ordering o = compare_digit_runs(x, y);
        if (o != Ordering::Equal) {
            const bool ascii_after = (i == a.size() || static_cast<unsigned char>(a[i]) < 0x80) &&
                                     (j == b.size() || static_cast<unsigned char>(b[j]) < 0x80);
            return ascii_after ? std::optional<Ordering>(o) : std::nullopt;
        }
        if (i + 1 >= a.size() || j + 1 >= b.size() || a[i] != '.' || b[j] != '.' || !is_digit(a[i + 1]) ||
            !is_digit(b[j + 1])) {
            return std::nullopt;
        }
        ++i;
        ++j;
    }
}

constexpr std::size_t NOT_DOTTED = std::string_view::npos;
constexpr std::size_t DOTTED_NUMBERS_LONGEST_TEXT = 256;

// The numbers a text starts with, when they are plain: up to nine digits each,
// joined by single dots, up to the end or a "-". Their items are all Ints of the
// top list, so a zero that stays (one that a nonzero number follows) lies above
// the end like every number, and the zeros before the end or the "-" are dropped
// (a "-" opens a list, and the nulls before a list go). Writes each number's code
// at `p` and leaves `p` past the last one kept; returns where the numbers stop,
// or NOT_DOTTED when the text does not start so.
std::size_t write_dotted_numbers(std::string_view text, unsigned char*& p) {
    const char* const s = text.data();
    const std::size_t n = text.size();
    unsigned char* kept_end = p;
    std::size_t i = 0;
    for (;;) {
        const std::size_t start = i;
        std::uint64_t value = 0;
        for (; i < n && is_digit(s[i]); ++i) value = value * 10 + static_cast<std::uint64_t>(s[i] - '0');
        if (i == start || i - start > INT_DIGITS) return NOT_DOTTED;
        if (value < LARGE_INT - SMALL_INT) {
            *p++ = static_cast<unsigned char>(SMALL_INT + value);
        } else {
            *p++ = LARGE_INT;
            p = write_u64(p, value);
        }
        if (value != 0) kept_end = p;
        if (i == n || s[i] == '-') {
            p = kept_end;
            return i;
        }
        if (s[i] != '.') return NOT_DOTTED;
        ++i;
    }
}

// parse_items for the rest of an ASCII text from `start`, as the items of a list
// that a "-" has just opened.
bool parse_items_of_new_list(std::string_view text, std::size_t start, ItemArray& out) {
    Tokenizer tokens(text, true, start);
    Normaliser sink(out);
    sink.open();
    while (tokens.step(sink)) {
    }
    sink.finish();
    return !tokens.failed();
}

// The key of a text that starts with plain dotted numbers (most versions do:
// "1.10.2", "2.0.1-SNAPSHOT"), written as they are read; what follows a "-" is
// read through its items. False, with nothing kept, for any other text and for
// one with a byte outside ASCII after its numbers.
bool append_key_by_dotted_numbers(std::string_view text, KeyBuffer& out) {
    // A long text keeps to the general reading, so that its key never asks for
    // room of three times its length before its shape is known.
    if (text.size() > DOTTED_NUMBERS_LONGEST_TEXT) return false;
    const std::size_t before = out.size();
    // A number of up to nine digits takes at most six bytes and spans at least two
    // bytes of the text with its dot.
    unsigned char* p = out.room_for(3 * text.size() + 7);
    const std::size_t stop = write_dotted_numbers(text, p);
    if (stop == NOT_DOTTED) return false;
    if (stop == text.size()) {
        *p++ = END;
        out.end_at(p);
        return true;
    }
    out.end_at(p);
    ItemArray rest;
    if (!parse_items_of_new_list(text, stop + 1, rest)) {
        out.end_at(out.data() + before);
        return false;
    }
    append_key(MavenView{text, rest.data(), rest.size()}, out);
    return true;
}

class MavenScheme final : public NativeScheme {
public:
    bool is_valid(std::string_view) const override { return true; }

    std::optional<Ordering> compare(std::string_view a, std::string_view b) const override {
        if (const auto dotted = compare_if_dotted_numbers(a, b, 9)) return dotted;
        if (const auto leading = compare_leading_numbers(a, b)) return leading;
        const int c = compare_ascii(a, b);
        if (c != NOT_ASCII) return c < 0 ? Ordering::Less : (c > 0 ? Ordering::Greater : Ordering::Equal);
        const ParsedText left(a), right(b);
        return compare_views(left.view(), right.view());
    }

    bool append_key(std::string_view text, KeyBuffer& out) const override {
        if (append_key_by_dotted_numbers(text, out)) return true;
        const ParsedText version(text);
        native::append_key(version.view(), out);
        return true;
    }

    // Maven's ranges know no pre-releases; this names the versions that carry a
    // qualifier Maven orders before the release: alpha, beta, milestone, rc (cr),
    // snapshot, and a, b or m followed by a digit.
    bool is_prerelease(std::string_view text) const override {
        std::size_t i = 0;
        while (i < text.size()) {
            if (!is_letter(text[i])) {
                ++i;
                continue;
            }
            const std::size_t start = i;
            while (i < text.size() && is_letter(text[i])) ++i;
            char word[10];
            const std::size_t size = i - start;
            if (size > sizeof word) continue;
            for (std::size_t k = 0; k < size; ++k) word[k] = to_lower(text[start + k]);
            const std::string_view w(word, size);
            if (w == "alpha" || w == "beta" || w == "milestone" || w == "rc" || w == "cr" || w == "snapshot") {
                return true;
            }
            if (size == 1 && (w == "a" || w == "b" || w == "m") && i < text.size() && is_digit(text[i])) return true;
        }
        return false;
    }
};

constinit const MavenScheme MAVEN_SCHEME{};

}  // namespace

void parse_maven(std::string_view text, MavenVersion& out) {
    out.text.clear();
    out.items.clear();
    char* lowered = out.text.append_uninitialized(text.size());
    bool ascii = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        ascii &= static_cast<unsigned char>(text[i]) < 0x80;
        lowered[i] = to_lower(text[i]);
    }
    if (!ascii) {
        out.text.clear();
        java_lower_utf8(text, out.text);
    }
    ItemArray items;
    parse_items({out.text.data(), out.text.size()}, false, items);
    out.items.append(items.data(), items.size());
}

Ordering compare_maven(const MavenVersion& a, const MavenVersion& b) { return compare_views(view_of(a), view_of(b)); }

void append_maven_key(const MavenVersion& version, KeyBuffer& out) { append_key(view_of(version), out); }

const NativeScheme& maven_scheme() { return MAVEN_SCHEME; }

}  // namespace tambry::native
