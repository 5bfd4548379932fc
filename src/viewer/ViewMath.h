#pragma once
// The photo pane's drawing arithmetic, free of any window: fitting a picture into an area,
// the zoomed size and its placement in the scroll box, the zoom percentage in the title bar,
// and the full screen display rule.
//
// Rounding: a value taken to the nearest integer goes to the even integer when exactly halfway
// (50.5 -> 50, 151.5 -> 152); halving for centring is integer division toward zero.

#include <string>

namespace viewer {

struct TSize {
    int width = 0;
    int height = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TRect&) const = default;
};

// Nearest integer, halves to even; clamped to the int range (NaN gives 0).
int RoundHalfEven(double value);

// The picture w x h fitted into the area W x H, aspect kept: with sx = W / w and sy = H / h as
// single-precision floats, sx >= sy gives (w * sy) x H, otherwise W x (h * sx). Small pictures
// are enlarged as well as large ones reduced. An empty picture or area gives 0 x 0.
TSize FitSize(int w, int h, int W, int H);

// FitSize centred in the area: left = (W - width) / 2, top = (H - height) / 2.
TRect FitRect(int w, int h, int W, int H);

// The picture's size at a zoom factor: w * factor and h * factor, each to the nearest integer.
TSize ZoomedSize(int w, int h, float factor);

// Offset of the zoomed picture along one axis of the scroll box: centred (each half taken
// separately) while it is smaller than the box, pinned to 0 otherwise.
int ZoomOffset(int boxExtent, int imageExtent);

// factor * 100 to the nearest integer.
int ZoomPercent(float factor);

// title + " (" + percentage + "%)".
std::string ZoomTitle(const std::string& title, float factor);

// Full screen and slideshow: the picture fitted to the screen when resizeFull is on or when it
// is larger than the screen in both directions; otherwise at its own size, centred (and cut off
// by the screen edges when larger in one direction).
TRect FullScreenRect(int w, int h, int W, int H, bool resizeFull);

}  // namespace viewer
