#include "TAlbumExport.h"

#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <fcntl.h>
#include <unistd.h>

#include "JpegCodec.h"
#include "TAlbumView.h"
#include "TCatalog.h"
#include "TMessages.h"
#include "TPlatform.h"
#include "TZipEngine.h"

namespace sharing {

namespace {

const char* const kCaption = "Share";
const char* const kCrLf = "\r\n";

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::string ArchiveComment() {
    return std::string("Created using Lumavell2. Snap\xB7Organise\xB7Share your world with Lumavell2. Free from ") +
           kMakerSite + ".";
}

void ShrunkSize(int width, int height, TShrink shrink, int& w, int& h) {
    w = width;
    h = height;
    if (width <= 640 || height <= 480) return;
    int d = shrink == TShrink::Half ? 2 : shrink == TShrink::Third ? 3 : shrink == TShrink::Quarter ? 4 : 1;
    w = width / d;
    h = height / d;
}

QImage PickPixels(const QImage& image, int w, int h) {
    if (image.isNull() || w < 1 || h < 1) return QImage();
    const QImage src = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (w == src.width() && h == src.height()) return src;
    QImage out(w, h, QImage::Format_RGB32);
    std::vector<int> columns(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) columns[size_t(x)] = int(std::int64_t(x) * src.width() / w);
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(int(std::int64_t(y) * src.height() / h)));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) line[x] = in[columns[size_t(x)]];
    }
    return out;
}

TShareAlbum CollectAlbum(TCatalog& catalog, const TAlbumView& view) {
    TShareAlbum album;
    album.name = view.OpenAlbumName();
    for (const std::string& line : catalog.AlbumList()) {
        if (TCatalog::AlbumEntryName(line) == album.name) {
            album.icon = std::max(0, TCatalog::AlbumEntryIcon(line));
            break;
        }
    }
    if (album.icon >= 4 && album.icon < catalog.IconStrip().Count())
        album.customIcon = catalog.IconStrip().Picture(album.icon);

    TMlb2& rows = catalog.AlbumTable();
    TMlb2& photos = catalog.CatalogTable();
    const int n = view.RowCount();
    for (int i = 1; i <= n; ++i) {
        TSharePhoto p;
        p.source = view.RowPath(i);
        int id = 0;
        if (rows.GoTo(i)) TCatalog::ParseInt(rows.GetValue("ImgID"), id);
        catalog.FindImage(id);  // the seed record when there is no such photo
        p.name = photos.GetValue("ImgName");
        p.credit = photos.GetValue("ImgCredit");
        p.notes = photos.GetValue("ImgKeys");
        album.photos.push_back(std::move(p));
    }
    return album;
}

std::string EscapeText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    // The reader drops bytes below 0x15 before a text run starts, and the byte that starts the
    // run (the first of 0x15 or above) is lost when it is a space or "!": such a byte is written
    // as a reference, also after leading tabs and line breaks.
    bool opening = true;
    for (const char c : text) {
        if (c == '\0') continue;  // a zero byte would end the whole document for the reader
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (opening && c == ' ') out += "&#32;";
        else if (opening && c == '!') out += "&#33;";
        else out += c;
        if (static_cast<unsigned char>(c) >= 0x15) opening = false;
    }
    return out;
}

std::string PhotoCopyName(const std::string& albumName, int i) {
    return albumName + " " + std::to_string(i) + ".jpg";
}

bool HasCustomIcon(const TShareAlbum& album) { return album.icon >= 4 && !album.customIcon.isNull(); }

std::string AlbumXml(const TShareAlbum& album) {
    std::string x;
    auto line = [&](const std::string& text) { x += text + kCrLf; };
    auto element = [&](const char* indent, const char* tag, const std::string& text) {
        line(std::string(indent) + "<" + tag + ">" + EscapeText(text) + "</" + tag + ">");
    };
    line("<?xml version=\"1.0\"?>");
    line("");
    line("<album>");
    line("  <settings>");
    line("    <ver>1</ver>");
    element("    ", "name", album.name);
    // An index of 4 or more whose picture is not in the strip travels as the first icon.
    const int icon = album.icon < 4 ? std::max(0, album.icon) : HasCustomIcon(album) ? -1 : 0;
    line("    <icon>" + (icon < 0 ? std::string("custom") : std::to_string(icon)) + "</icon>");
    line("  </settings>");
    for (std::size_t i = 0; i < album.photos.size(); ++i) {
        const TSharePhoto& p = album.photos[i];
        line("");
        line("  <photo>");
        element("    ", "name", p.name);
        element("    ", "taker", p.credit);
        element("    ", "note", p.notes);
        element("    ", "file", PhotoCopyName(album.name, int(i) + 1));
        line("  </photo>");
    }
    line("</album>");
    line("");
    return x;
}

std::string DefaultWorkFolder() {
    std::string cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation).toLocal8Bit().toStdString();
    if (cache.empty()) cache = std::string(std::getenv("HOME") ? std::getenv("HOME") : "/tmp") + "/.cache";
    return cache + "/Lumavell2/Temp";
}

TAlbumExport::TAlbumExport(TMessages& messages, std::string workFolder)
    : messages_(messages), work_(std::move(workFolder)) {}

void TAlbumExport::Status(const std::string& text) {
    if (observer_) observer_->OnStatus(text);
}

void TAlbumExport::Progress(int position, int maximum) {
    if (observer_) observer_->OnProgress(position, maximum);
}

bool TAlbumExport::Fail(const std::string& text) {
    error_ = text;
    return false;
}

bool TAlbumExport::StartSharing(const TShareAlbum& album, TShareMethod method, const std::string& target,
                                TShrink shrink) {
    error_.clear();
    const int n = int(album.photos.size());
    if (target.empty()) {
        ShowOk(messages_, kCaption, "Choose where to put the shared album first: the file name is empty.",
               TMsgIcon::Warning);
        return Fail("no target");
    }
    if (method == TShareMethod::Zip && n == 0) {
        ShowOk(messages_, kCaption, kNoPhotosForZip, TMsgIcon::Information);
        return Fail(kNoPhotosForZip);
    }
    std::string error;
    if (!ForceFolders(work_, &error)) {
        ShowOk(messages_, kCaption,
               "The album could not be shared: the work folder " + Quoted(work_) + " cannot be made (" + error + ").",
               TMsgIcon::Error);
        return Fail(error);
    }
    Status(shrink == TShrink::None ? kCopying : kShrinking);
    // Photos that cannot be read are left out; the others are shared, and album.xml lists only
    // what the package holds.
    leftOut_.clear();
    bool ok = ShrinkPhotos(album, shrink, leftOut_);
    const TShareAlbum kept = ok && !leftOut_.empty() ? KeepReadable(album, leftOut_) : TShareAlbum{};
    const TShareAlbum& shared = leftOut_.empty() ? album : kept;
    // The photos left out, by number, title and file (the first 20), one line each.
    auto leftOutLines = [&] {
        std::string lines;
        constexpr std::size_t kMostNamed = 20;
        for (std::size_t i = 0; i < leftOut_.size() && i < kMostNamed; ++i)
            lines += "\r\n" + DescribePhoto(album, leftOut_[i]);
        if (leftOut_.size() > kMostNamed) lines += "\r\nand " + std::to_string(leftOut_.size() - kMostNamed) + " more.";
        return lines;
    };
    if (ok && method == TShareMethod::Zip && shared.photos.empty())
        ok = Fail("None of its photos can be read:" + leftOutLines() + "\r\n");
    if (ok) ok = method == TShareMethod::Package ? BeginExact(shared, target) : BeginZip(shared, target);

    Status(kDeleting);
    RemoveWorkFiles(album, true);
    if (!ok) {
        ShowOk(messages_, kCaption, "The album could not be shared. " + error_ + " Nothing was written.",
               TMsgIcon::Error);
        return false;
    }
    Status(kCompleted);
    std::string done = kDone;
    if (!leftOut_.empty()) {
        done += "\r\n\r\nThese photos could not be read and were left out:" + leftOutLines();
    }
    ShowOk(messages_, "Complete", done, TMsgIcon::Information);
    return true;
}

bool TAlbumExport::ShrinkPhotos(const TShareAlbum& album, TShrink shrink, std::vector<int>& leftOut) {
    const int n = int(album.photos.size());
    Progress(0, n);
    if (n == 0) return true;

    // Photos are decoded and encoded on every core; progress is told in album order on this
    // thread, and the first failing photo in album order is the one reported.
    std::vector<std::string> errors(static_cast<std::size_t>(n));
    std::vector<char> done(size_t(n), 0);
    std::vector<char> unreadable(size_t(n), 0);  // left out of the share, not a failure
    std::mutex m;
    std::condition_variable cv;
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    int running = 0;

    auto work = [&] {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= n || stop) break;
            const TSharePhoto& p = album.photos[size_t(i)];
            std::string err;
            QImage picture;
            bool cannotRead = false;
            if (p.source.empty()) {
                err = "the photo file is missing";
                cannotRead = true;
            } else if (imaging::LoadPicture(p.source, picture, err)) {
                int w = 0, h = 0;
                ShrunkSize(picture.width(), picture.height(), shrink, w, h);
                if (w != picture.width() || h != picture.height()) picture = PickPixels(picture, w, h);
                std::string bytes;
                if (imaging::EncodeJpeg(picture, bytes, err, 90)) {
                    if (!WriteFileAtomic(WorkFile(PhotoCopyName(album.name, i + 1)), bytes, &err)) {
                        err = "its copy " + Quoted(PhotoCopyName(album.name, i + 1)) + " cannot be written (" + err + ")";
                    }
                } else {
                    err = "it cannot be encoded (" + err + ")";
                }
            } else {
                err = "it cannot be read (" + err + ")";
                cannotRead = true;
            }
            std::lock_guard<std::mutex> lock(m);
            errors[size_t(i)] = err;
            unreadable[size_t(i)] = cannotRead ? 1 : 0;
            done[size_t(i)] = 1;
            if (!err.empty() && !cannotRead) stop = true;
            cv.notify_all();
        }
        std::lock_guard<std::mutex> lock(m);
        --running;
        cv.notify_all();
    };

    int count = threads_ > 0 ? threads_ : int(std::max(1u, std::thread::hardware_concurrency()));
    count = std::min(count, n);
    std::vector<std::thread> pool;
    running = count;
    for (int t = 0; t < count; ++t) pool.emplace_back(work);
    int reported = 0;
    int failed = -1;
    {
        std::unique_lock<std::mutex> lock(m);
        for (;;) {
            cv.wait(lock, [&] { return (reported < n && done[size_t(reported)]) || running == 0; });
            while (reported < n && done[size_t(reported)]) {
                if (!errors[size_t(reported)].empty() && !unreadable[size_t(reported)]) {
                    failed = reported;
                    break;
                }
                ++reported;
                lock.unlock();
                Progress(reported, n);
                lock.lock();
            }
            if (failed >= 0 || reported == n || running == 0) break;
        }
    }
    for (std::thread& t : pool) t.join();
    if (failed < 0 && reported < n) {
        // Stopped by a later photo: find the first failure in album order.
        for (int i = 0; i < n; ++i)
            if (!errors[size_t(i)].empty() && !unreadable[size_t(i)]) {
                failed = i;
                break;
            }
    }
    if (failed >= 0) {
        const TSharePhoto& p = album.photos[size_t(failed)];
        std::string what = "Photo " + std::to_string(failed + 1) + " of the album";
        if (!p.name.empty()) what += ", " + Quoted(p.name) + ",";
        if (!p.source.empty()) what += " (" + p.source + ")";
        return Fail(what + " could not be copied: " + errors[size_t(failed)] + ".");
    }
    for (int i = 0; i < n; ++i)
        if (unreadable[size_t(i)]) leftOut.push_back(i);
    return true;
}

std::string TAlbumExport::DescribePhoto(const TShareAlbum& album, int i) {
    const TSharePhoto& p = album.photos[size_t(i)];
    std::string what = "Photo " + std::to_string(i + 1);
    if (!p.name.empty()) what += " " + Quoted(p.name);
    if (!p.source.empty()) what += " (" + p.source + ")";
    return what;
}

TShareAlbum TAlbumExport::KeepReadable(const TShareAlbum& album, const std::vector<int>& leftOut) {
    // The copies of the photos that stay are renumbered 1, 2, ... in album order; each moves to
    // a lower or equal number, whose copy has either moved already or was never made.
    TShareAlbum kept = album;
    kept.photos.clear();
    std::size_t skip = 0;
    for (int i = 0; i < int(album.photos.size()); ++i) {
        if (skip < leftOut.size() && leftOut[skip] == i) {
            ++skip;
            continue;
        }
        kept.photos.push_back(album.photos[size_t(i)]);
        const int to = int(kept.photos.size());
        if (to != i + 1)
            std::rename(WorkFile(PhotoCopyName(album.name, i + 1)).c_str(), WorkFile(PhotoCopyName(album.name, to)).c_str());
    }
    return kept;
}

bool TAlbumExport::BeginExact(const TShareAlbum& album, const std::string& target) {
    Status(kIndexing);
    std::vector<std::string> files;
    for (int i = 1; i <= int(album.photos.size()); ++i) files.push_back(WorkFile(PhotoCopyName(album.name, i)));
    std::string error;
    if (HasCustomIcon(album)) {
        if (!imaging::SaveBmp(album.customIcon, WorkFile("icon.bmp"), error))
            return Fail("The album's icon could not be written to " + Quoted(WorkFile("icon.bmp")) + " (" + error + ").");
    }
    if (!WriteFileAtomic(WorkFile("album.xml"), AlbumXml(album), &error))
        return Fail("The album's index could not be written to " + Quoted(WorkFile("album.xml")) + " (" + error + ").");
    files.push_back(WorkFile("album.xml"));
    if (HasCustomIcon(album)) files.push_back(WorkFile("icon.bmp"));
    return Pack(files, target);
}

bool TAlbumExport::BeginZip(const TShareAlbum& album, const std::string& target) {
    std::vector<std::string> files;
    for (int i = 1; i <= int(album.photos.size()); ++i) files.push_back(WorkFile(PhotoCopyName(album.name, i)));
    return Pack(files, target);
}

bool TAlbumExport::Pack(const std::vector<std::string>& files, const std::string& target) {
    Status(kCompressing);
    const int n = int(files.size());
    Progress(0, n);
    // The archive is made beside the target and takes its name only when it is complete, with
    // its comment; a failure leaves an old target file as it was.
    const std::string partial = TempPathBeside(target);
    TZipEngine zip;  // no messages of its own: the failure is reported with the photo it concerns
    zip.SetArchiveName(partial);
    zip.ClearFiles();
    for (const std::string& f : files) zip.AddFileToList(f);
    zip.SetProgressFunction([&](double part) { Progress(int(part * n + 0.5), n); });
    bool ok = zip.Add() && zip.SetComment(ArchiveComment());
    if (ok && ::rename(partial.c_str(), target.c_str()) != 0) {
        ok = false;
        std::remove(partial.c_str());
        return Fail("The shared album could not be saved as " + Quoted(target) + ".");
    }
    if (!ok) {
        std::remove(partial.c_str());
        std::string why = zip.LastError();
        // The engine names the temporary file; the user knows the target.
        for (std::size_t at = why.find(partial); at != std::string::npos; at = why.find(partial, at))
            why.replace(at, partial.size(), target);
        return Fail(why);
    }
    // The rename is on disk once the folder is.
    std::string folder = FolderOf(target);
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    Progress(n, n);
    return true;
}

void TAlbumExport::RemoveWorkFiles(const TShareAlbum& album, bool showProgress) {
    const int n = int(album.photos.size());
    if (showProgress) Progress(0, n);
    for (int i = 1; i <= n; ++i) {
        std::remove(WorkFile(PhotoCopyName(album.name, i)).c_str());
        if (showProgress) Progress(i, n);
    }
    std::remove(WorkFile("album.xml").c_str());
    std::remove(WorkFile("icon.bmp").c_str());
}

}  // namespace sharing
