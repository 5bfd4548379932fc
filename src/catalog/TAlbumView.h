#pragma once
// TAlbumView: the album pane's photo list without its drawing. RefreshList rebuilds, from the
// open album's table and the catalog table, one 100 x 80 thumbnail, one caption (the photo's
// ImgName) and one row path per album row; the window shows them through an observer.
//
// Thumbnails come from the cache folder (root + "Thumbnails/<id>.bmp") when the file exists;
// otherwise the photo is decoded at reduced scale, stretched to exactly 100 x 80 and, when the
// setting saveThumbs reads 2, saved to the cache. Missing photos (and stored paths that are not
// absolute) show the install folder's "notfound.bmp". A photo that cannot be decoded, or a row
// whose ImgID is not a number, shows a drawn picture that says so; the refresh goes on and one
// message at the end names them. The cached loads and the decodes run on every core, but everything that can
// be seen (messages, the order of rows, album table changes) happens in row order on the
// calling thread. Between runs the cache may be packed into root + "thumbnails.dat", which is
// then read where it lies.
//
// Rows whose photo record has ImgPath "notexist.jpg" are dropped from the list and from the
// album table (in memory), so list row i is always album record i + 1. The list has no row
// limit. The rows' pictures are held in a TRowPictures, which the photo list shares: a cached
// row keeps only its cache file's name and is read from it when painted; the others are kept
// compressed in memory. A refresh starts a new store, so a list still showing the previous rows
// keeps them until it is refilled. An album whose thumbnails are all cached is listed without
// writing anything.
//
// New thumbnails are saved on a thread of their own (TThumbnailSaver), in batches that cost one
// sync each, so a crash leaves every cache file whole or absent.

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TRowPictures.h"

class TCatalog;
class TThumbnailArchive;
class TThumbnailSaver;

enum class TRefreshResult {
    Done,       // every row is listed
    Stopped,    // the refresh could not finish (out of memory, or one was already running); an
                // error was shown when there was one; the rows listed so far are kept
    MustClose,  // the thumbnail folder could not be made: the error was shown; close the window
};

// What the window does while a refresh runs. All calls come on the thread that called
// RefreshList, in this order: Started, Progress..., ThumbsReady (only when every row is
// listed), then Finished.
class TAlbumViewObserver {
public:
    virtual ~TAlbumViewObserver() = default;
    // Show the hourglass, clear the photo list, add the two waiting rows and repaint at once.
    virtual void OnRefreshStarted() {}
    // done of total rows handled (called at most about a hundred times per refresh).
    virtual void OnProgress(int done, int total) { (void)done, (void)total; }
    // The thumbnail strip and captions are complete: refill the photo list (UpdThumbs).
    virtual void OnThumbsReady() {}
    // Restore the normal cursor.
    virtual void OnRefreshFinished(TRefreshResult result) { (void)result; }
};

// One row of the photo list as the window shows it.
struct TPhotoRow {
    std::string caption;
    QImage picture;  // 100 x 80, Format_RGB32
};

class TAlbumView {
public:
    static constexpr int kThumbWidth = 100;
    static constexpr int kThumbHeight = 80;
    static constexpr const char* kWaitingRow1 = "Please wait...";
    static constexpr const char* kWaitingRow2 = "Generating Thumbnails";

    explicit TAlbumView(TCatalog& catalog);
    ~TAlbumView();  // waits until the thumbnails being saved are in place

    void SetObserver(TAlbumViewObserver* observer) { observer_ = observer; }
    // Worker threads for loading and decoding; 0 (the default) uses one per core.
    void SetThreadCount(int n) { threads_ = n; }

    // Opening the album of an album line: the search-results mode, OpenAlbum and RefreshList.
    // The window lays out its pane first and enables its commands afterwards.
    TRefreshResult OpenAlbumLine(const std::string& line);
    const std::string& OpenAlbumName() const { return albumName_; }
    bool SearchResultsMode() const { return searchMode_; }

    // Rebuilds the rows from the album table (see the file comment).
    TRefreshResult RefreshList();

    // The photo list's rows: a 100 x 80, 32-bit picture and the caption per strip picture.
    // Sets the row picture height to 80 when there is at least one row. Every picture is read
    // back into memory: a window fills its list from RowPictures and RowCaptions instead.
    std::vector<TPhotoRow> UpdThumbs();
    int RowPictureHeight() const { return rowPictureHeight_; }

    // The rows' pictures as loaded (any size), shared with whoever shows them.
    const TRowPictures& ThumbnailStrip() const { return *strip_; }
    std::shared_ptr<const TRowPictures> RowPictures() const { return strip_; }
    const std::vector<std::string>& RowCaptions() const { return captions_; }
    // Row paths, rows counted from 1; "" for a row whose photo file was missing at the last
    // refresh (and for rows out of range).
    std::string RowPath(int row) const;
    const std::vector<std::string>& RowPaths() const { return paths_; }
    int RowCount() const { return rowCount_; }

    // Thumbnail archive (root + "thumbnails.dat"), at the window's first showing and at
    // closing, when "Compress thumbnails to save disk space" is checked. At the start the
    // archive is opened where it lies (nothing is unpacked): rows whose thumbnail is neither in
    // the cache folder nor in the archive are made and saved to the folder as always. At the
    // close the cache folder's thumbnails (identifiers 1 to LastImageId) are merged into the
    // archive: its other entries are copied as they are stored, those of removed photos left
    // out, the new ones packed at a fast level; when that worked the folder's files are deleted
    // (and the folder when empty). The merge waits until the new thumbnails make a tenth of the
    // archive (entries of removed photos go at once): until then they stay in the folder and
    // the close writes nothing. With compression unchecked the start unpacks an archive left
    // from before into the folder (a thumbnail already there is kept) and deletes it; the close
    // does nothing. An archive that cannot be read is reported and deleted.
    void UnpackThumbnails(bool compressChecked);
    // progress, when given, hears how far a pack that writes the archive has come (0 to 1).
    void PackThumbnails(bool compressChecked, const std::function<void(double done)>& progress = {});
    // The archive opened at the start; null when there is none.
    std::shared_ptr<const TThumbnailArchive> ThumbnailArchive() const { return archive_; }

    // Preferences "Save thumbnails" click: the new states of the two check boxes.
    struct TThumbBoxes {
        bool saveChecked;
        bool compressChecked;
        bool compressEnabled;
    };
    TThumbBoxes SaveThumbnailsClicked(bool saveChecked, bool compressChecked);
    // Preferences "Refresh Thumbnails": true when the user agreed and the cache was cleared.
    bool RefreshThumbnailsClicked();
    // Deletes every cached thumbnail of identifiers 1 to LastImageId (found by walking the
    // folder) and the thumbnail archive; returns how many thumbnails went.
    int DeleteThumbnails();
    // Waits until the thumbnails of the last refresh are written and in place (they are saved
    // on a thread of their own).
    void FinishSavingThumbnails();

private:
    struct Row;
    void Emit(int done, int total);
    // The row walk of RefreshList; problems collects one line per row that could not be read.
    TRefreshResult BuildRows(std::vector<std::string>& problems);

    TCatalog& catalog_;
    TAlbumViewObserver* observer_ = nullptr;
    int threads_ = 0;
    std::string albumName_;
    bool searchMode_ = false;
    std::shared_ptr<TRowPictures> strip_;
    std::unique_ptr<TThumbnailSaver> saver_;
    std::shared_ptr<TThumbnailArchive> archive_;
    std::vector<std::string> captions_;
    std::vector<std::string> paths_;
    int rowCount_ = 0;
    int rowPictureHeight_ = 0;
};
