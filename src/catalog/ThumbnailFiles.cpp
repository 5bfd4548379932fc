#include "ThumbnailFiles.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <dirent.h>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kBlockBytes = size_t(8) << 20;
constexpr size_t kMaxFileBytes = size_t(64) << 20;

uint32_t Le32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

// ---------------------------------------------------------------- arena

struct TPixelArena::Block {
    void* mapping = nullptr;   // the whole mapping, for munmap
    size_t mappingSize = 0;
    unsigned char* base = nullptr;  // huge-page aligned start
    size_t size = 0;
    size_t used = 0;
    std::atomic<int> refs{1};  // the arena's own reference while the block is current
};

TPixelArena::~TPixelArena() {
    if (current_) Release(current_);
}

void TPixelArena::Release(void* info) {
    auto* b = static_cast<Block*>(info);
    if (b->refs.fetch_sub(1) == 1) {
        munmap(b->mapping, b->mappingSize);
        delete b;
    }
}

QImage TPixelArena::NewImage(int width, int height) {
    const qsizetype bpl = qsizetype(width) * 4;
    const size_t bytes = (size_t(bpl) * size_t(height) + 63) & ~size_t(63);
    if (width <= 0 || height <= 0 || bytes > kBlockBytes / 4) return QImage(width, height, QImage::Format_RGB32);

    Block* block = nullptr;
    unsigned char* at = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!current_ || current_->used + bytes > current_->size) {
            auto* b = new Block;
            b->mappingSize = kBlockBytes + kHugePage;
            b->mapping = mmap(nullptr, b->mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (b->mapping == MAP_FAILED) {
                delete b;
                return QImage(width, height, QImage::Format_RGB32);
            }
            const auto start = reinterpret_cast<uintptr_t>(b->mapping);
            b->base = reinterpret_cast<unsigned char*>((start + kHugePage - 1) & ~uintptr_t(kHugePage - 1));
            b->size = kBlockBytes;
#ifdef MADV_HUGEPAGE
            madvise(b->base, b->size, MADV_HUGEPAGE);
#endif
            if (current_) Release(current_);
            current_ = b;
        }
        block = current_;
        at = block->base + block->used;
        block->used += bytes;
        block->refs.fetch_add(1);
    }
    return QImage(at, width, height, bpl, QImage::Format_RGB32, &TPixelArena::Release, block);
}

QImage TPixelArena::Copy(const QImage& picture) {
    const QImage src = picture.format() == QImage::Format_RGB32 ? picture
                                                                : picture.convertToFormat(QImage::Format_RGB32);
    QImage out = NewImage(src.width(), src.height());
    for (int y = 0; y < src.height(); ++y)
        std::memcpy(out.scanLine(y), src.constScanLine(y), size_t(src.width()) * 4);
    return out;
}

// ---------------------------------------------------------------- BMP files

// Whether the pixel rows a BMP's header promises are all in the file. Qt decodes a cut-off file
// into a picture whose missing lines hold whatever the memory held, so such a file is damaged
// here. Only the uncompressed layouts are taken (the cache is written uncompressed).
static bool BmpPixelsComplete(const unsigned char* d, size_t size) {
    if (size < 26) return false;
    const uint32_t offset = Le32(d + 10);
    const uint32_t header = Le32(d + 14);
    uint64_t width = 0, rows = 0;
    unsigned bits = 0;
    if (header == 12) {
        width = Le16(d + 18);
        rows = Le16(d + 20);
        bits = Le16(d + 24);
    } else if (header >= 40 && size >= 54) {
        const auto w = static_cast<int32_t>(Le32(d + 18));
        const auto h = static_cast<int32_t>(Le32(d + 22));
        const uint32_t compression = Le32(d + 30);
        if (w <= 0 || h == 0 || h == INT32_MIN || (compression != 0 && compression != 3)) return false;
        width = uint64_t(w);
        rows = uint64_t(h < 0 ? -int64_t(h) : int64_t(h));
        bits = Le16(d + 28);
    } else {
        return false;
    }
    if (width == 0 || rows == 0 || bits == 0 || bits > 32) return false;
    const uint64_t stride = ((width * bits + 31) / 32) * 4;
    return offset <= size && (size - offset) / stride >= rows;
}

bool DecodeThumbnailBmp(const unsigned char* d, size_t size, QImage& out, TPixelArena* arena) {
    auto viaQt = [&] {
        if (!BmpPixelsComplete(d, size)) return false;
        QImage img;
        if (size > size_t(INT32_MAX) || !img.loadFromData(d, int(size), "BMP") || img.isNull()) return false;
        out = (arena && img.format() == QImage::Format_RGB32) ? arena->Copy(img) : img;
        return true;
    };
    if (size < 54 || d[0] != 'B' || d[1] != 'M') return false;
    const uint32_t offset = Le32(d + 10);
    const uint32_t header = Le32(d + 14);
    if (header < 40) return viaQt();
    const auto width = static_cast<int32_t>(Le32(d + 18));
    const auto rawHeight = static_cast<int32_t>(Le32(d + 22));
    const uint16_t planes = Le16(d + 26), bits = Le16(d + 28);
    const uint32_t compression = Le32(d + 30);
    // Only the plain layouts the cache is written in; everything else goes to Qt.
    if (planes != 1 || (bits != 24 && bits != 32) || compression != 0 || width <= 0 || width > 16384 ||
        rawHeight == 0 || rawHeight == INT32_MIN || rawHeight > 16384 || rawHeight < -16384)
        return viaQt();
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    // Qt fills a short file's missing lines with whatever: a cut-off file is damaged here.
    if (offset < 14 + header || offset > size || (size - offset) / stride < size_t(height)) return false;

    QImage img = arena ? arena->NewImage(width, height) : QImage(width, height, QImage::Format_RGB32);
    if (img.isNull()) return false;
    const int step = bits / 8;
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = d + offset + size_t(topDown ? y : height - 1 - y) * stride;
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x, src += step) dst[x] = 0xFF000000u | (uint32_t(src[2]) << 16) | (uint32_t(src[1]) << 8) | src[0];
    }
    out = img;
    return true;
}

bool ReadThumbnailFile(const std::string& path, QImage& out, TPixelArena* arena) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || size_t(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        return false;
    }
    thread_local std::vector<unsigned char> buffer;
    const size_t want = size_t(st.st_size);
    buffer.resize(want);
    size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, buffer.data() + got, want - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += size_t(n);
    }
    ::close(fd);
    if (got != want) return false;
    return DecodeThumbnailBmp(buffer.data(), got, out, arena);
}

bool ThumbnailFileLooksWhole(const std::string& path) {
    return ThumbnailFileLooksWholeAt(AT_FDCWD, path.c_str());
}

bool ThumbnailFileLooksWholeAt(int folderFd, const char* name) {
    const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    unsigned char head[54] = {};
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 26 &&
                    size_t(st.st_size) <= kMaxFileBytes &&
                    ::pread(fd, head, sizeof head, 0) == ssize_t(std::min<size_t>(sizeof head, size_t(st.st_size)));
    ::close(fd);
    return ok && head[0] == 'B' && head[1] == 'M' && BmpPixelsComplete(head, size_t(st.st_size));
}

// ---------------------------------------------------------------- cache folder

bool ThumbnailIdOfName(const std::string& name, int& id) {
    static const std::string ext = ".bmp";
    if (name.size() <= ext.size() || name.compare(name.size() - ext.size(), ext.size(), ext) != 0) return false;
    const std::size_t digits = name.size() - ext.size();
    if (name[0] < '1' || name[0] > '9') return false;  // no sign, no leading zero, not "0"
    int v = 0;
    const char* end = name.data() + digits;
    auto [p, ec] = std::from_chars(name.data(), end, v);
    if (ec != std::errc() || p != end) return false;
    id = v;
    return true;
}

std::vector<TCachedThumbnail> CachedThumbnails(const std::string& folder, int maxId) {
    std::vector<TCachedThumbnail> out;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return out;
    while (dirent* e = ::readdir(d)) {
        int id = 0;
        if (!ThumbnailIdOfName(e->d_name, id) || id > maxId) continue;
        const std::string path = folder + "/" + e->d_name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        out.push_back({id, path});
    }
    ::closedir(d);
    std::sort(out.begin(), out.end(), [](const TCachedThumbnail& a, const TCachedThumbnail& b) { return a.id < b.id; });
    return out;
}

// ---------------------------------------------------------------- archive

bool TThumbnailArchive::Open(const std::string& path, const std::function<bool(int id)>& wanted, std::string* why) {
    path_ = path;
    unwanted_ = 0;
    return reader_.Open(
        path,
        [this, &wanted](const std::string& name, std::uint64_t size) {
            int id = 0;
            if (!ThumbnailIdOfName(name, id)) return false;
            if (size <= kMaxThumbnailFileBytes && (!wanted || wanted(id))) return true;
            ++unwanted_;
            return false;
        },
        why);
}

bool TThumbnailArchive::Has(int id) const { return reader_.Has(std::to_string(id) + ".bmp"); }

std::vector<int> TThumbnailArchive::Ids() const {
    std::vector<int> ids;
    for (const std::string& name : reader_.Names()) {
        int id = 0;
        if (ThumbnailIdOfName(name, id)) ids.push_back(id);
    }
    return ids;
}

bool TThumbnailArchive::Read(int id, QImage& out) const {
    std::string bytes;
    if (!reader_.Read(std::to_string(id) + ".bmp", bytes)) return false;
    return DecodeThumbnailBmp(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out, nullptr);
}
