#include "TIconStrip.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <cstring>

#include "Lzrw1kh.h"
#include "TPlatform.h"

namespace {

const char kSignature[9] = {'\x08', 'L', 'M', 'D', 'I', 'M', 'L', '3', '0'};

// Limits that keep a damaged file from asking for absurd pictures.
constexpr int kMaxSide = 1024;
constexpr int kMaxCount = 65536;
constexpr int64_t kMaxStripPixels = 64ll * 1024 * 1024;
constexpr size_t kMaxFileBytes = 256u * 1024 * 1024;

// The standard 16-colour palette.
const QRgb kPalette16[16] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

class Reader {
public:
    explicit Reader(const std::string& b) : b_(b) {}
    bool Bytes(size_t n, const char*& p) {
        if (b_.size() - pos_ < n) return false;
        p = b_.data() + pos_;
        pos_ += n;
        return true;
    }
    bool U8(uint8_t& v) {
        const char* p;
        if (!Bytes(1, p)) return false;
        v = static_cast<uint8_t>(*p);
        return true;
    }
    bool I32(int32_t& v) {
        const char* p;
        if (!Bytes(4, p)) return false;
        uint32_t u = 0;
        for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<uint8_t>(p[i]);
        v = static_cast<int32_t>(u);
        return true;
    }
    size_t Left() const { return b_.size() - pos_; }

private:
    const std::string& b_;
    size_t pos_ = 0;
};

void PutI32(std::string& s, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// Reads one bitmap block into a BMP image.
bool ReadBlock(Reader& r, bool compressed, QImage& image, const char* what, std::string* error) {
    int32_t size = 0;
    if (!r.I32(size)) return Fail(error, std::string("the ") + what + " block is cut short");
    if (size <= 0 || size_t(size) > r.Left())
        return Fail(error, std::string("the ") + what + " block has an impossible length");
    const char* p = nullptr;
    r.Bytes(size_t(size), p);
    std::string bmp;
    if (compressed) {
        std::string why;
        if (!lzrw1kh::DecodeBlock(reinterpret_cast<const uint8_t*>(p), size_t(size), bmp, &why))
            return Fail(error, std::string("the ") + what + " block: " + why);
    } else {
        bmp.assign(p, size_t(size));
    }
    if (bmp.size() < 2 || bmp[0] != 'B' || bmp[1] != 'M')
        return Fail(error, std::string("the ") + what + " block does not hold a BMP picture");
    QImage img;
    if (!img.loadFromData(reinterpret_cast<const uchar*>(bmp.data()), int(bmp.size()), "BMP") ||
        img.isNull())
        return Fail(error, std::string("the ") + what + " block holds a damaged BMP picture");
    image = img;
    return true;
}

bool WriteBlock(std::string& out, const QImage& image, bool compressed, std::string* error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP")) return Fail(error, "the picture strip could not be encoded as BMP");
    std::string bmp(bytes.constData(), size_t(bytes.size()));
    const std::string body = compressed ? lzrw1kh::EncodeBlock(bmp) : bmp;
    PutI32(out, static_cast<int32_t>(body.size()));
    out += body;
    return true;
}

// Zeroes the bytes of every scan line beyond its pixels (and the unused low bits of a two-colour
// line's last byte). QImage leaves them uninitialised, and the BMP writer copies whole lines.
void ClearPadding(QImage& img) {
    if (img.depth() != 1 && img.depth() != 8) return;
    const qsizetype used = img.depth() == 1 ? (img.width() + 7) / 8 : img.width();
    const int spare = img.depth() == 1 ? (8 - img.width() % 8) % 8 : 0;
    for (int y = 0; y < img.height(); ++y) {
        uchar* line = img.scanLine(y);
        if (spare) line[used - 1] &= static_cast<uchar>(0xFF << spare);
        std::memset(line + used, 0, size_t(img.bytesPerLine() - used));
    }
}

QImage NewMono(int w, int h) {
    QImage m(w, h, QImage::Format_Mono);
    m.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    std::memset(m.bits(), 0, size_t(m.sizeInBytes()));
    return m;
}

QImage ToHeld(const QImage& img) {
    return img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QImage OpaqueMask(int w, int h) { return NewMono(w, h); }

// A two-colour mask with index 1 (white) for transparent pixels, whatever the source's table.
QImage ToMono(const QImage& mask) {
    QImage m = NewMono(mask.width(), mask.height());
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x) m.setPixel(x, y, qGray(mask.pixel(x, y)) > 127 ? 1 : 0);
    return m;
}

}  // namespace

TIconStrip::TIconStrip() = default;

uint8_t TIconStrip::Flags() const {
    uint8_t f = 0;
    if (compressed_) f |= 0x01;
    if (!description_.empty()) f |= 0x02;
    if (identifier_ != 0) f |= 0x04;
    if (depthCode_ >= 1 && depthCode_ <= 3) f |= static_cast<uint8_t>(0x10 << (depthCode_ - 1));
    return f;
}

bool TIconStrip::LoadFromFile(const std::string& path, std::string* error) {
    std::string bytes, why;
    if (!ReadFileBytes(path, bytes, &why, kMaxFileBytes)) return Fail(error, "cannot read " + path + ": " + why);
    return LoadFromBytes(bytes, error);
}

bool TIconStrip::LoadFromBytes(const std::string& bytes, std::string* error) {
    if (bytes.size() > kMaxFileBytes) return Fail(error, "the file is too large for an icon strip");
    Reader r(bytes);
    const char* sig = nullptr;
    if (!r.Bytes(9, sig) || std::memcmp(sig, kSignature, 9) != 0)
        return Fail(error, "not an icon strip file (the signature LMDIML30 is missing)");
    int32_t ignored = 0;
    if (!r.I32(ignored) || !r.I32(ignored)) return Fail(error, "the file header is cut short");

    TIconStrip s;
    uint8_t flags = 0;
    if (!r.U8(flags)) return Fail(error, "the strip record is missing");
    s.compressed_ = flags & 0x01;
    s.description_.clear();
    if (flags & 0x02) {
        uint8_t n = 0;
        const char* p = nullptr;
        if (!r.U8(n) || !r.Bytes(n, p)) return Fail(error, "the description is cut short");
        s.description_.assign(p, n);
    }
    s.identifier_ = 0;
    if ((flags & 0x04) && !r.I32(s.identifier_)) return Fail(error, "the identifier is cut short");
    s.depthCode_ = (flags & 0x10) ? 1 : (flags & 0x20) ? 2 : (flags & 0x40) ? 3 : 0;

    int32_t height = 0, width = 0, growth = 0, count = 0;
    uint8_t masked = 0;
    if (!r.I32(height) || !r.I32(width) || !r.I32(growth) || !r.U8(masked) || !r.I32(count))
        return Fail(error, "the strip record is cut short");
    if (height < 1 || height > kMaxSide || width < 1 || width > kMaxSide)
        return Fail(error, "the picture size is impossible");
    if (count < 0 || count > kMaxCount || int64_t(count) * width * height > kMaxStripPixels)
        return Fail(error, "the picture count is impossible");
    s.height_ = height;
    s.width_ = width;
    s.growth_ = growth;
    s.masked_ = masked != 0;

    if (count > 0) {
        QImage strip, maskStrip;
        if (!ReadBlock(r, s.compressed_, strip, "picture", error)) return false;
        if (s.masked_ && !ReadBlock(r, s.compressed_, maskStrip, "mask", error)) return false;
        const int need = count * width;
        if (strip.width() < need || strip.height() < height)
            return Fail(error, "the picture strip is smaller than its pictures");
        if (s.masked_ && (maskStrip.width() < need || maskStrip.height() < height))
            return Fail(error, "the mask strip is smaller than its pictures");
        strip = ToHeld(strip);
        if (s.masked_) maskStrip = ToMono(maskStrip);
        for (int i = 0; i < count; ++i) {
            s.pictures_.push_back(strip.copy(i * width, 0, width, height));
            if (s.masked_) s.masks_.push_back(maskStrip.copy(i * width, 0, width, height));
        }
    }
    *this = std::move(s);
    return true;
}

QImage TIconStrip::Fit(const QImage& picture) const {
    QImage p = ToHeld(picture);
    if (p.width() != width_ || p.height() != height_)
        p = p.scaled(width_, height_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return ToHeld(p);
}

void TIconStrip::Add(const QImage& picture, const QImage& mask) {
    pictures_.push_back(Fit(picture));
    if (masked_) masks_.push_back(mask.isNull() ? OpaqueMask(width_, height_)
                                                : ToMono(mask.scaled(width_, height_)));
}

void TIconStrip::Replace(int i, const QImage& picture, const QImage& mask) {
    if (i < 0 || i >= Count()) return;
    pictures_[size_t(i)] = Fit(picture);
    if (masked_)
        masks_[size_t(i)] = mask.isNull() ? OpaqueMask(width_, height_) : ToMono(mask.scaled(width_, height_));
}

void TIconStrip::Delete(int i) {
    if (i < 0 || i >= Count()) return;
    pictures_.erase(pictures_.begin() + i);
    if (masked_) masks_.erase(masks_.begin() + i);
}

void TIconStrip::ClearPictures() {
    pictures_.clear();
    masks_.clear();
}

void TIconStrip::SetMasked(bool on) {
    if (on == masked_) return;
    masked_ = on;
    masks_.clear();
    if (on)
        for (size_t i = 0; i < pictures_.size(); ++i) masks_.push_back(OpaqueMask(width_, height_));
}

QImage TIconStrip::Mask(int i) const {
    if (!masked_ || i < 0 || i >= Count()) return QImage();
    return masks_[size_t(i)];
}

QImage TIconStrip::IconWithAlpha(int i) const {
    if (i < 0 || i >= Count()) return QImage();
    QImage out = pictures_[size_t(i)].convertToFormat(QImage::Format_ARGB32);
    if (!masked_) return out;
    const QImage& m = masks_[size_t(i)];
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if (m.pixelIndex(x, y) == 1) line[x] = qRgba(0, 0, 0, 0);
    }
    return out;
}

QImage TIconStrip::ComposeStrip() const {
    bool alpha = false;
    for (const auto& p : pictures_) alpha = alpha || p.hasAlphaChannel();
    QImage strip(width_ * Count(), height_, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    strip.fill(alpha ? Qt::transparent : Qt::black);
    QPainter painter(&strip);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int i = 0; i < Count(); ++i) painter.drawImage(i * width_, 0, pictures_[size_t(i)]);
    painter.end();
    QImage out;
    switch (depthCode_) {
    case 1:
        out = strip.convertToFormat(QImage::Format_Mono, {qRgb(0, 0, 0), qRgb(255, 255, 255)},
                                    Qt::ThresholdDither);
        break;
    case 2:
        out = strip.convertToFormat(QImage::Format_Indexed8,
                                    QList<QRgb>(std::begin(kPalette16), std::end(kPalette16)),
                                    Qt::ThresholdDither);
        break;
    case 3: {
        // A table of at most 16 colours would be written as a 4-bit file: pad it to 256.
        out = strip.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        QList<QRgb> table = out.colorTable();
        while (table.size() < 256) table.push_back(qRgb(0, 0, 0));
        out.setColorTable(table);
        break;
    }
    default:
        return strip;
    }
    ClearPadding(out);
    return out;
}

QImage TIconStrip::ComposeMaskStrip() const {
    QImage strip = NewMono(width_ * Count(), height_);
    for (int i = 0; i < Count(); ++i) {
        const QImage& m = masks_[size_t(i)];
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (m.pixelIndex(x, y) == 1) strip.setPixel(i * width_ + x, y, 1);
    }
    return strip;
}

bool TIconStrip::ToBytes(std::string& out, std::string* error) const {
    out.assign(kSignature, 9);
    PutI32(out, 1);
    PutI32(out, 17);
    const uint8_t flags = Flags();
    out.push_back(static_cast<char>(flags));
    if (flags & 0x02) {
        out.push_back(static_cast<char>(description_.size()));
        out += description_;
    }
    if (flags & 0x04) PutI32(out, identifier_);
    PutI32(out, height_);
    PutI32(out, width_);
    PutI32(out, growth_);
    out.push_back(masked_ ? '\x01' : '\x00');
    PutI32(out, Count());
    if (Count() > 0) {
        if (!WriteBlock(out, ComposeStrip(), compressed_, error)) return false;
        if (masked_ && !WriteBlock(out, ComposeMaskStrip(), compressed_, error)) return false;
    }
    return true;
}

bool TIconStrip::SaveToFile(const std::string& path, std::string* error) const {
    std::string bytes;
    if (!ToBytes(bytes, error)) return false;
    return WriteFileAtomic(path, bytes, error);
}
