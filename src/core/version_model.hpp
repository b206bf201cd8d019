// The plain values that every scheme and the binding exchange. They own their data
// outright (no pointer into the caller's text, no Python object) and have no
// behaviour beyond construction, copying and destruction.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "ordering.hpp"
#include "result.hpp"
#include "small_vec.hpp"

namespace tambry {

// One segment of a generic version: a number, or a word (a lowercase letter run, or
// the marker "~" or "^"). A word's bytes live in the value that holds the segment;
// the segment keeps their place there. A word is never empty, so an empty length
// marks a number.
class Seg {
public:
    // Left uninitialised so that a SmallVec's unused inline slots cost nothing.
    Seg() = default;

    static constexpr Seg number(std::uint64_t value) { return Seg(value, 0); }
    static constexpr Seg text(std::uint64_t offset, std::uint64_t length) { return Seg(offset, length); }

    constexpr bool is_num() const { return length_ == 0; }
    constexpr std::uint64_t num() const { return value_; }
    constexpr std::uint64_t text_offset() const { return value_; }
    constexpr std::uint64_t text_length() const { return length_; }

private:
    constexpr Seg(std::uint64_t value, std::uint64_t length) : value_(value), length_(length) {}
    std::uint64_t value_;
    std::uint64_t length_;
};

// The generic parser's result: the epoch, the segments of the main part, whose
// words lie in `lowered_main` (the main part with A-Z lowered), and whether a
// pre-release or a post-release word was met.
struct ParsedVersion {
    ParsedVersion() {}  // not `= default`: value-initialisation would zero-fill the buffers

    SmallVec<char, 48> lowered_main;
    SmallVec<Seg, 8> segments;
    std::uint64_t epoch = 0;
    bool is_prerelease = false;
    bool is_postrelease = false;

    std::string_view text(const Seg& seg) const {
        return {lowered_main.data() + seg.text_offset(), static_cast<std::size_t>(seg.text_length())};
    }
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

// A package version as the Debian and RPM schemes both cut it: the epoch, then
// what stands before the last "-" (Debian's upstream version) and after it
// (Debian's revision). Two types of one shape, so that a value records which of
// the two schemes made it.
struct PackageValue {
    OwnedText version;
    OwnedText release;
    std::uint64_t epoch = 0;
};
struct DebianValue : PackageValue {};
struct RpmValue : PackageValue {};

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
