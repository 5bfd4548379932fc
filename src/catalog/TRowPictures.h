#pragma once
// TRowPictures: the pictures of the album view's rows, held out of memory.
//
// A ten-thousand-row album has ten thousand 100 x 80 pictures: 320 MB at 32 bits, more than the
// whole program may use. The pixels are written, 24 bits each, to a private temporary file that
// has no name in any folder (it disappears with the process) and read back for the rows being
// painted; a small cache keeps the last pictures read. The bookkeeping in memory is a few bytes
// per row. When no temporary file can be made, or it cannot grow, the 24-bit pixels are kept in
// memory instead.
//
// A picture added once may be shown by many rows (a photo listed twice, the pictures for missing
// and unreadable photos). Pictures with transparency are stored as drawn on white, which is how
// the photo list shows them. Thread-compatible: one thread adds, any number may read.

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class TRowPictures {
public:
    // folders: where the temporary file may go, tried in order (then the system's temporary
    // folder). An empty list keeps the pixels in memory.
    explicit TRowPictures(std::vector<std::string> folders = {});
    ~TRowPictures();
    TRowPictures(const TRowPictures&) = delete;
    TRowPictures& operator=(const TRowPictures&) = delete;

    // Stores a picture and returns its number. When the file cannot take it (a full disk),
    // every picture moves to memory and stays there.
    int AddPicture(const QImage& picture);
    // Appends a row that shows picture number n.
    void AddRow(int picture);

    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    std::size_t PictureCount() const { return pictures_.size(); }
    // The picture of a row (counted from 0), Format_RGB32; a null image out of range or when
    // the file cannot be read back. Rows showing the same picture share its pixels while it is
    // cached.
    QImage operator[](std::size_t row) const;
    QImage RowPicture(std::size_t row) const { return (*this)[row]; }

    // True when the pixels are in the temporary file.
    bool OnDisk() const { return fd_ >= 0; }
    // Memory held for the rows and pictures, the cache not counted.
    std::size_t HeldBytes() const;
    static constexpr std::size_t kCachedPictures = 128;

private:
    struct Picture {
        std::uint64_t offset;
        std::uint16_t width;
        std::uint16_t height;
    };
    QImage Read(int n) const;
    bool WriteAtEnd(const std::vector<unsigned char>& bytes);
    void MoveToMemory();

    int fd_ = -1;
    std::uint64_t end_ = 0;
    std::vector<unsigned char> memory_;  // the pixels when there is no file
    std::vector<Picture> pictures_;
    std::vector<int> rows_;

    mutable std::mutex mutex_;
    mutable std::list<std::pair<int, QImage>> cache_;  // most recently used first
    mutable std::unordered_map<int, std::list<std::pair<int, QImage>>::iterator> cacheIndex_;
};
