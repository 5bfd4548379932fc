#include "TAlbumReceive.h"

#include <cctype>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "JpegCodec.h"
#include "TAlbumExport.h"
#include "TCatalog.h"
#include "THyperParse.h"
#include "TMessages.h"
#include "TPlatform.h"
#include "TZipEngine.h"

namespace sharing {

namespace {

const char* const kCaption = "Receive";
constexpr std::size_t kMaxNameBytes = 200;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// The name a package's file text gives inside the extraction folder: the part after the last
// "/" or "\" (the Zip engine extracts every entry under that bare name), never "." or "..".
std::string SafeFileText(const std::string& text) {
    const std::size_t cut = text.find_last_of("/\\");
    std::string bare = cut == std::string::npos ? text : text.substr(cut + 1);
    if (bare.empty() || bare == "." || bare == "..") bare = "_";
    return bare;
}

// A picture received as the album icon joins a strip that may carry masks: as in the strip
// files, white is the transparent colour of the picture serving as its own mask.
QImage SelfMask(const QImage& picture) {
    QImage mask(picture.size(), QImage::Format_Mono);
    mask.setColorCount(2);
    mask.setColor(0, qRgb(0, 0, 0));
    mask.setColor(1, qRgb(255, 255, 255));
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            mask.setPixel(x, y, (rgb.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? 1 : 0);
    return mask;
}

}  // namespace

std::string SafeName(const std::string& name, const std::string& fallback) {
    std::string out;
    for (char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool refused = u < 0x20 || u == 0x7F || std::string_view("/\\*?<>|\"&;").find(c) != std::string_view::npos;
        out += refused ? '_' : c;
    }
    if (out.size() > kMaxNameBytes) out.resize(kMaxNameBytes);
    if (out == "." || out == "..") out = "_";
    if (out.find_first_not_of(' ') == std::string::npos) out = fallback;
    return out;
}

std::string PackageBaseName(const std::string& path) {
    std::string bare = BareName(path);
    const std::size_t dot = bare.rfind('.');
    if (dot != std::string::npos && dot > 0) bare.resize(dot);
    return SafeName(bare, "Shared Album");
}

TAlbumReceive::TAlbumReceive(TCatalog& catalog) : catalog_(catalog) {}

void TAlbumReceive::Status(const std::string& text) {
    if (observer_) observer_->OnStatus(text);
}

void TAlbumReceive::RemoveFolder() {
    if (folder_.empty()) return;
    // The folder was made by this receive (mkdir claimed it), so everything in it came from the
    // package; links in it are removed, never followed.
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

bool TAlbumReceive::Fail(const std::string& why) {
    error_ = why;
    RemoveFolder();
    std::string text = "The shared album " + Quoted(package_) + " could not be received: " + why + ".";
    text += " Your albums are as they were.";
    Status(kFailed);
    ShowOk(catalog_.Messages(), kCaption, text, TMsgIcon::Error);
    return false;
}

std::string TAlbumReceive::ChooseFolder(const std::string& baseName) {
    const std::string pictures = catalog_.DocumentsFolder() + "/My Pictures/";
    std::string folder = pictures + baseName;
    for (int n = 1; Exists(folder); ++n) folder = pictures + baseName + " " + std::to_string(n);
    return folder + "/";
}

std::string TAlbumReceive::ChooseAlbumName(const std::string& name) {
    auto taken = [&](const std::string& candidate) {
        if (Lower(candidate) == Lower(TCatalog::kSearchResultsAlbum)) return true;
        if (Exists(catalog_.AlbumFilePath(candidate))) return true;
        for (const std::string& line : catalog_.AlbumList())
            if (TCatalog::AlbumEntryName(line) == candidate) return true;
        return false;
    };
    std::string candidate = name;
    for (int n = 1; taken(candidate); ++n) candidate = name + " (" + std::to_string(n) + ")";
    return candidate;
}

bool TAlbumReceive::Receive(const std::string& path) {
    package_ = path;
    folder_.clear();
    albumName_.clear();
    icon_ = 0;
    ids_.clear();
    missing_ = 0;
    error_.clear();

    // 1. The extraction folder: a new folder under My Pictures, claimed with mkdir so that it
    //    is surely ours.
    const std::string base = PackageBaseName(path);
    Status(kExtracting);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return Fail("the file does not exist or is not a file");
    std::string error;
    const std::string pictures = catalog_.DocumentsFolder() + "/My Pictures";
    if (!ForceFolders(pictures, &error)) return Fail("the folder " + Quoted(pictures) + " cannot be made (" + error + ")");
    std::string folder;
    for (int n = 0;; ++n) {
        folder = pictures + "/" + base + (n ? " " + std::to_string(n) : "");
        if (::mkdir(folder.c_str(), 0777) == 0) break;
        if (errno != EEXIST) return Fail("the folder " + Quoted(folder) + " cannot be made (" + std::strerror(errno) + ")");
    }
    folder_ = folder + "/";

    // 2. Unpack every entry under its bare name, each no larger than what it can be.
    TZipEngine zip;
    zip.SetArchiveName(path);
    zip.SetBaseFolder(folder);
    if (freeSpace_) zip.SetFreeSpaceFunction(freeSpace_);
    zip.SetEntryLimit([](const std::string& name) -> std::uint64_t {
        if (name == "album.xml") return kMaxIndexBytes;
        if (name == "icon.bmp") return kMaxIconBytes;
        return kMaxPhotoBytes;
    });
    zip.SetProgressFunction([this](double) {
        if (observer_) observer_->OnBusy();
    });
    if (!zip.Extract()) {
        std::string why = zip.LastError();
        if (why.rfind("Cannot extract the archive ", 0) == 0) {
            // The engine's own wording names the archive again; keep the reason only.
            const std::size_t colon = why.find("\": ");
            const std::size_t colon2 = colon == std::string::npos ? colon : why.find("\": ", colon + 3);
            if (colon2 != std::string::npos) why = why.substr(colon2 + 3);
        }
        while (!why.empty() && why.back() == '.') why.pop_back();
        return Fail(why);
    }
    if (observer_) observer_->OnBusy();

    // 3. Read the index.
    Status(kParsing);
    const std::string index = folder_ + "album.xml";
    struct stat ist {};
    if (::lstat(index.c_str(), &ist) != 0 || !S_ISREG(ist.st_mode)) return Fail("it holds no album.xml, so it is not a shared album");
    if (ist.st_size > kMaxIndexBytes) return Fail("its album.xml is too large to be an album index");
    std::string xml;
    if (!ReadFileBytes(index, xml, &error)) return Fail("its album.xml cannot be read (" + error + ")");
    if (std::count(xml.begin(), xml.end(), '<') > kMaxIndexTags)
        return Fail("its album.xml holds too many elements to be an album index");
    THyperParse parser;
    parser.SetFileName(index);
    parser.SetProgress([this] {
        if (observer_) observer_->OnBusy();
    });
    parser.ExecuteBytes(xml);
    xml.clear();
    xml.shrink_to_fit();
    Status(kImporting);
    if (parser.Count() < 7) return Fail("its album.xml does not describe an album");

    // 4. The format version.
    if (parser.Items(6).IsTag() || parser.Items(6).Text() != "1") {
        RemoveFolder();
        Status(kVersionError);
        error_ = "wrong version";
        ShowOk(catalog_.Messages(), "Wrong Version",
               std::string("The version of this Shared Album is not supported in this version of Lumavell. Please visit ") +
                   kMakerSite + " to download the latest version of Lumavell.",
               TMsgIcon::Warning);
        return false;
    }

    // 5. The token walk: the album name and icon outside photo blocks, the photo fields by their
    //    immediate neighbours inside them.
    const int count = parser.Count();
    auto tagAt = [&](int i, const char* name) { return i >= 0 && i < count && parser.Items(i).TagName() == name; };
    auto between = [&](int i, const char* open, const char* close) { return tagAt(i - 1, open) && tagAt(i + 1, close); };
    bool inPhoto = false, haveName = false, haveIcon = false;
    std::string receivedName, iconText;
    std::vector<TReceivedPhoto> photos;
    for (int b = 8; b < count; ++b) {
        const THtmlInfo& t = parser.Items(b);
        if (inPhoto) {
            if (!t.IsTag()) {
                TReceivedPhoto& p = photos.back();
                if (between(b, "NAME", "/NAME")) p.name = t.Text();
                else if (between(b, "TAKER", "/TAKER")) p.credit = t.Text();
                else if (between(b, "NOTE", "/NOTE")) p.notes = t.Text();
                else if (between(b, "FILE", "/FILE")) p.file = t.Text();
            } else if (t.TagName() == "/PHOTO") {
                inPhoto = false;
            }
        } else if (!t.IsTag()) {
            if (!haveName && between(b, "NAME", "/NAME")) {
                receivedName = t.Text();
                haveName = true;
            } else if (!haveIcon && between(b, "ICON", "/ICON")) {
                iconText = t.Text();
                haveIcon = true;
            }
        } else if (t.TagName() == "PHOTO") {
            inPhoto = true;
            photos.emplace_back();
        }
    }

    // 6. The album's name and icon.
    albumName_ = ChooseAlbumName(SafeName(receivedName, base));
    if (observer_) observer_->OnAlbumName(albumName_);
    TIconStrip& strip = catalog_.IconStrip();
    QImage customIcon;
    if (iconText == "custom") {
        const std::string iconFile = folder_ + "icon.bmp";
        struct stat bst {};
        if (::lstat(iconFile.c_str(), &bst) != 0 || !S_ISREG(bst.st_mode) ||
            !imaging::LoadPicture(iconFile, customIcon, error) || customIcon.isNull())
            return Fail("its album icon (icon.bmp) is missing or cannot be read");
        // The strip holds 16 x 16 pictures; a picture of another size is scaled to fit.
        if (customIcon.size() != QSize(strip.Width(), strip.Height()))
            customIcon = imaging::StretchTo(customIcon, strip.Width(), strip.Height());
        if (observer_) observer_->OnIcon(customIcon);
    } else if (haveIcon) {
        if (!TCatalog::ParseInt(iconText, icon_)) return Fail("its album icon " + Quoted(iconText) + " is not a number");
        if (icon_ < 0 || icon_ >= strip.Count()) icon_ = 0;
    }

    // 7. Only photos whose file the package held become records, each file once: a package
    //    cannot file more photos than it carries.
    {
        std::set<std::string> used;
        std::vector<TReceivedPhoto> held;
        for (TReceivedPhoto& p : photos) {
            const std::string file = SafeFileText(p.file);
            struct stat pst {};
            const bool present = file != "album.xml" && file != "icon.bmp" &&
                                 ::lstat((folder_ + file).c_str(), &pst) == 0 && S_ISREG(pst.st_mode);
            if (present && used.insert(file).second)
                held.push_back(std::move(p));
            else
                ++missing_;
        }
        photos.swap(held);
    }

    // 8. The catalog records and the album's table, both saved; on any failure everything is
    //    put back as it was.
    TMlb2& catalog = catalog_.CatalogTable();
    // All the package's numbers are taken at once, before anything is written.
    std::string idWhy;
    const int firstId = TCatalog::AllocateImageIds(catalog, static_cast<int>(photos.size()), 1, &idWhy);
    if (firstId == 0) {
        if (!idWhy.empty()) idWhy[0] = char(std::tolower(static_cast<unsigned char>(idWhy[0])));
        if (!idWhy.empty() && idWhy.back() == '.') idWhy.pop_back();
        return Fail(idWhy);
    }
    const TMlb2 before = catalog;
    const std::string albumFile = catalog_.AlbumFilePath(albumName_);
    TMlb2 album;
    album.AddField("ImgID");
    for (std::size_t i = 0; i < photos.size(); ++i) {
        const TReceivedPhoto& p = photos[i];
        const int id = firstId + static_cast<int>(i);
        ids_.push_back(id);
        TCatalog::AddImage(catalog, album, id, p.name, folder_ + SafeFileText(p.file), p.credit, p.notes);
    }
    // The receive writes the files itself rather than through the catalog's own saves: a failure
    // is undone and told once, with the package's name, instead of being left on screen.
    const std::string catalogFile = catalog_.Root() + "data.mlb";
    const std::string stripFile = catalog_.Root() + "icons.pdat";
    bool albumWritten = false, iconAdded = false;
    auto undo = [&](const std::string& why) {
        catalog = before;
        catalog.SaveToMLB(catalogFile);  // the old file is still whole if the write had failed
        if (albumWritten) std::remove(albumFile.c_str());
        if (iconAdded) {
            strip.Delete(strip.Count() - 1);
            strip.SaveToFile(stripFile);
        }
        ids_.clear();
        return Fail(why);
    };
    if (!album.SaveToMLB(albumFile)) return undo("the album file " + Quoted(albumFile) + " cannot be written");
    albumWritten = true;
    if (!catalog.SaveToMLB(catalogFile)) return undo("the photo catalog " + Quoted(catalogFile) + " cannot be written");
    if (!customIcon.isNull()) {
        strip.Add(customIcon, strip.Masked() ? SelfMask(customIcon) : QImage());
        iconAdded = true;
        icon_ = strip.Count() - 1;
        if (!strip.SaveToFile(stripFile, &error))
            return undo("the album icons cannot be written to " + Quoted(stripFile) + " (" + error + ")");
    }

    // 9. The album line, in front of the reserved last line, written at once.
    std::vector<std::string>& list = catalog_.AlbumList();
    if (!list.empty() && list.back() == TCatalog::kReservedAlbumLine) list.pop_back();
    list.push_back(albumName_ + ";" + std::to_string(icon_));
    list.push_back(TCatalog::kReservedAlbumLine);
    catalog_.WriteAlbumList();

    // 10. The index and the icon go; the photos stay.
    std::remove(index.c_str());
    std::remove((folder_ + "icon.bmp").c_str());
    Status(kCompleted);
    if (missing_ > 0)
        ShowOk(catalog_.Messages(), kCaption,
               std::to_string(missing_) + (missing_ == 1 ? " photo" : " photos") +
                   " named in the shared album " + Quoted(package_) +
                   (missing_ == 1 ? " is" : " are") + " not in it and " + (missing_ == 1 ? "was" : "were") +
                   " left out of the album " + Quoted(albumName_) + ".",
               TMsgIcon::Warning);
    return true;
}

}  // namespace sharing
