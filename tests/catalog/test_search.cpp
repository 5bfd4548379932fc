// The search into "Search Results.col", its empty-result rows and the search options setting.
#include <gtest/gtest.h>

#include <filesystem>

#include "CatalogTestSupport.h"
#include "TAlbumView.h"
#include "TSearch.h"

namespace fs = std::filesystem;

namespace {

class PaneRecorder : public TSearchObserver {
public:
    explicit PaneRecorder(const TSearch& s) : search(s) {}
    void OnSearchStarted() override {
        caption = search.SearchButtonCaption();
        enabled = search.ButtonsEnabled();
    }
    const TSearch& search;
    std::string caption;
    bool enabled = true;
};

struct Photo {
    std::string name, credit, notes;
};

struct SearchFixture : cattest::Fixture {
    TAlbumView view{*catalog};
    TSearch search{*catalog, view};

    explicit SearchFixture(const std::vector<Photo>& photos) {
        OpenFresh();
        catalog->LoadAlbumList();
        MakeBmp(install + "/notfound.bmp", qRgb(0, 200, 0));
        TMlb2 scratchAlbum;
        scratchAlbum.AddField("ImgID");
        for (const auto& p : photos)
            TCatalog::AddImage(catalog->CatalogTable(), scratchAlbum, catalog->NextImageId(), p.name,
                               tmp.file(p.name + ".jpg"), p.credit, p.notes);
        catalog->SaveCatalog();
    }
    std::string ResultsFile() const { return Root() + "Search Results.col"; }
    // The ImgIDs "Search Results.col" holds.
    std::vector<std::string> StoredResult() const {
        TMlb2 t;
        std::vector<std::string> ids;
        if (!t.LoadFromMLB(ResultsFile())) return {"<unreadable>"};
        for (int r = 1; r <= t.RecordCount(); ++r) ids.push_back(t.GetValueAt(1, r));
        return ids;
    }
    std::vector<std::string> Captions() const { return view.RowCaptions(); }
};

const std::vector<std::string> kNothing = {"Nothing", "Click 'Help' for search tips",
                                           "or for ways to improve", "your search"};

}  // namespace

TEST(Search, TermIsFoundWhereItsFirstCharacterFirstOccurs) {
    SearchFixture f({{"Trip", "Ann", "Trip to the beach"}, {"Big", "Bob", "big beach"}, {"Dune", "Cy", "dunes"}});
    PaneRecorder pane(f.search);
    f.search.SetObserver(&pane);
    EXPECT_EQ(f.search.SearchButtonCaption(), "Search");

    const auto out = f.search.SearchClick("beach");
    EXPECT_EQ(pane.caption, "Searching...");
    EXPECT_FALSE(pane.enabled);
    EXPECT_EQ(f.search.SearchButtonCaption(), "Search Again");
    EXPECT_TRUE(f.search.ButtonsEnabled());
    EXPECT_EQ(out.matches, 1);
    EXPECT_TRUE(out.saved);
    EXPECT_EQ(out.refresh, TRefreshResult::Done);
    // The reserved album is open on its line, the last of the album list.
    EXPECT_EQ(out.albumLine, int(f.catalog->AlbumList().size()) - 1);
    EXPECT_EQ(f.catalog->AlbumList().back(), "Search Results;2");
    EXPECT_TRUE(f.view.SearchResultsMode());
    EXPECT_EQ(f.StoredResult(), (std::vector<std::string>{"2"}));
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Trip"}));
    EXPECT_TRUE(f.search.TextRows().empty());
    EXPECT_TRUE(f.search.IsPhotoRow(0));
    EXPECT_FALSE(f.search.IsPhotoRow(1));
    // The cursor is left on the last match.
    EXPECT_EQ(f.catalog->CatalogTable().GetValue("ImgID"), "2");

    // Letters match regardless of case; the pattern is wrapped in "*".
    EXPECT_EQ(TSearch::Pattern("BEACH"), "*BEACH*");
    EXPECT_EQ(f.search.SearchClick("BEACH").matches, 1);
    EXPECT_EQ(f.StoredResult(), (std::vector<std::string>{"2"}));
    // Spaces count and nothing is trimmed.
    EXPECT_EQ(f.search.SearchClick("Trip to").matches, 1);
    EXPECT_EQ(f.search.SearchClick("Trip  to").matches, 0);
    EXPECT_EQ(f.search.SearchClick("beach ").matches, 0);
}

TEST(Search, EmptyTermListsEveryRecordInCatalogOrder) {
    SearchFixture f({{"One", "a", "x"}, {"Two", "b", ""}, {"Three", "c", "z"}});
    const auto out = f.search.SearchClick("");
    EXPECT_EQ(out.matches, 4);
    EXPECT_EQ(f.StoredResult(), (std::vector<std::string>{"1", "2", "3", "4"}));
    // The seed record is listed too (its photo is missing).
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"nil", "One", "Two", "Three"}));
    EXPECT_TRUE(f.search.TextRows().empty());
}

TEST(Search, UntouchedPromptIsSearchedAsItStands) {
    SearchFixture f({{"Odd", "a", "Enter search terms, pasted by mistake"}, {"Plain", "b", "search"}});
    EXPECT_EQ(TSearch::TermsFieldEnter("Enter search terms"), "");
    EXPECT_EQ(TSearch::TermsFieldEnter("Enter search terms "), "Enter search terms ");
    EXPECT_EQ(TSearch::TermsFieldEnter("beach"), "beach");

    // The field never received the focus: its text is still the prompt.
    const auto out = f.search.SearchClick(TSearch::kTermsPrompt);
    EXPECT_EQ(out.matches, 1);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Odd"}));
}

TEST(Search, NothingFoundShowsFourTextRowsThatAreNotPhotos) {
    SearchFixture f({{"Trip", "Ann", "Trip to the beach"}});
    f.search.SearchClick("beach");
    ASSERT_EQ(f.StoredResult().size(), 1u);

    const auto out = f.search.SearchClick("mountain");
    EXPECT_EQ(out.matches, 0);
    EXPECT_TRUE(out.saved);
    // The previous result is gone from the file too.
    EXPECT_TRUE(f.StoredResult().empty());
    EXPECT_EQ(f.view.RowCount(), 0);
    EXPECT_EQ(f.search.TextRows(), kNothing);
    for (int row = -1; row <= 4; ++row) EXPECT_FALSE(f.search.IsPhotoRow(row)) << row;
    // Nothing matched: the cursor is back on record 1.
    EXPECT_EQ(f.catalog->CatalogTable().CurrentIndex(), 1);

    // The Search command reopens the (empty) result of this run without the text rows.
    TRefreshResult refresh = TRefreshResult::Stopped;
    EXPECT_EQ(f.search.SearchCommand(&refresh), int(f.catalog->AlbumList().size()) - 1);
    EXPECT_EQ(refresh, TRefreshResult::Done);
    EXPECT_TRUE(f.search.TextRows().empty());
    EXPECT_EQ(f.view.RowCount(), 0);

    // A later search with a match replaces the text rows by photos.
    f.search.SearchClick("trip");
    EXPECT_TRUE(f.search.TextRows().empty());
    EXPECT_TRUE(f.search.IsPhotoRow(0));
}

TEST(Search, SearchCommandReopensTheLastResult) {
    SearchFixture f({{"Trip", "Ann", "Trip to the beach"}, {"Lake", "Bob", "lake shore"}});
    EXPECT_EQ(f.search.SearchCommand(), int(f.catalog->AlbumList().size()) - 1);
    EXPECT_EQ(f.view.RowCount(), 0);  // no search yet in this run
    f.search.SearchClick("lake");
    f.catalog->CreateAlbumFile("Other");
    f.view.OpenAlbumLine("Other;0");
    f.search.AlbumOpened();
    EXPECT_EQ(f.view.RowCount(), 0);
    f.search.SearchCommand();
    EXPECT_TRUE(f.view.SearchResultsMode());
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Lake"}));
}

TEST(Search, ResultThatCannotBeWrittenIsStillListed) {
    SearchFixture f({{"Trip", "Ann", "Trip to the beach"}, {"Lake", "Bob", "lake shore"}});
    fs::create_directory(f.ResultsFile());  // the results file cannot be replaced
    const auto out = f.search.SearchClick("lake");
    EXPECT_FALSE(out.saved);
    EXPECT_EQ(out.matches, 1);
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Lake"}));
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 1);
    EXPECT_TRUE(f.search.TextRows().empty());
}

TEST(SearchOptions, FieldChoiceSurvivesARestartWhileTheDialogShowsNotes) {
    SearchFixture f({{"Lake Tahoe", "Ann", "blue water"}, {"Pines", "Lake Smith", "tall trees"}});
    TSearchOptions options(f.settings);
    EXPECT_EQ(options.Selected(), TSearchField::Notes);
    // By default only the notes are searched.
    EXPECT_EQ(f.search.StoredField(), "ImgKeys");
    EXPECT_EQ(f.search.SearchClick("Lake").matches, 0);

    ASSERT_TRUE(options.Ok(TSearchField::Name));
    EXPECT_EQ(options.Selected(), TSearchField::Name);
    EXPECT_EQ(f.search.SearchClick("Lake").matches, 1);  // read at every search
    EXPECT_EQ(f.Captions(), (std::vector<std::string>{"Lake Tahoe"}));

    // Next run: a new settings store and catalog on the same files.
    TSettingsStore settings2(f.tmp.file("user.conf"), f.tmp.file("machine.conf"));
    TCatalog catalog2(settings2, f.messages, f.docs, f.install);
    ASSERT_EQ(catalog2.OpenCatalog(), TCatalogOpen::Loaded);
    catalog2.LoadAlbumList();
    TAlbumView view2(catalog2);
    TSearch search2(catalog2, view2);
    TSearchOptions options2(settings2);
    EXPECT_EQ(options2.Selected(), TSearchField::Notes);
    EXPECT_STREQ(TSearchOptions::RadioCaption(options2.Selected()), "Notes");
    EXPECT_EQ(settings2.ReadString("Images", "Search", ""), "ImgName");
    EXPECT_EQ(search2.SearchClick("lake").matches, 1);
    EXPECT_EQ(view2.RowCaptions(), (std::vector<std::string>{"Lake Tahoe"}));

    // Photographer; closing the dialog by its close box changes nothing.
    ASSERT_TRUE(options2.Ok(TSearchField::Photographer));
    options2.Close();
    EXPECT_EQ(settings2.ReadString("Images", "Search", ""), "ImgCredit");
    EXPECT_EQ(search2.SearchClick("lake").matches, 1);
    EXPECT_EQ(view2.RowCaptions(), (std::vector<std::string>{"Pines"}));
    ASSERT_TRUE(options2.Ok(TSearchField::Notes));
    EXPECT_EQ(settings2.ReadString("Images", "Search", ""), "ImgKeys");
}
