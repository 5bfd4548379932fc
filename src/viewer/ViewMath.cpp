#include "ViewMath.h"

#include <cmath>
#include <limits>

namespace viewer {

int RoundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (value >= kMax) return std::numeric_limits<int>::max();
    if (value <= kMin) return std::numeric_limits<int>::min();
    const double down = std::floor(value);
    const double rest = value - down;
    double r = down;
    if (rest > 0.5)
        r = down + 1.0;
    else if (rest == 0.5)
        r = std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
    return static_cast<int>(r);
}

TSize FitSize(int w, int h, int W, int H) {
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return {};
    // The scales are kept in single precision; the products are taken in double.
    const float sx = static_cast<float>(static_cast<double>(W) / w);
    const float sy = static_cast<float>(static_cast<double>(H) / h);
    if (sx >= sy) return {RoundHalfEven(static_cast<double>(w) * sy), H};
    return {W, RoundHalfEven(static_cast<double>(h) * sx)};
}

TRect FitRect(int w, int h, int W, int H) {
    const TSize s = FitSize(w, h, W, H);
    if (s.width == 0 && s.height == 0) return {};
    return {(W - s.width) / 2, (H - s.height) / 2, s.width, s.height};
}

TSize ZoomedSize(int w, int h, float factor) {
    return {RoundHalfEven(static_cast<double>(w) * factor), RoundHalfEven(static_cast<double>(h) * factor)};
}

int ZoomOffset(int boxExtent, int imageExtent) {
    if (imageExtent < boxExtent) return boxExtent / 2 - imageExtent / 2;
    return 0;
}

int ZoomPercent(float factor) { return RoundHalfEven(static_cast<double>(factor) * 100.0); }

std::string ZoomTitle(const std::string& title, float factor) {
    return title + " (" + std::to_string(ZoomPercent(factor)) + "%)";
}

TRect FullScreenRect(int w, int h, int W, int H, bool resizeFull) {
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return {};
    if (resizeFull || (w > W && h > H)) return FitRect(w, h, W, H);
    return {(W - w) / 2, (H - h) / 2, w, h};
}

}  // namespace viewer
