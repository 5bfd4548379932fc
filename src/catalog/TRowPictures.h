#pragma once
// TRowPictures: the pictures of the album view's rows, in little memory and written nowhere.
//
// A ten-thousand-row album has ten thousand 100 x 80 pictures: 320 MB at 32 bits. A row whose
// thumbnail is in the cache folder keeps only that file's name, and the picture is read from
// the file when the row is painted. Pictures that exist only in memory (thumbnails that are not
// saved, the pictures for missing and unreadable photos) are kept compressed without loss. A
// small cache keeps the last pictures shown.
//
// A row whose thumbnail is in the thumbnail archive keeps only its identifier and reads the
// entry when painted, the same way.
//
// A picture added once may be shown by many rows (a photo listed twice, the pictures for missing
// and unreadable photos). A cache file that is gone or cannot be read when its row is painted
// shows the unreadable-photo picture. Pictures with transparency are stored as drawn on white,
// which is how the photo list shows them.
//
// Thread-safe: rows are added by one thread; any thread may read, pack pictures (Pack) or point
// a picture at the file that now holds it (MoveToFile).

#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class TThumbnailArchive;

class TRowPictures {
public:
    // A picture compressed for the store; made on any thread.
    struct TPacked {
        QByteArray bytes;
        std::uint16_t width = 0;
        std::uint16_t height = 0;
    };
    // Throws std::runtime_error for a picture wider or higher than 65535 pixels.
    static TPacked Pack(const QImage& picture);

    TRowPictures() = default;
    TRowPictures(const TRowPictures&) = delete;
    TRowPictures& operator=(const TRowPictures&) = delete;

    // Stores a picture (compressed, in memory) and returns its number.
    int AddPicture(const QImage& picture) { return AddPacked(Pack(picture)); }
    int AddPacked(TPacked packed);
    // A picture that is read from the file (a cached thumbnail) whenever it is shown.
    int AddFile(const std::string& path);
    // A picture that is read from the archive's entry of identifier id whenever it is shown. A
    // store reads from one archive: the first one given.
    int AddArchived(std::shared_ptr<const TThumbnailArchive> archive, int id);
    // Picture n is now in the file path as well (a thumbnail just saved): its memory is given
    // up and it is read from the file from now on.
    void MoveToFile(int n, const std::string& path);
    // Appends a row that shows picture number n.
    void AddRow(int picture);

    std::size_t size() const;
    bool empty() const { return size() == 0; }
    std::size_t PictureCount() const;
    // The picture of a row (counted from 0), Format_RGB32; a null image out of range. Rows
    // showing the same picture share its pixels while it is cached.
    QImage operator[](std::size_t row) const;
    QImage RowPicture(std::size_t row) const { return (*this)[row]; }

    // True when picture n is read from a file.
    bool InFile(int n) const;
    // Memory held for the rows, the file names and the compressed pictures; the cache of
    // pictures shown is not counted.
    std::size_t HeldBytes() const;
    static constexpr std::size_t kCachedPictures = 128;

private:
    struct Picture {
        std::uint64_t nameAt = 0;    // in names_, or (nameSize 0) the index in packed_
        std::uint32_t nameSize = 0;
        std::int32_t archived = 0;   // > 0: the identifier of an entry of archive_
    };
    QImage Read(int n) const;  // with mutex_ held

    mutable std::mutex mutex_;
    std::vector<Picture> pictures_;
    std::vector<TPacked> packed_;  // the pictures kept in memory (emptied when moved to a file)
    std::string names_;            // the files' names, one after the other
    std::size_t packedBytes_ = 0;
    std::vector<int> rows_;
    std::shared_ptr<const TThumbnailArchive> archive_;

    mutable std::list<std::pair<int, QImage>> cache_;  // most recently used first
    mutable std::unordered_map<int, std::list<std::pair<int, QImage>>::iterator> cacheIndex_;
};
