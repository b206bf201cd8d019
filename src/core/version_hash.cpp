#include "version_hash.hpp"

#include <string_view>

#include "packed_version.hpp"

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

constexpr unsigned char NUMBER_TAG = 0x00;
constexpr unsigned char WORD_TAG = 0x01;
constexpr unsigned char WORD_END = 0xFF;

void hash_token(SipHasher13& hasher, const SegmentToken& token) {
    if (token.is_num) {
        hasher.write_byte(NUMBER_TAG);
        hasher.write_u64_le(token.num);
        return;
    }
    const Qualifier* listed = find_qualifier(token.word);
    hasher.write_byte(WORD_TAG);
    hasher.write(listed ? listed->hash_word : token.word);
    hasher.write_byte(WORD_END);
}

}  // namespace

// Zero numbers count only when something significant follows them, so they are
// held back until it does.
std::int64_t hash_packed(const unsigned char* stream, std::size_t size) {
    PackedCursor cursor(stream, size);
    SipHasher13 hasher;
    hasher.write_u64_le(cursor.epoch());
    constexpr SegmentToken ZERO{true, 0, {}};
    std::size_t held_zeros = 0;
    SegmentToken token;
    while (cursor.next(token)) {
        if (token.is_num && token.num == 0) {
            ++held_zeros;
            continue;
        }
        for (; held_zeros > 0; --held_zeros) hash_token(hasher, ZERO);
        hash_token(hasher, token);
    }
    const auto hash = static_cast<std::int64_t>(hasher.finish());
    // The interpreter reserves -1 for errors.
    return hash == -1 ? -2 : hash;
}

// Zeros are held back as in the hash; those that end the leading numbers are
// dropped when the first word comes.
SmallVec<SegmentToken, 16> sort_key_items(const unsigned char* stream, std::size_t size) {
    SmallVec<SegmentToken, 16> items;
    PackedCursor cursor(stream, size);
    constexpr SegmentToken ZERO{true, 0, {}};
    std::size_t held_zeros = 0;
    bool word_seen = false;
    SegmentToken token;
    while (cursor.next(token)) {
        if (token.is_num && token.num == 0) {
            ++held_zeros;
            continue;
        }
        if (!token.is_num && !word_seen) {
            word_seen = true;
            held_zeros = 0;
        }
        for (; held_zeros > 0; --held_zeros) items.push_back(ZERO);
        items.push_back(token);
    }
    return items;
}

}  // namespace tambry
