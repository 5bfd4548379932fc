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
#include <mutex>
#include <string>

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

// Decodes BMP bytes the same way.
bool DecodeThumbnailBmp(const unsigned char* data, size_t size, QImage& out, TPixelArena* arena);
