#include "TViewerCommands.h"

namespace viewer {

namespace {

constexpr std::array<std::string_view, kViewerCommandCount> kNames = {
    "ZoomIn",  "ZoomOut",        "ShowAll",         "ToFit",          "First", "Previous",
    "Next",    "Last",           "CopyImg",         "SetAsWallpaper", "AddToCollection",
    "ViewFullScreen", "Print",   "EditImage1",      "RemoveFromCol",  "ImgProperties",
};

constexpr std::array<TViewerCommand, kViewerCommandCount> kAll = {
    TViewerCommand::ZoomIn,         TViewerCommand::ZoomOut,        TViewerCommand::ShowAll,
    TViewerCommand::ToFit,          TViewerCommand::First,          TViewerCommand::Previous,
    TViewerCommand::Next,           TViewerCommand::Last,           TViewerCommand::CopyImg,
    TViewerCommand::SetAsWallpaper, TViewerCommand::AddToCollection, TViewerCommand::ViewFullScreen,
    TViewerCommand::Print,          TViewerCommand::EditImage1,     TViewerCommand::RemoveFromCol,
    TViewerCommand::ImgProperties,
};

}  // namespace

std::string_view ViewerCommandName(TViewerCommand command) {
    return kNames[static_cast<std::size_t>(command)];
}

std::optional<TViewerCommand> ViewerCommandByName(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name) return kAll[i];
    return std::nullopt;
}

const std::array<TViewerCommand, kViewerCommandCount>& AllViewerCommands() { return kAll; }

}  // namespace viewer
