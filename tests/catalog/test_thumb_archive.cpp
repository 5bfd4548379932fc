// Packing the thumbnail cache into thumbnails.dat at exit and unpacking it at start.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CatalogTestSupport.h"
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

    f.view.PackThumbnails(true);
    ASSERT_TRUE(fs::exists(f.Archive()));
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

    // At the next start the folder is filled again and the archive goes.
    fs::remove(f.catalog->ThumbnailPath(40));
    fs::remove(f.catalog->ThumbnailFolder());
    f.view.UnpackThumbnails(true);
    EXPECT_FALSE(fs::exists(f.Archive()));
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(2)), t2);
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(3)), t3);
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(10)), t10);

    // After a normal exit with only known identifiers the folder is gone too.
    f.view.PackThumbnails(true);
    EXPECT_TRUE(fs::exists(f.Archive()));
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailFolder()));
    EXPECT_TRUE(f.messages.asked.empty());
}

TEST(ThumbnailArchive, NothingHappensWithCompressionOff) {
    ArchiveFixture f;
    f.Thumb(2, qRgb(1, 1, 1));
    f.view.PackThumbnails(false);
    EXPECT_FALSE(fs::exists(f.Archive()));
    EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(2)));

    WriteAll(f.Archive(), "anything");
    f.view.UnpackThumbnails(false);
    EXPECT_TRUE(fs::exists(f.Archive()));

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
    EXPECT_EQ(ReadAll(f.catalog->ThumbnailPath(2147483647)), big);
    EXPECT_EQ(f.view.DeleteThumbnails(), 2);
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
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(f.catalog->ThumbnailFolder())) names.push_back(e.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"7.bmp"});
    EXPECT_FALSE(fs::exists(f.Archive()));
}
