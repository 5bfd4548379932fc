// Filing a scanned photo: identifiers from 2000, the private table copies, the reload of the
// main window's tables, the checks of "Import" in their order, and album creation from the
// import dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "JpegCodec.h"
#include "ScriptedMessages.h"
#include "TCatalog.h"
#include "TDeviceImport.h"
#include "TMlb2.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "WriteLimit.h"

using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

class DeviceImport : public ::testing::Test {
protected:
    testsupport::TempDir tmp;
    TSettingsStore settings{tmp.file("user.conf"), tmp.file("machine.conf")};
    testsupport::ScriptedMessages messages;
    std::unique_ptr<TCatalog> catalog;

    void SetUp() override {
        std::filesystem::create_directories(tmp.file("docs"));
        std::filesystem::create_directories(tmp.file("install"));
        catalog = std::make_unique<TCatalog>(settings, messages, tmp.file("docs"), tmp.file("install"));
        ASSERT_EQ(catalog->OpenCatalog(), TCatalogOpen::Created);
        catalog->LoadAlbumList();
    }
    std::string Root() const { return catalog->Root(); }
    // A catalog whose last identifier is 41 and the album "Holiday;1" (empty).
    void Seed() {
        TMlb2& t = catalog->CatalogTable();
        t.AppendRecord();
        t.SetValue("ImgID", "41");
        ASSERT_TRUE(catalog->SaveCatalog());
        ASSERT_TRUE(TDeviceImport(*catalog).CreateAlbum("Holiday"));
    }
    TDeviceImportFields Fields(const std::string& name = "Beach") {
        TDeviceImportFields f;
        f.albumLine = "Holiday;1";
        f.fileName = tmp.file(name + ".jpg");
        f.name = name;
        f.credit = "Ann";
        f.comments = "sand\r\nsea";
        f.hasImage = true;
        return f;
    }
    std::vector<std::string> Column(const std::string& path, const std::string& field) {
        TMlb2 t;
        t.Clear();
        EXPECT_TRUE(t.LoadFromMLB(path));
        std::vector<std::string> out;
        if (t.First()) do out.push_back(t.GetValue(field)); while (t.Next());
        return out;
    }
};

TEST(DeviceImportIds, OneAllocatorForEveryWayInAndItStopsAtTheLargestInt) {
    TMlb2 t;
    t.Clear();
    t.AddField("ImgID");
    EXPECT_EQ(TCatalog::AllocateImageIds(t, 1, TCatalog::kDeviceIdFloor), 2000);
    EXPECT_EQ(TCatalog::AllocateImageIds(t, 1, 1), 1);
    for (auto [last, next] : std::vector<std::pair<std::string, int>>{{"41", 2000}, {"1999", 2000}, {"2000", 2001}, {"5000", 5001}}) {
        t.AppendRecord();
        t.SetValue("ImgID", last);
        EXPECT_EQ(TCatalog::AllocateImageIds(t, 1, TCatalog::kDeviceIdFloor), next) << last;
    }
    // A count is reserved whole or not at all; the message names the last number.
    t.AppendRecord();
    t.SetValue("ImgID", "2147483645");
    EXPECT_EQ(TCatalog::AllocateImageIds(t, 2, 1), 2147483646);
    std::string why;
    EXPECT_EQ(TCatalog::AllocateImageIds(t, 3, 1, &why), 0);
    EXPECT_NE(why.find("2147483645"), std::string::npos) << why;
    t.SetValue("ImgID", "2147483647");
    EXPECT_EQ(TCatalog::AllocateImageIds(t, 1, TCatalog::kDeviceIdFloor, &why), 0);
    EXPECT_NE(why.find("2147483647"), std::string::npos) << why;
    // A last number that is not a number never restarts the numbering (that would duplicate).
    t.SetValue("ImgID", "nil");
    why.clear();
    EXPECT_EQ(TCatalog::AllocateImageIds(t, 1, TCatalog::kDeviceIdFloor, &why), 0);
    EXPECT_NE(why.find("nil"), std::string::npos) << why;
}

TEST(DeviceImportIds, ReadOnlyLines) {
    for (const char* line : {"A;0", "Search Results;2", "New Album...;3", "New Collection...;3", "NoIcon"})
        EXPECT_TRUE(devimport::IsReadOnlyLine(line)) << line;
    for (const char* line : {"A;1", "B;4", "C;17"}) EXPECT_FALSE(devimport::IsReadOnlyLine(line)) << line;
}

TEST_F(DeviceImport, FilesFrom2000AndAFolderImportFollowsWith2002) {
    Seed();
    TDeviceImport imp(*catalog);
    TDeviceFiled first = imp.File(Fields("Beach"), "");
    ASSERT_TRUE(first.filed);
    EXPECT_EQ(first.id, 2000);
    EXPECT_FALSE(first.reloadedOpenAlbum);
    TDeviceFiled second = imp.File(Fields("Dunes"), "");
    EXPECT_EQ(second.id, 2001);
    EXPECT_TRUE(messages.asked.empty());

    EXPECT_EQ(Column(Root() + "data.mlb", "ImgID"), (std::vector<std::string>{"1", "41", "2000", "2001"}));
    EXPECT_EQ(Column(Root() + "Holiday.col", "ImgID"), (std::vector<std::string>{"2000", "2001"}));
    // The main window's catalog table was read again: it knows the new photos.
    ASSERT_TRUE(catalog->FindImage(2000));
    TMlb2& main = catalog->CatalogTable();
    EXPECT_EQ(main.GetValue("ImgName"), "Beach");
    EXPECT_EQ(main.GetValue("ImgPath"), tmp.file("Beach.jpg"));
    EXPECT_EQ(main.GetValue("ImgCredit"), "Ann");
    EXPECT_EQ(main.GetValue("ImgKeys"), "sand\r\nsea");
    // A photo added from a folder next takes the catalog's last identifier + 1.
    EXPECT_EQ(catalog->NextImageId(), 2002);
}

TEST_F(DeviceImport, FilingIntoTheOpenAlbumReloadsItsTable) {
    Seed();
    ASSERT_TRUE(catalog->OpenAlbum("Holiday"));
    TDeviceFiled filed = TDeviceImport(*catalog).File(Fields(), "Holiday");
    EXPECT_TRUE(filed.reloadedOpenAlbum);
    // A later save of the open album keeps the new row.
    ASSERT_TRUE(catalog->SaveAlbum("Holiday"));
    EXPECT_EQ(Column(Root() + "Holiday.col", "ImgID"), std::vector<std::string>{"2000"});
}

TEST_F(DeviceImport, UnreadableCatalogStopsTheFilingBeforeAnythingIsWritten) {
    Seed();
    WriteAll(Root() + "data.mlb", "not a table");
    const std::string albumBefore = ReadAll(Root() + "Holiday.col");
    TDeviceFiled filed = TDeviceImport(*catalog).File(Fields(), "");
    EXPECT_FALSE(filed.filed);
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].caption, "Critical Error");
    EXPECT_EQ(messages.asked[0].text, "The database was not found.");
    EXPECT_EQ(messages.asked[0].icon, TMsgIcon::Warning);
    EXPECT_EQ(ReadAll(Root() + "data.mlb"), "not a table");
    EXPECT_EQ(ReadAll(Root() + "Holiday.col"), albumBefore);
}

TEST_F(DeviceImport, MissingAlbumFileIsReportedAndMadeAfreshButAnUnreadableOneIsKept) {
    Seed();
    std::filesystem::remove(Root() + "Holiday.col");
    TDeviceFiled filed = TDeviceImport(*catalog).File(Fields(), "");
    EXPECT_TRUE(filed.filed);
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].text, "The collection was not found.");
    EXPECT_EQ(Column(Root() + "Holiday.col", "ImgID"), std::vector<std::string>{"2000"});

    messages.asked.clear();
    WriteAll(Root() + "Holiday.col", "garbage");
    const std::string catalogBefore = ReadAll(Root() + "data.mlb");
    EXPECT_FALSE(TDeviceImport(*catalog).File(Fields(), "").filed);
    EXPECT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(ReadAll(Root() + "Holiday.col"), "garbage");
    EXPECT_EQ(ReadAll(Root() + "data.mlb"), catalogBefore);
}

TEST_F(DeviceImport, ImportChecksComeInTheirOrder) {
    TDeviceImport imp(*catalog);
    // Everything wrong at first; each round mends what the last message asked for, so the
    // messages come out in the order the checks are made.
    TDeviceImportFields all;
    all.albumLine = "";
    const std::vector<std::pair<std::function<void(TDeviceImportFields&)>, std::string>> rounds = {
        {[](auto&) {}, "Please select a collection."},
        {[](auto& f) { f.albumLine = "A;0"; }, "This collection is read-only. You cannot add any images to this."},
        {[](auto& f) { f.albumLine = "A;2"; }, "This collection is read-only. You cannot add any images to this."},
        {[](auto& f) { f.albumLine = "New Album...;3"; }, "This collection is read-only. You cannot add any images to this."},
        {[](auto& f) { f.albumLine = "Holiday;1"; }, "Please type in a name."},
        {[](auto& f) { f.credit = "Ann"; }, "Please type in a title."},
        {[](auto& f) { f.name = "Beach"; }, "Please type in some keywords."},
        {[](auto& f) { f.comments = "sand"; }, "There is no photo to import yet. Press \"Re-Pick\" to scan or acquire one."},
        {[](auto& f) { f.hasImage = true; }, "Please choose the file to save the photo in."},
    };
    for (const auto& [mend, text] : rounds) {
        messages.asked.clear();
        mend(all);
        int picked = 0;
        EXPECT_FALSE(imp.CheckImport(all, [&] { ++picked; return std::string(); }));
        ASSERT_EQ(messages.asked.size(), 1u) << text;
        EXPECT_EQ(messages.asked[0].text, text);
        const bool readOnly = text.rfind("This collection", 0) == 0;
        EXPECT_EQ(messages.asked[0].caption, readOnly ? "Error" : "Cannot Import");
        EXPECT_EQ(messages.asked[0].icon, readOnly ? TMsgIcon::Information : TMsgIcon::Warning);
        // The "Save Photo" dialog opens once the album checks pass, while the file name is empty.
        EXPECT_EQ(picked, all.albumLine == "Holiday;1" ? 1 : 0) << text;
    }
    // With Credit emptied the name message comes first even though the title is there; with
    // Credit and Name but no comments, the keywords message.
    messages.asked.clear();
    TDeviceImportFields f = Fields();
    f.credit = "";
    f.comments = "";
    EXPECT_FALSE(imp.CheckImport(f, nullptr));
    EXPECT_EQ(messages.asked.back().text, "Please type in a name.");

    // An empty file name asks for one (after the album checks, before the text checks).
    messages.asked.clear();
    f = Fields();
    f.fileName = "";
    f.credit = "";
    int picked = 0;
    EXPECT_FALSE(imp.CheckImport(f, [&] { ++picked; return tmp.file("chosen.jpg"); }));
    EXPECT_EQ(picked, 1);
    EXPECT_EQ(f.fileName, tmp.file("chosen.jpg"));
    EXPECT_EQ(messages.asked.back().text, "Please type in a name.");

    // The "Save Photo" dialog cancelled: said so, nothing to write.
    messages.asked.clear();
    f = Fields();
    f.fileName = "";
    EXPECT_FALSE(imp.CheckImport(f, [] { return std::string(); }));
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].text, "Please choose the file to save the photo in.");

    messages.asked.clear();
    f = Fields();
    EXPECT_TRUE(imp.CheckImport(f, nullptr));
    EXPECT_TRUE(messages.asked.empty());
}

TEST_F(DeviceImport, AlbumCreatedFromTheDialogGetsIconOneAndTheExtraLineChanges) {
    TDeviceImport imp(*catalog);
    EXPECT_EQ(imp.DialogAlbumLines(false), std::vector<std::string>{"New Album...;3"});
    ASSERT_TRUE(imp.CreateAlbum("Holiday"));
    EXPECT_EQ(ReadAll(Root() + "albums.pdat"), "Holiday;1\r\n");
    EXPECT_TRUE(std::filesystem::exists(Root() + "Holiday.col"));
    EXPECT_EQ(Column(Root() + "Holiday.col", "ImgID"), std::vector<std::string>{});
    EXPECT_EQ(catalog->AlbumList(), (std::vector<std::string>{"Holiday;1", "Search Results;2"}));
    EXPECT_EQ(imp.DialogAlbumLines(true), (std::vector<std::string>{"Holiday;1", "New Collection...;3"}));
}

TEST_F(DeviceImport, PhotoIsWrittenAsJpegWhereChosenAndAFailureIsShown) {
    TDeviceImport imp(*catalog);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(200, 30, 30));
    const std::string path = tmp.file("scan.jpg");
    ASSERT_TRUE(imp.WritePhoto(picture, path));
    QImage back;
    std::string why;
    ASSERT_TRUE(imaging::LoadJpeg(path, back, why));
    EXPECT_EQ(back.size(), QSize(40, 30));
    EXPECT_TRUE(messages.asked.empty());

    EXPECT_FALSE(imp.WritePhoto(picture, tmp.file("no/such/folder/scan.jpg")));
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].icon, TMsgIcon::Error);
}

TEST(DeviceImportNames, NextPhotoNameIsTheFirstFreeNumberBesideTheFiledOne) {
    std::set<std::string> taken = {"/x/scans/first.jpg"};
    const auto exists = [&taken](const std::string& p) { return taken.count(p) > 0; };
    EXPECT_EQ(devimport::NextFreePhotoName("first", "/x/scans", exists), "/x/scans/first 2.jpg");
    taken.insert("/x/scans/first 2.jpg");
    taken.insert("/x/scans/first 3.jpg");
    EXPECT_EQ(devimport::NextFreePhotoName("first", "/x/scans", exists), "/x/scans/first 4.jpg");
}

TEST_F(DeviceImport, RelativeFileNamesAreTakenFromMyPicturesAndStoredInFull) {
    Seed();
    TDeviceImport imp(*catalog);
    const std::string pictures = tmp.file("docs") + "/My Pictures";
    EXPECT_EQ(imp.PhotoFolder(), pictures);
    EXPECT_EQ(imp.PhotoPath("scan.jpg"), pictures + "/scan.jpg");
    EXPECT_EQ(imp.PhotoPath("sub/../scan.jpg"), pictures + "/scan.jpg");
    EXPECT_EQ(imp.PhotoPath("/abs/scan.jpg"), "/abs/scan.jpg");
    TDeviceImportFields f = Fields();
    f.fileName = "typed.jpg";
    ASSERT_TRUE(imp.CheckImport(f, nullptr));
    EXPECT_EQ(f.fileName, pictures + "/typed.jpg");
    // The picked name is made whole as well.
    f = Fields();
    f.fileName = "";
    ASSERT_TRUE(imp.CheckImport(f, [] { return std::string("picked.jpg"); }));
    EXPECT_EQ(f.fileName, pictures + "/picked.jpg");
}

TEST_F(DeviceImport, AlbumNamesThatAreNoFileNamesAreNeitherOfferedNorWritten) {
    Seed();
    std::filesystem::create_directories(tmp.file("outside"));
    WriteAll(Root() + "albums.pdat", "Holiday;1\r\n../../../outside/evil;1\r\nsub/dir;4\r\n");
    TDeviceImport imp(*catalog);
    EXPECT_EQ(imp.DialogAlbumLines(false), (std::vector<std::string>{"Holiday;1", "New Album...;3"}));

    TDeviceImportFields f = Fields();
    f.albumLine = "../../../outside/evil;1";
    EXPECT_FALSE(imp.CheckImport(f, nullptr));
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_NE(messages.asked[0].text.find("cannot take photos"), std::string::npos);

    const std::string catalogBefore = ReadAll(Root() + "data.mlb");
    EXPECT_FALSE(imp.File(f, "").filed);
    EXPECT_EQ(ReadAll(Root() + "data.mlb"), catalogBefore);
    EXPECT_TRUE(std::filesystem::is_empty(tmp.file("outside")));
    for (const auto& e : std::filesystem::recursive_directory_iterator(tmp.path()))
        EXPECT_EQ(e.path().filename().string().find("evil"), std::string::npos) << e.path();

    const std::string listBefore = ReadAll(Root() + "albums.pdat");
    EXPECT_FALSE(imp.CreateAlbum("../escape"));
    EXPECT_EQ(ReadAll(Root() + "albums.pdat"), listBefore);
    EXPECT_FALSE(std::filesystem::exists(tmp.file("docs") + "/My Pictures/escape.col"));
}

TEST_F(DeviceImport, ExhaustedNumbersStopTheFilingBeforeAnythingIsWritten) {
    Seed();
    TMlb2& t = catalog->CatalogTable();
    t.AppendRecord();
    t.SetValue("ImgID", "2147483647");
    ASSERT_TRUE(catalog->SaveCatalog());
    const std::string catalogBefore = ReadAll(Root() + "data.mlb");
    const std::string albumBefore = ReadAll(Root() + "Holiday.col");
    TDeviceImport imp(*catalog);

    // Checked before the photo file is written...
    EXPECT_FALSE(imp.CheckTarget(tmp.file("Beach.jpg"), false));
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_NE(messages.asked[0].text.find("2147483647"), std::string::npos) << messages.asked[0].text;
    // ...and again by the filing itself.
    messages.asked.clear();
    TDeviceFiled filed = imp.File(Fields(), "");
    EXPECT_FALSE(filed.filed);
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_NE(messages.asked[0].text.find("2147483647"), std::string::npos) << messages.asked[0].text;
    EXPECT_EQ(ReadAll(Root() + "data.mlb"), catalogBefore);
    EXPECT_EQ(ReadAll(Root() + "Holiday.col"), albumBefore);
}

TEST_F(DeviceImport, AFileIsReplacedOnlyWhenAgreedAndNeverHoldsTwoRecords) {
    Seed();
    TDeviceImport imp(*catalog);
    const std::string path = tmp.file("Beach.jpg");
    EXPECT_TRUE(imp.CheckTarget(path, false));
    EXPECT_TRUE(messages.asked.empty());

    WriteAll(path, "an earlier photo");
    messages.answers = {TMsgResult::No};
    EXPECT_FALSE(imp.CheckTarget(path, false));
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].caption, "Save Photo");
    EXPECT_EQ(messages.asked[0].buttons, TMsgButtons::YesNo);
    EXPECT_NE(messages.asked[0].text.find(path), std::string::npos);
    messages.answers = {TMsgResult::Yes};
    EXPECT_TRUE(imp.CheckTarget(path, false));
    // The "Save Photo" dialog asked already.
    messages.asked.clear();
    EXPECT_TRUE(imp.CheckTarget(path, true));
    EXPECT_TRUE(messages.asked.empty());

    // Once filed, the file is never taken for a second record, whatever the answers.
    ASSERT_TRUE(imp.File(Fields("Beach"), "").filed);
    messages.asked.clear();
    EXPECT_FALSE(imp.CheckTarget(path, true));
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].caption, "Save Photo");
    EXPECT_EQ(messages.asked[0].buttons, TMsgButtons::Ok);
}

TEST_F(DeviceImport, AnAlbumThatCannotBeWrittenTakesTheRecordOutAgain) {
    Seed();
    // An album far larger than the catalog, so a write limit between the two sizes lets
    // data.mlb be written and the album fail, as a disk filling up in between would.
    {
        TMlb2 big;
        big.Clear();
        big.AddField("ImgID");
        for (int i = 0; i < 4000; ++i) {
            big.AppendRecord();
            big.SetValue("ImgID", std::to_string(100000 + i));
        }
        ASSERT_TRUE(big.SaveToMLB(Root() + "Holiday.col"));
    }
    const std::string catalogBefore = ReadAll(Root() + "data.mlb");
    const std::string albumBefore = ReadAll(Root() + "Holiday.col");
    ASSERT_GT(albumBefore.size(), catalogBefore.size() + 4096);
    TDeviceFiled filed;
    {
        testsupport::TWriteLimit limit(catalogBefore.size() + 2048);
        filed = TDeviceImport(*catalog).File(Fields(), "");
    }
    EXPECT_FALSE(filed.filed);
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].caption, "Critical Error");
    EXPECT_NE(messages.asked[0].text.find("was not imported"), std::string::npos) << messages.asked[0].text;
    EXPECT_EQ(Column(Root() + "data.mlb", "ImgID"), (std::vector<std::string>{"1", "41"}));
    EXPECT_EQ(ReadAll(Root() + "Holiday.col"), albumBefore);
    EXPECT_FALSE(catalog->FindImage(2000));
}

}  // namespace
