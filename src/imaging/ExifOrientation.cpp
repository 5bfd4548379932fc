// The EXIF orientation tag and turning a picture upright by it.
//
// The APP1 payload is "Exif\0\0" and a TIFF structure: a byte-order mark ("II" little-endian or
// "MM" big-endian), the number 42, the offset of the first directory (IFD0), then at that
// offset a 16-bit entry count and 12-byte entries (tag, type, count, value or offset). The
// orientation is tag 0x0112 in IFD0, one SHORT stored in the entry itself. Every offset comes
// from the file, so each read is checked against the payload's end first.

#include "JpegCodec.h"

#include <QTransform>
#include <cstring>

namespace imaging {
namespace {

constexpr std::size_t kExifHeader = 6;  // "Exif\0\0"
constexpr std::size_t kTiffHeader = 8;  // byte order, 42, offset of IFD0
constexpr std::size_t kEntrySize = 12;
constexpr unsigned kOrientationTag = 0x0112;
constexpr unsigned kTypeShort = 3;
constexpr unsigned kTypeLong = 4;

class TiffReader {
public:
    TiffReader(const unsigned char* data, std::size_t size, bool littleEndian)
        : data_(data), size_(size), little_(littleEndian) {}

    bool Has(std::size_t offset, std::size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    // Callers check Has(offset, 2 or 4) first.
    unsigned U16(std::size_t offset) const {
        const unsigned a = data_[offset], b = data_[offset + 1];
        return little_ ? (b << 8 | a) : (a << 8 | b);
    }
    std::uint32_t U32(std::size_t offset) const {
        const std::uint32_t hi = U16(offset), lo = U16(offset + 2);
        return little_ ? (lo << 16 | hi) : (hi << 16 | lo);
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    bool little_;
};

}  // namespace

int ExifOrientation(const unsigned char* data, std::size_t size) {
    if (!data || size < kExifHeader + kTiffHeader) return 1;
    // "Exif" and a zero; the sixth byte is padding that a few writers fill differently.
    if (std::memcmp(data, "Exif", 5) != 0) return 1;
    const unsigned char* tiff = data + kExifHeader;
    const std::size_t tiffSize = size - kExifHeader;

    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return 1;
    const TiffReader r(tiff, tiffSize, little);
    if (r.U16(2) != 42) return 1;

    const std::uint32_t ifd0 = r.U32(4);
    if (ifd0 < kTiffHeader || !r.Has(ifd0, 2)) return 1;
    const unsigned count = r.U16(ifd0);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = ifd0 + 2 + std::size_t(i) * kEntrySize;
        if (!r.Has(entry, kEntrySize)) return 1;
        if (r.U16(entry) != kOrientationTag) continue;
        const unsigned type = r.U16(entry + 2);
        if (r.U32(entry + 4) != 1) return 1;
        std::uint32_t value;
        if (type == kTypeShort)
            value = r.U16(entry + 8);
        else if (type == kTypeLong)
            value = r.U32(entry + 8);
        else
            return 1;
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

QImage ApplyOrientation(const QImage& image, int orientation) {
    const QImage src = ToRgb32OverWhite(image);
    if (src.isNull()) return src;
    // Qt turns by exact quarter turns without resampling (QTransform keeps 90, 180 and 270
    // degrees exact), and its positive angles turn clockwise on screen.
    auto turned = [&src](int degrees) { return src.transformed(QTransform().rotate(degrees)); };
    QImage out;
    switch (orientation) {
    case 2: out = src.mirrored(true, false); break;
    case 3: out = src.mirrored(true, true); break;
    case 4: out = src.mirrored(false, true); break;
    case 5: out = turned(90).mirrored(true, false); break;
    case 6: out = turned(90); break;
    case 7: out = turned(270).mirrored(true, false); break;
    case 8: out = turned(270); break;
    default: return src;
    }
    return out.format() == QImage::Format_RGB32 ? out : out.convertToFormat(QImage::Format_RGB32);
}

}  // namespace imaging
