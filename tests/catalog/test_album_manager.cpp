// Album management: the new album checks, removing albums and photos, copying a photo to an
// album and the icon list.
#include <gtest/gtest.h>

#include <filesystem>

#include "CatalogTestSupport.h"
#include "TAlbumManager.h"

namespace fs = std::filesystem;
using albummgr::TNameCheck;
using testsupport::ReadAll;

namespace {

struct ManagerFixture : cattest::Fixture {
    TAlbumManager mgr{*catalog};

    ManagerFixture() {
        OpenFresh();
        catalog->LoadAlbumList();
    }
    // An album with a line and photos; returns the identifiers.
    std::vector<int> MakeAlbum(const std::string& name, int icon, int photos) {
        catalog->AlbumList().insert(catalog->AlbumList().end() - 1, name + ";" + std::to_string(icon));
        catalog->CreateAlbumFile(name);
        catalog->OpenAlbum(name);
        std::vector<int> ids;
        for (int i = 0; i < photos; ++i) {
            const int id = catalog->NextImageId();
            TCatalog::AddImage(catalog->CatalogTable(), catalog->AlbumTable(), id, name + std::to_string(i),
                               tmp.file(name + std::to_string(i) + ".jpg"), "me", "");
            ids.push_back(id);
        }
        catalog->SaveCatalog();
        catalog->SaveAlbum(name);
        return ids;
    }
    void AddRow(const std::string& album, const std::string& id) {
        TMlb2 t;
        ASSERT_TRUE(t.LoadFromMLB(catalog->AlbumFilePath(album)));
        t.AppendRecord();
        t.SetValue("ImgID", id);
        ASSERT_TRUE(t.SaveToMLB(catalog->AlbumFilePath(album)));
    }
    std::vector<std::string> Ids(const std::string& file) {
        TMlb2 t;
        EXPECT_TRUE(t.LoadFromMLB(file));
        std::vector<std::string> v;
        for (int r = 1; r <= t.RecordCount(); ++r) {
            t.GoTo(r);
            v.push_back(t.GetValue("ImgID"));
        }
        return v;
    }
    std::vector<std::string> CatalogIds() { return Ids(Root() + "data.mlb"); }
    void Thumb(int id) {
        fs::create_directories(catalog->ThumbnailFolder());
        MakeBmp(catalog->ThumbnailPath(id), qRgb(1, 2, 3));
    }
    const testsupport::AskedMessage& Last() { return messages.asked.back(); }
};

TEST(NewAlbum, ChecksComeInOrderWithTheirMessages) {
    ManagerFixture f;
    struct Case {
        std::string name;
        TNameCheck check;
        const char* caption;
    };
    testsupport::WriteAll(f.catalog->AlbumFilePath("Hidden"), "x");  // a file without an album line
    const std::vector<Case> cases = {
        {"a/b", TNameCheck::InvalidCharacters, "Invalid Characters"},
        {"x&y", TNameCheck::InvalidCharacters, "Invalid Characters"},
        {"\"q\"", TNameCheck::InvalidCharacters, "Invalid Characters"},
        {"Search Results", TNameCheck::ReservedName, "Invalid Name"},
        {"search results", TNameCheck::ReservedName, "Invalid Name"},
        {"a;b", TNameCheck::BreaksAlbumLine, "Invalid Name"},
        {"two\nlines", TNameCheck::BreaksAlbumLine, "Invalid Name"},
        {"Hidden", TNameCheck::AlreadyExists, "Already Exists"},
        {"", TNameCheck::Empty, "No name"},
        {std::string(252, 'n'), TNameCheck::NotAFileName, "Invalid Name"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(f.mgr.CheckNewName(c.name), c.check) << c.name;
        f.messages.asked.clear();
        EXPECT_FALSE(f.mgr.NewAlbumOk(c.name)) << c.name;
        ASSERT_EQ(f.messages.asked.size(), 1u);
        EXPECT_EQ(f.Last().caption, c.caption) << c.name;
        EXPECT_EQ(f.Last().icon, TMsgIcon::Information);
        EXPECT_EQ(f.Last().buttons, TMsgButtons::Ok);
    }
    f.messages.asked.clear();
    f.mgr.NewAlbumOk("a?b");
    EXPECT_EQ(f.Last().text, "The name cannot contain these characters:\r\\ / ? * \" < > | &");
    f.mgr.NewAlbumOk("Search Results");
    EXPECT_EQ(f.Last().text, "Your album cannot be named 'Search Results'.");
    f.mgr.NewAlbumOk("Hidden");
    EXPECT_EQ(f.Last().text, "That collection already exists. Please type in a new name.");
    f.mgr.NewAlbumOk("");
    EXPECT_EQ(f.Last().text, "Please type in a name.");

    // A ";" would end the name inside its album line: "Hidden;0;0" would open the album Hidden.
    f.mgr.NewAlbumOk("Hidden;0");
    EXPECT_EQ(f.Last().text, "An album name cannot contain a semicolon (;) or a line break.");
    // Refused characters come first, the reserved spellings next.
    EXPECT_EQ(f.mgr.CheckNewName("a;b&c"), TNameCheck::InvalidCharacters);

    // Accepted: other spellings of the reserved name, ":", untrimmed names, and the longest name
    // the file system takes.
    for (const std::string& ok : std::vector<std::string>{"SEARCH RESULTS", "a:b", " spaced ", std::string(251, 'n')})
        EXPECT_EQ(f.mgr.CheckNewName(ok), TNameCheck::Ok) << ok;
}

TEST(NewAlbum, OkWritesAnEmptyAlbumWithoutTouchingTheOpenOne) {
    ManagerFixture f;
    f.MakeAlbum("Open", 1, 2);
    EXPECT_TRUE(f.mgr.NewAlbumOk("a:b"));
    EXPECT_TRUE(f.messages.asked.empty());
    TMlb2 t;
    ASSERT_TRUE(t.LoadFromMLB(f.catalog->AlbumFilePath("a:b")));
    EXPECT_EQ(t.FieldCount(), 1);
    EXPECT_EQ(t.FieldName(1), "ImgID");
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 2);
    // A second try with the same name now finds the file.
    EXPECT_FALSE(f.mgr.NewAlbumOk("a:b"));
    EXPECT_EQ(f.Last().caption, "Already Exists");
}

TEST(NewAlbum, AFileThatCannotBeWrittenIsReported) {
    ManagerFixture f;
    fs::remove_all(f.Root());  // the catalog folder is gone: the album file cannot be written
    EXPECT_FALSE(f.mgr.NewAlbumOk("Trips"));
    EXPECT_EQ(f.Last().caption, "Error");
    EXPECT_EQ(f.Last().icon, TMsgIcon::Error);
    EXPECT_FALSE(fs::exists(f.catalog->AlbumFilePath("Trips")));
}

TEST(NewAlbum, TripsWithTheSecondIconGoesBeforeTheReservedLine) {
    ManagerFixture f;
    f.MakeAlbum("Home", 3, 0);
    ASSERT_TRUE(f.mgr.NewAlbumOk("Trips"));
    const int line = f.mgr.AddNewAlbum("Trips", 1);
    EXPECT_EQ(f.catalog->AlbumList(), (std::vector<std::string>{"Home;3", "Trips;1", "Search Results;2"}));
    EXPECT_EQ(line, 1);
    EXPECT_EQ(ReadAll(f.Root() + "albums.pdat"), "Home;3\r\nTrips;1\r\n");
    TMlb2 t;
    ASSERT_TRUE(t.LoadFromMLB(f.catalog->AlbumFilePath("Trips")));
    EXPECT_EQ(t.FieldCount(), 1);
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST(RemoveAlbum, APhotoSharedWithAnotherAlbumLeavesTheCatalog) {
    ManagerFixture f;
    const auto other = f.MakeAlbum("Other", 1, 1);       // id 2
    const auto ids = f.MakeAlbum("Holiday", 3, 3);       // ids 3, 4, 5; Holiday is open
    f.AddRow("Other", std::to_string(ids[1]));           // photo 4 is in both
    f.catalog->OpenAlbum("Holiday");
    f.AddRow("Holiday", "99");                           // no such photo
    f.catalog->OpenAlbum("Holiday");
    for (int id : ids) f.Thumb(id);
    f.Thumb(other[0]);

    f.messages.answers = {TMsgResult::No};
    EXPECT_FALSE(f.mgr.RemoveAlbum(1).removed);
    EXPECT_EQ(f.Last().caption, "Remove Album");
    EXPECT_EQ(f.Last().text, "Are you sure you want to remove this album?");
    EXPECT_EQ(f.Last().icon, TMsgIcon::Question);
    EXPECT_EQ(f.Last().buttons, TMsgButtons::YesNo);
    EXPECT_TRUE(fs::exists(f.catalog->AlbumFilePath("Holiday")));

    const TAlbumRemoved r = f.mgr.RemoveAlbum(1);
    EXPECT_TRUE(r.removed);
    EXPECT_EQ(r.openLine, 0);  // the line before: Other
    EXPECT_EQ(f.CatalogIds(), (std::vector<std::string>{"1", "2"}));
    for (int id : ids) EXPECT_FALSE(fs::exists(f.catalog->ThumbnailPath(id)));
    EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(other[0])));
    EXPECT_FALSE(fs::exists(f.catalog->AlbumFilePath("Holiday")));
    EXPECT_EQ(f.catalog->AlbumList(), (std::vector<std::string>{"Other;1", "Search Results;2"}));
    // The album list on disk no longer names it, at once rather than at exit.
    EXPECT_EQ(ReadAll(f.Root() + "albums.pdat"), "Other;1\r\n");
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 0);
    // The other album keeps its row, which now finds no photo.
    EXPECT_EQ(f.Ids(f.catalog->AlbumFilePath("Other")), (std::vector<std::string>{"2", "4"}));
    EXPECT_FALSE(f.catalog->FindImage(4));
}

TEST(RemoveAlbum, TheFirstAlbumOpensTheNextOrNone) {
    ManagerFixture f;
    f.MakeAlbum("B", 1, 0);
    f.MakeAlbum("A", 1, 1);
    f.catalog->AlbumList().erase(f.catalog->AlbumList().begin() + 1);
    f.catalog->AlbumList().insert(f.catalog->AlbumList().begin(), "A;1");
    f.catalog->OpenAlbum("A");
    const TAlbumRemoved first = f.mgr.RemoveAlbum(0);
    EXPECT_TRUE(first.removed);
    EXPECT_EQ(first.openLine, 0);
    EXPECT_EQ(f.catalog->AlbumList().front(), "B;1");

    f.catalog->OpenAlbum("B");
    const TAlbumRemoved last = f.mgr.RemoveAlbum(0);
    EXPECT_TRUE(last.removed);
    EXPECT_EQ(last.openLine, -1);  // only the reserved line is left
    EXPECT_EQ(f.catalog->AlbumList(), std::vector<std::string>{"Search Results;2"});
    // The reserved line itself cannot be removed.
    EXPECT_FALSE(f.mgr.RemoveAlbum(0).removed);
    EXPECT_FALSE(f.mgr.RemoveAlbum(5).removed);
}

TEST(RemoveAlbum, ARowNamingTheSeedRecordNeverDeletesIt) {
    ManagerFixture f;
    f.MakeAlbum("A", 1, 1);
    f.AddRow("A", "1");
    f.AddRow("A", "junk");
    f.catalog->OpenAlbum("A");
    EXPECT_TRUE(f.mgr.RemoveAlbum(0).removed);
    EXPECT_EQ(f.CatalogIds(), std::vector<std::string>{"1"});
}

TEST(RemoveFromAlbum, LastRowSelectsThePreviousAndTheOnlyRowNone) {
    ManagerFixture f;
    const auto ids = f.MakeAlbum("A", 1, 3);  // 2, 3, 4
    for (int id : ids) f.Thumb(id);

    f.messages.answers = {TMsgResult::No};
    EXPECT_FALSE(f.mgr.RemoveFromAlbum("A", 2).removed);
    EXPECT_EQ(f.Last().caption, "Delete");
    EXPECT_EQ(f.Last().text,
              "Are you sure you want to delete this photo from the album? This will not remove it from your system.");
    EXPECT_EQ(f.Last().icon, TMsgIcon::Information);
    EXPECT_EQ(f.Last().buttons, TMsgButtons::YesNo);

    TPhotoRemoved r = f.mgr.RemoveFromAlbum("A", 2);  // the last row
    EXPECT_TRUE(r.removed);
    EXPECT_TRUE(r.refreshList);
    EXPECT_EQ(r.selectRow, 1);
    EXPECT_EQ(f.Ids(f.catalog->AlbumFilePath("A")), (std::vector<std::string>{"2", "3"}));
    EXPECT_EQ(f.CatalogIds(), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_FALSE(fs::exists(f.catalog->ThumbnailPath(4)));

    r = f.mgr.RemoveFromAlbum("A", 0);  // a middle row keeps its number
    EXPECT_EQ(r.selectRow, 0);
    EXPECT_EQ(f.Ids(f.catalog->AlbumFilePath("A")), std::vector<std::string>{"3"});
    EXPECT_TRUE(fs::exists(f.catalog->ThumbnailPath(3)));

    r = f.mgr.RemoveFromAlbum("A", 0);  // the only row
    EXPECT_TRUE(r.removed);
    EXPECT_EQ(r.selectRow, -1);
    EXPECT_TRUE(f.Ids(f.catalog->AlbumFilePath("A")).empty());
    EXPECT_EQ(f.CatalogIds(), std::vector<std::string>{"1"});
    EXPECT_FALSE(f.mgr.RemoveFromAlbum("A", 0).removed);
}

TEST(RemoveFromAlbum, ARowWithoutACatalogRecordDeletesNoRecord) {
    ManagerFixture f;
    f.MakeAlbum("A", 1, 1);  // id 2
    f.AddRow("A", "77");
    f.AddRow("A", "1");
    f.catalog->OpenAlbum("A");
    EXPECT_TRUE(f.mgr.RemoveFromAlbum("A", 2).removed);
    EXPECT_TRUE(f.mgr.RemoveFromAlbum("A", 1).removed);
    EXPECT_EQ(f.CatalogIds(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(f.Ids(f.catalog->AlbumFilePath("A")), std::vector<std::string>{"2"});
}

TEST(AddToAlbum, ReadOnlyAlbumsAndNoChoiceKeepTheDialogOpen) {
    ManagerFixture f;
    f.MakeAlbum("Plain", 0, 0);
    f.MakeAlbum("Mine", 1, 0);
    f.MakeAlbum("Odd", 2, 0);
    f.MakeAlbum("Later", 5, 0);
    EXPECT_EQ(f.mgr.AddToChoices(), (std::vector<std::string>{"Plain;0", "Mine;1", "Odd;2", "Later;5"}));
    EXPECT_FALSE(f.mgr.AddToAlbumOk(0));
    EXPECT_EQ(f.Last().caption, "Error");
    EXPECT_EQ(f.Last().text, "This collection is read-only. You cannot add any images to this.");
    EXPECT_EQ(f.Last().icon, TMsgIcon::Information);
    EXPECT_FALSE(f.mgr.AddToAlbumOk(2));
    EXPECT_EQ(f.Last().caption, "Error");
    const size_t asked = f.messages.asked.size();
    EXPECT_TRUE(f.mgr.AddToAlbumOk(1));
    EXPECT_TRUE(f.mgr.AddToAlbumOk(3));
    EXPECT_EQ(f.messages.asked.size(), asked);
    EXPECT_FALSE(f.mgr.AddToAlbumOk(-1));
    EXPECT_FALSE(f.mgr.AddToAlbumOk(4));  // the reserved line is not offered
    EXPECT_EQ(f.messages.asked.size(), asked + 2);
}

TEST(AddToAlbum, WritesTheChosenAlbumAndReloadsTheOpenOne) {
    ManagerFixture f;
    f.MakeAlbum("Other", 1, 0);
    const auto ids = f.MakeAlbum("Open", 1, 2);  // 2, 3; open
    const std::string id = std::to_string(ids[0]);

    TPhotoCopied c = f.mgr.AddToAlbum("Other;1", id, "Open");
    EXPECT_TRUE(c.written);
    EXPECT_FALSE(c.reloadedOpenAlbum);
    c = f.mgr.AddToAlbum("Other;1", id, "Open");
    EXPECT_EQ(f.Ids(f.catalog->AlbumFilePath("Other")), (std::vector<std::string>{id, id}));
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 2);

    // Into the open album: the open table follows the file, so a later save keeps the row.
    c = f.mgr.AddToAlbum("Open;1", id, "Open");
    EXPECT_TRUE(c.written);
    EXPECT_TRUE(c.reloadedOpenAlbum);
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 3);
    f.messages.answers = {TMsgResult::Yes};
    EXPECT_TRUE(f.mgr.RemoveFromAlbum("Open", 1).removed);
    EXPECT_EQ(f.Ids(f.catalog->AlbumFilePath("Open")), (std::vector<std::string>{"2", "2"}));

    // An album whose file cannot be read is left alone.
    testsupport::WriteAll(f.catalog->AlbumFilePath("Broken"), "not a table");
    EXPECT_FALSE(f.mgr.AddToAlbum("Broken;1", id, "Open").written);
    EXPECT_EQ(ReadAll(f.catalog->AlbumFilePath("Broken")), "not a table");
    EXPECT_FALSE(f.mgr.AddToAlbum("Missing;1", id, "Open").written);
    EXPECT_FALSE(fs::exists(f.catalog->AlbumFilePath("Missing")));
}

TEST(IconList, OnlySixteenBySixteenBitmapsAreAdded) {
    ManagerFixture f;
    const int before = f.catalog->IconStrip().Count();
    f.MakeBmp(f.tmp.file("ok.bmp"), qRgb(255, 0, 0), 16, 16);
    f.MakeBmp(f.tmp.file("big.bmp"), qRgb(0, 255, 0), 32, 32);
    f.MakeBmp(f.tmp.file("wide.bmp"), qRgb(0, 255, 0), 16, 15);
    testsupport::WriteAll(f.tmp.file("junk.bmp"), "junk");

    const TIconAdded a = f.mgr.IconAdd(f.tmp.file("ok.bmp"));
    EXPECT_TRUE(a.added);
    EXPECT_EQ(a.index, before);
    EXPECT_EQ(f.catalog->IconStrip().Count(), before + 1);
    EXPECT_EQ(f.catalog->IconStrip().Picture(before).pixel(3, 3), qRgb(255, 0, 0));
    EXPECT_TRUE(f.messages.asked.empty());

    for (const char* bad : {"big.bmp", "wide.bmp"}) {
        EXPECT_FALSE(f.mgr.IconAdd(f.tmp.file(bad)).added);
        EXPECT_EQ(f.Last().caption, "Size");
        EXPECT_EQ(f.Last().text, "The image is not of the required size of 16x16.");
        EXPECT_EQ(f.Last().icon, TMsgIcon::Information);
    }
    EXPECT_FALSE(f.mgr.IconAdd(f.tmp.file("junk.bmp")).added);
    EXPECT_EQ(f.Last().icon, TMsgIcon::Error);
    EXPECT_FALSE(f.mgr.IconAdd(f.tmp.file("none.bmp")).added);
    EXPECT_EQ(f.catalog->IconStrip().Count(), before + 1);
    EXPECT_EQ(f.mgr.IconBoxCount(), before + 1);

    ASSERT_TRUE(f.mgr.IconListOk());
    TIconStrip back;
    ASSERT_TRUE(back.LoadFromFile(f.Root() + "icons.pdat"));
    EXPECT_EQ(back.Count(), before + 1);
}

}  // namespace
