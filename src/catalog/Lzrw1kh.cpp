#include "Lzrw1kh.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lzrw1kh {

namespace {

constexpr uint8_t kFlagCompressed = 0x40;
constexpr uint8_t kFlagStored = 0x80;
constexpr size_t kMaxOffset = 4095;    // 12 bits
constexpr size_t kMinCopy = 3;
constexpr size_t kMaxCopy = 18;        // 4 bits + 3
constexpr size_t kMinRun = 16;
constexpr size_t kMaxRun = 15 * 256 + 255 + 16;  // b1 must stay below 16 so the offset reads 0
constexpr int kHashBits = 12;

uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void AppendLe32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline uint32_t Hash3(const uint8_t* p) {
    uint32_t v = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[2]);
    return ((v * 2654435761u) >> (32 - kHashBits)) & ((1u << kHashBits) - 1);
}

}  // namespace

bool DecodeChunk(const uint8_t* in, size_t n, std::string& out, size_t maxOutput) {
    if (n == 0) return false;
    if (in[0] == kFlagStored) {
        if (n - 1 > maxOutput) return false;
        out.append(reinterpret_cast<const char*>(in + 1), n - 1);
        return true;
    }
    if (in[0] != kFlagCompressed || n < 3) return false;

    const size_t start = out.size();
    unsigned control = (unsigned(in[1]) << 8) | in[2];
    int bitsLeft = 16;
    size_t pos = 3;
    while (pos < n) {
        if (bitsLeft == 0) {
            if (n - pos < 2) return false;
            control = (unsigned(in[pos]) << 8) | in[pos + 1];
            pos += 2;
            bitsLeft = 16;
            if (pos >= n) break;  // a trailing control word with no items
        }
        const size_t produced = out.size() - start;
        if (control & 0x8000u) {
            if (n - pos < 2) return false;
            const unsigned b0 = in[pos], b1 = in[pos + 1];
            const size_t offset = size_t(b0) * 16 + (b1 >> 4);
            if (offset != 0) {
                const size_t len = (b1 & 15u) + 3;
                if (offset > produced || produced + len > maxOutput) return false;
                // One byte at a time: the source may overlap what is being written.
                size_t from = out.size() - offset;
                for (size_t k = 0; k < len; ++k) out.push_back(out[from + k]);
                pos += 2;
            } else {
                if (n - pos < 4) return false;
                const size_t count = size_t(in[pos + 1]) * 256 + in[pos + 2] + 16;
                if (produced + count > maxOutput) return false;
                out.append(count, static_cast<char>(in[pos + 3]));
                pos += 4;
            }
        } else {
            if (produced + 1 > maxOutput) return false;
            out.push_back(static_cast<char>(in[pos]));
            pos += 1;
        }
        control = (control << 1) & 0xFFFFu;
        --bitsLeft;
    }
    return true;
}

std::string EncodeChunk(const uint8_t* in, size_t n) {
    std::string stored;
    stored.reserve(n + 1);
    stored.push_back(static_cast<char>(kFlagStored));
    stored.append(reinterpret_cast<const char*>(in), n);
    if (n < kMinCopy) return stored;

    std::vector<int32_t> table(size_t(1) << kHashBits, -1);
    std::string body;
    body.reserve(n + n / 8 + 8);
    body.push_back(static_cast<char>(kFlagCompressed));

    size_t controlAt = 0;  // position of the current control word in body
    unsigned control = 0;
    int items = 16;        // forces a fresh control word before the first item
    auto beginItem = [&](bool reference) {
        if (items == 16) {
            if (controlAt != 0) {
                body[controlAt] = static_cast<char>(control >> 8);
                body[controlAt + 1] = static_cast<char>(control & 0xFF);
            }
            controlAt = body.size();
            body.append(2, '\0');
            control = 0;
            items = 0;
        }
        if (reference) control |= 0x8000u >> items;
        ++items;
    };

    size_t i = 0;
    while (i < n) {
        // A run of one byte value.
        size_t run = 1;
        while (i + run < n && run < kMaxRun && in[i + run] == in[i]) ++run;
        if (run >= kMinRun) {
            const size_t c = run - 16;
            beginItem(true);
            body.push_back('\0');
            body.push_back(static_cast<char>(c >> 8));
            body.push_back(static_cast<char>(c & 0xFF));
            body.push_back(static_cast<char>(in[i]));
            i += run;
            continue;
        }
        // A copy from the recent past, found through the hash of the next three bytes.
        size_t bestLen = 0, bestOffset = 0;
        if (i + kMinCopy <= n) {
            const uint32_t h = Hash3(in + i);
            const int32_t cand = table[h];
            table[h] = static_cast<int32_t>(i);
            if (cand >= 0) {
                const size_t offset = i - size_t(cand);
                if (offset >= 1 && offset <= kMaxOffset) {
                    size_t len = 0;
                    const size_t limit = std::min(kMaxCopy, n - i);
                    while (len < limit && in[size_t(cand) + len] == in[i + len]) ++len;
                    if (len >= kMinCopy) {
                        bestLen = len;
                        bestOffset = offset;
                    }
                }
            }
        }
        if (bestLen > 0) {
            beginItem(true);
            body.push_back(static_cast<char>(bestOffset >> 4));
            body.push_back(static_cast<char>(((bestOffset & 15) << 4) | (bestLen - 3)));
            // Keep the hash table fed with the positions the copy skips.
            for (size_t k = 1; k < bestLen && i + k + kMinCopy <= n; ++k)
                table[Hash3(in + i + k)] = static_cast<int32_t>(i + k);
            i += bestLen;
        } else {
            beginItem(false);
            body.push_back(static_cast<char>(in[i]));
            ++i;
        }
        if (body.size() >= stored.size()) return stored;  // not worth it
    }
    if (controlAt != 0) {
        body[controlAt] = static_cast<char>(control >> 8);
        body[controlAt + 1] = static_cast<char>(control & 0xFF);
    }
    return body.size() < stored.size() ? body : stored;
}

std::string EncodeBlock(const std::string& data) {
    std::string out;
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    for (size_t at = 0; at < data.size(); at += kEncodePiece) {
        const size_t len = std::min(kEncodePiece, data.size() - at);
        const std::string chunk = EncodeChunk(p + at, len);
        AppendLe32(out, static_cast<uint32_t>(chunk.size()));
        out += chunk;
    }
    return out;
}

bool DecodeBlock(const uint8_t* in, size_t size, std::string& out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < 4) return fail("a chunk header is cut short");
        const uint32_t raw = ReadLe32(in + pos);
        pos += 4;
        if (raw > 0x7FFFFFFFu) return fail("a chunk has a negative length");
        const size_t n = raw;
        if (n > size - pos) return fail("a chunk runs past the end of its block");
        if (!DecodeChunk(in + pos, n, out)) return fail("a compressed chunk is corrupt");
        pos += n;
    }
    return true;
}

}  // namespace lzrw1kh
