#pragma once
// First-use guidance: balloon hints shown once at the control to use next, and help topics
// opened by themselves the first time a dialog or pane is shown. Each is gated by a boolean
// flag in section "Images" of the settings store; a flag only ever goes from false to true.

#include <string>
#include <vector>

#include "THelp.h"

class TSettingsStore;

// Where a balloon sits relative to the point it shows, in the order the hint object knows them.
enum class THintPosition { AboveLeft, AboveRight, BelowLeft, BelowRight };

// The platform side of hints: shows a balloon with the text at the named control.
class THintPresenter {
public:
    virtual ~THintPresenter() = default;
    virtual void ShowHint(const std::string& text, const std::string& control, THintPosition position) = 0;
};

namespace hint {
inline constexpr const char* kSection = "Images";

// Flags.
inline constexpr const char* kFirstTimeFirst = "firstTime_first";
inline constexpr const char* kFirstTimeAnotherOpen = "firstTime_anotherOpen";
inline constexpr const char* kFirstTimeOpenAlbum = "firstTime_openAlbumb";
inline constexpr const char* kFirstTimeImport = "firstTime_import";
inline constexpr const char* kFirstTimeImportPhoto = "firstTime_importPhoto";
inline constexpr const char* kFirstTimeOpenPhoto = "firstTime_openPhoto";
inline constexpr const char* kFirstHelpNewAlbum = "firstHelp_newAlbum";
inline constexpr const char* kFirstHelpShareAlbum = "firstHelp_shareAlbum";
inline constexpr const char* kFirstHelpImport = "firstHelp_import";

// Controls a hint points at (object names of the widgets).
inline constexpr const char* kCtlCreateAlbumLink = "lnkCreateAlbum";  // welcome pane, "Create a new album"
inline constexpr const char* kCtlOpenAlbumLink = "lnkOpenAlbum";      // welcome pane, "Open an album"
inline constexpr const char* kCtlAlbumImportButton = "btnAlbumImport"; // album tool bar, Import Image
inline constexpr const char* kCtlAddToButton = "ToolButton10";         // import bar, "Add To >>"
inline constexpr const char* kCtlPhotoList = "ListBox1";               // album pane, photo list
inline constexpr const char* kCtlAlbumShareButton = "btnAlbumShare";   // album tool bar, Share Album

// Texts.
inline constexpr const char* kTextWelcome =
    "Welcome! Before you can use photos in Lumavell, you need to create an album. Click here to make one.";
inline constexpr const char* kTextAnotherOpen =
    "Click here to open an album, or click the down-arrow on the drop down box in the album pane at the "
    "top left of the screen.";
inline constexpr const char* kTextOpenAlbum =
    "Click this button to open the Import bar to start importing photos into this album.";
inline constexpr const char* kTextImport =
    "Navigate to the photos using the above controls. Select the photo you wish to import and then click "
    "this button. Continue until all your photos are in the album. If all the photos are located in the "
    "folder you chose,just click the button next to this one to import all of them.";
inline constexpr const char* kTextImportPhoto =
    "Now you can select photos here to view them and edit their properties (such as adding a caption or "
    "description).";
inline constexpr const char* kTextOpenPhoto =
    "When you are ready to share this album with family and friends, click this button here.";
}  // namespace hint

// One balloon hint of the program: its flag, its text and the control it points at.
struct TFirstUseHint {
    const char* flag;
    const char* text;
    const char* control;
};

// The balloon hints of the main window, in a fixed order: welcome, open-album (start-up),
// opened album, import bar, photo filed, photo selected.
const std::vector<TFirstUseHint>& FirstUseHintTable();

class THints {
public:
    // position: the hint object's position setting (the main window uses above-right).
    THints(TSettingsStore& settings, THintPresenter& presenter, THelp& help,
           THintPosition position = THintPosition::AboveRight);

    void SetPosition(THintPosition position) { position_ = position; }
    THintPosition Position() const { return position_; }

    // If the flag reads false: show the text at the control and write the flag true.
    // Returns whether the hint was shown.
    bool ShowFirstUseHint(const std::string& flag, const std::string& text, const std::string& control);
    bool ShowFirstUseHint(const TFirstUseHint& h) { return ShowFirstUseHint(h.flag, h.text, h.control); }

    // Used when a dialog or pane is shown: if the flag reads false, open its help topic (as its
    // Help button does, for the same owner) and write the flag true. Returns whether it opened.
    bool AutoHelpOnFirstShow(const std::string& flag, const std::string& suffix, THelpOwner owner = nullptr);

    // The hints due when the main window is first shown. The open-album hint comes first and
    // only once the welcome hint has been seen, so the first start shows the welcome hint, the
    // second the open-album hint, and later starts neither.
    void ShowStartupHints();

private:
    TSettingsStore& settings_;
    THintPresenter& presenter_;
    THelp& help_;
    THintPosition position_;
};
