#pragma once
// TSearch: the search pane and the search options without their widgets.
//
// A search walks the whole catalog table with the "LIKE" seek, pattern "*" + terms + "*" (the
// terms exactly as typed), on the field the setting Images/Search names (default "ImgKeys").
// The ImgID of every match, in catalog order, becomes a record of the album table, which is saved
// to root + "Search Results.col" and opened like any album. An empty result shows four text rows
// instead of photos; they are not photo rows and clicking them does nothing.

#include <array>
#include <string>
#include <vector>

#include "TAlbumView.h"

class TCatalog;
class TSearchOptions;
class TSettingsStore;

// The three fields a search can look in, in the order of the options dialog's radio buttons.
enum class TSearchField { Notes, Name, Photographer };

// What the window repaints while a search runs.
class TSearchObserver {
public:
    virtual ~TSearchObserver() = default;
    // The button reads "Searching..." and the three buttons are disabled: repaint now.
    virtual void OnSearchStarted() {}
};

class TSearch {
public:
    static constexpr const char* kResultsFile = "Search Results.col";
    static constexpr const char* kTermsPrompt = "Enter search terms";  // initial text and hint
    static constexpr const char* kSearchCaption = "Search";
    static constexpr const char* kSearchingCaption = "Searching...";
    static constexpr const char* kSearchAgainCaption = "Search Again";
    static constexpr const char* kSearchHint = "Click this button to perform the search";
    static constexpr const char* kOptionsCaption = "Options";
    static constexpr const char* kOptionsHint = "Change search options";
    static constexpr const char* kHelpCaption = "Help";
    static constexpr const char* kHelpHint = "Get help";
    static constexpr const char* kHelpTopic = "::/search.htm>trainer";
    static constexpr std::array<const char*, 4> kNothingRows = {
        "Nothing", "Click 'Help' for search tips", "or for ways to improve", "your search"};

    // The settings key and its default.
    static constexpr const char* kSection = "Images";
    static constexpr const char* kKey = "Search";
    static constexpr const char* kDefaultField = "ImgKeys";

    TSearch(TCatalog& catalog, TAlbumView& view);
    // Where a search takes its field from (a field chosen for one search only); without options
    // it is the setting.
    void SetOptions(TSearchOptions* options) { options_ = options; }

    void SetObserver(TSearchObserver* observer) { observer_ = observer; }

    // The terms field receives the focus: its new text (emptied when it is exactly the prompt).
    static std::string TermsFieldEnter(const std::string& text);

    // The "Search" command: opens the reserved album (the last line of the album list), which
    // shows the last result of this run. Returns the album-list line to select.
    int SearchCommand(TRefreshResult* refresh = nullptr);

    // The "Search" button with the terms field's text.
    struct TOutcome {
        int matches = 0;            // catalog records found
        bool saved = false;         // "Search Results.col" was written
        TRefreshResult refresh = TRefreshResult::Done;
        int albumLine = -1;         // the album-list line to select (the reserved last line)
    };
    TOutcome SearchClick(const std::string& terms);

    // Button states of the pane.
    const std::string& SearchButtonCaption() const { return caption_; }
    bool ButtonsEnabled() const { return buttonsEnabled_; }

    // The result list's text rows: the four "Nothing" rows after a search that found no photo
    // (until the next album is opened), otherwise none.
    const std::vector<std::string>& TextRows() const { return textRows_; }
    // Opening any album (also the reserved one through the album box) replaces the text rows.
    void AlbumOpened() { textRows_.clear(); }
    // True when a click on this row of the photo list is a photo: false for the text rows of an
    // empty result (the click then does nothing) and for rows outside the list.
    bool IsPhotoRow(int row) const;

    // The pattern and the field a search with these terms uses.
    static std::string Pattern(const std::string& terms) { return "*" + terms + "*"; }
    std::string StoredField() const;

private:
    TCatalog& catalog_;
    TAlbumView& view_;
    TSearchObserver* observer_ = nullptr;
    TSearchOptions* options_ = nullptr;
    std::string caption_ = kSearchCaption;
    bool buttonsEnabled_ = true;
    std::vector<std::string> textRows_;
};

// The search options dialog: three radio buttons that start at "Notes" every run and keep the
// last choice; OK writes the chosen field to the setting. Closing by the close box changes
// nothing.
class TSearchOptions {
public:
    static constexpr const char* kCaption = "Search Options";
    static constexpr const char* kHeading = "Search";
    static constexpr const char* kGroup = "When searching, look in the following";
    static constexpr const char* kHelpTopic = "::/search_opts.htm>trainer";

    explicit TSearchOptions(TSettingsStore& settings);

    // "Notes", "Name", "Photographer".
    static const char* RadioCaption(TSearchField field);
    // "ImgKeys", "ImgName", "ImgCredit".
    static const char* FieldName(TSearchField field);

    // The radio button selected when the dialog shows.
    TSearchField Selected() const { return selected_; }
    // "OK" with this radio button selected: remembers it and writes the setting. False when the
    // settings file could not be written. With onlyThisSearch ("Only apply to this Search"
    // ticked) nothing is written: the field serves the next search only.
    bool Ok(TSearchField field, bool onlyThisSearch = false);
    // The field the next search looks in: the one chosen for that search only (used up by this
    // call), otherwise the setting.
    std::string FieldForNextSearch();
    // A field chosen for the next search only is waiting.
    bool OneSearchPending() const { return !oneSearch_.empty(); }
    // Closed by its close box: nothing changes.
    void Close() {}

private:
    TSettingsStore& settings_;
    TSearchField selected_ = TSearchField::Notes;
    std::string oneSearch_;
};
