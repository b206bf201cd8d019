#include "version_hash.hpp"

#include <string_view>

#include "generic_ordering.hpp"

namespace tambry {
namespace {

// SipHash-1-3 fed a byte at a time, so a version's hash input is streamed straight
// from its segments instead of being gathered into a buffer first. The key is all
// zeros, which leaves the initial state equal to the algorithm's constants.
class SipHasher13 {
public:
    void write_byte(unsigned char byte) {
        pending_ |= static_cast<std::uint64_t>(byte) << (8 * pending_count_);
        ++length_;
        if (++pending_count_ == 8) {
            absorb(pending_);
            pending_ = 0;
            pending_count_ = 0;
        }
    }

    void write(std::string_view bytes) {
        for (char c : bytes) write_byte(static_cast<unsigned char>(c));
    }

    void write_u64_le(std::uint64_t value) {
        for (int i = 0; i < 8; ++i) write_byte(static_cast<unsigned char>(value >> (8 * i)));
    }

    std::uint64_t finish() const {
        SipHasher13 last = *this;
        const std::uint64_t block = (length_ << 56) | pending_;
        last.v3_ ^= block;
        last.round();
        last.v0_ ^= block;
        last.v2_ ^= 0xff;
        last.round();
        last.round();
        last.round();
        return last.v0_ ^ last.v1_ ^ last.v2_ ^ last.v3_;
    }

private:
    static constexpr std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

    void round() {
        v0_ += v1_;
        v1_ = rotl(v1_, 13);
        v1_ ^= v0_;
        v0_ = rotl(v0_, 32);
        v2_ += v3_;
        v3_ = rotl(v3_, 16);
        v3_ ^= v2_;
        v0_ += v3_;
        v3_ = rotl(v3_, 21);
        v3_ ^= v0_;
        v2_ += v1_;
        v1_ = rotl(v1_, 17);
        v1_ ^= v2_;
        v2_ = rotl(v2_, 32);
    }

    void absorb(std::uint64_t block) {
        v3_ ^= block;
        round();
        v0_ ^= block;
    }

    std::uint64_t v0_ = 0x736f6d6570736575ULL;
    std::uint64_t v1_ = 0x646f72616e646f6dULL;
    std::uint64_t v2_ = 0x6c7967656e657261ULL;
    std::uint64_t v3_ = 0x7465646279746573ULL;
    std::uint64_t pending_ = 0;
    unsigned pending_count_ = 0;
    std::uint64_t length_ = 0;
};

// Words of one weight compare equal, so they must hash alike: each such group
// enters the hash as its shortest member. Words alone at their weight, and
// unlisted words, enter as themselves.
std::string_view hashed_word(std::string_view word) {
    const auto weight = tag_weight(word);
    if (!weight) return word;
    switch (*weight) {
        case 0: return "a";
        case 10: return "b";
        case 15: return "m";
        case 20: return "c";
        case 35: return "p";
        default: return word;
    }
}

constexpr unsigned char NUMBER_TAG = 0x00;
constexpr unsigned char WORD_TAG = 0x01;
constexpr unsigned char WORD_END = 0xFF;

}  // namespace

std::int64_t hash_generic(const GenericView& v) {
    SipHasher13 hasher;
    hasher.write_u64_le(v.epoch);
    const std::size_t significant = significant_length(v);
    for (std::size_t i = 0; i < significant; ++i) {
        const Seg& seg = v.segments[i];
        if (seg.is_num()) {
            hasher.write_byte(NUMBER_TAG);
            hasher.write_u64_le(seg.num());
        } else {
            hasher.write_byte(WORD_TAG);
            hasher.write(hashed_word(v.text(seg)));
            hasher.write_byte(WORD_END);
        }
    }
    const auto hash = static_cast<std::int64_t>(hasher.finish());
    // The interpreter reserves -1 for errors.
    return hash == -1 ? -2 : hash;
}

SortKeyItems sort_key_items(const GenericView& v) {
    const std::size_t significant = significant_length(v);
    std::size_t first_text = 0;
    while (first_text < significant && v.segments[first_text].is_num()) ++first_text;
    std::size_t leading_numbers = first_text;
    while (leading_numbers > 0 && v.segments[leading_numbers - 1].num() == 0) --leading_numbers;
    return {leading_numbers, first_text, significant};
}

}  // namespace tambry
