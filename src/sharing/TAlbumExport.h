#pragma once
// Exporting an album so it can be sent to someone: as a shared album package (".xal", a Zip
// archive of the photo copies, the index album.xml and, for a custom album icon, icon.bmp) that
// another copy of the program turns back into an album, or as a plain Zip of the photo copies.
//
// Every photo is decoded upright and re-encoded as a baseline JPEG (quality 90) in a work folder,
// optionally reduced in size, under the name album + " " + i + ".jpg"; the copies are then packed
// in album order, deflated at level 9, with the program's archive comment. The work files go at
// the end whatever happens, and the target file is replaced only by a complete archive.
//
// album.xml, its bytes as the receiver's tokenizer expects them (every line ended by CR LF):
//
//   <?xml version="1.0"?>
//   (empty)
//   <album>
//     <settings>
//       <ver>1</ver>
//       <name>ALBUM</name>
//       <icon>INDEX or custom</icon>
//     </settings>
//   then per photo: an empty line, "  <photo>", "    <name>..</name>", "    <taker>..</taker>",
//   "    <note>..</note>", "    <file>ALBUM i.jpg</file>", "  </photo>"
//   </album>
//   (empty)
//
// Element text has "&", "<" and ">" written as references, so a note holding them arrives as
// written; a leading space or "!" (which the tokenizer would drop) is written as a reference too.

#include <QImage>

#include <functional>
#include <string>
#include <vector>

class TAlbumView;
class TCatalog;
class TMessages;

namespace sharing {

// The maker's web address, as the archive comment and the receiver's messages give it.
inline constexpr const char* kMakerSite = "https://corvane.example";

enum class TShareMethod { Package, Zip };
enum class TShrink { None, Half, Third, Quarter };

// The archive comment: its two separators are the byte 0xB7 (a middle dot in Latin-1).
std::string ArchiveComment();

// The size of a photo copy: a photo wider than 640 and higher than 480 is divided (integer
// division) by 2, 3 or 4; any other keeps its size.
void ShrunkSize(int width, int height, TShrink shrink, int& w, int& h);
// Scales down by plain pixel selection (rows and columns are dropped, nothing is averaged).
QImage PickPixels(const QImage& image, int w, int h);

// One photo to export: its file and its catalog texts.
struct TSharePhoto {
    std::string source;  // "" when the photo file is missing
    std::string name;    // ImgName
    std::string credit;  // ImgCredit
    std::string notes;   // ImgKeys
};

struct TShareAlbum {
    std::string name;
    int icon = 0;        // the icon index of the album line
    QImage customIcon;   // the icon's picture, for an index of 4 or more
    std::vector<TSharePhoto> photos;
};

// The photos of the album open in the album view, in list order, with their catalog records
// (the seed record's values for an identifier the catalog does not have), and the album's
// icon from the album list and the icon strip.
TShareAlbum CollectAlbum(TCatalog& catalog, const TAlbumView& view);

// Element text as album.xml holds it (see the file comment).
std::string EscapeText(const std::string& text);
std::string PhotoCopyName(const std::string& albumName, int i);
// album.xml of the album (custom: icon index 4 or more and a picture to send).
std::string AlbumXml(const TShareAlbum& album);
bool HasCustomIcon(const TShareAlbum& album);

// The per-user work folder: $XDG_CACHE_HOME (or ~/.cache) + "/Lumavell2/Temp".
std::string DefaultWorkFolder();

// What the dialog shows while an export runs; every call comes on the exporting thread.
class TShareObserver {
public:
    virtual ~TShareObserver() = default;
    virtual void OnStatus(const std::string& text) { (void)text; }
    virtual void OnProgress(int position, int maximum) { (void)position, (void)maximum; }
};

class TAlbumExport {
public:
    // Statuses, in the order an export shows them.
    static constexpr const char* kCopying = "Copying files to a temporary location...";
    static constexpr const char* kShrinking = "Shrinking photos...";
    static constexpr const char* kIndexing = "Indexing...";
    static constexpr const char* kCompressing = "Compressing...";
    static constexpr const char* kDeleting = "Deleting temporary files...";
    static constexpr const char* kCompleted = "Completed";
    static constexpr const char* kNoPhotosForZip = "This album has no photos to put into a Zip file.";
    static constexpr const char* kDone =
        "Lumavell has successfully prepared your album for sharing. See Help for tips on sharing "
        "your album.";

    TAlbumExport(TMessages& messages, std::string workFolder = DefaultWorkFolder());

    void SetObserver(TShareObserver* observer) { observer_ = observer; }
    // Threads that decode and encode photos; 0 (the default) uses one per core.
    void SetThreadCount(int n) { threads_ = n; }
    const std::string& WorkFolder() const { return work_; }

    // The whole export into target. Photos that cannot be read (missing or undecodable files)
    // are left out and named in the completion message; the others are shared. Shows "Complete"
    // and returns true when the target was written; otherwise shows what failed and returns
    // false, with the work files removed and any old target file as it was.
    bool StartSharing(const TShareAlbum& album, TShareMethod method, const std::string& target,
                      TShrink shrink);
    const std::string& LastError() const { return error_; }
    // The 0-based album positions of the photos the last export left out.
    const std::vector<int>& LeftOut() const { return leftOut_; }

private:
    bool ShrinkPhotos(const TShareAlbum& album, TShrink shrink, std::vector<int>& leftOut);
    TShareAlbum KeepReadable(const TShareAlbum& album, const std::vector<int>& leftOut);
    static std::string DescribePhoto(const TShareAlbum& album, int i);
    bool BeginExact(const TShareAlbum& album, const std::string& target);
    bool BeginZip(const TShareAlbum& album, const std::string& target);
    bool Pack(const std::vector<std::string>& files, const std::string& target);
    void RemoveWorkFiles(const TShareAlbum& album, bool showProgress);
    void Status(const std::string& text);
    void Progress(int position, int maximum);
    bool Fail(const std::string& text);
    std::string WorkFile(const std::string& name) const { return work_ + "/" + name; }

    TMessages& messages_;
    std::string work_;
    TShareObserver* observer_ = nullptr;
    int threads_ = 0;
    std::string error_;
    std::vector<int> leftOut_;
};

}  // namespace sharing
