#include "TRowPictures.h"

#include <fcntl.h>
#include <unistd.h>

#include <QPainter>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace {

// A read-write file with no name, or -1.
int OpenNamelessFile(const std::string& folder) {
    if (folder.empty()) return -1;
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    // File systems without nameless files: a named one, removed at once.
    std::string name = folder;
    if (name.back() != '/') name += '/';
    name += ".rowpictures-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named < 0) return -1;
    ::unlink(name.c_str());
    return named;
}

// The picture as opaque 32-bit pixels: one with transparency drawn on white.
QImage Opaque(const QImage& picture) {
    if (!picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_RGB32);
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, picture);
    return out;
}

}  // namespace

TRowPictures::TRowPictures(std::vector<std::string> folders) {
    if (folders.empty()) return;
    std::error_code ec;
    folders.push_back(std::filesystem::temp_directory_path(ec).string());
    for (const std::string& f : folders)
        if ((fd_ = OpenNamelessFile(f)) >= 0) break;
}

TRowPictures::~TRowPictures() {
    if (fd_ >= 0) ::close(fd_);
}

int TRowPictures::AddPicture(const QImage& picture) {
    const QImage src = Opaque(picture);
    if (src.width() > 0xFFFF || src.height() > 0xFFFF) throw std::runtime_error("a row picture is too large");
    const size_t line = size_t(src.width()) * 3;
    std::vector<unsigned char> bytes(line * size_t(src.height()));
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        unsigned char* out = bytes.data() + size_t(y) * line;
        for (int x = 0; x < src.width(); ++x, out += 3) {
            out[0] = uchar(qRed(in[x]));
            out[1] = uchar(qGreen(in[x]));
            out[2] = uchar(qBlue(in[x]));
        }
    }
    if (fd_ >= 0 && !WriteAtEnd(bytes)) MoveToMemory();
    const std::uint64_t offset = fd_ >= 0 ? end_ - bytes.size() : memory_.size();
    if (fd_ < 0) memory_.insert(memory_.end(), bytes.begin(), bytes.end());
    pictures_.push_back({offset, std::uint16_t(src.width()), std::uint16_t(src.height())});
    return int(pictures_.size()) - 1;
}

bool TRowPictures::WriteAtEnd(const std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, off_t(end_ + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    end_ += bytes.size();
    return true;
}

void TRowPictures::MoveToMemory() {
    // A full disk (or a file system gone away): the rows are still listed, from memory. What
    // the file holds so far comes along; its offsets stay valid as they are.
    std::vector<unsigned char> held(static_cast<size_t>(end_));
    size_t done = 0;
    while (done < held.size()) {
        const ssize_t got = ::pread(fd_, held.data() + done, held.size() - done, off_t(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0)
            throw std::runtime_error(std::string("the row pictures cannot be read back: ") +
                                     (got < 0 ? std::strerror(errno) : "the file is cut short"));
        done += size_t(got);
    }
    memory_ = std::move(held);
    ::close(fd_);
    fd_ = -1;
}

void TRowPictures::AddRow(int picture) { rows_.push_back(picture); }

std::size_t TRowPictures::HeldBytes() const {
    return memory_.capacity() + pictures_.capacity() * sizeof(Picture) + rows_.capacity() * sizeof(int);
}

QImage TRowPictures::Read(int n) const {
    const Picture& p = pictures_[size_t(n)];
    const size_t line = size_t(p.width) * 3;
    std::vector<unsigned char> bytes(line * p.height);
    if (fd_ >= 0) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::pread(fd_, bytes.data() + done, bytes.size() - done, off_t(p.offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return QImage();
            done += size_t(got);
        }
    } else {
        std::memcpy(bytes.data(), memory_.data() + p.offset, bytes.size());
    }
    QImage img(p.width, p.height, QImage::Format_RGB32);
    if (img.isNull()) return img;
    for (int y = 0; y < p.height; ++y) {
        const unsigned char* in = bytes.data() + size_t(y) * line;
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < p.width; ++x, in += 3) out[x] = qRgb(in[0], in[1], in[2]);
    }
    return img;
}

QImage TRowPictures::operator[](std::size_t row) const {
    if (row >= rows_.size()) return QImage();
    const int n = rows_[row];
    if (n < 0 || size_t(n) >= pictures_.size()) return QImage();
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cacheIndex_.find(n);
    if (it != cacheIndex_.end()) {
        cache_.splice(cache_.begin(), cache_, it->second);
        return it->second->second;
    }
    QImage img = Read(n);
    if (img.isNull()) return img;
    cache_.emplace_front(n, img);
    cacheIndex_[n] = cache_.begin();
    if (cache_.size() > kCachedPictures) {
        cacheIndex_.erase(cache_.back().first);
        cache_.pop_back();
    }
    return img;
}
