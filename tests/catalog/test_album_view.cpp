// The album view model: RefreshList, the thumbnail cache, the one-time question and the
// thumbnail preferences.
#include <gtest/gtest.h>

#include <fstream>

#include <filesystem>
#include <stdexcept>

#include "CatalogTestSupport.h"
#include "JpegCodec.h"
#include "PlaceholderPictures.h"
#include "PhotoTestFiles.h"
#include "TAlbumView.h"
#include "ThumbnailFiles.h"
#include "WriteLimit.h"

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

const QRgb kNotFoundColour = qRgb(10, 200, 30);

class Recorder : public TAlbumViewObserver {
public:
    std::vector<std::string> events;
    int lastDone = -1, lastTotal = -1;
    void OnRefreshStarted() override {
        events.push_back("started");
        lastDone = lastTotal = -1;
    }
    void OnProgress(int done, int total) override {
        if (events.empty() || events.back() != "progress") events.push_back("progress");
        EXPECT_GT(done, lastDone);
        lastDone = done;
        lastTotal = total;
    }
    void OnThumbsReady() override { events.push_back("ready"); }
    void OnRefreshFinished(TRefreshResult r) override {
        events.push_back(r == TRefreshResult::Done ? "done" : r == TRefreshResult::Stopped ? "stopped" : "close");
    }
};

struct ViewFixture : cattest::Fixture {
    TAlbumView view{*catalog};
    Recorder recorder;

    ViewFixture() {
        OpenFresh();
        MakeBmp(install + "/notfound.bmp", kNotFoundColour);
        catalog->CreateAlbumFile("A");
        catalog->OpenAlbum("A");
        view.SetObserver(&recorder);
    }
    // A catalog record and an album row; saves both like the import does.
    int Add(const std::string& name, const std::string& path) {
        const int id = catalog->NextImageId();
        TCatalog::AddImage(catalog->CatalogTable(), catalog->AlbumTable(), id, name, path, "me", "");
        catalog->SaveCatalog();
        catalog->SaveAlbum("A");
        return id;
    }
    void AddRow(const std::string& id) {
        catalog->AlbumTable().AppendRecord();
        catalog->AlbumTable().SetValue("ImgID", id);
    }
    std::string Photo(const std::string& name, QRgb colour, int w = 160, int h = 120) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(colour);
        std::string error;
        EXPECT_TRUE(imaging::SaveJpeg(img, tmp.file(name), error)) << error;
        return tmp.file(name);
    }
    void SaveThumbs(int v) { settings.WriteInteger("Images", "saveThumbs", v); }
    std::vector<std::string> Captions() const { return view.RowCaptions(); }
};

bool Near(QRgb a, QRgb b, int tolerance = 24) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Bytes this process has handed to write calls so far.
long long BytesWritten() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return -1;
}

std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(AlbumView, EmptyAlbumListsNothing) {
    ViewFixture f;
    EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_EQ(f.view.RowCount(), 0);
    EXPECT_TRUE(f.view.ThumbnailStrip().empty());
    EXPECT_TRUE(f.view.UpdThumbs().empty());
    EXPECT_EQ(f.view.RowPictureHeight(), 0);
    EXPECT_EQ(f.recorder.events, (std::vector<std::string>{"started", "ready", "done"}));
    EXPECT_TRUE(f.messages.asked.empty());
}

TEST(AlbumView, RowsResolveToPhotosMissingFilesAndTheSeedRecord) {
    ViewFixture f;
    const std::string wide = f.MakePhoto("wide.jpg", 400, 100);
    f.Add("Wide", wide);
    f.Add("Gone", f.tmp.file("no-such-photo.jpg"));
    f.AddRow("99");  // no catalog record: the seed record
    EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);

    ASSERT_EQ(f.view.RowCount(), 3);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Wide", "Gone", "nil"}));
    EXPECT_EQ(f.view.RowPath(1), wide);
    EXPECT_EQ(f.view.RowPath(2), "");
    EXPECT_EQ(f.view.RowPath(3), "");
    EXPECT_EQ(f.view.RowPath(4), "");
    // The whole 400 x 100 photo squeezed into 100 x 80: red left half, blue right half.
    const QImage& t = f.view.ThumbnailStrip()[0];
    ASSERT_EQ(t.size(), QSize(100, 80));
    EXPECT_TRUE(Near(t.pixel(20, 40), qRgb(220, 20, 20)));
    EXPECT_TRUE(Near(t.pixel(80, 40), qRgb(20, 20, 220)));
    EXPECT_TRUE(Near(f.view.ThumbnailStrip()[1].pixel(50, 40), kNotFoundColour, 0));
    EXPECT_TRUE(Near(f.view.ThumbnailStrip()[2].pixel(50, 40), kNotFoundColour, 0));
    // saveThumbs 0: nothing cached.
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));

    const auto rows = f.view.UpdThumbs();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].caption, "nil");
    EXPECT_EQ(rows[0].picture.format(), QImage::Format_RGB32);
    EXPECT_EQ(f.view.RowPictureHeight(), 80);
    EXPECT_EQ(f.recorder.events, (std::vector<std::string>{"started", "progress", "ready", "done"}));
    EXPECT_EQ(f.recorder.lastDone, 3);
}

TEST(AlbumView, CacheIsWrittenOnlyWithSaveThumbsTwoAndUsedUnchanged) {
    ViewFixture f;
    const int a = f.Add("A", f.Photo("a.jpg", qRgb(200, 0, 0)));
    const int b = f.Add("B", f.Photo("b.jpg", qRgb(0, 0, 200)));
    f.Add("Missing", f.tmp.file("missing.jpg"));

    f.SaveThumbs(1);
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));

    f.SaveThumbs(2);
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    f.view.FinishSavingThumbnails();  // saved on a thread of their own
    EXPECT_EQ(Files(f.catalog->ThumbnailFolder()), (std::vector<std::string>{"2.bmp", "3.bmp"}));
    QImage cached;
    ASSERT_TRUE(cached.load(QString::fromStdString(f.catalog->ThumbnailPath(a)), "BMP"));
    EXPECT_EQ(cached.size(), QSize(100, 80));
    EXPECT_TRUE(Near(cached.pixel(50, 40), qRgb(200, 0, 0)));

    // A cached file is used whatever it shows, and whatever saveThumbs says now.
    f.MakeBmp(f.catalog->ThumbnailPath(a), qRgb(0, 255, 0));
    f.MakeBmp(f.catalog->ThumbnailPath(b), qRgb(255, 255, 0), 50, 40);
    const std::string before = ReadAll(f.catalog->ThumbnailPath(b));
    f.SaveThumbs(1);
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_TRUE(Near(f.view.ThumbnailStrip()[0].pixel(50, 40), qRgb(0, 255, 0), 0));
    EXPECT_EQ(f.view.ThumbnailStrip()[1].size(), QSize(50, 40));  // loaded unchanged
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(b)), before);
    const auto rows = f.view.UpdThumbs();
    EXPECT_EQ(rows[1].picture.size(), QSize(100, 80));
    EXPECT_TRUE(Near(rows[1].picture.pixel(10, 10), qRgb(255, 255, 0), 0));

    // A damaged cache file is made again from the photo.
    WriteAll(f.catalog->ThumbnailPath(a), "BM not really");
    f.SaveThumbs(2);
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_TRUE(Near(f.view.ThumbnailStrip()[0].pixel(50, 40), qRgb(200, 0, 0)));
    f.view.FinishSavingThumbnails();
    ASSERT_TRUE(cached.load(QString::fromStdString(f.catalog->ThumbnailPath(a)), "BMP"));
    EXPECT_TRUE(f.messages.asked.empty());
}

TEST(AlbumView, NotExistRowsAreDroppedFromListAndTable) {
    ViewFixture f;
    const std::string p = f.Photo("p.jpg", qRgb(100, 100, 100));
    const int keep1 = f.Add("Keep 1", p);
    const int gone = f.Add("Removed", "notexist.jpg");
    const int keep2 = f.Add("Keep 2", p);
    f.AddRow(std::to_string(gone));
    f.AddRow(std::to_string(keep1));
    const std::string fileBefore = ReadAll(f.catalog->AlbumFilePath("A"));

    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Keep 1", "Keep 2", "Keep 1"}));
    EXPECT_EQ(f.view.RowCount(), 3);
    // List row i is album record i + 1.
    TMlb2& album = f.catalog->AlbumTable();
    ASSERT_EQ(album.RecordCount(), 3);
    EXPECT_EQ(album.GetValueAt(1, 1), std::to_string(keep1));
    EXPECT_EQ(album.GetValueAt(1, 2), std::to_string(keep2));
    EXPECT_EQ(album.GetValueAt(1, 3), std::to_string(keep1));
    EXPECT_EQ(f.view.RowPath(2), p);
    // Only memory changed.
    EXPECT_EQ(ReadAll(f.catalog->AlbumFilePath("A")), fileBefore);
}

TEST(AlbumView, NoRowLimit) {
    ViewFixture f;
    const int id = f.Add("Same", f.Photo("same.jpg", qRgb(0, 90, 180)));
    f.SaveThumbs(2);
    fs::create_directories(f.catalog->ThumbnailFolder());
    f.MakeBmp(f.catalog->ThumbnailPath(id), qRgb(0, 90, 180));
    for (int i = 0; i < 1200; ++i) f.AddRow(std::to_string(id));
    for (int i = 0; i < 300; ++i) f.AddRow("1");
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_EQ(f.view.RowCount(), 1501);
    EXPECT_EQ(f.view.RowCaptions().size(), 1501u);
    EXPECT_EQ(f.view.RowPaths().size(), 1501u);
    EXPECT_EQ(f.view.RowCaptions()[1500], "nil");
    EXPECT_EQ(f.view.RowPath(1201), f.tmp.file("same.jpg"));
    EXPECT_EQ(f.view.RowPath(1202), "");
    EXPECT_EQ(f.recorder.lastDone, 1501);
    EXPECT_EQ(f.view.UpdThumbs().size(), 1501u);
}

TEST(AlbumView, ACachedAlbumIsListedFromItsCacheFilesWritingNothing) {
    // More rows than the loaders may read ahead, each with its own cached picture: every row
    // still shows its own, and memory holds a few bytes per row rather than its pixels.
    for (int threads : {1, 3}) {
        ViewFixture f;
        f.view.SetThreadCount(threads);
        const std::string photo = f.Photo("one.jpg", qRgb(0, 0, 0));
        fs::create_directories(f.catalog->ThumbnailFolder());
        const int rows = 700;
        for (int i = 0; i < rows; ++i) {
            const int id = f.catalog->NextImageId();
            TCatalog::AddImage(f.catalog->CatalogTable(), f.catalog->AlbumTable(), id, "P" + std::to_string(i),
                               photo, "me", "");
            f.MakeBmp(f.catalog->ThumbnailPath(id), qRgb(i % 256, i / 256, 77));
        }
        f.catalog->SaveCatalog();
        const long long before = BytesWritten();
        ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
        f.view.FinishSavingThumbnails();
        // 700 pictures are 16.8 MB at 24 bits: none of it is copied anywhere.
        EXPECT_LT(BytesWritten() - before, 64 * 1024);
        ASSERT_EQ(f.view.RowCount(), rows);
        const TRowPictures& strip = f.view.ThumbnailStrip();
        for (int n = 0; n < int(strip.PictureCount()); ++n) EXPECT_TRUE(strip.InFile(n)) << n;
        EXPECT_LT(strip.HeldBytes(), size_t(rows) * 2 * (32 + f.catalog->ThumbnailPath(rows).size()));
        for (int i = 0; i < rows; i += 3)
            EXPECT_EQ(strip[size_t(i)].pixel(50, 40), qRgb(i % 256, i / 256, 77)) << threads << " row " << i;
        EXPECT_EQ(strip[size_t(rows - 1)].pixel(0, 0), qRgb((rows - 1) % 256, (rows - 1) / 256, 77));
        // Nothing of it shows in the catalog folder.
        EXPECT_FALSE(fs::exists(f.catalog->Root() + "thumbnails.dat"));
    }
}

TEST(AlbumView, RowsStayInOrderWhateverTheThreadCount) {
    for (int threads : {1, 2, 5}) {
        ViewFixture f;
        f.view.SetThreadCount(threads);
        f.SaveThumbs(2);
        std::vector<QRgb> colours;
        for (int i = 0; i < 24; ++i) {
            const QRgb c = qRgb((i * 37) % 256, (i * 91) % 256, (255 - i * 10) % 256);
            colours.push_back(c);
            f.Add("Photo " + std::to_string(i), f.Photo("p" + std::to_string(i) + ".jpg", c, 64 + i, 48));
            if (i % 5 == 4) f.Add("Gone " + std::to_string(i), f.tmp.file("gone.jpg"));
        }
        ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done) << threads;
        size_t photo = 0;
        for (int r = 1; r <= f.view.RowCount(); ++r) {
            const std::string& caption = f.view.RowCaptions()[size_t(r - 1)];
            const QRgb seen = f.view.ThumbnailStrip()[size_t(r - 1)].pixel(50, 40);
            if (caption.rfind("Gone", 0) == 0) {
                EXPECT_TRUE(Near(seen, kNotFoundColour, 0));
                continue;
            }
            EXPECT_EQ(caption, "Photo " + std::to_string(photo));
            EXPECT_TRUE(Near(seen, colours[photo])) << threads << " row " << r;
            ++photo;
        }
        EXPECT_EQ(photo, 24u);
        EXPECT_EQ(Files(f.catalog->ThumbnailFolder()).size(), 24u);
    }
}

TEST(AlbumView, APhotoListedTwiceIsMadeAndSavedOnce) {
    ViewFixture f;
    f.SaveThumbs(2);
    const int id = f.Add("Twice", f.Photo("twice.jpg", qRgb(200, 100, 0)));
    f.AddRow(std::to_string(id));
    f.Add("Other", f.Photo("other.jpg", qRgb(0, 100, 200)));
    f.AddRow(std::to_string(id));
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Twice", "Twice", "Other", "Twice"}));
    f.view.FinishSavingThumbnails();
    EXPECT_EQ(Files(f.catalog->ThumbnailFolder()), (std::vector<std::string>{"2.bmp", "3.bmp"}));
    const auto& strip = f.view.ThumbnailStrip();
    EXPECT_TRUE(Near(strip[3].pixel(50, 40), qRgb(200, 100, 0)));
    EXPECT_TRUE(Near(strip[2].pixel(50, 40), qRgb(0, 100, 200)));
    EXPECT_EQ(strip[0].constBits(), strip[3].constBits());  // one picture, shared
}

TEST(AlbumView, PhoneAndCameraPhotosGetUprightThumbnailsInTheCache) {
    ViewFixture f;
    f.SaveThumbs(2);
    const std::string heic = f.tmp.file("phone.heic"), dng = f.tmp.file("camera.dng");
    ASSERT_TRUE(phototest::MakeHeif(heic, phototest::Scene(320, 240), false, 160));
    ASSERT_TRUE(phototest::RotateHeif(heic, 3));
    phototest::DngOptions preview;
    preview.orientation = 6;
    preview.preview = phototest::Scene(160, 120);
    std::string error;
    ASSERT_TRUE(imaging::EncodeJpeg(preview.preview, preview.jpegPreview, error)) << error;
    WriteAll(dng, phototest::MakeDng(phototest::Scene(256, 192), preview));
    WriteAll(f.tmp.file("broken.avif"), ReadAll(heic).substr(0, 200));
    const int a = f.Add("Phone", heic), b = f.Add("Camera", dng);
    const int c = f.Add("Broken", f.tmp.file("broken.avif"));

    EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    ASSERT_EQ(f.view.ThumbnailStrip().size(), 3u);
    for (int row : {0, 1}) {
        EXPECT_EQ(f.view.ThumbnailStrip()[size_t(row)].size(), QSize(100, 80));
        EXPECT_EQ(phototest::Corners(f.view.ThumbnailStrip()[size_t(row)]), "rgbb") << row;
    }
    EXPECT_EQ(f.view.ThumbnailStrip()[2], UnreadablePhotoPicture());
    f.view.FinishSavingThumbnails();  // saved on a thread of their own
    QImage cached;
    ASSERT_TRUE(cached.load(QString::fromStdString(f.catalog->ThumbnailPath(a)), "BMP"));
    EXPECT_EQ(cached.size(), QSize(100, 80));
    EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(b)));
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailPath(c)));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("broken.avif"), std::string::npos);
    EXPECT_EQ(f.messages.asked[0].text.find("phone.heic"), std::string::npos);
}

TEST(AlbumView, UndecodablePhotoGetsTheUnreadablePictureAndTheRefreshGoesOn) {
    for (int threads : {1, 3}) {
        ViewFixture f;
        f.view.SetThreadCount(threads);
        f.SaveThumbs(2);
        const int good = f.Add("Good", f.Photo("good.jpg", qRgb(10, 10, 10)));
        WriteAll(f.tmp.file("bad.jpg"), "this is no JPEG at all");
        const int bad = f.Add("Bad", f.tmp.file("bad.jpg"));
        const std::string half = f.Photo("half.jpg", qRgb(30, 30, 30), 320, 240);
        const std::string bytes = ReadAll(half);
        WriteAll(half, bytes.substr(0, bytes.size() / 3));  // a half-copied photo
        f.Add("Half", half);
        f.AddRow(std::to_string(bad));  // listed twice, named once
        const int after = f.Add("After", f.Photo("after.jpg", qRgb(90, 90, 90)));

        EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);
        EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Good", "Bad", "Half", "Bad", "After"}));
        const QImage unreadable = UnreadablePhotoPicture();
        ASSERT_EQ(unreadable.size(), QSize(100, 80));
        EXPECT_EQ(f.view.ThumbnailStrip()[1], unreadable);
        EXPECT_EQ(f.view.ThumbnailStrip()[3], unreadable);
        EXPECT_TRUE(Near(f.view.ThumbnailStrip()[4].pixel(50, 40), qRgb(90, 90, 90)));
        EXPECT_EQ(f.view.RowPath(2), f.tmp.file("bad.jpg"));
        // One message at the end naming each unreadable file once.
        ASSERT_EQ(f.messages.asked.size(), 1u);
        const std::string& text = f.messages.asked[0].text;
        EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Warning);
        EXPECT_NE(text.find(f.tmp.file("bad.jpg")), std::string::npos);
        EXPECT_EQ(text.find(f.tmp.file("bad.jpg")), text.rfind(f.tmp.file("bad.jpg")));
        EXPECT_NE(text.find(half), std::string::npos);
        EXPECT_NE(text.find(half), std::string::npos);
        f.view.FinishSavingThumbnails();
        EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(good)));
        EXPECT_FALSE(fs::exists(f.catalog->ThumbnailPath(bad)));
        EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(after)));
        EXPECT_EQ(f.recorder.events, (std::vector<std::string>{"started", "progress", "ready", "done"}));
        EXPECT_EQ(f.view.UpdThumbs().size(), 5u);
    }
}

TEST(AlbumView, BadIdentifierAndMissingNotFoundPictureDoNotStop) {
    {
        ViewFixture f;
        f.Add("One", f.tmp.file("missing.jpg"));
        f.AddRow("abc");
        f.Add("Two", f.tmp.file("missing2.jpg"));
        EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);
        ASSERT_EQ(f.messages.asked.size(), 1u);
        EXPECT_NE(f.messages.asked[0].text.find("Album row 2: 'abc'"), std::string::npos);
        EXPECT_EQ(f.view.RowCount(), 3);
        EXPECT_EQ(f.view.ThumbnailStrip()[1], UnreadablePhotoPicture());
        EXPECT_EQ(f.view.RowPath(2), "");
        EXPECT_EQ(f.Captions()[2], "Two");
    }
    {
        ViewFixture f;
        const std::string p = f.Photo("p.jpg", qRgb(1, 1, 1));
        f.Add("Here", p);
        fs::remove(f.install + "/notfound.bmp");
        EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);  // not needed yet
        EXPECT_TRUE(f.messages.asked.empty());
        f.Add("Gone", f.tmp.file("gone.jpg"));
        f.Add("Gone too", f.tmp.file("gone2.jpg"));
        EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);
        ASSERT_EQ(f.messages.asked.size(), 1u);
        EXPECT_NE(f.messages.asked[0].text.find("notfound.bmp"), std::string::npos);
        EXPECT_EQ(f.view.RowCount(), 3);
        EXPECT_EQ(f.view.ThumbnailStrip()[1], MissingPhotoPicture());
        EXPECT_EQ(f.view.ThumbnailStrip()[2].size(), QSize(100, 80));
    }
}

TEST(AlbumView, RelativePathsAreMissingPhotosWhateverTheWorkingDirectory) {
    ViewFixture f;
    const fs::path before = fs::current_path();
    fs::current_path(f.tmp.str());
    f.Photo("rel.jpg", qRgb(200, 0, 0));
    WriteAll(f.tmp.file("nil"), "a file called nil");
    f.Add("Relative", "rel.jpg");
    f.Add("Marker", "nil");
    f.Add("Empty", "");
    const TRefreshResult r = f.view.RefreshList();
    fs::current_path(before);
    EXPECT_EQ(r, TRefreshResult::Done);
    ASSERT_EQ(f.view.RowCount(), 3);
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(f.view.RowPath(row), "") << row;
        EXPECT_TRUE(Near(f.view.ThumbnailStrip()[size_t(row - 1)].pixel(50, 40), kNotFoundColour, 0)) << row;
    }
    EXPECT_TRUE(f.messages.asked.empty());
}

TEST(AlbumView, ThumbnailFolderThatCannotBeMadeClosesTheWindow) {
    ViewFixture f;
    f.Add("P", f.Photo("p.jpg", qRgb(5, 5, 5)));
    WriteAll(f.catalog->ThumbnailFolder(), "a file where the folder should be");
    f.SaveThumbs(2);
    EXPECT_EQ(f.view.RefreshList(), TRefreshResult::MustClose);
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].caption, "Error");
    EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Error);
    EXPECT_EQ(f.messages.asked[0].text,
              "Lumavell could not create a required directory and cannot continue on the current "
              "process. Please make sure that the following folder is not write protected or the "
              "drive has adequate disk space free: " + f.docs + "/My Pictures/My Albums/\r\n(\"" +
                  f.catalog->ThumbnailFolder() + "\" exists and is not a folder)");
    EXPECT_EQ(f.recorder.events.back(), "close");
    // With saveThumbs 1 nothing needs the folder.
    f.SaveThumbs(1);
    EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);
}

TEST(AlbumView, OneTimeThumbnailQuestion) {
    const std::string question =
        "Collections can load faster if the thumbnails for images are saved. Brightlet Image Viewer "
        "can save all thumbnails on your hard drive for faster loading. This will take significantly "
        "greater space. Would you like this feature turned on? You can turn this off or on later by "
        "clicking File on the Menu bar, clicking Preferences and select \"Save thumbnails\".";
    {
        ViewFixture f;
        // A fresh user: the first refresh asks nothing.
        f.view.RefreshList();
        EXPECT_TRUE(f.messages.asked.empty());
        f.settings.WriteBool("Images", "firstTime_openAlbumb", true);
        f.messages.answers = {TMsgResult::Yes, TMsgResult::Ok};
        f.view.RefreshList();
        ASSERT_EQ(f.messages.asked.size(), 2u);
        EXPECT_EQ(f.messages.asked[0].caption, "Thumbnails");
        EXPECT_EQ(f.messages.asked[0].text, question);
        EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Question);
        EXPECT_EQ(f.messages.asked[0].buttons, TMsgButtons::YesNo);
        EXPECT_EQ(f.messages.asked[1].caption, "Thumbnails");
        EXPECT_EQ(f.messages.asked[1].icon, TMsgIcon::Information);
        EXPECT_EQ(f.messages.asked[1].text,
                  "This will take effect next time you load a collection.\r\n\r\nLumavell has also "
                  "enabled thumbnail compression. This can make the space required for thumbnails "
                  "much smaller. You can turn this off by clicking File on the menu bar, clicking "
                  "Preferences and unselecting \"Compress thumbnails to save disk space\".");
        EXPECT_EQ(f.settings.ReadInteger("Images", "saveThumbs", 0), 2);
        EXPECT_TRUE(f.settings.ReadBool("Images", "compressThumbs", false));
        f.view.RefreshList();
        EXPECT_EQ(f.messages.asked.size(), 2u);  // never again
    }
    {
        ViewFixture f;
        f.settings.WriteBool("Images", "firstTime_openAlbumb", true);
        f.settings.WriteBool("Images", "compressThumbs", true);
        f.messages.answers = {TMsgResult::No};
        f.view.RefreshList();
        ASSERT_EQ(f.messages.asked.size(), 1u);
        EXPECT_EQ(f.settings.ReadInteger("Images", "saveThumbs", 0), 1);
        EXPECT_FALSE(f.settings.ReadBool("Images", "compressThumbs", true));
        f.view.RefreshList();
        EXPECT_EQ(f.messages.asked.size(), 1u);
    }
}

TEST(AlbumView, SaveAndRefreshThumbnailPreferences) {
    ViewFixture f;
    const int a = f.Add("A", f.Photo("a.jpg", qRgb(1, 2, 3)));
    const int b = f.Add("B", f.Photo("b.jpg", qRgb(3, 2, 1)));
    fs::create_directories(f.catalog->ThumbnailFolder());
    auto fill = [&] {
        for (int id : {a, b, 500}) f.MakeBmp(f.catalog->ThumbnailPath(id), qRgb(0, 0, 0));
    };
    fill();

    auto boxes = f.view.SaveThumbnailsClicked(true, true);
    EXPECT_TRUE(boxes.saveChecked);
    EXPECT_FALSE(boxes.compressChecked);
    EXPECT_TRUE(boxes.compressEnabled);
    EXPECT_EQ(f.settings.ReadInteger("Images", "saveThumbs", 0), 2);
    EXPECT_TRUE(f.messages.asked.empty());

    f.messages.answers = {TMsgResult::No};
    boxes = f.view.SaveThumbnailsClicked(false, false);
    EXPECT_FALSE(boxes.compressEnabled);
    EXPECT_FALSE(boxes.compressChecked);
    EXPECT_EQ(f.settings.ReadInteger("Images", "saveThumbs", 0), 1);
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].caption, "Don't Save Thumbnails");
    EXPECT_EQ(f.messages.asked[0].text,
              "Would you like all thumbnails created removed? These will be regenerated when you do "
              "allow the Saving of Thumbnails.");
    EXPECT_EQ(Files(f.catalog->ThumbnailFolder()).size(), 3u);  // No deletes nothing

    f.messages.answers = {TMsgResult::Yes, TMsgResult::Ok};
    f.view.SaveThumbnailsClicked(false, true);
    ASSERT_EQ(f.messages.asked.size(), 3u);
    EXPECT_EQ(f.messages.asked[2].caption, "Thumbnails");
    EXPECT_EQ(f.messages.asked[2].text, "All thumbnails are now removed from your hard drive.");
    // Identifiers above the last catalog record are not touched.
    EXPECT_EQ(Files(f.catalog->ThumbnailFolder()), std::vector<std::string>{"500.bmp"});

    fill();
    f.messages.answers = {TMsgResult::No};
    EXPECT_FALSE(f.view.RefreshThumbnailsClicked());
    EXPECT_EQ(f.messages.asked[3].caption, "Refresh Thumbnails");
    EXPECT_EQ(f.messages.asked[3].text,
              "This will clear all thumbnails so Lumavell will create new ones. Do you want to continue?");
    EXPECT_EQ(Files(f.catalog->ThumbnailFolder()).size(), 3u);
    f.messages.answers = {TMsgResult::Yes, TMsgResult::Ok};
    EXPECT_TRUE(f.view.RefreshThumbnailsClicked());
    ASSERT_EQ(f.messages.asked.size(), 6u);
    EXPECT_EQ(f.messages.asked[5].caption, "RefreshThumbnails");
    EXPECT_EQ(f.messages.asked[5].text,
              "All thumbnails are now removed from your hard drive. They will be recreated when you "
              "open up albums.");
    EXPECT_EQ(Files(f.catalog->ThumbnailFolder()), std::vector<std::string>{"500.bmp"});
}

TEST(AlbumView, OpeningAnAlbumLine) {
    ViewFixture f;
    f.Add("P", f.tmp.file("gone.jpg"));
    ASSERT_TRUE(f.catalog->CreateAlbumFile("Other"));
    EXPECT_EQ(f.view.OpenAlbumLine("A;3"), TRefreshResult::Done);
    EXPECT_EQ(f.view.OpenAlbumName(), "A");
    EXPECT_FALSE(f.view.SearchResultsMode());
    EXPECT_EQ(f.view.RowCount(), 1);
    EXPECT_EQ(f.view.OpenAlbumLine("Other;1"), TRefreshResult::Done);
    EXPECT_EQ(f.view.RowCount(), 0);
    EXPECT_EQ(f.view.OpenAlbumLine("Search Results;2"), TRefreshResult::Done);
    EXPECT_TRUE(f.view.SearchResultsMode());
    EXPECT_EQ(f.view.RowCount(), 0);
}

TEST(AlbumView, AnExceptionDuringTheRefreshEndsItWithAMessageAndJoinsTheLoaders) {
    struct Throwing : TAlbumViewObserver {
        int progress = 0;
        std::string finished;
        void OnProgress(int, int) override {
            if (++progress == 2) throw std::runtime_error("no memory for the row");
        }
        void OnRefreshFinished(TRefreshResult r) override { finished = r == TRefreshResult::Stopped ? "stopped" : "other"; }
    };
    ViewFixture f;
    f.view.SetThreadCount(4);
    Throwing observer;
    f.view.SetObserver(&observer);
    for (int i = 0; i < 40; ++i) f.Add("P" + std::to_string(i), f.Photo("p" + std::to_string(i) + ".jpg", qRgb(i, 60, 70)));
    EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Stopped);
    EXPECT_EQ(observer.finished, "stopped");
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("no memory for the row"), std::string::npos);
    // The view is usable afterwards.
    f.view.SetObserver(nullptr);
    EXPECT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_EQ(f.view.RowCount(), 40);
}

TEST(AlbumView, PicturesOtherThanJpegGetThumbnailsToo) {
    ViewFixture f;
    QImage png(30, 20, QImage::Format_ARGB32);
    png.fill(qRgb(0, 0, 250));
    ASSERT_TRUE(png.save(QString::fromStdString(f.tmp.file("blue.png")), "PNG"));
    f.Add("Blue", f.tmp.file("blue.png"));
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_TRUE(f.messages.asked.empty());
    EXPECT_EQ(f.view.ThumbnailStrip()[0].size(), QSize(100, 80));
    EXPECT_TRUE(Near(f.view.ThumbnailStrip()[0].pixel(50, 40), qRgb(0, 0, 250), 2));
}

TEST(AlbumView, ThumbnailsMadeInTheRefreshComeBackPixelExactAndMoveToTheirCacheFiles) {
    ViewFixture f;
    f.SaveThumbs(2);
    std::vector<int> ids;
    for (int i = 0; i < 5; ++i) ids.push_back(f.Add("P", f.Photo("p" + std::to_string(i) + ".jpg", qRgb(40 * i, 90, 200))));
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    std::vector<QImage> shown;
    for (size_t i = 0; i < ids.size(); ++i) shown.push_back(f.view.ThumbnailStrip()[i]);
    f.view.FinishSavingThumbnails();
    const TRowPictures& strip = f.view.ThumbnailStrip();
    for (size_t i = 0; i < ids.size(); ++i) {
        // Saved, and read from there now: the same pixels as before.
        QImage file;
        ASSERT_TRUE(ReadThumbnailFile(f.catalog->ThumbnailPath(ids[i]), file, nullptr));
        EXPECT_EQ(file, shown[i]) << i;
        EXPECT_TRUE(strip.InFile(int(i))) << i;
        EXPECT_EQ(strip[i], shown[i]) << i;
    }
    // No file of the saver's own is left beside them.
    EXPECT_EQ(Files(f.catalog->ThumbnailFolder()).size(), ids.size());

    // With saving off the pictures are kept in memory, the same pixels again.
    fs::remove_all(f.catalog->ThumbnailFolder());
    f.SaveThumbs(1);
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    f.view.FinishSavingThumbnails();
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_FALSE(f.view.ThumbnailStrip().InFile(int(i)));
        EXPECT_EQ(f.view.ThumbnailStrip()[i], shown[i]) << i;
    }
}

TEST(AlbumView, ACacheFileRemovedOrDamagedAfterTheRefreshShowsTheUnreadablePicture) {
    ViewFixture f;
    const int a = f.Add("A", f.Photo("a.jpg", qRgb(200, 0, 0)));
    const int b = f.Add("B", f.Photo("b.jpg", qRgb(0, 0, 200)));
    fs::create_directories(f.catalog->ThumbnailFolder());
    f.MakeBmp(f.catalog->ThumbnailPath(a), qRgb(0, 255, 0));
    f.MakeBmp(f.catalog->ThumbnailPath(b), qRgb(255, 255, 0));
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    fs::remove(f.catalog->ThumbnailPath(a));
    WriteAll(f.catalog->ThumbnailPath(b), "BM damaged");
    const auto& strip = f.view.ThumbnailStrip();
    EXPECT_EQ(strip[0], UnreadablePhotoPicture());
    EXPECT_EQ(strip[1], UnreadablePhotoPicture());
    const auto rows = f.view.UpdThumbs();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].picture.size(), QSize(100, 80));
}

TEST(AlbumView, AFullDiskDuringAnUncachedRefreshStillListsEveryRow) {
    ViewFixture f;
    f.SaveThumbs(2);
    std::vector<int> ids;
    for (int i = 0; i < 6; ++i) ids.push_back(f.Add("P" + std::to_string(i), f.Photo("p" + std::to_string(i) + ".jpg", qRgb(40 * i, 90, 200))));
    fs::create_directories(f.catalog->ThumbnailFolder());
    {
        testsupport::TWriteLimit full(0);
        ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
        f.view.FinishSavingThumbnails();
    }
    ASSERT_EQ(f.view.RowCount(), 6);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"P0", "P1", "P2", "P3", "P4", "P5"}));
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_TRUE(Near(f.view.ThumbnailStrip()[i].pixel(50, 40), qRgb(40 * int(i), 90, 200))) << i;
    // Reported once; nothing half written is left in the cache folder.
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("Thumbnails cannot be saved"), std::string::npos);
    EXPECT_TRUE(Files(f.catalog->ThumbnailFolder()).empty());
}

// With "Compress thumbnails" on, rows are read from thumbnails.dat where it lies: the start
// unpacks nothing and the refresh writes nothing. A photo that left the catalog is not shown
// with its old entry (its number may be given to another photo), and an entry damaged after
// the refresh shows the unreadable picture.
TEST(AlbumView, RowsAreReadFromTheThumbnailArchiveWhereItLies) {
    ViewFixture f;
    const int a = f.Add("A", f.Photo("a.jpg", qRgb(200, 0, 0)));
    const int b = f.Add("B", f.Photo("b.jpg", qRgb(0, 0, 200)));
    fs::create_directories(f.catalog->ThumbnailFolder());
    f.MakeBmp(f.catalog->ThumbnailPath(a), qRgb(0, 255, 0));
    f.MakeBmp(f.catalog->ThumbnailPath(b), qRgb(255, 255, 0));
    QImage thumbB;
    ASSERT_TRUE(ReadThumbnailFile(f.catalog->ThumbnailPath(b), thumbB, nullptr));
    fs::copy_file(f.catalog->ThumbnailPath(b), f.tmp.file("b.bmp"));
    f.view.PackThumbnails(true);
    ASSERT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));

    f.view.UnpackThumbnails(true);
    const long long before = BytesWritten();
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    f.view.FinishSavingThumbnails();
    EXPECT_LT(BytesWritten() - before, 16 * 1024);
    EXPECT_TRUE(Files(f.catalog->ThumbnailFolder()).empty());
    const TRowPictures& strip = f.view.ThumbnailStrip();
    ASSERT_EQ(strip.size(), 2u);
    EXPECT_EQ(strip[0].pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(strip[1], thumbB.convertToFormat(QImage::Format_RGB32));  // pixel-exact
    for (int n = 0; n < int(strip.PictureCount()); ++n) EXPECT_TRUE(strip.InFile(n)) << n;

    // Photo a leaves the catalog and its number comes back for a new photo: the new photo's
    // thumbnail is made from it, not taken from the archive.
    f.catalog->RemoveThumbnail(a);
    f.SaveThumbs(1);
    ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
    EXPECT_TRUE(Near(f.view.ThumbnailStrip()[0].pixel(50, 40), qRgb(200, 0, 0)));

    // Damaged entries: one whose stored bytes fail their CRC, one that holds no picture. Their
    // rows say so when painted; nothing crashes.
    const std::string bmpB = ReadAll(f.tmp.file("b.bmp"));
    std::string zip = cattest::MakeStoredZip({{std::to_string(b) + ".bmp", bmpB}});
    const size_t at = zip.find(bmpB);
    ASSERT_NE(at, std::string::npos);
    zip[at + bmpB.size() / 2] ^= 0x5A;
    for (const std::string& archive :
         {zip, cattest::MakeStoredZip({{std::to_string(b) + ".bmp", "BM no picture at all"}})}) {
        WriteAll(f.catalog->ThumbnailArchivePath(), archive);
        f.view.UnpackThumbnails(true);
        ASSERT_TRUE(f.view.ThumbnailArchive() && f.view.ThumbnailArchive()->Has(b));
        ASSERT_EQ(f.view.RefreshList(), TRefreshResult::Done);
        EXPECT_EQ(f.view.ThumbnailStrip()[1], UnreadablePhotoPicture());
    }
}
