#pragma once
// TPhotoProperties: the editors of the shown photo's descriptive fields without their widgets:
// the Image Properties dialog (title ImgName and photographer ImgCredit) and the photo pane's
// notes box (ImgKeys), which writes the catalog at every edit.
//
// The editors remember the shown photo by its ImgID, not by the catalog table's cursor: opening
// another album or running a search walks the catalog and moves the cursor, so every write first
// finds the photo's own record again. A photo that is no longer in the catalog is never written
// (looking it up would leave the seed record current).
//
// Every write saves the whole catalog to root + "data.mlb" (MLB format, replaced atomically).

#include <optional>
#include <string>

#include "TAlbumView.h"

class TCatalog;

class TPhotoProperties {
public:
    static constexpr const char* kHelpTopic = "::/properties.htm>trainer";
    static constexpr const char* kHeading = "Properties";
    static constexpr const char* kCreditLabel = "Taken by";

    explicit TPhotoProperties(TCatalog& catalog);

    // The photo pane shows the photo of photo-list row `row` (album record row + 1). Call it
    // after the viewer filled the pane from that row. False (and no photo shown) when the row
    // has no album record.
    bool PhotoShown(int row);
    // The photo pane shows the photo with this ImgID (the album row's value as stored).
    void PhotoShownById(const std::string& id);
    // The pane shows no album photo any more (an import-bar preview): the editors write nothing.
    void NoPhotoShown();
    // ImgID of the shown photo; "" for none.
    const std::string& ShownId() const { return shownId_; }

    // --- Image Properties (the command, a click on the title bar, a click on the credit value)
    struct TFields {
        std::string name;    // ImgName
        std::string credit;  // ImgCredit
    };
    // The dialog's initial field texts; nothing when no album photo is shown or its record is
    // gone (the command then does nothing).
    std::optional<TFields> BeginProperties();
    // Same operation as BeginProperties, for the clicks on the title bar and the credit value.
    std::optional<TFields> TitleBarClick() { return BeginProperties(); }
    std::optional<TFields> CreditClick() { return BeginProperties(); }

    struct TOkResult {
        bool written = false;   // the record was found and data.mlb written
        std::string titleBar;   // what the title bar and the credit value show now
        std::string credit;
        TRefreshResult refresh = TRefreshResult::Done;
        int rowToSelect = -1;   // the photo-list row to select again and show (-1: none)
    };
    // "OK": stores both fields unchecked (empty ones as empty strings) in the shown photo's
    // record, writes data.mlb, reads the catalog back from it, rebuilds the album view and
    // returns the row to select again (selectedRow, the row selected before, when it is still a
    // row of the list). The window then selects that row as if the user clicked it.
    // A reload that fails keeps the catalog in memory: an empty table must never be written
    // over data.mlb by the next edit.
    TOkResult PropertiesOk(const TFields& fields, TAlbumView& view, int selectedRow);
    // "Cancel": nothing is written.
    void PropertiesCancel() {}

    // --- Notes box
    // The user changed the notes box's text (the viewer filling the box is not an edit and the
    // window does not call this for it). Stores the whole text as the shown photo's ImgKeys and
    // writes data.mlb. False when nothing was written.
    bool NotesChanged(const std::string& boxText);
    // The notes box lost the keyboard focus: the same store and write once more.
    bool NotesExit(const std::string& boxText) { return NotesChanged(boxText); }

    // Line breaks: every break of the box's text (CR LF, a lone LF or a lone CR) is stored as
    // CR LF; NotesBoxText turns a stored value back into LF-separated lines for a text widget.
    static std::string NotesValue(const std::string& boxText);
    static std::string NotesBoxText(const std::string& value);

private:
    // Makes the shown photo's record current; false when there is no shown photo or its record
    // is gone.
    bool FindShown();
    bool Save();

    TCatalog& catalog_;
    std::string shownId_;
};
