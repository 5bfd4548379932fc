#pragma once
// Receiving a shared album package (".xal"): it is unpacked into a new folder under the user's
// My Pictures folder, its album.xml is read with THyperParse, and it becomes a new album of the
// catalog: one catalog record per photo pointing at the unpacked file, the album's table file,
// its line in the album list (in memory; it reaches albums.pdat with the next save) and, for a
// custom icon, a new picture in the icon strip.
//
// The package comes from someone else and is treated as hostile: nothing it names reaches
// outside the extraction folder or the catalog root, what it may unpack is bounded before a
// byte is written, only photos it holds become records, every failure is reported with the
// package's name, and a failed receive leaves the catalog, the album list and the icon strip as
// they were and removes the extraction folder with everything unpacked into it. The album that
// is open in the main window is not touched: the new album's table is written from a table of
// its own. The album list is written at once, so the album survives a crash of this run.

#include <QImage>

#include "TZipEngine.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TCatalog;

namespace sharing {

// What the receive dialog shows; every call comes on the receiving thread.
class TReceiveObserver {
public:
    virtual ~TReceiveObserver() = default;
    virtual void OnStatus(const std::string& text) { (void)text; }
    // The final album name, once chosen.
    virtual void OnAlbumName(const std::string& name) { (void)name; }
    // The custom album icon, once read.
    virtual void OnIcon(const QImage& icon) { (void)icon; }
    // Called now and then during long steps so the window can keep painting.
    virtual void OnBusy() {}
};

// The package's base name: its file name without the extension, made safe as a folder name.
std::string PackageBaseName(const std::string& path);
// A received name made safe for a file or folder name in a known folder: path separators, the
// characters an album name may not hold, ";" and control bytes become "_", "." and ".." become
// "_", overlong names are cut; an empty result becomes fallback.
std::string SafeName(const std::string& name, const std::string& fallback);

// One photo of a package, as album.xml describes it.
struct TReceivedPhoto {
    std::string name;
    std::string credit;
    std::string notes;
    std::string file;
};

class TAlbumReceive {
public:
    static constexpr const char* kWaiting = "Staring at the file, waiting for it to do something";
    static constexpr const char* kExtracting = "Extracting files...";
    static constexpr const char* kParsing = "Parsing XML...";
    static constexpr const char* kImporting = "Importing files...";
    static constexpr const char* kCompleted = "Completed";
    static constexpr const char* kVersionError = "Version error. Download the latest version of Lumavell.";
    static constexpr const char* kFailed = "The album could not be received.";

    explicit TAlbumReceive(TCatalog& catalog);
    void SetObserver(TReceiveObserver* observer) { observer_ = observer; }
    // Replaces the free-space query of the unpacking (bytes free for a folder, -1 unknown);
    // an archive that would not fit is refused before anything is written. For tests.
    void SetFreeSpaceFunction(TZipEngine::FreeSpaceFunction fn) { freeSpace_ = std::move(fn); }

    // The whole receive of the package at path. True when the album was added; otherwise a
    // message has told the user why.
    bool Receive(const std::string& path);

    // Results of the last Receive.
    const std::string& ExtractionFolder() const { return folder_; }  // ends with "/"
    const std::string& AlbumName() const { return albumName_; }
    int IconIndex() const { return icon_; }
    const std::vector<int>& PhotoIds() const { return ids_; }
    // Photos album.xml names whose file the package does not hold; they were left out.
    int MissingPhotos() const { return missing_; }
    const std::string& LastError() const { return error_; }

    // Choosing names (public for their tests): the extraction folder under My Pictures for a
    // base name ("Trip/", "Trip 1/", ...), and the album name for a received name ("Trip",
    // "Trip (1)", ...) that has no album file and no album list line, and is not reserved.
    std::string ChooseFolder(const std::string& baseName);
    std::string ChooseAlbumName(const std::string& name);

    // Largest album.xml read, in bytes and in tags: every token is held in memory, and a
    // package's index deflates very well, so a small package could otherwise ask for gigabytes.
    // Each photo takes 12 tags: the limits allow albums of tens of thousands of photos.
    static constexpr long long kMaxIndexBytes = 16ll << 20;
    static constexpr long long kMaxIndexTags = 1000000;
    // Largest icon.bmp unpacked: a 16 x 16 bitmap with the largest header, a full palette and
    // 32-bit pixels stays well below it.
    static constexpr long long kMaxIconBytes = 4096;
    // Largest photo unpacked.
    static constexpr long long kMaxPhotoBytes = 512ll << 20;

private:
    bool Fail(const std::string& why);
    // Removes the extraction folder and everything in it.
    void RemoveFolder();
    void Status(const std::string& text);

    TCatalog& catalog_;
    TReceiveObserver* observer_ = nullptr;
    std::string package_;
    std::string folder_;
    std::string albumName_;
    int icon_ = 0;
    std::vector<int> ids_;
    int missing_ = 0;
    std::string error_;
    TZipEngine::FreeSpaceFunction freeSpace_;
};

}  // namespace sharing
