#pragma once
// The main window's geometry rules and its command line, kept free of window code so that they
// can be checked on their own: the album pane's control layout, the collapse of a pane whose
// divider is released too close to its edge, the import bar and details panel arithmetic, the
// window placement string, and the reading of the program's arguments.

#include <optional>
#include <string>
#include <vector>

namespace mainlayout {

// Default width of the album pane and of the import bar.
inline constexpr int kDefaultPaneWidth = 145;
// The widest a stored pane width is taken to be: wider than any screen, small enough that the
// panes' arithmetic and painting stay cheap.
inline constexpr int kMaxPaneWidth = 8192;
// A pane released narrower than this collapses to nothing; its contents are laid out only
// while it is wider than this.
inline constexpr int kMinPaneWidth = 30;
inline constexpr int kImportDividerWidth = 3;
inline constexpr int kAlbumDividerWidth = 5;

// ---- Album pane ------------------------------------------------------------------------------

inline constexpr int kAlbumBoxHeight = 22;
inline constexpr int kSearchBoxTop = 24;
inline constexpr int kSearchButtonTop = 48;
inline constexpr int kOptionsButtonTop = 74;
inline constexpr int kListTopNormal = 24;
inline constexpr int kListTopSearch = 104;
inline constexpr int kAlbumToolBarHeight = 29;

// Where the album pane's controls go for a pane of width w and height h.
struct TAlbumPaneLayout {
    bool laidOut = false;  // false while the pane is kMinPaneWidth or narrower: nothing moves
    int boxWidth = 0;      // album box
    int listTop = 0;       // photo list
    int listWidth = 0;
    int listHeight = 0;
    int searchBoxWidth = 0;
    int searchLeft = 0, searchWidth = 0;    // "Search" button
    int optionsLeft = 0, optionsWidth = 0;  // "Options" button
    int helpLeft = 0, helpWidth = 0;        // "Help" button
};

// The full layout, run when the album divider is released, when the pane is shown or hidden and
// when an album is opened. On a window resize only the album box's width, the list's width and
// the list's height are applied.
TAlbumPaneLayout AlbumPaneLayout(int w, int h, bool searchMode);

// The width a pane gets when its divider is dragged or released at width w: below
// kMinPaneWidth it collapses to zero.
int CollapsedWidth(int w);

// ---- Import bar and details panel ------------------------------------------------------------

struct TImportBarLayout {
    int closeLeft = 0;      // the "x" button
    int contentWidth = 0;   // drive box, folder list and import photo list
    int driveTop = 0;
    int folderTop = 0;
    int photosTop = 0;
    int photosHeight = 0;
};

TImportBarLayout ImportBarLayout(int barWidth, int barHeight, int closeWidth, int closeHeight,
                                 int driveHeight, int folderHeight, int toolBarHeight);

// Width of the details panel's image tool bar strip: the notes box's width counts even while the
// notes box is hidden.
inline constexpr int kNotesWidth = 185;
inline constexpr int kDetailsHeight = 74;
inline constexpr int kDetailsBorder = 3;
int ImageToolStripWidth(int panelWidth, int notesWidth = kNotesWidth);

// Offset that centres a display of size `display` in an area of size `area`; 0 when the display
// does not fit. Halving is integer division toward zero.
int CentreOffset(int area, int display);

// ---- Window placement ------------------------------------------------------------------------

struct TRect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom are exclusive
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const TRect&) const = default;
};

bool Intersects(const TRect& a, const TRect& b);

// Show states and flags of the placement record.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;
inline constexpr int kRestoreToMaximized = 2;  // flag: a minimised window comes back maximised
inline constexpr int kPlacementTag = 200;

struct TWindowPlacement {
    int flags = 0;
    int showCmd = kShowNormal;
    TRect normal;  // the window's rectangle when it is neither maximised nor minimised
    bool operator==(const TWindowPlacement&) const = default;
};

// "200,flags,showCmd,left,top,right,bottom".
std::string FormatPlacement(const TWindowPlacement& p);
// The placement held by a stored value: exactly seven comma-separated decimal integers, the first
// 200. Anything else (no value, other forms, an empty rectangle) gives nothing. Coordinates are
// kept within +-kMaxCoordinate, so a rectangle's width and height are always defined.
inline constexpr int kMaxCoordinate = 1 << 20;
std::optional<TWindowPlacement> ParsePlacement(const std::string& text);

// Moves r left (up) so that its right (bottom) edge is the desktop's, when it lies beyond it.
TRect FitToDesktop(TRect r, const TRect& desktop);
// r centred on area, its size kept.
TRect CentreOn(const TRect& r, const TRect& area);
// The rectangle a restored window gets: no larger than the desktop, fitted to it; if it then lies
// wholly outside every screen (a monitor that is gone, say) it is centred on the primary screen
// instead.
TRect RestoredRect(const TRect& stored, const TRect& desktop, const std::vector<TRect>& screens,
                   const TRect& primary);

// ---- Command line ----------------------------------------------------------------------------

enum class TStartAction { None, OpenAlbum, ReceivePackage };

struct TCommandLine {
    TStartAction action = TStartAction::None;
    std::string path;  // the second argument ("" when missing)
};

// Looks at the first two arguments (without the program name): "/OPENCOL" path or "/ALBUM"
// path, the switch in any letter case. Any other first argument is ignored.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The album an album file path names: its file name (after the last "/" or "\") without the
// ".col" extension (in any letter case).
std::string AlbumNameFromPath(const std::string& path);

}  // namespace mainlayout
