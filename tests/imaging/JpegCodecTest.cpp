// JPEG decoding and encoding: colour models, DCT scaling, failures and limits.

#include "JpegCodec.h"
#include "JpegTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace imagingtest;
using imaging::DecodeJpeg;
using testsupport::TempDir;

namespace {

std::string Encoded(const QImage& img, int quality = 90) {
    std::string bytes, error;
    EXPECT_TRUE(imaging::EncodeJpeg(img, bytes, error, quality)) << error;
    return bytes;
}

QImage Decoded(const std::string& bytes, int minWidth = 0, int minHeight = 0) {
    QImage img;
    std::string error;
    EXPECT_TRUE(DecodeJpeg(bytes, img, error, minWidth, minHeight)) << error;
    return img;
}

void ExpectQuadrants(const QImage& img, int tolerance = 40) {
    const auto c = QuadrantColours(img);
    EXPECT_TRUE(Near(c[0], kRed, tolerance)) << std::hex << c[0];
    EXPECT_TRUE(Near(c[1], kGreen, tolerance)) << std::hex << c[1];
    EXPECT_TRUE(Near(c[2], kBlue, tolerance)) << std::hex << c[2];
    EXPECT_TRUE(Near(c[3], kWhite, tolerance)) << std::hex << c[3];
}

// Every pixel of an RGB32 picture must carry 0xff in its top byte: Qt treats it as opaque
// only by convention, and a stray value shows up once the picture is converted or blended.
bool AllOpaque(const QImage& img) {
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(row[x]) != 255) return false;
    }
    return true;
}

// The first luminance quantisation value (the DC step) of a JPEG, read from its DQT segment.
int FirstQuantValue(const std::string& jpeg) {
    const size_t dqt = FindSegment(jpeg, 0xdb);
    if (dqt == std::string::npos) return -1;
    return static_cast<unsigned char>(jpeg[dqt + 5]);
}

}  // namespace

TEST(ImagingJpegCodec, RoundTripKeepsSizeAndColours) {
    TempDir dir;
    const std::string path = dir.file("photo.jpg");
    std::string error;
    ASSERT_TRUE(imaging::SaveJpeg(Quadrants(64, 48), path, error)) << error;

    QImage fromFile;
    ASSERT_TRUE(imaging::LoadJpeg(path, fromFile, error)) << error;
    EXPECT_EQ(fromFile.size(), QSize(64, 48));
    EXPECT_EQ(fromFile.format(), QImage::Format_RGB32);
    EXPECT_TRUE(AllOpaque(fromFile));
    ExpectQuadrants(fromFile);

    const QImage fromMemory = Decoded(testsupport::ReadAll(path));
    EXPECT_EQ(fromMemory, fromFile);
}

TEST(ImagingJpegCodec, EncoderWritesBaselineAtTheRequestedQuality) {
    const QImage img = Quadrants(32, 32);
    const std::string q90 = Encoded(img);
    EXPECT_NE(FindSegment(q90, 0xc0), std::string::npos) << "baseline frame";
    EXPECT_EQ(FindSegment(q90, 0xc2), std::string::npos) << "no progressive frame";
    // libjpeg's standard luminance table starts with 16 and scales by quality:
    // 90 -> 20 %, 50 -> 100 %; out-of-range qualities clamp to 1 and 100.
    EXPECT_EQ(FirstQuantValue(q90), 3);
    EXPECT_EQ(FirstQuantValue(Encoded(img, 50)), 16);
    EXPECT_EQ(FirstQuantValue(Encoded(img, 150)), 1);
    EXPECT_EQ(FirstQuantValue(Encoded(img, -4)), 255);
}

TEST(ImagingJpegCodec, EncoderAcceptsAnyFormatAndLaysTransparencyOverWhite) {
    QImage argb(16, 16, QImage::Format_ARGB32);
    argb.fill(qRgba(0, 0, 0, 0));  // fully transparent black
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x) argb.setPixel(x, y, qRgba(0, 0, 255, 255));
    const QImage back = Decoded(Encoded(argb));
    EXPECT_TRUE(Near(back.pixel(2, 8), qRgb(0, 0, 255), 30));
    EXPECT_TRUE(Near(back.pixel(13, 8), qRgb(255, 255, 255), 10)) << std::hex << back.pixel(13, 8);

    QImage indexed = Quadrants(32, 32).convertToFormat(QImage::Format_Indexed8);
    ExpectQuadrants(Decoded(Encoded(indexed)));

    std::string bytes, error;
    EXPECT_FALSE(imaging::EncodeJpeg(QImage(), bytes, error));
    EXPECT_FALSE(error.empty());
}

TEST(ImagingJpegCodec, ReadsGreyAndRgbAndProgressiveFiles) {
    QImage grey(40, 24, QImage::Format_RGB32);
    for (int x = 0; x < 40; ++x)
        for (int y = 0; y < 24; ++y)
            grey.setPixel(x, y, x < 20 ? qRgb(50, 50, 50) : qRgb(200, 200, 200));
    const QImage g = Decoded(EncodeWithLibjpeg(grey, {Model::Grey}));
    ASSERT_EQ(g.size(), QSize(40, 24));
    EXPECT_EQ(g.format(), QImage::Format_RGB32);
    EXPECT_TRUE(AllOpaque(g));
    for (QPoint p : {QPoint(5, 12), QPoint(35, 12)}) {
        const QRgb c = g.pixel(p);
        EXPECT_EQ(qRed(c), qGreen(c));
        EXPECT_EQ(qGreen(c), qBlue(c));
    }
    EXPECT_NEAR(qRed(g.pixel(5, 12)), 50, 6);
    EXPECT_NEAR(qRed(g.pixel(35, 12)), 200, 6);

    ExpectQuadrants(Decoded(EncodeWithLibjpeg(Quadrants(48, 32), {Model::Colour, true})));
}

TEST(ImagingJpegCodec, ReadsAdobeInvertedAndPlainCmyk) {
    for (Model model : {Model::CmykAdobe, Model::CmykPlain}) {
        SCOPED_TRACE(model == Model::CmykAdobe ? "Adobe (inverted)" : "plain");
        const QImage img = Decoded(EncodeWithLibjpeg(Quadrants(48, 32), {model}));
        ASSERT_EQ(img.size(), QSize(48, 32));
        EXPECT_TRUE(AllOpaque(img));
        ExpectQuadrants(img);
    }
}

TEST(ImagingJpegCodec, ScalingPicksTheSmallestDecodeThatCoversTheMinimum) {
    const std::string wide = Encoded(Quadrants(1600, 640));
    struct Case {
        int minW, minH;
        QSize expected;
    } cases[] = {
        {0, 0, {1600, 640}},      // no minimum: full size
        {100, 80, {200, 80}},     // 1/8 exactly reaches 80 rows
        {100, 81, {400, 160}},    // one row more needs 1/4
        {300, 0, {400, 160}},     // width only
        {0, 161, {800, 320}},     // height only: 1/2
        {1601, 10, {1600, 640}},  // larger than the picture: full size, never enlarged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.minW) + "x" + std::to_string(c.minH));
        const QImage img = Decoded(wide, c.minW, c.minH);
        EXPECT_EQ(img.size(), c.expected);
        ExpectQuadrants(img);
    }
    // Scaled sizes round up, so an odd size still covers its minimum.
    EXPECT_EQ(Decoded(Encoded(Quadrants(801, 601)), 100, 76).size(), QSize(101, 76));
    EXPECT_EQ(Decoded(Encoded(Quadrants(801, 601)), 101, 77).size(), QSize(201, 151));
}

TEST(ImagingJpegCodec, ScalingMeasuresTheMinimumOnTheUprightPicture) {
    // Stored 1600 x 640 but shown turned a quarter (orientation 6): 640 x 1600 upright.
    // 1/8 would give 80 x 200 upright, too narrow for 100; 1/4 gives 160 x 400.
    const std::string turned =
        WithApp1(Encoded(Quadrants(1600, 640)), OrientationPayload(6, false));
    EXPECT_EQ(Decoded(turned, 100, 80).size(), QSize(160, 400));
    EXPECT_EQ(Decoded(turned, 80, 100).size(), QSize(80, 200));
}

TEST(ImagingJpegCodec, ProgressiveThumbnailMatchesBaselineThumbnail) {
    // A smooth picture with colour in every direction, so a missing chroma component or a
    // wrong DC value shows up as a large difference.
    QImage img(1600, 1280, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb(x * 255 / 1599, y * 255 / 1279, 255 - (x + y) * 255 / 2878));
    const QImage progressive = Decoded(EncodeWithLibjpeg(img, {Model::Colour, true}), 100, 80);
    const QImage baseline = Decoded(EncodeWithLibjpeg(img, {Model::Colour, false}), 100, 80);
    ASSERT_EQ(progressive.size(), QSize(200, 160));
    ASSERT_EQ(baseline.size(), QSize(200, 160));
    long total = 0;
    int worst = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 200; ++x) {
            const QRgb a = progressive.pixel(x, y), b = baseline.pixel(x, y);
            for (int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)}) {
                total += std::abs(d);
                worst = std::max(worst, std::abs(d));
            }
        }
    EXPECT_LT(double(total) / (200 * 160 * 3), 2.0);
    EXPECT_LE(worst, 12);
}

TEST(ImagingJpegCodec, TruncatedAndCorruptFilesFailWithTheLibraryText) {
    const std::string good = Encoded(Quadrants(256, 256));
    QImage out = Quadrants(4, 4);
    const QImage before = out;
    std::string error;

    EXPECT_FALSE(DecodeJpeg(good.substr(0, good.size() / 2), out, error));
    EXPECT_EQ(error, "Premature end of JPEG file");
    EXPECT_EQ(out, before) << "a failed decode leaves the target alone";

    error.clear();
    EXPECT_FALSE(DecodeJpeg(good.substr(0, 40), out, error));
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_FALSE(DecodeJpeg("", out, error));
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_FALSE(DecodeJpeg(std::string("\xff\xd8") + std::string(500, '\x5a'), out, error));
    EXPECT_FALSE(error.empty());

    // A frame that claims no components.
    std::string noComponents = good;
    noComponents[FindSegment(good, 0xc0) + 9] = 0;
    error.clear();
    EXPECT_FALSE(DecodeJpeg(noComponents, out, error));
    EXPECT_FALSE(error.empty());

    // A progressive file cut inside its first scan has no DC data at all, even for a thumbnail.
    const std::string prog = EncodeWithLibjpeg(Quadrants(512, 512), {Model::Colour, true});
    const size_t firstScan = prog.find("\xff\xda");
    ASSERT_NE(firstScan, std::string::npos);
    error.clear();
    EXPECT_FALSE(DecodeJpeg(prog.substr(0, firstScan + 40), out, error, 32, 32));
    EXPECT_EQ(error, "Premature end of JPEG file");
    EXPECT_EQ(out, before);
}

TEST(ImagingJpegCodec, NonJpegFilesAndFileErrors) {
    TempDir dir;
    std::string error;
    QImage out;
    const std::string png = dir.file("picture.png");
    ASSERT_TRUE(Quadrants(8, 8).save(QString::fromStdString(png), "PNG"));
    EXPECT_FALSE(imaging::LoadJpeg(png, out, error));
    EXPECT_NE(error.find("Not a JPEG file"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(imaging::LoadJpeg(dir.file("missing.jpg"), out, error));
    EXPECT_NE(error.find("missing.jpg"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(imaging::LoadJpeg(dir.str(), out, error)) << "a folder is no picture";
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(out.isNull());
}

TEST(ImagingJpegCodec, RefusesPicturesTooLargeToHold) {
    // A tiny file whose frame claims 60000 x 60000 pixels: 3.6 gigapixels at full size.
    const std::string huge = WithFrameSize(Encoded(Quadrants(16, 16)), 60000, 60000);
    QImage out;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(huge, out, error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;

    // At 1/8 the picture itself would fit, but the data ends long before its rows do.
    error.clear();
    EXPECT_FALSE(DecodeJpeg(huge, out, error, 100, 80));
    EXPECT_FALSE(error.empty());

    // A progressive frame keeps every coefficient of the full picture in memory (gigabytes
    // here) even when only a thumbnail is wanted; the library must refuse, not allocate.
    const std::string prog =
        WithFrameSize(EncodeWithLibjpeg(Quadrants(16, 16), {Model::Colour, true}), 40000, 40000);
    error.clear();
    EXPECT_FALSE(DecodeJpeg(prog, out, error, 100, 80));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_TRUE(out.isNull());
}

TEST(ImagingJpegCodec, DecodersOnSeveralThreadsGetTheSameResults) {
    const std::vector<std::string> files = {
        Encoded(Quadrants(320, 200)),
        EncodeWithLibjpeg(Quadrants(300, 220), {Model::Colour, true}),
        WithApp1(EncodeWithLibjpeg(Quadrants(200, 120), {Model::CmykAdobe}),
                 OrientationPayload(8, true)),
    };
    std::vector<QImage> expected;
    for (const auto& f : files) expected.push_back(Decoded(f, 40, 30));

    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 10; ++round)
                for (size_t i = 0; i < files.size(); ++i) {
                    QImage img;
                    std::string error;
                    const size_t k = (i + t) % files.size();
                    if (!DecodeJpeg(files[k], img, error, 40, 30) || img != expected[k])
                        ++mismatches[t];
                    const QImage thumb = imaging::StretchTo(img, 100, 80);
                    if (thumb.size() != QSize(100, 80)) ++mismatches[t];
                }
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

TEST(ImagingJpegCodec, FilesAreReadInPiecesLikeMemory) {
    // Segments the decoder skips (APP2, 60000 bytes each) straddle the read buffer's ends,
    // and the coded data spans many buffer fills.
    std::string jpeg = EncodeWithLibjpeg(Quadrants(900, 700), {Model::Colour, true});
    for (int i = 0; i < 5; ++i) {
        std::string app2("\xff\xe2\xea\x62", 4);  // length 60002
        app2 += std::string(60000, char('a' + i));
        jpeg.insert(2, app2);
    }
    jpeg = WithApp1(jpeg, OrientationPayload(6, true));
    TempDir dir;
    testsupport::WriteAll(dir.file("big.jpg"), jpeg);
    for (int min : {0, 50, 120}) {
        QImage fromFile;
        std::string error;
        ASSERT_TRUE(imaging::LoadJpeg(dir.file("big.jpg"), fromFile, error, min, min)) << error;
        EXPECT_EQ(fromFile, Decoded(jpeg, min, min)) << min;
    }

    // Cut in the later scans: a 1/8 thumbnail needs only the DC scan and still succeeds,
    // the full picture does not.
    const size_t secondScan = jpeg.find("\xff\xda", jpeg.find("\xff\xda") + 2);
    ASSERT_NE(secondScan, std::string::npos);
    testsupport::WriteAll(dir.file("cut.jpg"), jpeg.substr(0, secondScan + 100));
    QImage img;
    std::string error;
    EXPECT_TRUE(imaging::LoadJpeg(dir.file("cut.jpg"), img, error, 50, 50)) << error;
    EXPECT_EQ(img.size(), QSize(88, 113));
    EXPECT_FALSE(imaging::LoadJpeg(dir.file("cut.jpg"), img, error));
    EXPECT_EQ(error, "Premature end of JPEG file");

    testsupport::WriteAll(dir.file("empty.jpg"), "");
    error.clear();
    EXPECT_FALSE(imaging::LoadJpeg(dir.file("empty.jpg"), img, error));
    EXPECT_FALSE(error.empty());
}
