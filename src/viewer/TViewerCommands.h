#pragma once
// The main window's commands whose enabled state the photo pane sets, by the names the window
// gives its actions.

#include <array>
#include <optional>
#include <string_view>

namespace viewer {

enum class TViewerCommand {
    ZoomIn,           // "Zoom In"
    ZoomOut,          // "Zoom Out"
    ShowAll,          // "100%"
    ToFit,            // "To Fit"
    First,
    Previous,
    Next,
    Last,
    CopyImg,          // "Copy"
    SetAsWallpaper,
    AddToCollection,  // "Add To Album"
    ViewFullScreen,
    Print,
    EditImage1,       // "Edit Image"
    RemoveFromCol,    // "Remove From Album"
    ImgProperties,    // "Image Properties"
};

inline constexpr int kViewerCommandCount = 16;

// The action name: "ZoomIn", "ShowAll", "CopyImg", "EditImage1", ...
std::string_view ViewerCommandName(TViewerCommand command);
// The command of an action name (exact spelling), if it is one of these.
std::optional<TViewerCommand> ViewerCommandByName(std::string_view name);
// Every command, in declaration order.
const std::array<TViewerCommand, kViewerCommandCount>& AllViewerCommands();

// One enabled state set by an operation.
struct TCommandChange {
    TViewerCommand command;
    bool enabled;
    bool operator==(const TCommandChange&) const = default;
};

}  // namespace viewer
