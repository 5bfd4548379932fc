#include "TMainLayout.h"

#include <charconv>

namespace mainlayout {

TAlbumPaneLayout AlbumPaneLayout(int w, int h, bool searchMode) {
    TAlbumPaneLayout l;
    if (w <= kMinPaneWidth) return l;
    l.laidOut = true;
    // The list runs down to the tool bar: below the search controls in search-results mode,
    // over them otherwise.
    l.listTop = searchMode ? kListTopSearch : kListTopNormal;
    l.listHeight = h - l.listTop - kAlbumToolBarHeight;
    l.boxWidth = w;
    l.listWidth = w;
    l.searchBoxWidth = w;
    l.searchWidth = w - 20;
    l.searchLeft = 10;
    l.optionsWidth = (w - 20) - l.searchWidth / 2;
    l.optionsLeft = 10;
    l.helpWidth = l.optionsWidth - 2;
    l.helpLeft = l.optionsWidth + 11;
    return l;
}

int CollapsedWidth(int w) { return w < kMinPaneWidth ? 0 : w; }

TImportBarLayout ImportBarLayout(int barWidth, int barHeight, int closeWidth, int closeHeight,
                                 int driveHeight, int folderHeight, int toolBarHeight) {
    TImportBarLayout l;
    l.closeLeft = barWidth - closeWidth;
    l.contentWidth = barWidth;
    l.driveTop = closeHeight;
    l.folderTop = closeHeight + driveHeight + 1;
    l.photosTop = closeHeight + driveHeight + folderHeight + 1;
    l.photosHeight = barHeight - driveHeight - folderHeight - toolBarHeight - closeHeight;
    return l;
}

int ImageToolStripWidth(int panelWidth, int notesWidth) {
    return panelWidth - notesWidth - 2 * kDetailsBorder;
}

int CentreOffset(int area, int display) { return display < area ? area / 2 - display / 2 : 0; }

bool Intersects(const TRect& a, const TRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string FormatPlacement(const TWindowPlacement& p) {
    std::string s = std::to_string(kPlacementTag);
    for (int v : {p.flags, p.showCmd, p.normal.left, p.normal.top, p.normal.right, p.normal.bottom}) {
        s += ',';
        s += std::to_string(v);
    }
    return s;
}

namespace {

// One decimal integer filling the whole field: an optional "-" and digits, within int range.
bool ParseField(const std::string& text, std::size_t b, std::size_t e, int& out) {
    if (b == e) return false;
    const char* first = text.data() + b;
    const char* last = text.data() + e;
    auto [p, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && p == last;
}

}  // namespace

std::optional<TWindowPlacement> ParsePlacement(const std::string& text) {
    int v[7];
    std::size_t start = 0;
    for (int i = 0; i < 7; ++i) {
        std::size_t comma = text.find(',', start);
        bool lastField = i == 6;
        if (lastField != (comma == std::string::npos)) return std::nullopt;
        std::size_t end = lastField ? text.size() : comma;
        if (!ParseField(text, start, end, v[i])) return std::nullopt;
        start = end + 1;
    }
    if (v[0] != kPlacementTag) return std::nullopt;
    TWindowPlacement p;
    p.flags = v[1];
    p.showCmd = v[2];
    auto coordinate = [](int c) { return c < -kMaxCoordinate ? -kMaxCoordinate : c > kMaxCoordinate ? kMaxCoordinate : c; };
    p.normal = {coordinate(v[3]), coordinate(v[4]), coordinate(v[5]), coordinate(v[6])};
    // A rectangle without area cannot be a window the user left behind.
    if (p.normal.Width() <= 0 || p.normal.Height() <= 0) return std::nullopt;
    return p;
}

TRect FitToDesktop(TRect r, const TRect& desktop) {
    if (r.right > desktop.right) {
        int d = r.right - desktop.right;
        r.left -= d;
        r.right -= d;
    }
    if (r.bottom > desktop.bottom) {
        int d = r.bottom - desktop.bottom;
        r.top -= d;
        r.bottom -= d;
    }
    return r;
}

TRect CentreOn(const TRect& r, const TRect& area) {
    int w = r.Width(), h = r.Height();
    TRect c;
    c.left = area.left + (area.Width() - w) / 2;
    c.top = area.top + (area.Height() - h) / 2;
    c.right = c.left + w;
    c.bottom = c.top + h;
    return c;
}

TRect RestoredRect(const TRect& stored, const TRect& desktop, const std::vector<TRect>& screens,
                   const TRect& primary) {
    TRect r = stored;
    if (desktop.Width() > 0 && r.Width() > desktop.Width()) r.right = r.left + desktop.Width();
    if (desktop.Height() > 0 && r.Height() > desktop.Height()) r.bottom = r.top + desktop.Height();
    r = FitToDesktop(r, desktop);
    for (const TRect& s : screens)
        if (Intersects(r, s)) return r;
    return CentreOn(r, primary);
}

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine cl;
    if (args.empty()) return cl;
    std::string first = Upper(args[0]);
    if (first == "/OPENCOL") cl.action = TStartAction::OpenAlbum;
    else if (first == "/ALBUM") cl.action = TStartAction::ReceivePackage;
    else return cl;
    if (args.size() > 1) cl.path = args[1];
    return cl;
}

std::string AlbumNameFromPath(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.size() >= 4 && Upper(name.substr(name.size() - 4)) == ".COL") name.resize(name.size() - 4);
    return name;
}

}  // namespace mainlayout
