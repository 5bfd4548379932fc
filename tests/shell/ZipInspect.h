#pragma once
// A reader of Zip archives written from the format's published layout (end of central directory
// record, central directory, local headers) with zlib for the data, so archives the engine writes
// are checked by code that shares nothing with libzip.
#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

namespace zipinspect {

struct Entry {
    std::string name;
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t size = 0;
    std::uint8_t madeByOs = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localOffset = 0;
};

struct Archive {
    bool ok = false;
    std::string error;
    std::vector<Entry> entries;
    std::string comment;
};

inline std::uint32_t Get(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// The archive must end exactly with its end record and comment.
inline Archive Inspect(const std::string& b) {
    Archive a;
    if (b.size() < 22) {
        a.error = "too short";
        return a;
    }
    std::size_t eocd = std::string::npos;
    for (std::size_t at = b.size() - 22 + 1; at-- > 0;) {
        if (b.compare(at, 4, std::string("PK\x05\x06", 4)) == 0 && at + 22 + Get(b, at + 20, 2) == b.size()) {
            eocd = at;
            break;
        }
        if (b.size() - at > 22 + 0xFFFF) break;
    }
    if (eocd == std::string::npos) {
        a.error = "no end of central directory record";
        return a;
    }
    std::uint32_t count = Get(b, eocd + 10, 2);
    std::uint32_t cdSize = Get(b, eocd + 12, 4);
    std::uint32_t cdOffset = Get(b, eocd + 16, 4);
    a.comment = b.substr(eocd + 22);
    if (Get(b, eocd + 8, 2) != count || std::uint64_t(cdOffset) + cdSize != eocd) {
        a.error = "inconsistent end record";
        return a;
    }
    std::size_t p = cdOffset;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (p + 46 > eocd || Get(b, p, 4) != 0x02014b50) {
            a.error = "bad central header";
            return a;
        }
        Entry e;
        e.madeByOs = static_cast<std::uint8_t>(Get(b, p + 5, 1));
        e.flags = static_cast<std::uint16_t>(Get(b, p + 8, 2));
        e.method = static_cast<std::uint16_t>(Get(b, p + 10, 2));
        e.crc = Get(b, p + 16, 4);
        e.compressedSize = Get(b, p + 20, 4);
        e.size = Get(b, p + 24, 4);
        std::uint32_t nameLen = Get(b, p + 28, 2), extraLen = Get(b, p + 30, 2), commentLen = Get(b, p + 32, 2);
        e.externalAttributes = Get(b, p + 38, 4);
        e.localOffset = Get(b, p + 42, 4);
        e.name = b.substr(p + 46, nameLen);
        p += 46 + nameLen + extraLen + commentLen;
        a.entries.push_back(e);
    }
    if (p != eocd) {
        a.error = "central directory size mismatch";
        return a;
    }
    a.ok = true;
    return a;
}

// The entry's bytes, inflated when deflated; sets *ok to false when the local header, the
// compressed data or the CRC do not match.
inline std::string Data(const std::string& b, const Entry& e, bool* ok) {
    *ok = false;
    std::size_t p = e.localOffset;
    if (p + 30 > b.size() || Get(b, p, 4) != 0x04034b50) return "";
    std::uint32_t nameLen = Get(b, p + 26, 2), extraLen = Get(b, p + 28, 2);
    if (b.compare(p + 30, nameLen, e.name) != 0) return "";
    std::size_t data = p + 30 + nameLen + extraLen;
    if (data + e.compressedSize > b.size()) return "";
    std::string out;
    if (e.method == 0) {
        out = b.substr(data, e.compressedSize);
    } else if (e.method == 8) {
        out.resize(e.size);
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return "";
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(b.data() + data));
        z.avail_in = e.compressedSize;
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = e.size;
        int rc = inflate(&z, Z_FINISH);
        bool complete = rc == Z_STREAM_END && z.total_out == e.size;
        inflateEnd(&z);
        if (!complete) return "";
    } else {
        return "";
    }
    std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size())));
    *ok = crc == e.crc;
    return out;
}

}  // namespace zipinspect
