// The slideshow's order of photos, its delay text, the close corner, and the frames it draws:
// placed by the display rule, decoded ahead on the worker thread.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QTransform>
#include <string>
#include <vector>

#include "JpegCodec.h"
#include "PhotoTestFiles.h"
#include "TSlideLoader.h"
#include "TSlideshow.h"
#include "TestSupport.h"

using namespace viewer;

namespace {

std::vector<std::string> FivePhotos() { return {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}; }

TEST(SlideSequence, WrapsAroundBothWays) {
    TSlideSequence s(FivePhotos());
    ASSERT_EQ(s.Count(), 5);
    EXPECT_EQ(s.Index(), 0);
    s.Back();  // Left on the first shows the fifth
    EXPECT_EQ(s.Index(), 4);
    EXPECT_EQ(s.CurrentPath(), "e.jpg");
    EXPECT_TRUE(s.Forward());  // Right on the fifth shows the first
    EXPECT_EQ(s.Index(), 0);
    for (int i = 1; i <= 4; ++i) {
        EXPECT_TRUE(s.Forward());
        EXPECT_EQ(s.Index(), i);
    }
    EXPECT_EQ(s.NextIndex(), 0);
    EXPECT_EQ(s.PreviousIndex(), 3);
    s.Restart();
    EXPECT_EQ(s.Index(), 0);
    EXPECT_EQ(s.PreviousIndex(), 4);
}

TEST(SlideSequence, CloseAfterLastEndsAfterTheLastPhoto) {
    TSlideSequence s(FivePhotos(), TSlideLoop::CloseAfterLast);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(s.Forward());
    EXPECT_EQ(s.Index(), 4);
    EXPECT_FALSE(s.NextIndex().has_value());
    EXPECT_FALSE(s.Forward());
    EXPECT_EQ(s.Index(), 4);
    s.Restart();
    s.Back();  // going back from the first still reaches the last
    EXPECT_EQ(s.Index(), 4);
}

TEST(SlideSequence, MissingRowsAreSkippedAndAnEmptyShowHasNothing) {
    TSlideSequence s({"a.jpg", "", "c.jpg", ""});
    EXPECT_EQ(s.Paths(), (std::vector<std::string>{"a.jpg", "c.jpg"}));
    TSlideSequence one({"", "only.jpg"});
    EXPECT_EQ(one.Count(), 1);
    EXPECT_TRUE(one.Forward());
    EXPECT_EQ(one.Index(), 0);
    EXPECT_FALSE(one.NextIndex().has_value());  // nothing to decode ahead
    TSlideSequence none({"", ""});
    EXPECT_TRUE(none.Empty());
    EXPECT_FALSE(none.Forward());
    none.Back();
    EXPECT_EQ(none.Index(), 0);
}

TEST(SlideSeconds, IntegersOnly) {
    EXPECT_EQ(ParseSlideSeconds("5").milliseconds, 5000);
    EXPECT_EQ(ParseSlideSeconds(" 12 ").milliseconds, 12000);
    EXPECT_EQ(ParseSlideSeconds("+3").milliseconds, 3000);
    const TSlideInterval zero = ParseSlideSeconds("0");
    EXPECT_TRUE(zero.ok);
    EXPECT_EQ(zero.milliseconds, 0);
    for (const char* bad : {"", "abc", "2.5", "5s", "-", "+", "1 2", "0x10"}) {
        const TSlideInterval r = ParseSlideSeconds(bad);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.error, std::string("'") + bad + "' is not a valid integer value");
    }
    // Numbers the timer cannot take are refused with the range, not wrapped around.
    for (const char* out : {"-1", "2147484", "99999999999999999999"}) {
        const TSlideInterval r = ParseSlideSeconds(out);
        EXPECT_FALSE(r.ok) << out;
        EXPECT_EQ(r.error, "Please enter a number of seconds from 0 to 2147483.");
    }
    EXPECT_EQ(ParseSlideSeconds("2147483").milliseconds, 2147483000);
}

TEST(SlideCloseCorner, FiftyPixelsFromTheTopRight) {
    EXPECT_TRUE(InCloseCorner(1919, 0, 1920));
    EXPECT_TRUE(InCloseCorner(1871, 49, 1920));
    EXPECT_FALSE(InCloseCorner(1870, 0, 1920));
    EXPECT_FALSE(InCloseCorner(1919, 50, 1920));
}

// ---- Frames ----

QImage Filled(int w, int h, QColor c) {
    QImage i(w, h, QImage::Format_RGB32);
    i.fill(c);
    return i;
}

TEST(SlideFrame, DisplayRuleOnAFullHdScreen) {
    struct Case {
        int w, h;
        bool resizeFull;
        TRect rect;
    } cases[] = {
        {4000, 3000, false, {240, 0, 1440, 1080}},     // larger both ways: fitted
        {4000, 500, false, {-1040, 290, 4000, 500}},   // larger one way: own size, cut off
        {800, 600, false, {560, 240, 800, 600}},       // smaller: own size, centred
        {800, 600, true, {240, 0, 1440, 1080}},        // resizeFull: enlarged
    };
    for (const Case& c : cases) {
        const TSlideFrame f = MakeFrame(Filled(c.w, c.h, Qt::green), 1920, 1080, c.resizeFull);
        ASSERT_TRUE(f.ok);
        EXPECT_EQ(f.rect, c.rect) << c.w << "x" << c.h;
        EXPECT_EQ(f.image.size(), QSize(c.rect.width, c.rect.height));
    }
    EXPECT_FALSE(MakeFrame(QImage(), 1920, 1080, false).ok);
}

TEST(SlideFrame, ReducedDecodeKeepsTheRuleAndTheOrientation) {
    testsupport::TempDir dir;
    // 2000 x 1000 stored sideways (EXIF 6): upright it is 1000 x 2000, red on top, blue below.
    QImage upright(1000, 2000, QImage::Format_RGB32);
    upright.fill(Qt::red);
    for (int y = 1000; y < 2000; ++y)
        for (int x = 0; x < 1000; ++x) upright.setPixel(x, y, qRgb(0, 0, 255));
    const QImage stored = upright.transformed(QTransform().rotate(-90));
    std::string bytes, error;
    ASSERT_TRUE(imaging::EncodeJpeg(stored, bytes, error));
    // An APP1 segment with orientation 6, after the SOI marker.
    const std::string tiff = std::string("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 26);
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    std::string app1 = "\xFF\xE1";
    app1 += static_cast<char>((payload.size() + 2) >> 8);
    app1 += static_cast<char>((payload.size() + 2) & 0xFF);
    bytes.insert(2, app1 + payload);
    const std::string path = dir.file("sideways.jpg");
    testsupport::WriteAll(path, bytes);

    // On a 400 x 300 screen it is larger both ways, so fitted: 150 x 300 at left 125.
    const TSlideFrame f = LoadFrame(path, 400, 300, false);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(f.rect, (TRect{125, 0, 150, 300}));
    EXPECT_EQ(f.image.size(), QSize(150, 300));
    EXPECT_GT(qRed(f.image.pixel(75, 40)), 200);
    EXPECT_GT(qBlue(f.image.pixel(75, 260)), 200);

    const TSlideFrame missing = LoadFrame(dir.file("gone.jpg"), 400, 300, false);
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
}

TEST(SlideLoader, PhoneAndCameraPhotosAreDecodedAheadUpright) {
    testsupport::TempDir dir;
    const std::string heic = dir.file("phone.heic"), dng = dir.file("camera.RW2");
    ASSERT_TRUE(phototest::MakeHeif(heic, phototest::Scene(320, 240)));
    ASSERT_TRUE(phototest::RotateHeif(heic, 3));
    phototest::DngOptions six;
    six.orientation = 6;
    testsupport::WriteAll(dng, phototest::MakeDng(phototest::Scene(320, 240), six));
    TSlideLoader loader(120, 160, false);
    loader.Prefetch(heic);
    loader.Prefetch(dng);
    for (const std::string& path : {heic, dng}) {
        const TSlideFrame f = loader.Take(path);
        ASSERT_TRUE(f.ok) << f.error;
        EXPECT_EQ(f.rect, (TRect{0, 0, 120, 160})) << path;
        EXPECT_EQ(phototest::Corners(f.image), "rgbb") << path;
    }
    EXPECT_EQ(loader.DecodeCount(), 2);
}

TEST(SlideLoader, DecodesAheadOnceAndKeepsWhatIsNamed) {
    testsupport::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        paths.push_back(dir.file("p" + std::to_string(i) + ".jpg"));
        std::string err;
        ASSERT_TRUE(imaging::SaveJpeg(Filled(640, 480, QColor(i * 100, 50, 50)), paths.back(), err));
    }
    TSlideLoader loader(320, 200, false);
    loader.Prefetch(paths[1]);
    loader.Prefetch(paths[1]);  // asked twice, decoded once
    const TSlideFrame first = loader.Take(paths[0]);  // not asked ahead: decoded here
    ASSERT_TRUE(first.ok);
    const TSlideFrame second = loader.Take(paths[1]);  // waits for the worker if it is still busy
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.rect, (TRect{26, 0, 267, 200}));
    EXPECT_EQ(loader.DecodeCount(), 2);
    EXPECT_TRUE(loader.Take(paths[1]).ok);  // ready frames are reused
    EXPECT_EQ(loader.DecodeCount(), 2);
    loader.Keep({paths[1]});
    EXPECT_FALSE(loader.Ready(paths[0]));
    EXPECT_TRUE(loader.Ready(paths[1]));

    // Without decoding ahead, Prefetch does nothing and Take decodes.
    TSlideLoader plain(320, 200, false, false);
    plain.Prefetch(paths[2]);
    EXPECT_FALSE(plain.Ready(paths[2]));
    EXPECT_TRUE(plain.Take(paths[2]).ok);
    EXPECT_EQ(plain.DecodeCount(), 1);
}

TEST(SlideLoader, StopsWithWorkQueued) {
    testsupport::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        paths.push_back(dir.file("q" + std::to_string(i) + ".jpg"));
        std::string err;
        ASSERT_TRUE(imaging::SaveJpeg(Filled(1200, 900, Qt::gray), paths.back(), err));
    }
    auto loader = std::make_unique<TSlideLoader>(640, 480, true);
    for (const std::string& p : paths) loader->Prefetch(p);
    loader.reset();  // must not hang or crash with the queue full
    SUCCEED();
}

}  // namespace
