#include "TViewerModel.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "FileDate.h"
#include "JpegCodec.h"
#include "PhotoPath.h"
#include "TMessages.h"
#include "TMlb2.h"

namespace viewer {

namespace {

const char* const kAppCaption = "Lumavell2";

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// Makes the catalog record with this ImgID current; without one, the first record stays current.
void FindImage(TMlb2& catalog, const std::string& id) {
    catalog.First();
    catalog.BeginSeek(TSeekDirection::Forward);
    catalog.Seek("ImgID", "=", id);
    catalog.EndSeek();
}

// The commands a successful selection enables, in the order they are set.
constexpr TViewerCommand kAlbumRowCommands[] = {
    TViewerCommand::CopyImg,        TViewerCommand::SetAsWallpaper, TViewerCommand::AddToCollection,
    TViewerCommand::ViewFullScreen, TViewerCommand::Print,          TViewerCommand::EditImage1,
    TViewerCommand::ZoomIn,         TViewerCommand::ZoomOut,        TViewerCommand::ShowAll,
    TViewerCommand::ToFit,
};
constexpr TViewerCommand kImportRowCommands[] = {
    TViewerCommand::CopyImg,        TViewerCommand::SetAsWallpaper, TViewerCommand::AddToCollection,
    TViewerCommand::ViewFullScreen, TViewerCommand::Print,          TViewerCommand::ZoomIn,
    TViewerCommand::ZoomOut,        TViewerCommand::ShowAll,        TViewerCommand::ToFit,
    TViewerCommand::EditImage1,
};

}  // namespace

TViewerModel::TViewerModel(TMessages& messages) : messages_(messages) {}

// ---- Commands ----

bool TViewerModel::Enabled(TViewerCommand command) const {
    return enabled_[static_cast<std::size_t>(command)];
}

bool TViewerModel::Enabled(std::string_view name) const {
    const auto command = ViewerCommandByName(name);
    return command && Enabled(*command);
}

void TViewerModel::SetEnabled(TViewerCommand command, bool enabled) {
    enabled_[static_cast<std::size_t>(command)] = enabled;
}

std::vector<TCommandChange> TViewerModel::TakeChanges() { return std::exchange(changes_, {}); }

void TViewerModel::Set(TViewerCommand command, bool enabled) {
    SetEnabled(command, enabled);
    changes_.push_back({command, enabled});
}

void TViewerModel::SetNavigation(int row, int rowCount) {
    const bool notFirst = row != 0;
    const bool notLast = row + 1 != rowCount;
    Set(TViewerCommand::First, notFirst);
    Set(TViewerCommand::Previous, notFirst);
    Set(TViewerCommand::Last, notLast);
    Set(TViewerCommand::Next, notLast);
}

// ---- Geometry ----

void TViewerModel::ScrollBox1Resize(int width, int height) {
    area_ = {std::max(width, 0), std::max(height, 0)};
    if (state_.mode == TViewMode::Zoom) PlaceImageBox();
}

TRect TViewerModel::ImageBoxRect() const {
    if (state_.mode == TViewMode::Fit) return {0, 0, area_.width, area_.height};
    return zoomBox_;
}

TRect TViewerModel::PictureRect() const {
    if (!HasPicture()) return {};
    if (state_.mode == TViewMode::Fit)
        return FitRect(picture_.width(), picture_.height(), area_.width, area_.height);
    return {0, 0, zoomBox_.width, zoomBox_.height};
}

TSize TViewerModel::ScrollRange() const {
    const TRect box = ImageBoxRect();
    return {std::max(0, box.left + box.width - area_.width), std::max(0, box.top + box.height - area_.height)};
}

void TViewerModel::PlaceImageBox() {
    zoomBox_.left = ZoomOffset(area_.width, zoomBox_.width);
    zoomBox_.top = ZoomOffset(area_.height, zoomBox_.height);
}

void TViewerModel::ZoomDraw() {
    const TSize size = ZoomedSize(picture_.width(), picture_.height(), state_.factor);
    zoomBox_.width = size.width;
    zoomBox_.height = size.height;
    PlaceImageBox();
    titleBar_ = ZoomTitle(state_.title, state_.factor);
}

// ---- Display mode and zoom ----

void TViewerModel::SetToZoom(bool zoom) {
    if (zoom) {
        if (state_.mode == TViewMode::Fit) zoomBox_ = {};  // it filled the area from 0, 0
        state_.mode = TViewMode::Zoom;
        zoomBox_.width = picture_.width();
        zoomBox_.height = picture_.height();
    } else {
        state_.mode = TViewMode::Fit;
        state_.factor = 1.0f;
    }
    // Without a picture there is nothing to zoom: the commands stay as they are.
    if (HasPicture()) {
        Set(TViewerCommand::ZoomIn, true);
        Set(TViewerCommand::ZoomOut, true);
    }
}

void TViewerModel::ZoomInExecute() {
    SetToZoom(true);
    state_.factor += 0.5f;
    if (state_.factor > 9.0f) {
        Set(TViewerCommand::ZoomIn, false);
        state_.factor = kMaxFactor;
    }
    ZoomDraw();
}

void TViewerModel::ZoomOutExecute() {
    SetToZoom(true);
    // Never below 50%, even if the command is run while it should be disabled.
    state_.factor = std::max(state_.factor - 0.5f, kMinFactor);
    ZoomDraw();
    if (state_.factor == kMinFactor) Set(TViewerCommand::ZoomOut, false);
}

void TViewerModel::ShowAllExecute() {
    SetToZoom(true);
    state_.factor = 1.0f;
    ZoomDraw();
}

void TViewerModel::ToFitExecute() {
    SetToZoom(false);
    titleBar_ = state_.title;
}

void TViewerModel::ShowAllIfSmaller() {
    // Measured while imageBox fills the area, that is against the area itself.
    if (picture_.width() < area_.width && picture_.height() < area_.height) ShowAllExecute();
}

// ---- Navigation ----

std::optional<int> TViewerModel::NavigationRow(TViewerCommand command, int currentRow, int rowCount) {
    int row;
    switch (command) {
        case TViewerCommand::First: row = 0; break;
        case TViewerCommand::Last: row = rowCount - 1; break;
        case TViewerCommand::Previous: row = currentRow - 1; break;
        case TViewerCommand::Next: row = currentRow + 1; break;
        default: return std::nullopt;
    }
    if (row < 0 || row >= rowCount) return std::nullopt;
    return row;
}

// ---- Selections ----

bool TViewerModel::LoadPicture(const std::string& path) {
    QImage image;
    std::string error;
    if (!imaging::LoadPicture(path, image, error) || image.isNull()) {
        // The decoder's own text does not always name the file (an empty or cut-short JPEG).
        if (error.empty())
            error = "Cannot read the picture " + path;
        else if (error.find(path) == std::string::npos)
            error = "Cannot read the picture " + path + ": " + error;
        lastError_ = error;
        ShowOk(messages_, kAppCaption, error, TMsgIcon::Error);
        return false;
    }
    picture_ = std::move(image);
    return true;
}

TSelectResult TViewerModel::ListBox1Click(int row, int rowCount, TMlb2& album, TMlb2& catalog,
                                          const std::string& editorProgram) {
    // A row outside the list or the album table (no selection, a list rebuilt meanwhile) has no
    // photo; the table's cursor would otherwise still name the previous record.
    if (row < 0 || row >= rowCount || !album.GoTo(row + 1)) return TSelectResult::NoRow;

    SetToZoom(false);
    state_.source = TViewSource::PhotoList;

    const std::string id = album.GetValue("ImgID");
    FindImage(catalog, id);
    const std::string path = catalog.GetValue("ImgPath");
    if (path == kPlaceholderPath) return TSelectResult::Placeholder;
    if (!IsStoredPhotoPath(path) || !FileExists(path)) return TSelectResult::MissingFile;

    notes_.clear();
    state_.title = catalog.GetValue("ImgName");
    titleBar_ = state_.title;
    credit_ = catalog.GetValue("ImgCredit");
    const std::string keys = catalog.GetValue("ImgKeys");
    if (!keys.empty()) notes_ = keys;

    editorProgram_ = editorProgram;
    editorParameters_ = Quoted(path);
    path_ = path;

    notesVisible_ = true;
    Set(TViewerCommand::RemoveFromCol, true);

    if (!LoadPicture(path)) return TSelectResult::LoadFailed;

    date_ = FileDateText(path);
    for (TViewerCommand c : kAlbumRowCommands) Set(c, true);
    SetNavigation(row, rowCount);
    ShowAllIfSmaller();
    Set(TViewerCommand::ImgProperties, true);
    return TSelectResult::Shown;
}

TSelectResult TViewerModel::ListBox2Click(int row, const std::string& folder,
                                          const std::vector<std::string>& fileNames,
                                          const std::string& editorProgram) {
    const int rowCount = static_cast<int>(fileNames.size());
    if (row < 0 || row >= rowCount) return TSelectResult::NoRow;

    state_.source = TViewSource::ImportList;
    SetToZoom(false);

    const std::string& name = fileNames[static_cast<std::size_t>(row)];
    const std::string path = JoinPath(folder, name);
    path_ = path;
    if (!LoadPicture(path)) return TSelectResult::LoadFailed;

    state_.title = name;
    titleBar_ = name;
    credit_ = kNoData;
    date_ = FileDateText(path);
    notesVisible_ = false;

    SetNavigation(row, rowCount);
    for (TViewerCommand c : kImportRowCommands) Set(c, true);
    Set(TViewerCommand::RemoveFromCol, false);
    Set(TViewerCommand::ImgProperties, false);

    editorProgram_ = editorProgram;
    editorParameters_ = Quoted(path);

    ShowAllIfSmaller();
    return TSelectResult::Shown;
}

void TViewerModel::Clear(int photoRowCount) {
    picture_ = QImage();
    state_ = ViewState{};
    titleBar_ = kNoImageTitle;
    credit_ = kNoImage;
    date_ = kNoImage;
    notes_.clear();
    notesVisible_ = false;
    path_.clear();
    editorProgram_.clear();
    editorParameters_.clear();
    lastError_.clear();
    zoomBox_ = {};
    for (TViewerCommand c : AllViewerCommands()) {
        const bool keep = (c == TViewerCommand::First || c == TViewerCommand::Last) && photoRowCount > 0;
        Set(c, keep);
    }
}

}  // namespace viewer
