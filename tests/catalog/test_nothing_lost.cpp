// What the catalog does when its files cannot be written or read: failed writes are reported and
// leave memory as the user left it, interrupted saves are cleaned up, names from albums.pdat never
// become paths outside the catalog, damaged icon strips and catalogs are kept aside, and files far
// too large to be what they claim are refused before anything is allocated.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "CatalogTestSupport.h"
#include "JpegCodec.h"
#include "TAlbumManager.h"
#include "TFolderImport.h"
#include "TPhotoProperties.h"
#include "TPlatform.h"
#include "WriteLimit.h"

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::TWriteLimit;
using testsupport::WriteAll;

namespace {

class QuietPlatform : public TLinuxPlatform {
public:
    QuietPlatform() : TLinuxPlatform("", "Ann") {}
    bool SetWorkingDirectory(const std::string&) override { return true; }
};

struct LostFixture : cattest::Fixture {
    LostFixture() { OpenFresh(); }

    // Adds a photo record (and an album row) to the catalog in memory and writes both tables.
    int AddPhoto(const std::string& album, const std::string& name, const std::string& notes = "") {
        const int id = catalog->NextImageId();
        TCatalog::AddImage(catalog->CatalogTable(), catalog->AlbumTable(), id, name, "/photos/" + name + ".jpg",
                           "Ann", notes);
        EXPECT_TRUE(catalog->SaveCatalog());
        EXPECT_TRUE(catalog->SaveAlbum(album));
        return id;
    }
    int Errors() const {
        int n = 0;
        for (const auto& m : messages.asked)
            if (m.icon == TMsgIcon::Error) ++n;
        return n;
    }
    // A file that claims an enormous size without using the disk.
    static void Sparse(const std::string& path, off_t size, const std::string& head = "") {
        WriteAll(path, head);
        ASSERT_EQ(::truncate(path.c_str(), size), 0);
    }
};

// ---------------------------------------------------------------- failed writes

TEST(FailedWrites, CatalogWriteIsReportedOnceWithFileAndReasonAndTheOldFileStays) {
    LostFixture f;
    f.catalog->CreateAlbumFile("Trips");
    f.catalog->OpenAlbum("Trips");
    f.AddPhoto("Trips", "Beach");
    const std::string before = ReadAll(f.Root() + "data.mlb");
    f.messages.asked.clear();
    {
        TWriteLimit full(64);
        TPhotoProperties props(*f.catalog);
        ASSERT_TRUE(props.PhotoShown(0));
        EXPECT_FALSE(props.NotesChanged("a"));
        EXPECT_FALSE(props.NotesChanged("ab"));  // the same failure again: not asked twice
    }
    ASSERT_EQ(f.Errors(), 1);
    EXPECT_NE(f.messages.asked[0].text.find(f.Root() + "data.mlb"), std::string::npos);
    EXPECT_NE(f.messages.asked[0].text.find("File too large"), std::string::npos) << f.messages.asked[0].text;
    EXPECT_EQ(ReadAll(f.Root() + "data.mlb"), before);
    // Memory keeps the edit, and the next write that succeeds stores it.
    ASSERT_TRUE(f.catalog->FindImage(2));
    EXPECT_EQ(f.catalog->CatalogTable().GetValue("ImgKeys"), "ab");
    EXPECT_TRUE(f.catalog->SaveCatalog());
    TMlb2 t;
    ASSERT_TRUE(t.LoadFromMLB(f.Root() + "data.mlb"));
    t.Last();
    EXPECT_EQ(t.GetValue("ImgKeys"), "ab");
    // A write that succeeded re-arms the report.
    {
        TWriteLimit full(64);
        EXPECT_FALSE(f.catalog->SaveCatalog());
    }
    EXPECT_EQ(f.Errors(), 2);
    // Nothing of the failed saves is left beside the catalog.
    for (const auto& e : fs::directory_iterator(f.Root()))
        EXPECT_EQ(e.path().filename().string().find(".~tmp"), std::string::npos) << e.path();
}

TEST(FailedWrites, PropertiesOkKeepsTheEditOnScreenInsteadOfReloadingTheOldFile) {
    LostFixture f;
    f.catalog->CreateAlbumFile("Trips");
    f.catalog->OpenAlbum("Trips");
    f.AddPhoto("Trips", "Beach");
    TAlbumView view(*f.catalog);
    view.OpenAlbumLine("Trips;1");
    TPhotoProperties props(*f.catalog);
    ASSERT_TRUE(props.PhotoShown(0));
    TPhotoProperties::TOkResult r;
    {
        TWriteLimit full(64);
        r = props.PropertiesOk({"Sunset", "Bob"}, view, 0);
    }
    EXPECT_FALSE(r.written);
    EXPECT_EQ(r.titleBar, "Sunset");
    ASSERT_TRUE(f.catalog->FindImage(2));
    EXPECT_EQ(f.catalog->CatalogTable().GetValue("ImgName"), "Sunset");
    EXPECT_EQ(f.catalog->CatalogTable().GetValue("ImgCredit"), "Bob");
    int aboutCatalog = 0;
    for (const auto& m : f.messages.asked) aboutCatalog += m.text.find("data.mlb") != std::string::npos;
    EXPECT_EQ(aboutCatalog, 1);
}

TEST(FailedWrites, AnotherEditOrPhotoIsReportedAgainWhileTheDiskStaysFull) {
    LostFixture f;
    f.catalog->CreateAlbumFile("Trips");
    f.catalog->OpenAlbum("Trips");
    f.AddPhoto("Trips", "Beach");
    f.AddPhoto("Trips", "Hill");
    TAlbumView view(*f.catalog);
    view.OpenAlbumLine("Trips;1");
    TPhotoProperties props(*f.catalog);
    f.messages.asked.clear();
    {
        TWriteLimit full(64);
        ASSERT_TRUE(props.PhotoShown(0));
        EXPECT_FALSE(props.NotesChanged("a"));
        EXPECT_FALSE(props.NotesChanged("ab"));  // typing on: the same edit
        EXPECT_EQ(f.Errors(), 1);
        EXPECT_FALSE(props.PropertiesOk({"Sunset", "Bob"}, view, 0).written);  // another edit
        EXPECT_EQ(f.Errors(), 2);
        ASSERT_TRUE(props.PhotoShown(1));
        EXPECT_FALSE(props.NotesChanged("c"));  // another photo's notes
        EXPECT_FALSE(props.NotesChanged("cd"));
        EXPECT_EQ(f.Errors(), 3);
    }
    for (const auto& m : f.messages.asked) {
        if (m.icon != TMsgIcon::Error) continue;  // the listing's note about missing pictures
        EXPECT_NE(m.text.find(f.Root() + "data.mlb"), std::string::npos) << m.text;
        EXPECT_NE(m.text.find("File too large"), std::string::npos) << m.text;
    }
}

TEST(FailedWrites, ANewAlbumThatCannotBeWrittenIsReportedWithItsFileAndTheReason) {
    LostFixture f;
    f.catalog->LoadAlbumList();
    TAlbumManager mgr(*f.catalog);
    f.messages.asked.clear();
    {
        TWriteLimit full(0);
        EXPECT_FALSE(mgr.NewAlbumOk("Trips"));
    }
    ASSERT_EQ(f.Errors(), 1);
    EXPECT_NE(f.messages.asked[0].text.find(f.Root() + "Trips.col"), std::string::npos) << f.messages.asked[0].text;
    EXPECT_NE(f.messages.asked[0].text.find("File too large"), std::string::npos) << f.messages.asked[0].text;
}

TEST(FailedWrites, AlbumListAndIconStripAndNewAlbumFilesAreReported) {
    LostFixture f;
    f.catalog->LoadAlbumList();
    f.catalog->AlbumList().insert(f.catalog->AlbumList().begin(), "Home;1");
    f.catalog->LoadStartupIconStrip();
    f.messages.asked.clear();
    {
        TWriteLimit full(0);
        EXPECT_FALSE(f.catalog->SaveAlbumList());
        EXPECT_FALSE(f.catalog->SaveIconStrip());
        EXPECT_FALSE(f.catalog->CreateAlbumFile("Trips"));
    }
    ASSERT_EQ(f.Errors(), 3);
    EXPECT_NE(f.messages.asked[0].text.find("albums.pdat"), std::string::npos);
    EXPECT_NE(f.messages.asked[1].text.find("icons.pdat"), std::string::npos);
    EXPECT_NE(f.messages.asked[2].text.find("Trips.col"), std::string::npos);
    EXPECT_FALSE(fs::exists(f.Root() + "Trips.col"));
}

TEST(FailedWrites, FolderImportTakesThePhotoBackWhenTheCatalogCannotBeWritten) {
    LostFixture f;
    QuietPlatform platform;
    TFolderImport import(*f.catalog, platform);
    import.SetThreadCount(1);
    const std::string photos = f.tmp.file("photos");
    fs::create_directories(photos);
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(qRgb(10, 200, 10));
    std::string error;
    ASSERT_TRUE(imaging::SaveJpeg(img, photos + "/a.jpg", error)) << error;
    f.catalog->CreateAlbumFile("Trips");
    f.catalog->OpenAlbum("Trips");
    ASSERT_TRUE(import.ReadFolder(photos));
    ASSERT_TRUE(import.FolderChanged());
    const int records = f.catalog->CatalogTable().RecordCount();
    TImportAdd out;
    {
        TWriteLimit full(0);
        out = import.AddTo(0, "Trips;1");
    }
    EXPECT_TRUE(out.ids.empty());
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), records);
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 0);
    EXPECT_EQ(f.Errors(), 1);
}

TEST(FailedWrites, RemovingAnAlbumOnAFullDiskKeepsItsFileAndRecords) {
    LostFixture f;
    f.catalog->CreateAlbumFile("Trips");
    f.catalog->LoadAlbumList();
    f.catalog->AlbumList().insert(f.catalog->AlbumList().begin(), "Trips;1");
    f.catalog->OpenAlbum("Trips");
    f.AddPhoto("Trips", "Beach");
    TAlbumManager mgr(*f.catalog);
    TAlbumRemoved out;
    {
        TWriteLimit full(0);
        out = mgr.RemoveAlbum(0);
    }
    EXPECT_FALSE(out.removed);
    EXPECT_TRUE(fs::exists(f.Root() + "Trips.col"));
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 2);
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 1);
    EXPECT_EQ(f.catalog->AlbumList().front(), "Trips;1");
}

// ---------------------------------------------------------------- interrupted saves

TEST(StaleTempFiles, OnlyOwnPatternOlderThanTheStartIsRemoved) {
    LostFixture f;
    const std::string root = f.Root();
    WriteAll(root + "data.mlb.~tmp0123456789ab", "half");
    WriteAll(root + "Trips.col.~tmpabcdef012345", "half");
    WriteAll(root + "data.mlb.~tmp0123", "too short: not ours");
    WriteAll(root + "notes.~tmp0123456789AB", "upper case: not ours");
    WriteAll(root + "fresh.col.~tmpaaaaaaaaaaaa", "written after the start");
    const std::time_t start = std::time(nullptr);
    for (const char* old : {"data.mlb.~tmp0123456789ab", "Trips.col.~tmpabcdef012345", "data.mlb.~tmp0123",
                            "notes.~tmp0123456789AB"}) {
        const timespec times[2] = {{start - 100, 0}, {start - 100, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (root + old).c_str(), times, 0), 0);
    }
    const timespec later[2] = {{start + 5, 0}, {start + 5, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (root + "fresh.col.~tmpaaaaaaaaaaaa").c_str(), later, 0), 0);

    EXPECT_EQ(f.catalog->RemoveStaleTempFiles(start), 2);
    EXPECT_FALSE(fs::exists(root + "data.mlb.~tmp0123456789ab"));
    EXPECT_FALSE(fs::exists(root + "Trips.col.~tmpabcdef012345"));
    EXPECT_TRUE(fs::exists(root + "data.mlb.~tmp0123"));
    EXPECT_TRUE(fs::exists(root + "notes.~tmp0123456789AB"));
    EXPECT_TRUE(fs::exists(root + "fresh.col.~tmpaaaaaaaaaaaa"));
    EXPECT_TRUE(fs::exists(root + "data.mlb"));
}

TEST(StaleTempFiles, SettingsAndThumbnailLeftoversAreRemovedToo) {
    LostFixture f;
    const std::string thumbs = f.catalog->ThumbnailFolder() + "/";
    const std::string conf = f.tmp.file("");  // the folder of the settings file user.conf
    fs::create_directories(thumbs);
    const std::vector<std::string> ours = {thumbs + "17.bmp.~tmp0123456789ab", conf + "user.conf.~tmpabcdef012345",
                                           conf + ".lumavell.~tmp00000000000f"};
    const std::vector<std::string> kept = {
        conf + "other.conf.~tmp0123456789ab",  // beside the settings, but not the settings' own
        thumbs + "18.bmp.~tmp0123",            // not a name the writer makes
        thumbs + "19.bmp.~tmpaaaaaaaaaaaa",    // written after the start
    };
    for (const std::string& p : ours) WriteAll(p, "half");
    for (const std::string& p : kept) WriteAll(p, "half");
    const std::time_t start = std::time(nullptr);
    const timespec old[2] = {{start - 100, 0}, {start - 100, 0}};
    const timespec later[2] = {{start + 5, 0}, {start + 5, 0}};
    for (const std::string& p : ours) ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), old, 0), 0);
    for (std::size_t i = 0; i + 1 < kept.size(); ++i) ASSERT_EQ(::utimensat(AT_FDCWD, kept[i].c_str(), old, 0), 0);
    ASSERT_EQ(::utimensat(AT_FDCWD, kept.back().c_str(), later, 0), 0);

    EXPECT_EQ(f.catalog->RemoveStaleTempFiles(start), 3);
    for (const std::string& p : ours) EXPECT_FALSE(fs::exists(p)) << p;
    for (const std::string& p : kept) EXPECT_TRUE(fs::exists(p)) << p;
}

// ---------------------------------------------------------------- albums that cannot take photos

TEST(ProtectedAlbums, AddsIntoAnUnreadableAlbumAreRefusedBeforeAnythingIsWritten) {
    LostFixture f;
    WriteAll(f.Root() + "Broken.col", "not a table");
    f.catalog->OpenAlbum("Broken");
    ASSERT_TRUE(f.catalog->AlbumIsProtected("Broken"));
    const std::string before = ReadAll(f.Root() + "data.mlb");
    QuietPlatform platform;
    TFolderImport import(*f.catalog, platform);
    import.SetThreadCount(1);
    const std::string photos = f.tmp.file("photos");
    fs::create_directories(photos);
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(qRgb(10, 10, 200));
    std::string error;
    ASSERT_TRUE(imaging::SaveJpeg(img, photos + "/a.jpg", error)) << error;
    ASSERT_TRUE(imaging::SaveJpeg(img, photos + "/b.jpg", error)) << error;
    ASSERT_TRUE(import.ReadFolder(photos));
    ASSERT_TRUE(import.FolderChanged());
    f.messages.asked.clear();

    EXPECT_TRUE(import.AddTo(0, "Broken;1").ids.empty());
    EXPECT_TRUE(import.AddAll("Broken;1").ids.empty());
    EXPECT_EQ(ReadAll(f.Root() + "data.mlb"), before);
    EXPECT_EQ(ReadAll(f.Root() + "Broken.col"), "not a table");
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 1);
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 0);
    ASSERT_EQ(f.Errors(), 2);
    EXPECT_NE(f.messages.asked[0].text.find("Broken"), std::string::npos);

    // "Add To Album" into it says so too, and writes nothing.
    TAlbumManager mgr(*f.catalog);
    EXPECT_FALSE(mgr.AddToAlbum("Broken;1", "7", "Other").written);
    EXPECT_EQ(ReadAll(f.Root() + "Broken.col"), "not a table");
}

TEST(ProtectedAlbums, NamesFromTheAlbumListThatCannotBeFileNamesAreNeverTurnedIntoPaths) {
    LostFixture f;
    // A file outside the catalog that the hostile line points at, and a record it would take.
    const std::string outside = f.tmp.file("x");
    fs::create_directories(outside);
    TMlb2 evil;
    evil.AddField("ImgID");
    evil.AppendRecord();
    evil.SetValue("ImgID", "1");
    ASSERT_TRUE(evil.SaveToMLB(outside + "/evil.col"));
    const std::string evilPath = f.Root() + "../../../x/evil";
    ASSERT_TRUE(fs::exists(evilPath + ".col"));
    WriteAll(f.Root() + "albums.pdat", "../../../x/evil;1\r\nGood;1\r\n");
    f.catalog->LoadAlbumList();
    ASSERT_EQ(f.catalog->AlbumList().size(), 3u);

    EXPECT_FALSE(TCatalog::IsUsableAlbumName("../../../x/evil"));
    EXPECT_FALSE(TCatalog::IsUsableAlbumName(""));
    EXPECT_FALSE(TCatalog::IsUsableAlbumName("a\\b"));
    EXPECT_TRUE(TCatalog::IsUsableAlbumName("Trip to Rome, 2024 (best)"));

    f.messages.asked.clear();
    EXPECT_FALSE(f.catalog->OpenAlbum("../../../x/evil"));
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 0);
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("cannot be opened"), std::string::npos);
    EXPECT_FALSE(f.catalog->SaveAlbum("../../../x/evil"));
    EXPECT_FALSE(f.catalog->CreateAlbumFile("../../../x/evil"));

    TAlbumManager mgr(*f.catalog);
    const TAlbumRemoved out = mgr.RemoveAlbum(0);
    EXPECT_FALSE(out.removed);
    EXPECT_TRUE(fs::exists(outside + "/evil.col"));
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 1);  // the seed record is still there
    ASSERT_EQ(f.messages.asked.size(), 2u);
    EXPECT_EQ(f.messages.asked[1].caption, "Remove Album");
    EXPECT_NE(f.messages.asked[1].text.find("cannot be removed"), std::string::npos);
    EXPECT_EQ(f.catalog->AlbumList().front(), "../../../x/evil;1");  // still listed
}

// ---------------------------------------------------------------- damaged files

TEST(DamagedFiles, DamagedIconStripFallsBackToTheDefaultsAndIsKeptAside) {
    LostFixture f;
    TIconStrip defaults;
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::red);
    defaults.Add(icon);
    defaults.Add(icon);
    ASSERT_TRUE(defaults.SaveToFile(f.install + "/defaults.iml"));
    WriteAll(f.Root() + "icons.pdat", "LMDIML30 but then nothing useful");
    f.messages.asked.clear();

    EXPECT_TRUE(f.catalog->LoadStartupIconStrip());
    EXPECT_EQ(f.catalog->IconStrip().Count(), 2);
    EXPECT_FALSE(fs::exists(f.Root() + "icons.pdat"));
    EXPECT_EQ(ReadAll(f.Root() + "icons (damaged).pdat"), "LMDIML30 but then nothing useful");
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("icons (damaged).pdat"), std::string::npos);
    // Saving the strip now makes a new icons.pdat and leaves the damaged one alone.
    EXPECT_TRUE(f.catalog->SaveIconStrip());
    EXPECT_TRUE(f.catalog->LoadStartupIconStrip());
    EXPECT_EQ(f.messages.asked.size(), 1u);
    EXPECT_TRUE(fs::exists(f.Root() + "icons (damaged).pdat"));
}

TEST(DamagedFiles, AFreshCatalogSetsTheOldThumbnailCacheAside) {
    LostFixture f;
    fs::create_directories(f.Root() + "Thumbnails");
    WriteAll(f.Root() + "Thumbnails/2.bmp", "old photo 2");
    WriteAll(f.Root() + "thumbnails.dat", "old archive");
    WriteAll(f.Root() + "data.mlb", "MLX damaged");
    TCatalog again(f.settings, f.messages, f.docs, f.install);
    EXPECT_EQ(again.OpenCatalog(), TCatalogOpen::Replaced);
    EXPECT_FALSE(fs::exists(f.Root() + "Thumbnails/2.bmp"));
    EXPECT_FALSE(fs::exists(f.Root() + "thumbnails.dat"));
    EXPECT_EQ(ReadAll(f.Root() + "Thumbnails (damaged)/2.bmp"), "old photo 2");
    EXPECT_EQ(ReadAll(f.Root() + "thumbnails (damaged).dat"), "old archive");
    EXPECT_EQ(ReadAll(f.Root() + "data (damaged).mlb"), "MLX damaged");
    // The set-aside thumbnail 2.bmp still names photo 2: new photos are numbered above it.
    EXPECT_EQ(again.NextImageId(), 4);
}

TEST(DamagedFiles, AFreshCatalogNumbersNewPhotosAboveEveryOldAlbumAndThumbnail) {
    LostFixture f;
    f.catalog->CreateAlbumFile("Trips");
    f.catalog->OpenAlbum("Trips");
    for (int i = 0; i < 3; ++i) f.AddPhoto("Trips", "Beach " + std::to_string(i));  // 2, 3, 4
    // An album row and a cached thumbnail with higher numbers than the catalog's last photo.
    TMlb2 old;
    old.AddField("ImgID");
    old.AppendRecord();
    old.SetValue("ImgID", "57");
    ASSERT_TRUE(old.SaveToMLB(f.Root() + "Old.col"));
    fs::create_directories(f.Root() + "Thumbnails");
    WriteAll(f.Root() + "Thumbnails/61.bmp", "old photo 61");

    WriteAll(f.Root() + "data.mlb", "MLX damaged");
    TCatalog fresh(f.settings, f.messages, f.docs, f.install);
    ASSERT_EQ(fresh.OpenCatalog(), TCatalogOpen::Replaced);
    EXPECT_GT(fresh.NextImageId(), 61);
    EXPECT_EQ(fresh.NextDeviceImageId(), TCatalog::kDeviceIdFloor);
    // A dialog that files photos on its own copy of data.mlb takes its numbers above them too.
    TMlb2 copy;
    ASSERT_TRUE(copy.LoadFromMLB(f.Root() + "data.mlb"));
    EXPECT_GT(TCatalog::AllocateImageIds(copy, 3, 1), 61);
    // So does the next run, and the old albums never list a new photo.
    TCatalog restarted(f.settings, f.messages, f.docs, f.install);
    ASSERT_EQ(restarted.OpenCatalog(), TCatalogOpen::Loaded);
    const int next = restarted.NextImageId();
    EXPECT_GT(next, 61);
    EXPECT_FALSE(restarted.FindImage(57));
    EXPECT_FALSE(restarted.FindImage(2));

    // A catalog whose data.mlb is gone altogether is just as fresh.
    fs::remove(f.Root() + "data.mlb");
    TCatalog recreated(f.settings, f.messages, f.docs, f.install);
    ASSERT_EQ(recreated.OpenCatalog(), TCatalogOpen::Created);
    EXPECT_GT(recreated.NextImageId(), 57);
}

TEST(DamagedFiles, HugeSparseFilesAreRefusedWithoutAllocatingTheirSize) {
    LostFixture f;
    const off_t huge = off_t{64} << 30;  // 64 GiB
    // The catalog: a valid header followed by nothing but a hole. The damaged-catalog question
    // is asked (answered No here) and nothing is written.
    LostFixture::Sparse(f.Root() + "data.mlb", huge, std::string("MLB\2\2\1", 6));
    f.messages.answers.push_back(TMsgResult::No);
    TCatalog again(f.settings, f.messages, f.docs, f.install);
    EXPECT_EQ(again.OpenCatalog(), TCatalogOpen::MustClose);
    ASSERT_FALSE(f.messages.asked.empty());
    EXPECT_NE(f.messages.asked.back().text.find("could not be read"), std::string::npos);
    EXPECT_EQ(fs::file_size(f.Root() + "data.mlb"), std::uintmax_t(huge));

    LostFixture::Sparse(f.Root() + "Big.col", huge, std::string("MLB\2\2\1", 6));
    EXPECT_FALSE(f.catalog->OpenAlbum("Big"));
    EXPECT_TRUE(f.catalog->AlbumIsProtected("Big"));

    LostFixture::Sparse(f.Root() + "albums.pdat", huge);
    f.catalog->LoadAlbumList();
    EXPECT_EQ(f.catalog->AlbumList().size(), 1u);  // only the reserved line
    EXPECT_NE(f.messages.asked.back().text.find("too large"), std::string::npos);

    LostFixture::Sparse(f.Root() + "icons.pdat", huge);
    f.catalog->LoadStartupIconStrip();
    EXPECT_TRUE(fs::exists(f.Root() + "icons (damaged).pdat"));
}

}  // namespace
