#pragma once
// TViewerModel: the photo pane without its widgets. It holds the decoded picture, the
// ViewState, the texts of the title bar, credit line, date line and notes box, the geometry of
// the picture view (imageBox) inside the scroll box, the editor arguments of the selection, and
// the enabled states of the commands it governs. The window forwards selections, commands and
// resizes to it, then shows what it reports and applies TakeChanges() to its actions.
//
// Geometry is in the scroll box's content coordinates. In fit mode imageBox fills the scroll
// box and the picture is drawn fitted and centred in it; in zoom mode imageBox has the zoomed
// picture's size, centred while smaller than the scroll box and at 0 otherwise, and the picture
// is stretched over the whole of it.

#include <QImage>
#include <optional>
#include <string>
#include <vector>

#include "TViewerCommands.h"
#include "ViewMath.h"

class TMessages;
class TMlb2;

namespace viewer {

enum class TViewSource { PhotoList, ImportList };
enum class TViewMode { Fit, Zoom };

struct ViewState {
    TViewSource source = TViewSource::PhotoList;  // the list the navigation commands step through
    TViewMode mode = TViewMode::Fit;
    float factor = 0.001f;                         // 1.0 = one picture pixel per screen pixel
    std::string title;                             // without the zoom percentage
};

// What a selection did.
enum class TSelectResult {
    Shown,        // the photo is shown; the window hides the welcome pane (and, for the photo
                  // list, shows the share hint)
    NoRow,        // the row is not a row of the list: nothing changed
    Placeholder,  // the photo's path is the placeholder "nil": only the reset to fit mode happened
    MissingFile,  // no file at the photo's path: only the reset to fit mode happened; the window
                  // runs Remove From Album for the row
    LoadFailed,   // the decoder's error was shown; the texts set before loading stay, the picture
                  // and the other commands stay as they were
};

class TViewerModel {
public:
    static constexpr const char* kNoImageTitle = "No Image Selected";
    static constexpr const char* kNoImage = "No Image";
    static constexpr const char* kNoData = "(No data)";
    static constexpr const char* kPlaceholderPath = "nil";
    static constexpr float kMinFactor = 0.5f;
    static constexpr float kMaxFactor = 10.0f;

    // Decoding errors are shown through messages.
    explicit TViewerModel(TMessages& messages);

    const ViewState& State() const { return state_; }
    const QImage& Picture() const { return picture_; }
    bool HasPicture() const { return !picture_.isNull(); }

    // Texts of the pane.
    const std::string& TitleBarText() const { return titleBar_; }
    const std::string& CreditText() const { return credit_; }
    const std::string& DateText() const { return date_; }
    const std::string& NotesText() const { return notes_; }
    bool NotesVisible() const { return notesVisible_; }
    // The file of the last selection that got as far as loading.
    const std::string& SelectedPath() const { return path_; }
    // The external editor and its argument (the path in double quotes) of the last selection.
    const std::string& EditorProgram() const { return editorProgram_; }
    const std::string& EditorParameters() const { return editorParameters_; }
    // The decoder's error of the last failed load.
    const std::string& LastError() const { return lastError_; }

    // Commands: every one starts disabled.
    bool Enabled(TViewerCommand command) const;
    bool Enabled(std::string_view name) const;  // false for names that are not viewer commands
    // Records a state set elsewhere (for example by Remove From Album), without reporting it.
    void SetEnabled(TViewerCommand command, bool enabled);
    // The states set by the operations since the last call, in the order they were set.
    std::vector<TCommandChange> TakeChanges();

    // Geometry. ScrollBox1Resize is called with the scroll box's visible size whenever it
    // changes; in zoom mode the picture is placed again.
    void ScrollBox1Resize(int width, int height);
    TSize AreaSize() const { return area_; }
    TRect ImageBoxRect() const;
    // Where the picture is drawn inside imageBox (empty without a picture).
    TRect PictureRect() const;
    // How far the scroll box can scroll in each direction (0 when everything is visible).
    TSize ScrollRange() const;

    // Display mode: zoom gives imageBox the picture's own size, fit fills the scroll box and
    // sets the factor to 1.0. Both enable Zoom In and Zoom Out while there is a picture.
    void SetToZoom(bool zoom);

    // Zoom In: +0.5, capped at 10.0 (which disables it). Zoom Out: -0.5 down to 0.5 (which
    // disables it). 100%: factor 1.0. To Fit: fit mode, the title alone in the title bar.
    void ZoomInExecute();
    void ZoomOutExecute();
    void ShowAllExecute();
    void ToFitExecute();

    // The row a navigation command selects in the list State().source names, given that list's
    // current row (-1 for none) and row count: First 0, Last count - 1, Previous current - 1,
    // Next current + 1. None for other commands and for a row outside the list; the window then
    // does nothing.
    static std::optional<int> NavigationRow(TViewerCommand command, int currentRow, int rowCount);

    // A row of the photo list selected: album record row + 1 gives the ImgID, its catalog record
    // the title, photographer, notes and path; the picture is loaded and shown fitted, or at
    // 100% when it is smaller than the area both ways. rowCount is the photo list's row count.
    // editorProgram is the Preferences dialog's "Image editor" text.
    TSelectResult ListBox1Click(int row, int rowCount, TMlb2& album, TMlb2& catalog,
                                const std::string& editorProgram);

    // A row of the import bar's thumbnail list selected: the file folder + "/" + fileNames[row],
    // titled by its name, credited "(No data)". fileNames are the list's rows.
    TSelectResult ListBox2Click(int row, const std::string& folder,
                                const std::vector<std::string>& fileNames,
                                const std::string& editorProgram);

    // Back to the state before any selection: no picture, "No Image Selected", fit mode, the
    // photo list as the source and every photo command disabled. First and Last stay usable
    // while the photo list has rows (photoRowCount), as after opening an album; Previous and
    // Next have no shown photo to step from and are disabled.
    void Clear(int photoRowCount);

private:
    void Set(TViewerCommand command, bool enabled);
    void SetNavigation(int row, int rowCount);
    void ZoomDraw();
    void PlaceImageBox();
    void ShowAllIfSmaller();
    bool LoadPicture(const std::string& path);

    TMessages& messages_;
    ViewState state_;
    QImage picture_;
    std::string titleBar_ = kNoImageTitle;
    std::string credit_ = kNoImage;
    std::string date_ = kNoImage;
    std::string notes_;
    bool notesVisible_ = false;
    std::string path_;
    std::string editorProgram_;
    std::string editorParameters_;
    std::string lastError_;

    TSize area_;
    TRect zoomBox_;  // imageBox in zoom mode
    bool enabled_[kViewerCommandCount] = {};
    std::vector<TCommandChange> changes_;
};

}  // namespace viewer
