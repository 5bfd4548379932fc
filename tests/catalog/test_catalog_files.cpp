// Catalog files and records: data.mlb, identifiers, album files, the album list and lines.
#include <gtest/gtest.h>

#include <filesystem>

#include "CatalogTestSupport.h"

namespace fs = std::filesystem;
using cattest::Fixture;
using cattest::Le32;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

std::string Str(const std::string& s) { return Le32(uint32_t(s.size())) + s; }

// The MLB bytes of a fresh catalog, built from the format rather than from the engine.
std::string FreshCatalogBytes() {
    std::string body = std::string(2, '\0') + Str("") + Le32(5) + Le32(1);
    for (const char* f : {"ImgID", "ImgName", "ImgPath", "ImgCredit", "ImgKeys"}) body += std::string(1, '\0') + Str(f);
    const std::string values = Str("1") + Str("nil") + Str("nil") + Str("nil") + Str("nil");
    body += Le32(uint32_t(values.size())) + values;
    return std::string("MLB\x02\x02\x01\x01\x00\x00\x00\x00\x00", 12) + Le32(uint32_t(body.size())) + body;
}

}  // namespace

TEST(CatalogOpen, FreshCatalogRootAndSeedRecord) {
    Fixture f;
    // The documents folder has no "My Pictures": the whole chain is created.
    ASSERT_FALSE(fs::exists(f.docs));
    EXPECT_EQ(f.catalog->OpenCatalog(), TCatalogOpen::Created);
    EXPECT_EQ(f.Root(), f.docs + "/My Pictures/My Albums/");
    EXPECT_TRUE(fs::is_directory(f.Root()));
    EXPECT_EQ(ReadAll(f.Root() + "data.mlb"), FreshCatalogBytes());
    TMlb2& t = f.catalog->CatalogTable();
    ASSERT_EQ(t.RecordCount(), 1);
    ASSERT_EQ(t.FieldCount(), 5);
    t.First();
    EXPECT_EQ(t.GetValue("ImgID"), "1");
    EXPECT_EQ(t.GetValue("ImgPath"), "nil");
    EXPECT_TRUE(f.messages.asked.empty());

    // A second start loads the same file and changes nothing.
    EXPECT_EQ(f.catalog->OpenCatalog(), TCatalogOpen::Loaded);
    EXPECT_EQ(ReadAll(f.Root() + "data.mlb"), FreshCatalogBytes());
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 1);
}

TEST(CatalogOpen, TruncatedCatalogSurvivesWhenTheUserDeclines) {
    Fixture f;
    f.OpenFresh();
    TMlb2 empty;
    TCatalog::AddImage(f.catalog->CatalogTable(), empty, 2, "Beach", "/p/beach.jpg", "me", "notes");
    ASSERT_TRUE(f.catalog->SaveCatalog());
    const std::string whole = ReadAll(f.Root() + "data.mlb");
    const std::string truncated = whole.substr(0, whole.size() - 9);
    WriteAll(f.Root() + "data.mlb", truncated);

    f.messages.answers = {TMsgResult::No};
    EXPECT_EQ(f.catalog->OpenCatalog(), TCatalogOpen::MustClose);
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].buttons, TMsgButtons::YesNo);
    EXPECT_NE(f.messages.asked[0].text.find(f.Root() + "data.mlb"), std::string::npos);
    // Nothing was written or renamed, and a save attempt cannot replace it either.
    EXPECT_EQ(ReadAll(f.Root() + "data.mlb"), truncated);
    int files = 0;
    for (const auto& e : fs::directory_iterator(f.Root())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
    EXPECT_FALSE(fs::exists(f.Root() + "data (damaged).mlb"));
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 0);
}

TEST(CatalogOpen, DamagedCatalogIsKeptBesideAFreshOne) {
    Fixture f;
    f.OpenFresh();
    WriteAll(f.Root() + "data.mlb", "MLX this is not a table");
    WriteAll(f.Root() + "data (damaged).mlb", "an older damaged copy");

    f.messages.answers = {TMsgResult::Yes};
    EXPECT_EQ(f.catalog->OpenCatalog(), TCatalogOpen::Replaced);
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("data (damaged 2).mlb"), std::string::npos);
    EXPECT_EQ(ReadAll(f.Root() + "data (damaged 2).mlb"), "MLX this is not a table");
    EXPECT_EQ(ReadAll(f.Root() + "data (damaged).mlb"), "an older damaged copy");
    EXPECT_EQ(ReadAll(f.Root() + "data.mlb"), FreshCatalogBytes());
    EXPECT_EQ(f.catalog->NextImageId(), 2);

    // A table that loads but is no catalog (no ImgID field) is treated the same way.
    TMlb2 other;
    other.AddField("Something");
    ASSERT_TRUE(other.SaveToMLB(f.Root() + "data.mlb"));
    f.messages.answers = {TMsgResult::No};
    EXPECT_EQ(f.catalog->OpenCatalog(), TCatalogOpen::MustClose);
}

TEST(CatalogIds, FolderAndDeviceIdentifiers) {
    Fixture f;
    f.OpenFresh();
    TCatalog& c = *f.catalog;
    TMlb2 album;
    album.AddField("ImgID");
    EXPECT_EQ(c.LastImageId(), 1);
    EXPECT_EQ(c.NextImageId(), 2);
    EXPECT_EQ(c.NextDeviceImageId(), 2000);
    TCatalog::AddImage(c.CatalogTable(), album, c.NextDeviceImageId(), "Scan", "/s.jpg", "me", "");
    EXPECT_EQ(c.NextImageId(), 2001);
    EXPECT_EQ(c.NextDeviceImageId(), 2001);
    TCatalog::AddImage(c.CatalogTable(), album, c.NextImageId(), "Folder photo", "/f.jpg", "me", "a\r\nb");

    // The new record is current and both tables got their rows.
    TMlb2& t = c.CatalogTable();
    EXPECT_EQ(t.CurrentIndex(), 3);
    EXPECT_EQ(t.GetValue("ImgKeys"), "a\r\nb");
    ASSERT_EQ(album.RecordCount(), 2);
    EXPECT_EQ(album.GetValueAt(1, 1), "2000");
    EXPECT_EQ(album.GetValueAt(1, 2), "2001");

    EXPECT_TRUE(c.FindImage(2000));
    EXPECT_EQ(t.GetValue("ImgName"), "Scan");
    // A failed look-up lands on the seed record.
    EXPECT_FALSE(c.FindImage(5));
    EXPECT_EQ(t.CurrentIndex(), 1);
    EXPECT_EQ(t.GetValue("ImgPath"), "nil");

    EXPECT_EQ(c.ThumbnailPath(17), f.Root() + "Thumbnails/17.bmp");
    EXPECT_EQ(c.AlbumFilePath("Holiday"), f.Root() + "Holiday.col");
}

TEST(CatalogAlbums, AlbumFilesOpenSaveAndProtectUnreadableOnes) {
    Fixture f;
    f.OpenFresh();
    TCatalog& c = *f.catalog;
    ASSERT_TRUE(c.CreateAlbumFile("Holiday"));
    EXPECT_EQ(ReadAll(c.AlbumFilePath("Holiday")),
              std::string("MLB\x02\x02\x01\x01\x00\x00\x00\x00\x00", 12) + Le32(2 + 4 + 8 + 1 + 9) +
                  std::string(2, '\0') + Le32(0) + Le32(1) + Le32(0) + std::string(1, '\0') + Le32(5) + "ImgID");
    ASSERT_TRUE(c.OpenAlbum("Holiday"));
    EXPECT_EQ(c.AlbumTable().RecordCount(), 0);
    TCatalog::AddImage(c.CatalogTable(), c.AlbumTable(), 2, "A", "/a.jpg", "me", "");
    ASSERT_TRUE(c.SaveAlbum("Holiday"));
    ASSERT_TRUE(c.OpenAlbum("Holiday"));
    EXPECT_EQ(c.AlbumTable().RecordCount(), 1);

    // A missing album opens empty but can still take rows.
    EXPECT_FALSE(c.OpenAlbum("Nowhere"));
    EXPECT_EQ(c.AlbumTable().RecordCount(), 0);
    EXPECT_TRUE(c.AlbumTable().AppendRecord());
    EXPECT_TRUE(c.AlbumTable().SetValue("ImgID", "2"));
    EXPECT_TRUE(f.messages.asked.empty());

    // An unreadable album is reported, opens empty and is never saved over.
    WriteAll(c.AlbumFilePath("Broken"), "MLB\x02\x02\x01\x01");
    EXPECT_FALSE(c.OpenAlbum("Broken"));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Warning);
    EXPECT_EQ(c.AlbumTable().RecordCount(), 0);
    TCatalog::AddImage(c.CatalogTable(), c.AlbumTable(), 3, "B", "/b.jpg", "me", "");
    EXPECT_FALSE(c.SaveAlbum("Broken"));
    EXPECT_FALSE(c.CreateAlbumFile("Broken"));
    EXPECT_EQ(ReadAll(c.AlbumFilePath("Broken")), "MLB\x02\x02\x01\x01");
    EXPECT_TRUE(c.AlbumIsProtected("Broken"));
    // Other albums are not affected.
    ASSERT_TRUE(c.OpenAlbum("Holiday"));
    EXPECT_TRUE(c.SaveAlbum("Holiday"));
}

TEST(CatalogAlbumList, LinesNamesAndIcons) {
    EXPECT_EQ(TCatalog::AlbumEntryName("Holiday;3"), "Holiday");
    EXPECT_EQ(TCatalog::AlbumEntryIcon("Holiday;3"), 3);
    EXPECT_EQ(TCatalog::AlbumEntryName("Holiday"), "Holiday");
    EXPECT_EQ(TCatalog::AlbumEntryIcon("Holiday"), 0);
    EXPECT_EQ(TCatalog::AlbumEntryName("Holiday;x"), "Holiday");
    EXPECT_EQ(TCatalog::AlbumEntryIcon("Holiday;x"), -1);
    EXPECT_EQ(TCatalog::AlbumEntryName("Ho;li;day;3"), "Ho");
    EXPECT_EQ(TCatalog::AlbumEntryIcon("Ho;li;day;3"), -1);
    EXPECT_EQ(TCatalog::AlbumEntryIcon("Search Results;2"), 2);
    EXPECT_EQ(TCatalog::AlbumEntryIcon("A;"), -1);
    EXPECT_EQ(TCatalog::AlbumEntryIcon("A;3 "), -1);
    EXPECT_EQ(TCatalog::AlbumEntryIcon("A;99999999999"), -1);
    EXPECT_EQ(TCatalog::AlbumEntryIcon("A;" + std::string(254, '0') + "7"), 7);
    EXPECT_EQ(TCatalog::AlbumEntryIcon("A;" + std::string(255, '0') + "7"), 0);  // only 255 characters count
}

TEST(CatalogAlbumList, LoadAndSaveKeepTheReservedLineOutOfTheFile) {
    Fixture f;
    f.OpenFresh();
    TCatalog& c = *f.catalog;
    c.LoadAlbumList();
    EXPECT_EQ(c.AlbumList(), std::vector<std::string>{"Search Results;2"});

    WriteAll(f.Root() + "albums.pdat", "Holiday;3\r\nWork;1\rCats;4\nLast;5");
    c.LoadAlbumList();
    EXPECT_EQ(c.AlbumList(),
              (std::vector<std::string>{"Holiday;3", "Work;1", "Cats;4", "Last;5", "Search Results;2"}));
    ASSERT_TRUE(c.SaveAlbumList());
    EXPECT_EQ(ReadAll(f.Root() + "albums.pdat"), "Holiday;3\r\nWork;1\r\nCats;4\r\nLast;5\r\n");
    EXPECT_EQ(c.AlbumList().back(), "Last;5");

    // Adding an album the way the new-album dialog does.
    c.AlbumList().push_back("New;6");
    ASSERT_TRUE(c.SaveAlbumList());
    c.AlbumList().push_back(TCatalog::kReservedAlbumLine);
    c.LoadAlbumList();
    EXPECT_EQ(c.AlbumList().size(), 6u);
    EXPECT_EQ(c.AlbumList()[4], "New;6");

    // A list file that cannot be read is reported and left alone.
    fs::remove(f.Root() + "albums.pdat");
    fs::create_directory(f.Root() + "albums.pdat");
    c.LoadAlbumList();
    EXPECT_EQ(c.AlbumList(), std::vector<std::string>{"Search Results;2"});
    EXPECT_EQ(f.messages.asked.size(), 1u);
    EXPECT_FALSE(c.SaveAlbumList());
    EXPECT_TRUE(fs::is_directory(f.Root() + "albums.pdat"));
}

TEST(CatalogIconStrip, StartupStripAndSave) {
    Fixture f;
    f.OpenFresh();
    TCatalog& c = *f.catalog;
    std::string error;
    // Neither icons.pdat nor defaults.iml: the strip stays the program's own.
    EXPECT_FALSE(c.LoadStartupIconStrip(&error));
    EXPECT_EQ(c.IconStrip().Count(), 0);
    EXPECT_EQ(c.IconStrip().Description(), "combo");

    TIconStrip defaults;
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    defaults.Add(red);
    ASSERT_TRUE(defaults.SaveToFile(f.install + "/defaults.iml"));
    ASSERT_TRUE(c.LoadStartupIconStrip(&error)) << error;
    EXPECT_EQ(c.IconStrip().Count(), 1);

    c.IconStrip().Add(red);
    ASSERT_TRUE(c.SaveIconStrip(&error)) << error;
    ASSERT_TRUE(c.LoadStartupIconStrip(&error)) << error;  // now icons.pdat wins
    EXPECT_EQ(c.IconStrip().Count(), 2);

    // A bad strip file is kept aside and the defaults are used.
    WriteAll(f.Root() + "icons.pdat", "\x08LMDXML30 garbage");
    EXPECT_TRUE(c.LoadStartupIconStrip(&error)) << error;
    EXPECT_EQ(c.IconStrip().Count(), 1);
    EXPECT_TRUE(std::filesystem::exists(f.Root() + "icons (damaged).pdat"));
}
