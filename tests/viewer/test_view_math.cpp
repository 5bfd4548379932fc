// The drawing arithmetic: rounding, fitting, zoomed sizes, placement and the full screen rule.
#include <gtest/gtest.h>

#include <limits>

#include "ViewMath.h"

using namespace viewer;

TEST(ViewMath, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
    // Far outside the int range the value is clamped instead of overflowing.
    EXPECT_EQ(RoundHalfEven(1e12), std::numeric_limits<int>::max());
    EXPECT_EQ(RoundHalfEven(-1e12), std::numeric_limits<int>::min());
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(ViewMath, FitsLargeAndSmallPicturesIntoTheArea) {
    // Same aspect as the area: exactly the area.
    EXPECT_EQ(FitRect(4000, 3000, 400, 300), (TRect{0, 0, 400, 300}));
    // A small picture is enlarged; it is relatively wider than the area, so the width fills it.
    EXPECT_EQ(FitSize(101, 75, 400, 300), (TSize{400, 297}));
    EXPECT_EQ(FitRect(101, 75, 400, 300), (TRect{0, 1, 400, 297}));
    // Relatively taller: the height fills the area and the picture is centred across.
    EXPECT_EQ(FitRect(300, 600, 400, 300), (TRect{125, 0, 150, 300}));
    // An odd remainder is halved toward zero.
    EXPECT_EQ(FitRect(100, 100, 401, 300), (TRect{50, 0, 300, 300}));
}

TEST(ViewMath, FitRoundsExactHalvesToEven) {
    // sx = 0.5 exactly and smaller than sy: the height is h * 0.5.
    EXPECT_EQ(FitSize(100, 101, 50, 60), (TSize{50, 50}));  // 50.5 -> 50
    EXPECT_EQ(FitSize(100, 103, 50, 60), (TSize{50, 52}));  // 51.5 -> 52
    // sy = 0.5 exactly and not larger than sx: the width is w * 0.5.
    EXPECT_EQ(FitSize(101, 100, 60, 50), (TSize{50, 50}));
    EXPECT_EQ(FitSize(103, 100, 60, 50), (TSize{52, 50}));
}

TEST(ViewMath, FitOfEmptyPictureOrAreaIsEmpty) {
    EXPECT_EQ(FitRect(100, 0, 400, 300), TRect{});
    EXPECT_EQ(FitRect(100, 100, -5, 300), TRect{});
}

TEST(ViewMath, ZoomedSizeAndPlacement) {
    EXPECT_EQ(ZoomedSize(101, 75, 0.5f), (TSize{50, 38}));
    EXPECT_EQ(ZoomedSize(303, 101, 0.5f), (TSize{152, 50}));
    EXPECT_EQ(ZoomedSize(4000, 3000, 1.5f), (TSize{6000, 4500}));
    EXPECT_EQ(ZoomedSize(7, 3, 10.0f), (TSize{70, 30}));

    // Each half is taken separately: 101/2 - 50/2 = 50 - 25; 100/2 - 51/2 = 50 - 25, not 24.
    EXPECT_EQ(ZoomOffset(101, 50), 25);
    EXPECT_EQ(ZoomOffset(100, 51), 25);
    EXPECT_EQ(ZoomOffset(100, 99), 1);
    // Not smaller than the box: pinned to the start.
    EXPECT_EQ(ZoomOffset(100, 100), 0);
    EXPECT_EQ(ZoomOffset(100, 6000), 0);
}

TEST(ViewMath, ZoomTitleCarriesThePercentage) {
    EXPECT_EQ(ZoomPercent(10.0f), 1000);
    EXPECT_EQ(ZoomTitle("Lake", 1.5f), "Lake (150%)");
    EXPECT_EQ(ZoomTitle("", 1.0f), " (100%)");
}

TEST(ViewMath, FullScreenRule) {
    // Option off: larger both ways is fitted; larger one way or smaller is shown at its size.
    EXPECT_EQ(FullScreenRect(4000, 3000, 1920, 1080, false), (TRect{240, 0, 1440, 1080}));
    EXPECT_EQ(FullScreenRect(4000, 500, 1920, 1080, false), (TRect{-1040, 290, 4000, 500}));
    EXPECT_EQ(FullScreenRect(800, 600, 1920, 1080, false), (TRect{560, 240, 800, 600}));
    // A negative odd remainder is halved toward zero too: -2081 / 2 = -1040.
    EXPECT_EQ(FullScreenRect(4001, 500, 1920, 1080, false).left, -1040);
    // Option on: small pictures are enlarged.
    EXPECT_EQ(FullScreenRect(800, 600, 1920, 1080, true), (TRect{240, 0, 1440, 1080}));
    EXPECT_EQ(FullScreenRect(0, 0, 1920, 1080, true), TRect{});
}
