// The plain values that every scheme and the binding exchange. They own their data
// outright (no pointer into the caller's text, no Python object) and have no
// behaviour beyond construction, copying and destruction.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "result.hpp"
#include "small_vec.hpp"

namespace tambry {

enum class Ordering : std::int8_t { Less = -1, Equal = 0, Greater = 1 };

template <class T>
constexpr Ordering order_of(const T& a, const T& b) {
    return a < b ? Ordering::Less : (b < a ? Ordering::Greater : Ordering::Equal);
}

constexpr Ordering reversed(Ordering o) { return static_cast<Ordering>(-static_cast<int>(o)); }

// One segment of a generic version: a number, or a word (a lowercase letter run, or
// the marker "~" or "^"). A word's bytes live in the text store of the value that
// holds the segment; the segment keeps their place in that store. A word is never
// empty, so an empty length marks a number.
class Seg {
public:
    enum Kind : std::uint8_t { Num, Text };

    // Left uninitialised so that a SmallVec's unused inline slots cost nothing.
    Seg() = default;

    static constexpr Seg number(std::uint64_t value) { return Seg(value, 0); }
    static constexpr Seg text(std::uint64_t offset, std::uint64_t length) { return Seg(offset, length); }

    constexpr Kind kind() const { return length_ == 0 ? Num : Text; }
    constexpr bool is_num() const { return length_ == 0; }
    constexpr std::uint64_t num() const { return value_; }
    constexpr std::uint64_t text_offset() const { return value_; }
    constexpr std::uint64_t text_length() const { return length_; }

private:
    constexpr Seg(std::uint64_t value, std::uint64_t length) : value_(value), length_(length) {}
    std::uint64_t value_;
    std::uint64_t length_;
};

// What ordering, hashing and sort keys read of a generic version: the epoch and the
// segments, whose words are found in `text_base`. Both the parser's result and the
// storage of a Version object offer this view, so one comparison serves both.
struct GenericView {
    std::uint64_t epoch = 0;
    std::span<const Seg> segments;
    const char* text_base = nullptr;

    std::string_view text(const Seg& seg) const {
        return {text_base + seg.text_offset(), static_cast<std::size_t>(seg.text_length())};
    }
};

// The generic parser's result. `store` holds the raw input followed by the lowered
// main part, where the words of `segs` point; `build` lies inside the raw input.
struct ParsedVersion {
    ParsedVersion() {}  // not `= default`: value-initialisation would zero-fill the buffers

    SmallVec<char, 64> store;
    SmallVec<Seg, 8> segs;
    std::size_t raw_size = 0;
    std::size_t build_offset = 0;
    std::size_t build_size = 0;
    std::uint64_t epoch = 0;
    bool is_prerelease = false;
    bool is_postrelease = false;

    std::string_view raw() const { return {store.data(), raw_size}; }
    std::string_view build() const { return {store.data() + build_offset, build_size}; }
    std::span<const Seg> segments() const { return segs.span(); }
    std::string_view text(const Seg& seg) const { return view().text(seg); }
    GenericView view() const { return {epoch, segs.span(), store.data()}; }
};

// Strict Semantic Versioning: three numbers and the pre-release text as written
// (dots included). Build metadata is never kept.
struct SemverValue {
    std::uint64_t major = 0;
    std::uint64_t minor = 0;
    std::uint64_t patch = 0;
    bool has_prerelease = false;  // a "-" followed the core
    OwnedText prerelease;
};

struct DebianValue {
    OwnedText upstream;
    OwnedText revision;
    std::uint64_t epoch = 0;
};

struct RpmValue {
    OwnedText version;
    OwnedText release;
    std::uint64_t epoch = 0;
};

// The parsed form of one version under one scheme; the alternative records which
// scheme made it.
struct ParsedRepr {
    using Generic = ParsedVersion;
    using Semver = SemverValue;
    using Debian = DebianValue;
    using Rpm = RpmValue;

    ParsedRepr() {}  // an empty generic value, with no zero-fill of the storage
    template <class Alternative>
        requires(!std::is_same_v<std::remove_cvref_t<Alternative>, ParsedRepr>)
    ParsedRepr(Alternative&& alternative) : value(std::forward<Alternative>(alternative)) {}

    std::variant<Generic, Semver, Debian, Rpm> value;
};

// A breach of an internal invariant: a case that no public input reaches. The text
// is static and names the strategy and the kind of value it expected.
struct InternalError {
    std::string_view message;
};

using ParseOutcome = Result<ParsedRepr, std::string>;
using CompareOutcome = Result<Ordering, InternalError>;

}  // namespace tambry
