#pragma once
// Fast loading of thumbnail files for the album view.
//
// An album of ten thousand rows keeps ten thousand 100 x 80 pictures in memory. Giving each its
// own heap block costs a page fault for every 4 KiB touched, which is slower than reading the
// files; TPixelArena hands out picture memory from large blocks backed by huge pages instead.
// A block is freed when the last picture in it is gone.
//
// ReadThumbnailFile decodes the plain BMP files the cache holds (24 or 32 bits, uncompressed)
// straight into arena memory and hands every other kind of BMP to Qt.

#include <QImage>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "TZipEngine.h"

class TPixelArena {
public:
    TPixelArena() = default;
    ~TPixelArena();
    TPixelArena(const TPixelArena&) = delete;
    TPixelArena& operator=(const TPixelArena&) = delete;

    // A width x height Format_RGB32 picture in arena memory (contents undefined). Thread-safe.
    QImage NewImage(int width, int height);
    // A Format_RGB32 copy of the picture in arena memory.
    QImage Copy(const QImage& picture);

private:
    struct Block;
    static void Release(void* block);

    std::mutex mutex_;
    Block* current_ = nullptr;
};

// Reads a BMP file into out (Format_RGB32 for 24- and 32-bit files, as Qt gives them). False
// for a missing, unreadable or damaged file. arena may be null (ordinary heap memory).
bool ReadThumbnailFile(const std::string& path, QImage& out, TPixelArena* arena);

// Whether a file looks like a whole cached thumbnail from its size and header alone (a BMP
// whose pixel rows all fit in the file), without reading
// the pixels. Accepts what ReadThumbnailFile may read.
bool ThumbnailFileLooksWhole(const std::string& path);
// The same for the file `name` in the folder open as folderFd (no path walk per file).
bool ThumbnailFileLooksWholeAt(int folderFd, const char* name);

// Decodes BMP bytes the same way.
bool DecodeThumbnailBmp(const unsigned char* data, size_t size, QImage& out, TPixelArena* arena);

// The largest file a cached thumbnail can be: a 100 x 80 picture at 32 bits with the largest
// BMP header and a full palette. Anything bigger in the cache or its archive is no thumbnail.
inline constexpr std::size_t kMaxThumbnailFileBytes = 100 * 80 * 4 + 138 + 1024;

// The identifier a cache file name stands for: "<digits>.bmp" exactly as ThumbnailPath spells
// it (no sign, no leading zero, within the int range). False for any other name.
bool ThumbnailIdOfName(const std::string& name, int& id);

// The cache files of a folder whose identifiers are 1 to maxId, in ascending identifier order,
// found by walking the folder (not by trying every identifier).
struct TCachedThumbnail {
    int id;
    std::string path;
};
std::vector<TCachedThumbnail> CachedThumbnails(const std::string& folder, int maxId);

// The thumbnail archive (thumbnails.dat) read where it lies: its "<id>.bmp" entries are read
// one at a time when a row that shows one is painted, so a start unpacks nothing and a close
// with nothing new packs nothing. Only entries of thumbnail size (kMaxThumbnailFileBytes) whose
// identifier the filter accepts are there. Thread-safe.
class TThumbnailArchive {
public:
    // False, with the reason in why, when the file cannot be read as a Zip archive.
    bool Open(const std::string& path, const std::function<bool(int id)>& wanted, std::string* why);
    const std::string& Path() const { return path_; }
    bool Has(int id) const;
    std::size_t size() const { return reader_.size(); }
    // How many "<id>.bmp" entries the filter turned down at Open.
    std::size_t Unwanted() const { return unwanted_; }
    // The identifiers held, in archive order.
    std::vector<int> Ids() const;
    // Decodes the entry; false when it is not there, damaged or no picture.
    bool Read(int id, QImage& out) const;

private:
    std::string path_;
    TZipReader reader_;
    std::size_t unwanted_ = 0;
};
