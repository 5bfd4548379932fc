// Reading a packed DIB (as a native TWAIN transfer delivers it) into a QImage.

#include <QColor>

#include <cstdint>
#include <cstring>

#include "Twain.h"

namespace {

constexpr std::uint64_t kMaxDibPixels = std::uint64_t(1) << 28;

std::uint32_t PaletteEntries(const TWAIN_BITMAPINFOHEADER& h) {
    if (h.biClrUsed != 0) return h.biClrUsed;
    if (h.biBitCount <= 8) return 1u << h.biBitCount;
    return 0;
}

}  // namespace

QImage TWAIN_DibToImage(const void* dib, std::size_t size) {
    if (!dib || size < sizeof(TWAIN_BITMAPINFOHEADER)) return {};
    TWAIN_BITMAPINFOHEADER h;
    std::memcpy(&h, dib, sizeof h);
    if (h.biSize < sizeof h || h.biSize > size) return {};
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return {};
    const int bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};
    if (h.biCompression != 0) return {};  // only uncompressed rows
    const std::uint64_t width = std::uint64_t(h.biWidth);
    const bool bottomUp = h.biHeight > 0;
    const std::uint64_t height = bottomUp ? std::uint64_t(h.biHeight) : std::uint64_t(-std::int64_t(h.biHeight));
    if (width * height > kMaxDibPixels) return {};
    const std::uint64_t entries = PaletteEntries(h);
    if (bits <= 8 && entries > (1u << bits)) return {};
    if (entries > 4096) return {};
    const std::uint64_t stride = ((width * bits + 31) / 32) * 4;
    const std::uint64_t paletteOffset = h.biSize;
    const std::uint64_t pixelOffset = paletteOffset + entries * 4;
    if (pixelOffset + stride * height > size) return {};

    const auto* bytes = static_cast<const unsigned char*>(dib);
    const unsigned char* palette = bytes + paletteOffset;
    const unsigned char* pixels = bytes + pixelOffset;
    const int w = int(width);
    const int hgt = int(height);

    if (bits <= 8) {
        QImage out(w, hgt, QImage::Format_Indexed8);
        if (out.isNull()) return {};
        QList<QRgb> table(1 << bits, qRgb(0, 0, 0));
        for (std::uint64_t i = 0; i < entries; ++i)
            table[int(i)] = qRgb(palette[i * 4 + 2], palette[i * 4 + 1], palette[i * 4]);
        out.setColorTable(table);
        for (int row = 0; row < hgt; ++row) {
            const unsigned char* src = pixels + stride * std::uint64_t(bottomUp ? hgt - 1 - row : row);
            uchar* dst = out.scanLine(row);
            for (int x = 0; x < w; ++x) {
                int v;
                if (bits == 8) v = src[x];
                else if (bits == 4) v = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0f;
                else v = (src[x >> 3] >> (7 - (x & 7))) & 1;
                dst[x] = uchar(v);
            }
        }
        return out;
    }

    QImage out(w, hgt, QImage::Format_RGB32);
    if (out.isNull()) return {};
    for (int row = 0; row < hgt; ++row) {
        const unsigned char* src = pixels + stride * std::uint64_t(bottomUp ? hgt - 1 - row : row);
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(row));
        if (bits == 24) {
            for (int x = 0; x < w; ++x) dst[x] = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
        } else if (bits == 32) {
            for (int x = 0; x < w; ++x) dst[x] = qRgb(src[x * 4 + 2], src[x * 4 + 1], src[x * 4]);
        } else {
            for (int x = 0; x < w; ++x) {
                unsigned v = unsigned(src[x * 2]) | (unsigned(src[x * 2 + 1]) << 8);
                int r = (v >> 10) & 31, gr = (v >> 5) & 31, b = v & 31;
                dst[x] = qRgb((r << 3) | (r >> 2), (gr << 3) | (gr >> 2), (b << 3) | (b >> 2));
            }
        }
    }
    return out;
}
