// The thumbnail archive: the cache packed into thumbnails.dat at exit, read where it lies at the
// next start, merged at the next exit; unpacked once when compression is turned off.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CatalogTestSupport.h"
#include "PlaceholderPictures.h"
#include "TAlbumView.h"
#include "ThumbnailFiles.h"

namespace fs = std::filesystem;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

struct ArchiveFixture : cattest::Fixture {
    TAlbumView view{*catalog};
    ArchiveFixture() {
        OpenFresh();
        TMlb2 album;
        album.AddField("ImgID");
        // Identifiers 1 (seed) to 12.
        for (int id = 2; id <= 12; ++id)
            TCatalog::AddImage(catalog->CatalogTable(), album, id, "P", "/p.jpg", "me", "");
        catalog->SaveCatalog();
        fs::create_directories(catalog->ThumbnailFolder());
    }
    std::string Thumb(int id, QRgb colour) {
        MakeBmp(catalog->ThumbnailPath(id), colour);
        return ReadAll(catalog->ThumbnailPath(id));
    }
    std::string Archive() const { return Root() + "thumbnails.dat"; }
};

}  // namespace

TEST(ThumbnailArchive, PackHoldsTheCacheInIdentifierOrderDeflated) {
    ArchiveFixture f;
    const std::string t3 = f.Thumb(3, qRgb(30, 0, 0));
    const std::string t10 = f.Thumb(10, qRgb(100, 0, 0));
    const std::string t2 = f.Thumb(2, qRgb(20, 0, 0));
    f.Thumb(40, qRgb(40, 0, 0));  // above the last identifier: stays in the folder

    std::vector<double> progress;
    f.view.PackThumbnails(true, [&progress](double done) { progress.push_back(done); });
    ASSERT_TRUE(fs::exists(f.Archive()));
    // The window's progress bar follows the pack to its end.
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 1.0);
    std::vector<cattest::ZipEntry> entries;
    std::string comment;
    ASSERT_TRUE(cattest::ReadCentralDirectory(ReadAll(f.Archive()), entries, comment));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "2.bmp");
    EXPECT_EQ(entries[1].name, "3.bmp");
    EXPECT_EQ(entries[2].name, "10.bmp");
    for (const auto& e : entries) {
        EXPECT_EQ(e.method, 8) << e.name;  // deflate
        EXPECT_EQ(e.flags & 6, 4) << e.name;  // at a fast level
    }
    EXPECT_EQ(comment, "");
    EXPECT_LT(fs::file_size(f.Archive()), t2.size());  // a single-colour picture packs small
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailPath(2)));
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailPath(10)));
    EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(40)));
    EXPECT_TRUE(fs::is_directory(f.catalog->ThumbnailFolder()));

    // At the next start the archive is read where it lies: nothing is unpacked.
    fs::remove(f.catalog->ThumbnailPath(40));
    fs::remove(f.catalog->ThumbnailFolder());
    const auto packedAt = fs::last_write_time(f.Archive());
    const std::string packedBytes = ReadAll(f.Archive());
    f.view.UnpackThumbnails(true);
    EXPECT_TRUE(fs::is_directory(f.catalog->ThumbnailFolder()));
    EXPECT_TRUE(fs::is_empty(f.catalog->ThumbnailFolder()));
    const auto archive = f.view.ThumbnailArchive();
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->Ids(), (std::vector<int>{2, 3, 10}));
    for (const auto& [id, bytes] : {std::pair{2, t2}, std::pair{3, t3}, std::pair{10, t10}}) {
        QImage fromArchive, fromFile;
        ASSERT_TRUE(archive->Read(id, fromArchive)) << id;
        ASSERT_TRUE(DecodeThumbnailBmp(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), fromFile,
                                       nullptr));
        EXPECT_EQ(fromArchive, fromFile) << id;
    }

    // A close with nothing new leaves the archive as it is, unwritten, and the empty folder goes.
    f.view.PackThumbnails(true);
    EXPECT_EQ(fs::last_write_time(f.Archive()), packedAt);
    EXPECT_EQ(ReadAll(f.Archive()), packedBytes);
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));
    EXPECT_TRUE(f.messages.asked.empty());
}

// Thumbnails made while the archive was in use are merged into it at the close; the archive's
// other entries are copied as they were stored, and those of photos that left the catalog go.
TEST(ThumbnailArchive, TheCloseMergesNewThumbnailsAndDropsThoseOfRemovedPhotos) {
    ArchiveFixture f;
    const std::string t2 = f.Thumb(2, qRgb(20, 0, 0));
    f.Thumb(3, qRgb(30, 0, 0));
    const std::string t4 = f.Thumb(4, qRgb(40, 0, 0));
    f.Thumb(5, qRgb(50, 0, 0));
    f.view.PackThumbnails(true);
    std::vector<cattest::ZipEntry> before;
    std::string comment;
    ASSERT_TRUE(cattest::ReadCentralDirectory(ReadAll(f.Archive()), before, comment));
    ASSERT_EQ(before.size(), 4u);

    f.view.UnpackThumbnails(true);
    // Photo 3 leaves the catalog; photo 5's record is gone since the last start (a crash before
    // its removal was packed); photo 11 gets a thumbnail; photo 4's is made again.
    f.catalog->RemoveThumbnail(3);
    ASSERT_TRUE(f.catalog->FindImage(5));
    f.catalog->CatalogTable().DeleteCurrent();
    const std::string t11 = f.Thumb(11, qRgb(110, 0, 0));
    const std::string t4b = f.Thumb(4, qRgb(41, 0, 0));
    f.view.PackThumbnails(true);

    std::vector<cattest::ZipEntry> after;
    ASSERT_TRUE(cattest::ReadCentralDirectory(ReadAll(f.Archive()), after, comment));
    std::vector<std::string> names;
    for (const auto& e : after) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"2.bmp", "4.bmp", "11.bmp"}));
    // The kept entry is the same stored bytes, not packed again.
    EXPECT_EQ(after[0].crc, before[0].crc);
    EXPECT_EQ(after[0].compressedSize, before[0].compressedSize);
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));

    f.view.UnpackThumbnails(true);
    const auto archive = f.view.ThumbnailArchive();
    ASSERT_TRUE(archive);
    auto decoded = [](const std::string& bytes) {
        QImage img;
        DecodeThumbnailBmp(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), img, nullptr);
        return img;
    };
    QImage img;
    ASSERT_TRUE(archive->Read(2, img));
    EXPECT_EQ(img, decoded(t2));
    ASSERT_TRUE(archive->Read(4, img));
    EXPECT_EQ(img, decoded(t4b));
    ASSERT_TRUE(archive->Read(11, img));
    EXPECT_EQ(img, decoded(t11));
    EXPECT_FALSE(archive->Has(3));
    EXPECT_TRUE(f.messages.asked.empty());
}

// Turning compression off unpacks the archive into the folder once; a thumbnail already in the
// folder is newer than the archive's and is kept.
TEST(ThumbnailArchive, CompressionTurnedOffUnpacksTheArchiveOnce) {
    ArchiveFixture f;
    const std::string t2 = f.Thumb(2, qRgb(20, 0, 0));
    f.Thumb(3, qRgb(30, 0, 0));
    f.view.PackThumbnails(true);
    ASSERT_FALSE(fs::exists(f.catalog->ThumbnailPath(2)));
    fs::create_directories(f.catalog->ThumbnailFolder());
    const std::string t3new = f.Thumb(3, qRgb(31, 0, 0));
    f.view.UnpackThumbnails(false);
    EXPECT_FALSE(fs::exists(f.Archive()));
    EXPECT_FALSE(f.view.ThumbnailArchive());
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(2)), t2);
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(3)), t3new);
    EXPECT_TRUE(f.messages.asked.empty());
}

TEST(ThumbnailArchive, NothingHappensWithCompressionOff) {
    ArchiveFixture f;
    f.Thumb(2, qRgb(1, 1, 1));
    f.view.PackThumbnails(false);
    EXPECT_FALSE(fs::exists(f.Archive()));
    EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(2)));


    // An empty cache writes no archive but still removes the empty folder.
    fs::remove(f.catalog->ThumbnailPath(2));
    fs::remove(f.Archive());
    f.view.PackThumbnails(true);
    EXPECT_FALSE(fs::exists(f.Archive()));
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));
    // Unpacking without an archive makes the folder.
    f.view.UnpackThumbnails(true);
    EXPECT_TRUE(fs::is_directory(f.catalog->ThumbnailFolder()));
}

TEST(ThumbnailArchive, HostileArchiveCannotWriteOutsideTheCacheFolder) {
    ArchiveFixture f;
    fs::create_directories(f.tmp.file("outside"));
    const std::string archive = cattest::MakeStoredZip(
        {{"../evil.bmp", "up one"},
         {"../../../../outside/evil2.bmp", "up four"},
         {f.tmp.file("outside/abs.bmp"), "absolute"},
         {"link.bmp", f.tmp.file("outside/target.bmp")},
         {"5.bmp", "fine"}},
        {false, false, false, true, false});
    WriteAll(f.Archive(), archive);
    f.view.UnpackThumbnails(true);
    ASSERT_TRUE(f.view.ThumbnailArchive());
    EXPECT_EQ(f.view.ThumbnailArchive()->Ids(), std::vector<int>{5});
    EXPECT_TRUE(fs::is_empty(f.catalog->ThumbnailFolder()));
    f.view.UnpackThumbnails(false);

    EXPECT_FALSE(fs::exists(f.Root() + "evil.bmp"));
    EXPECT_FALSE(fs::exists(f.tmp.file("outside/evil2.bmp")));
    EXPECT_FALSE(fs::exists(f.tmp.file("outside/abs.bmp")));
    EXPECT_FALSE(fs::exists(f.tmp.file("outside/target.bmp")));
    for (const auto& e : fs::recursive_directory_iterator(f.tmp.path())) {
        EXPECT_FALSE(e.is_symlink()) << e.path();
        if (e.path().filename().string().find("evil") != std::string::npos) {
            EXPECT_EQ(e.path().parent_path().string(), f.catalog->ThumbnailFolder()) << e.path();
        }
    }
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(5)), "fine");
    EXPECT_FALSE(fs::exists(f.Archive()));  // removed whatever the outcome
}

TEST(ThumbnailArchive, DamagedArchiveIsReportedAndRemoved) {
    ArchiveFixture f;
    WriteAll(f.Archive(), "PK\x03\x04 this archive is damaged");
    f.view.UnpackThumbnails(true);
    EXPECT_FALSE(fs::exists(f.Archive()));
    ASSERT_FALSE(f.messages.asked.empty());
    EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Error);
}

TEST(ThumbnailArchive, OnlyThumbnailsOfThumbnailSizeAreExtracted) {
    ArchiveFixture f;
    const std::string thumb = f.Thumb(7, qRgb(70, 0, 0));
    fs::remove(f.catalog->ThumbnailPath(7));
    WriteAll(f.Archive(), cattest::MakeStoredZip({{"7.bmp", thumb},
                                                  {"8.bmp", std::string(kMaxThumbnailFileBytes + 1, 'x')},
                                                  {"notes.txt", "not a thumbnail"},
                                                  {"007.bmp", thumb},
                                                  {"-3.bmp", thumb},
                                                  {"9.BMP", thumb},
                                                  {"99999999999.bmp", thumb},
                                                  {"sub/12.bmp", thumb}}));
    f.view.UnpackThumbnails(true);
    ASSERT_TRUE(f.view.ThumbnailArchive());
    EXPECT_EQ(f.view.ThumbnailArchive()->Ids(), (std::vector<int>{7, 12}));
    EXPECT_FALSE(f.view.ThumbnailArchive()->Has(8));
    f.view.UnpackThumbnails(false);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(f.catalog->ThumbnailFolder())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"12.bmp", "7.bmp"}));
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(7)), thumb);
    EXPECT_TRUE(f.messages.asked.empty());
    EXPECT_FALSE(fs::exists(f.Archive()));
}

TEST(ThumbnailArchive, AnUnreadableThumbnailDoesNotSpoilThePackAndFailuresKeepTheCache) {
    ArchiveFixture f;
    f.Thumb(2, qRgb(20, 0, 0));
    f.Thumb(3, qRgb(30, 0, 0));
    // A folder where a thumbnail should be cannot be packed; it stays and so does the folder.
    fs::create_directory(f.catalog->ThumbnailPath(4));
    WriteAll(f.catalog->ThumbnailPath(5), std::string(kMaxThumbnailFileBytes + 1, 'x'));
    f.view.PackThumbnails(true);
    std::vector<cattest::ZipEntry> entries;
    std::string comment;
    ASSERT_TRUE(cattest::ReadCentralDirectory(ReadAll(f.Archive()), entries, comment));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "2.bmp");
    EXPECT_EQ(entries[1].name, "3.bmp");
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailPath(2)));
    EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(4)));
    EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(5)));
    EXPECT_TRUE(f.messages.asked.empty());

    // The archive cannot be written (a folder in its place): the thumbnails stay.
    fs::remove(f.Archive());
    fs::create_directory(f.Archive());
    const std::string t2 = f.Thumb(2, qRgb(21, 0, 0));
    f.view.PackThumbnails(true);
    EXPECT_FALSE(f.messages.asked.empty());
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(2)), t2);
}

TEST(ThumbnailArchive, TheLargestIdentifierNeedsNoWalkUpToIt) {
    ArchiveFixture f;
    TCatalog::AddImage(f.catalog->CatalogTable(), f.catalog->AlbumTable(), 2147483647, "Last", "/l.jpg", "me", "");
    ASSERT_TRUE(f.catalog->SaveCatalog());
    EXPECT_EQ(f.catalog->LastImageId(), 2147483647);
    EXPECT_EQ(f.catalog->NextImageId(), 0);  // none left, no overflow
    EXPECT_EQ(f.catalog->NextDeviceImageId(), 0);
    const std::string big = f.Thumb(2147483647, qRgb(9, 9, 9));
    f.Thumb(4, qRgb(4, 4, 4));
    // Walking the folder takes no time; counting up to 2^31 would take hours.
    f.view.PackThumbnails(true);
    std::vector<cattest::ZipEntry> entries;
    std::string comment;
    ASSERT_TRUE(cattest::ReadCentralDirectory(ReadAll(f.Archive()), entries, comment));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].name, "2147483647.bmp");
    f.view.UnpackThumbnails(true);
    QImage fromArchive, fromFile;
    ASSERT_TRUE(f.view.ThumbnailArchive()->Read(2147483647, fromArchive));
    ASSERT_TRUE(DecodeThumbnailBmp(reinterpret_cast<const unsigned char*>(big.data()), big.size(), fromFile, nullptr));
    EXPECT_EQ(fromArchive, fromFile);
    // Clearing the cache clears the archive too.
    EXPECT_EQ(f.view.DeleteThumbnails(), 2);
    EXPECT_FALSE(fs::exists(f.Archive()));
    EXPECT_FALSE(f.view.ThumbnailArchive());
}

// A tampered archive holding thousands of small "<id>.bmp" files for photos the catalog does
// not have unpacks only those of its photos: nothing else lies in the cache folder for good.
TEST(ThumbnailArchive, TamperedArchiveIsBoundedAndLeavesNothing) {
    ArchiveFixture f;
    const std::string thumb = f.Thumb(7, qRgb(70, 0, 0));
    fs::remove(f.catalog->ThumbnailPath(7));
    std::vector<std::pair<std::string, std::string>> entries = {{"7.bmp", thumb}};
    for (int id = 13; id < 3013; ++id) entries.push_back({std::to_string(id) + ".bmp", "x"});
    WriteAll(f.Archive(), cattest::MakeStoredZip(entries));
    f.view.UnpackThumbnails(true);
    EXPECT_EQ(f.view.ThumbnailArchive()->Ids(), std::vector<int>{7});
    EXPECT_TRUE(fs::is_empty(f.catalog->ThumbnailFolder()));
    f.view.UnpackThumbnails(false);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(f.catalog->ThumbnailFolder())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"7.bmp"});
    EXPECT_FALSE(fs::exists(f.Archive()));
}

// A few new thumbnails wait in the folder (read before the archive) and the close writes
// nothing; once they make a tenth of the archive it is rewritten with them. Entries of photos
// that left the catalog, even without the program knowing (a crash after the removal), are
// never shown and make the next close rewrite the archive without them.
TEST(ThumbnailArchive, FewNewThumbnailsWaitInTheFolderAndRemovedPhotosLeaveAtTheNextClose) {
    ArchiveFixture f;
    for (int id = 2; id <= 12; ++id) f.Thumb(id, qRgb(id, 0, 0));
    f.view.PackThumbnails(true);
    const std::string packed = ReadAll(f.Archive());

    f.view.UnpackThumbnails(true);
    const std::string t5 = f.Thumb(5, qRgb(5, 5, 5));
    f.view.PackThumbnails(true);
    EXPECT_EQ(ReadAll(f.Archive()), packed);
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(5)), t5);

    f.view.UnpackThumbnails(true);
    const std::string t6 = f.Thumb(6, qRgb(6, 6, 6));
    f.view.PackThumbnails(true);  // 2 of 11: merged
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));
    f.view.UnpackThumbnails(true);
    auto archive = f.view.ThumbnailArchive();
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->size(), 11u);
    QImage img;
    ASSERT_TRUE(archive->Read(5, img));
    EXPECT_EQ(img.pixel(0, 0), qRgb(5, 5, 5));
    ASSERT_TRUE(archive->Read(6, img));
    EXPECT_EQ(img.pixel(0, 0), qRgb(6, 6, 6));

    // Photo 7's record went, its removal never reached the archive.
    ASSERT_TRUE(f.catalog->FindImage(7));
    f.catalog->CatalogTable().DeleteCurrent();
    ASSERT_TRUE(f.catalog->SaveCatalog());
    f.view.UnpackThumbnails(true);
    archive = f.view.ThumbnailArchive();
    EXPECT_FALSE(archive->Has(7));
    EXPECT_EQ(archive->Unwanted(), 1u);
    f.view.PackThumbnails(true);
    std::vector<cattest::ZipEntry> entries;
    std::string comment;
    ASSERT_TRUE(cattest::ReadCentralDirectory(ReadAll(f.Archive()), entries, comment));
    EXPECT_EQ(entries.size(), 10u);
    for (const auto& e : entries) EXPECT_NE(e.name, "7.bmp");
    EXPECT_TRUE(f.messages.asked.empty());
}
