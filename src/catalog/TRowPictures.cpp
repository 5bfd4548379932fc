#include "TRowPictures.h"

#include <QPainter>
#include <stdexcept>

#include "PlaceholderPictures.h"
#include "ThumbnailFiles.h"

namespace {

// The picture as opaque 32-bit pixels: one with transparency drawn on white.
QImage Opaque(const QImage& picture) {
    if (!picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_RGB32);
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, picture);
    return out;
}

// Deflate at its fastest level: a thumbnail packs in a fraction of a millisecond.
constexpr int kPackLevel = 1;

}  // namespace

TRowPictures::TPacked TRowPictures::Pack(const QImage& picture) {
    const QImage src = Opaque(picture);
    if (src.width() > 0xFFFF || src.height() > 0xFFFF) throw std::runtime_error("a row picture is too large");
    TPacked out;
    out.width = std::uint16_t(src.width());
    out.height = std::uint16_t(src.height());
    // Red, green and blue as differences from the pixel on the left (the first pixel of a line
    // from the one above it): photos then compress to about half.
    const size_t line = size_t(src.width()) * 3;
    QByteArray bytes(qsizetype(line * size_t(src.height())), Qt::Uninitialized);
    auto* o = reinterpret_cast<unsigned char*>(bytes.data());
    QRgb above = 0;
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb prev = above;
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = in[x];
            *o++ = uchar(qRed(c) - qRed(prev));
            *o++ = uchar(qGreen(c) - qGreen(prev));
            *o++ = uchar(qBlue(c) - qBlue(prev));
            prev = c;
        }
        if (src.width() > 0) above = in[0];
    }
    out.bytes = qCompress(bytes, kPackLevel);
    out.bytes.squeeze();  // qCompress leaves room for the worst case
    return out;
}

int TRowPictures::AddPacked(TPacked packed) {
    std::lock_guard<std::mutex> lock(mutex_);
    packedBytes_ += size_t(packed.bytes.capacity());
    Picture p;
    p.nameAt = packed_.size();
    packed_.push_back(std::move(packed));
    pictures_.push_back(p);
    return int(pictures_.size()) - 1;
}

int TRowPictures::AddFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Picture p;
    p.nameAt = names_.size();
    p.nameSize = std::uint32_t(path.size());
    names_ += path;
    pictures_.push_back(p);
    return int(pictures_.size()) - 1;
}

int TRowPictures::AddArchived(std::shared_ptr<const TThumbnailArchive> archive, int id) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!archive_) archive_ = std::move(archive);
    Picture p;
    p.archived = id > 0 ? id : -1;
    pictures_.push_back(p);
    return int(pictures_.size()) - 1;
}

void TRowPictures::MoveToFile(int n, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (n < 0 || size_t(n) >= pictures_.size() || path.empty()) return;
    Picture& p = pictures_[size_t(n)];
    if (p.nameSize == 0 && p.archived == 0) {
        packedBytes_ -= size_t(packed_[p.nameAt].bytes.capacity());
        packed_[p.nameAt] = TPacked();
    }
    p.archived = 0;
    p.nameAt = names_.size();
    p.nameSize = std::uint32_t(path.size());
    names_ += path;
}

void TRowPictures::AddRow(int picture) {
    std::lock_guard<std::mutex> lock(mutex_);
    rows_.push_back(picture);
}

std::size_t TRowPictures::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rows_.size();
}

std::size_t TRowPictures::PictureCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pictures_.size();
}

bool TRowPictures::InFile(int n) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return n >= 0 && size_t(n) < pictures_.size() &&
           (pictures_[size_t(n)].nameSize > 0 || pictures_[size_t(n)].archived != 0);
}

std::size_t TRowPictures::HeldBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pictures_.capacity() * sizeof(Picture) + packed_.capacity() * sizeof(TPacked) + names_.capacity() +
           packedBytes_ + rows_.capacity() * sizeof(int);
}

QImage TRowPictures::Read(int n) const {
    const Picture& p = pictures_[size_t(n)];
    if (p.archived != 0) {
        QImage img;
        if (p.archived < 0 || !archive_ || !archive_->Read(p.archived, img)) return QImage();
        return Opaque(img);
    }
    if (p.nameSize > 0) {
        QImage img;
        if (!ReadThumbnailFile(names_.substr(p.nameAt, p.nameSize), img, nullptr)) return QImage();
        return Opaque(img);
    }
    const TPacked& packed = packed_[p.nameAt];
    const size_t line = size_t(packed.width) * 3;
    const QByteArray bytes = qUncompress(packed.bytes);
    if (size_t(bytes.size()) != line * packed.height) return QImage();
    QImage img(packed.width, packed.height, QImage::Format_RGB32);
    if (img.isNull()) return img;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    QRgb above = 0;
    for (int y = 0; y < packed.height; ++y) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        QRgb prev = above;
        for (int x = 0; x < packed.width; ++x, in += 3) {
            prev = qRgb(uchar(qRed(prev) + in[0]), uchar(qGreen(prev) + in[1]), uchar(qBlue(prev) + in[2]));
            out[x] = prev;
        }
        if (packed.width > 0) above = out[0];
    }
    return img;
}

QImage TRowPictures::operator[](std::size_t row) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (row >= rows_.size()) return QImage();
    const int n = rows_[row];
    if (n < 0 || size_t(n) >= pictures_.size()) return QImage();
    auto it = cacheIndex_.find(n);
    if (it != cacheIndex_.end()) {
        cache_.splice(cache_.begin(), cache_, it->second);
        return it->second->second;
    }
    QImage img = Read(n);
    // A cache file removed or damaged since the album was listed: the row says so. Not kept,
    // so a file put back is shown again.
    if (img.isNull()) return UnreadablePhotoPicture();
    cache_.emplace_front(n, img);
    cacheIndex_[n] = cache_.begin();
    if (cache_.size() > kCachedPictures) {
        cacheIndex_.erase(cache_.back().first);
        cache_.pop_back();
    }
    return img;
}
