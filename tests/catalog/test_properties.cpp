// The photo properties dialog and the notes box: what reaches data.mlb and the album view.
#include <gtest/gtest.h>

#include <filesystem>

#include "CatalogTestSupport.h"
#include "TAlbumView.h"
#include "TPhotoProperties.h"

namespace fs = std::filesystem;
using testsupport::ReadAll;

namespace {

struct PropsFixture : cattest::Fixture {
    TAlbumView view{*catalog};
    TPhotoProperties props{*catalog};

    PropsFixture() {
        OpenFresh();
        MakeBmp(install + "/notfound.bmp", qRgb(0, 200, 0));
        catalog->CreateAlbumFile("A");
        catalog->OpenAlbum("A");
        // Photo files need not exist: their rows show the not-found picture.
        Add("Alpha", "Ann", "A notes");
        Add("Beta", "Bob", "B notes");
        Add("Gamma", "Cy", "");
        catalog->SaveCatalog();
        catalog->SaveAlbum("A");
        view.RefreshList();
    }
    void Add(const std::string& name, const std::string& credit, const std::string& notes) {
        const int id = catalog->NextImageId();
        TCatalog::AddImage(catalog->CatalogTable(), catalog->AlbumTable(), id, name,
                           tmp.file(name + ".jpg"), credit, notes);
    }
    std::string DataFile() const { return Root() + "data.mlb"; }
    // A field of a photo as data.mlb holds it now.
    std::string Stored(const std::string& id, const std::string& field) const {
        TMlb2 t;
        if (!t.LoadFromMLB(DataFile())) return "<unreadable>";
        t.First();
        t.BeginSeek(TSeekDirection::Forward);
        const bool found = t.Seek("ImgID", "=", id);
        t.EndSeek();
        return found ? t.GetValue(field) : "<missing>";
    }
    // Something else walked the catalog (a search, another album): the cursor is elsewhere.
    void MoveCursorAway() { catalog->CatalogTable().First(); }
};

}  // namespace

TEST(PhotoProperties, OkStoresTitleAndCreditShowsThemAndKeepsTheRow) {
    PropsFixture f;
    ASSERT_TRUE(f.props.PhotoShown(1));  // Beta, ImgID 3 (record 1 is the seed record)
    EXPECT_EQ(f.props.ShownId(), "3");
    auto fields = f.props.TitleBarClick();
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->name, "Beta");
    EXPECT_EQ(fields->credit, "Bob");
    EXPECT_EQ(f.props.CreditClick()->name, "Beta");

    f.MoveCursorAway();
    const auto r = f.props.PropertiesOk({"Lake", "Dee"}, f.view, 1);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.titleBar, "Lake");
    EXPECT_EQ(r.credit, "Dee");
    EXPECT_EQ(r.refresh, TRefreshResult::Done);
    EXPECT_EQ(r.rowToSelect, 1);
    EXPECT_EQ(f.Stored("3", "ImgName"), "Lake");
    EXPECT_EQ(f.Stored("3", "ImgCredit"), "Dee");
    EXPECT_EQ(f.Stored("3", "ImgKeys"), "B notes");
    EXPECT_EQ(f.Stored("2", "ImgName"), "Alpha");
    EXPECT_EQ(f.Stored("1", "ImgName"), "nil");  // the seed record is left alone
    EXPECT_EQ(f.view.RowCaptions(), (std::vector<std::string>{"Alpha", "Lake", "Gamma"}));
    // The catalog in memory is the one read back.
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 4);

    // No value is checked: empty fields are stored empty. A row no longer in the list is not
    // selected again.
    const auto r2 = f.props.PropertiesOk({"", ""}, f.view, 7);
    EXPECT_TRUE(r2.written);
    EXPECT_EQ(r2.rowToSelect, -1);
    EXPECT_EQ(f.Stored("3", "ImgName"), "");
    EXPECT_EQ(f.Stored("3", "ImgCredit"), "");
}

TEST(PhotoProperties, CancelChangesNothing) {
    PropsFixture f;
    f.props.PhotoShown(0);
    const std::string before = ReadAll(f.DataFile());
    auto fields = f.props.BeginProperties();
    ASSERT_TRUE(fields);
    fields->name = "Edited";
    fields->credit = "Someone";
    f.props.PropertiesCancel();
    EXPECT_EQ(ReadAll(f.DataFile()), before);
    EXPECT_EQ(f.props.BeginProperties()->name, "Alpha");
    EXPECT_EQ(f.view.RowCaptions()[0], "Alpha");
}

TEST(PhotoProperties, WithoutAnAlbumPhotoOrItsRecordNothingIsWritten) {
    PropsFixture f;
    const std::string before = ReadAll(f.DataFile());
    EXPECT_FALSE(f.props.BeginProperties());
    EXPECT_FALSE(f.props.NotesChanged("x"));
    EXPECT_FALSE(f.props.PhotoShown(3));  // past the last row
    EXPECT_FALSE(f.props.PhotoShown(-1));

    f.props.PhotoShown(2);
    f.props.NoPhotoShown();  // an import-bar preview
    EXPECT_FALSE(f.props.NotesChanged("x"));

    // The shown photo's record is gone: a look-up would leave the seed record current, which
    // must not receive the edit.
    f.props.PhotoShown(2);
    ASSERT_TRUE(f.catalog->FindImage(4));
    f.catalog->CatalogTable().DeleteCurrent();
    f.catalog->SaveCatalog();
    const std::string afterDelete = ReadAll(f.DataFile());
    EXPECT_FALSE(f.props.BeginProperties());
    EXPECT_FALSE(f.props.NotesChanged("x"));
    const auto r = f.props.PropertiesOk({"Lake", "Dee"}, f.view, 2);
    EXPECT_FALSE(r.written);
    EXPECT_EQ(ReadAll(f.DataFile()), afterDelete);
    EXPECT_EQ(f.Stored("1", "ImgName"), "nil");
    EXPECT_EQ(f.Stored("1", "ImgKeys"), "nil");
    EXPECT_NE(before, afterDelete);
}

TEST(PhotoProperties, ReloadThatFailsKeepsTheCatalogInMemory) {
    PropsFixture f;
    f.props.PhotoShown(0);
    // data.mlb replaced by a folder: neither written nor read back.
    fs::remove(f.DataFile());
    fs::create_directory(f.DataFile());
    const auto r = f.props.PropertiesOk({"Lake", "Dee"}, f.view, 0);
    EXPECT_FALSE(r.written);
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 4);
    ASSERT_TRUE(f.catalog->FindImage(2));
    EXPECT_EQ(f.catalog->CatalogTable().GetValue("ImgName"), "Lake");
    EXPECT_EQ(f.view.RowCount(), 3);
    EXPECT_EQ(r.rowToSelect, 0);
}

TEST(PhotoProperties, EveryNotesKeystrokeWritesTheWholeTextToTheShownPhoto) {
    PropsFixture f;
    f.props.PhotoShown(2);  // Gamma, ImgID 4, no notes
    for (const std::string text : {"s", "su", "sun"}) {
        f.MoveCursorAway();
        ASSERT_TRUE(f.props.NotesChanged(text));
        EXPECT_EQ(f.Stored("4", "ImgKeys"), text);
    }
    EXPECT_TRUE(f.props.NotesExit("sun"));
    EXPECT_EQ(f.Stored("4", "ImgKeys"), "sun");
    EXPECT_EQ(f.Stored("1", "ImgKeys"), "nil");
    EXPECT_EQ(f.Stored("2", "ImgKeys"), "A notes");
    // Deleting everything stores an empty value.
    EXPECT_TRUE(f.props.NotesChanged(""));
    EXPECT_EQ(f.Stored("4", "ImgKeys"), "");
}

TEST(PhotoProperties, NotesLinesAreStoredWithCrLf) {
    PropsFixture f;
    f.props.PhotoShown(0);
    ASSERT_TRUE(f.props.NotesChanged("first line\nsecond line"));
    EXPECT_EQ(f.Stored("2", "ImgKeys"), "first line\r\nsecond line");
    // Selected again later: the stored value goes back into the box as the same two lines.
    EXPECT_EQ(TPhotoProperties::NotesBoxText(f.Stored("2", "ImgKeys")), "first line\nsecond line");

    // Breaks already in CR LF are not doubled; lone CRs become CR LF; empty lines survive.
    EXPECT_EQ(TPhotoProperties::NotesValue("a\r\nb\rc\n\nd\r"), "a\r\nb\r\nc\r\n\r\nd\r\n");
    EXPECT_EQ(TPhotoProperties::NotesBoxText("a\r\nb\r\n\r\nc\r"), "a\nb\n\nc\n");
    EXPECT_EQ(TPhotoProperties::NotesValue(""), "");
}

TEST(PhotoProperties, SelectingBAfterALeavesBsNotesAlone) {
    PropsFixture f;
    f.props.PhotoShown(0);
    f.props.NotesChanged("A notes edited");
    f.props.PhotoShown(1);
    // The viewer filled the box with B's notes; that is not an edit, nothing was called.
    EXPECT_EQ(f.Stored("3", "ImgKeys"), "B notes");
    EXPECT_EQ(f.Stored("2", "ImgKeys"), "A notes edited");
    // The box then loses the focus holding B's own text: B keeps exactly that.
    f.props.NotesExit("B notes");
    EXPECT_EQ(f.Stored("3", "ImgKeys"), "B notes");
    EXPECT_EQ(f.Stored("2", "ImgKeys"), "A notes edited");
}
