#pragma once
// The hash of a value for the table's "=" index, and the index's bucket count. Shared by the
// index build and the MLB loader, which hashes the first field's values as it reads them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace mlb2detail {

// Tables of fewer records are always scanned.
constexpr int kMinIndexedRecords = 64;

inline std::uint64_t IndexLoad64(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

inline std::uint64_t IndexLoad32(const char* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

// The two halves of the full product, folded together: every input bit reaches the high bits,
// which pick the bucket.
inline std::uint64_t MulFold(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
    const unsigned __int128 m = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(m) ^ static_cast<std::uint64_t>(m >> 64);
#else
    const std::uint64_t aLo = a & 0xffffffffU, aHi = a >> 32, bLo = b & 0xffffffffU, bHi = b >> 32;
    const std::uint64_t lo = aLo * bLo, mid1 = aHi * bLo, mid2 = aLo * bHi, hi = aHi * bHi;
    const std::uint64_t carry = ((lo >> 32) + (mid1 & 0xffffffffU) + (mid2 & 0xffffffffU)) >> 32;
    const std::uint64_t high = hi + (mid1 >> 32) + (mid2 >> 32) + carry;
    return (a * b) ^ high;
#endif
}

// Short values (ids, names) take one or two multiplications; every byte and the length count.
inline std::uint64_t IndexHash(std::string_view s) {
    constexpr std::uint64_t k1 = 0xa0761d6478bd642fULL, k2 = 0xe7037ed1a0b428dbULL, k3 = 0x8ebc6af09c88c6e3ULL;
    const char* p = s.data();
    std::size_t n = s.size();
    std::uint64_t h = k3 ^ (static_cast<std::uint64_t>(n) * k1);
    while (n > 16) {
        h = MulFold(IndexLoad64(p) ^ k1, IndexLoad64(p + 8) ^ h);
        p += 16;
        n -= 16;
    }
    std::uint64_t a = 0, b = 0;
    if (n > 8) {
        a = IndexLoad64(p);
        b = IndexLoad64(p + n - 8);
    } else if (n >= 4) {
        a = IndexLoad32(p);
        b = IndexLoad32(p + n - 4);
    } else if (n > 0) {
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        a = (std::uint64_t{u[0]} << 16) | (std::uint64_t{u[n >> 1]} << 8) | u[n - 1];
    }
    return MulFold(MulFold(a ^ k1, b ^ k2 ^ h), k3 ^ static_cast<std::uint64_t>(s.size()));
}

// Bits of the bucket number for n records: about two records per bucket, at least 16 buckets.
inline int IndexBucketBits(std::size_t n) {
    int bits = 4;
    while ((std::size_t{1} << bits) < n / 2) ++bits;
    return bits;
}

}  // namespace mlb2detail
