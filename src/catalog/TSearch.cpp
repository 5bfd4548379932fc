#include "TSearch.h"

#include <utility>

#include "TCatalog.h"
#include "TSettingsStore.h"

TSearch::TSearch(TCatalog& catalog, TAlbumView& view) : catalog_(catalog), view_(view) {}

std::string TSearch::TermsFieldEnter(const std::string& text) {
    return text == kTermsPrompt ? std::string() : text;
}

std::string TSearch::StoredField() const {
    return catalog_.Settings().ReadString(kSection, kKey, kDefaultField);
}

namespace {
// The album-list line of the reserved album: the last line, when it is the reserved one.
int ReservedLine(TCatalog& catalog) {
    const auto& lines = catalog.AlbumList();
    if (!lines.empty() && lines.back() == TCatalog::kReservedAlbumLine) return int(lines.size()) - 1;
    return -1;
}
}  // namespace

int TSearch::SearchCommand(TRefreshResult* refresh) {
    textRows_.clear();
    const TRefreshResult r = view_.OpenAlbumLine(TCatalog::kReservedAlbumLine);
    if (refresh) *refresh = r;
    return ReservedLine(catalog_);
}

TSearch::TOutcome TSearch::SearchClick(const std::string& terms) {
    TOutcome out;
    caption_ = kSearchingCaption;
    buttonsEnabled_ = false;
    if (observer_) observer_->OnSearchStarted();

    const std::string resultsPath = catalog_.Root() + kResultsFile;
    TMlb2& album = catalog_.AlbumTable();
    TMlb2& cat = catalog_.CatalogTable();

    // The previous result is gone from here on, even if no match is found.
    album.Clear();
    album.AddField("ImgID");
    album.SaveToMLB(resultsPath);

    // One file read for the whole pass: nothing can change the setting while it runs.
    const std::string field = options_ ? options_->FieldForNextSearch() : StoredField();
    const std::string pattern = Pattern(terms);
    cat.First();
    cat.BeginSeek(TSeekDirection::Forward);
    while (cat.Seek(field, "LIKE", pattern)) {
        album.AppendRecord();
        album.SetValue("ImgID", cat.GetValue("ImgID"));
        ++out.matches;
    }
    cat.EndSeek();

    out.saved = album.SaveToMLB(resultsPath);
    // Opening the album reads the result back from its file. When the file could not be
    // written it would hold an older result (or nothing), so the result just found is put back
    // and listed instead.
    TMlb2 found;
    if (!out.saved) found = album;
    out.refresh = view_.OpenAlbumLine(TCatalog::kReservedAlbumLine);
    if (!out.saved && out.refresh != TRefreshResult::MustClose) {
        album = std::move(found);
        out.refresh = view_.RefreshList();
    }
    out.albumLine = ReservedLine(catalog_);

    caption_ = kSearchAgainCaption;
    buttonsEnabled_ = true;
    textRows_.clear();
    if (view_.RowCount() == 0) textRows_.assign(kNothingRows.begin(), kNothingRows.end());
    return out;
}

bool TSearch::IsPhotoRow(int row) const {
    if (!textRows_.empty()) return false;
    return row >= 0 && row < view_.RowCount();
}

// ---------------------------------------------------------------- options dialog

TSearchOptions::TSearchOptions(TSettingsStore& settings) : settings_(settings) {}

const char* TSearchOptions::RadioCaption(TSearchField field) {
    switch (field) {
        case TSearchField::Name: return "Name";
        case TSearchField::Photographer: return "Photographer";
        case TSearchField::Notes: break;
    }
    return "Notes";
}

const char* TSearchOptions::FieldName(TSearchField field) {
    switch (field) {
        case TSearchField::Name: return "ImgName";
        case TSearchField::Photographer: return "ImgCredit";
        case TSearchField::Notes: break;
    }
    return "ImgKeys";
}

bool TSearchOptions::Ok(TSearchField field, bool onlyThisSearch) {
    selected_ = field;
    if (onlyThisSearch) {
        oneSearch_ = FieldName(field);
        return true;
    }
    oneSearch_.clear();
    return settings_.WriteString(TSearch::kSection, TSearch::kKey, FieldName(field));
}

std::string TSearchOptions::FieldForNextSearch() {
    if (!oneSearch_.empty()) return std::exchange(oneSearch_, std::string());
    return settings_.ReadString(TSearch::kSection, TSearch::kKey, TSearch::kDefaultField);
}
