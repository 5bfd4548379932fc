// BMP files, picture loading by content, stretching, and atomic replacement of written files.

#include "JpegCodec.h"
#include "JpegTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace imagingtest;
using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;
namespace fs = std::filesystem;

namespace {

QImage Noise(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    unsigned seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            img.setPixel(x, y, qRgb(seed >> 8 & 0xff, seed >> 16 & 0xff, seed >> 24 & 0xff));
        }
    return img;
}

std::vector<std::string> Names(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(ImagingBmp, RoundTripIsExact) {
    TempDir dir;
    const std::string path = dir.file("12.bmp");
    const QImage img = Noise(37, 23);  // odd width: rows carry padding in the file
    std::string error;
    ASSERT_TRUE(imaging::SaveBmp(img, path, error)) << error;
    EXPECT_EQ(ReadAll(path).substr(0, 2), "BM");

    QImage back;
    ASSERT_TRUE(imaging::LoadBmp(path, back, error)) << error;
    EXPECT_EQ(back.format(), QImage::Format_RGB32);
    EXPECT_EQ(back, img);
    EXPECT_EQ(Names(dir), std::vector<std::string>{"12.bmp"}) << "no temporary file left behind";
}

TEST(ImagingBmp, OtherContentAndMissingFilesFail) {
    TempDir dir;
    std::string error;
    QImage out;
    ASSERT_TRUE(Quadrants(8, 8).save(QString::fromStdString(dir.file("p.bmp")), "PNG"));
    EXPECT_FALSE(imaging::LoadBmp(dir.file("p.bmp"), out, error)) << "PNG content under a BMP name";
    EXPECT_FALSE(error.empty());

    WriteAll(dir.file("cut.bmp"), ReadAll(dir.file("p.bmp")).substr(0, 10));
    error.clear();
    EXPECT_FALSE(imaging::LoadBmp(dir.file("cut.bmp"), out, error));
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_FALSE(imaging::LoadBmp(dir.file("none.bmp"), out, error));
    EXPECT_NE(error.find("none.bmp"), std::string::npos) << error;
    EXPECT_FALSE(imaging::SaveBmp(QImage(), dir.file("x.bmp"), error));
    EXPECT_TRUE(out.isNull());
}

TEST(ImagingLoadPicture, JpegIsRecognisedByContentWhateverTheName) {
    TempDir dir;
    const std::string jpeg =
        WithApp1(EncodeWithLibjpeg(Quadrants(1600, 640)), OrientationPayload(3, false));
    WriteAll(dir.file("really-a-jpeg.bmp"), jpeg);
    QImage img;
    std::string error;
    // DCT scaling only happens on the libjpeg path, so the size shows which reader ran.
    ASSERT_TRUE(imaging::LoadPicture(dir.file("really-a-jpeg.bmp"), img, error, 100, 80)) << error;
    EXPECT_EQ(img.size(), QSize(200, 80));
    EXPECT_TRUE(Near(QuadrantColours(img)[3], kRed))
        << "orientation 3 puts stored top-left bottom-right";
}

TEST(ImagingLoadPicture, OtherFormatsComeBackAsRgb32OverWhite) {
    TempDir dir;
    QImage argb(10, 10, QImage::Format_ARGB32);
    argb.fill(qRgba(0, 0, 0, 0));
    argb.setPixel(3, 3, qRgba(0, 0, 255, 255));
    argb.setPixel(4, 4, qRgba(0, 0, 0, 128));  // half-transparent black over white: mid grey
    ASSERT_TRUE(argb.save(QString::fromStdString(dir.file("t.png")), "PNG"));
    ASSERT_TRUE(Noise(9, 7).save(QString::fromStdString(dir.file("n.bmp")), "BMP"));

    QImage img;
    std::string error;
    ASSERT_TRUE(imaging::LoadPicture(dir.file("t.png"), img, error)) << error;
    EXPECT_EQ(img.format(), QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(4, 4), qRgb(127, 127, 127));

    ASSERT_TRUE(imaging::LoadPicture(dir.file("n.bmp"), img, error)) << error;
    EXPECT_EQ(img, Noise(9, 7));

    WriteAll(dir.file("junk.gif"), std::string(200, 'q'));
    error.clear();
    EXPECT_FALSE(imaging::LoadPicture(dir.file("junk.gif"), img, error));
    EXPECT_NE(error.find("junk.gif"), std::string::npos) << error;
}

TEST(ImagingStretchTo, WidePictureIsSqueezedWholeIntoTheBox) {
    // 400 x 100 in four vertical bands of 100 columns: all four must appear, 25 columns
    // each, over the full 80 rows.
    const QRgb bands[4] = {kRed, kGreen, kBlue, kWhite};
    QImage wide(400, 100, QImage::Format_ARGB32);
    for (int x = 0; x < 400; ++x)
        for (int y = 0; y < 100; ++y) wide.setPixel(x, y, bands[x / 100]);
    const QImage thumb = imaging::StretchTo(wide, 100, 80);
    ASSERT_EQ(thumb.size(), QSize(100, 80));
    EXPECT_EQ(thumb.format(), QImage::Format_RGB32);
    for (int b = 0; b < 4; ++b)
        for (int y : {0, 40, 79})
            for (int x : {b * 25 + 2, b * 25 + 12, b * 25 + 22})
                EXPECT_TRUE(Near(thumb.pixel(x, y), bands[b], 4)) << x << "," << y;
}

TEST(ImagingStretchTo, EnlargesAndHandlesDegenerateInput) {
    const QImage small = Quadrants(10, 8);
    const QImage big = imaging::StretchTo(small, 100, 80);
    ASSERT_EQ(big.size(), QSize(100, 80));
    EXPECT_TRUE(Near(big.pixel(0, 0), kRed, 4));
    EXPECT_TRUE(Near(big.pixel(99, 79), kWhite, 4));
    EXPECT_TRUE(imaging::StretchTo(QImage(), 100, 80).isNull());
    EXPECT_TRUE(imaging::StretchTo(small, 0, 80).isNull());
}

TEST(ImagingAtomicSave, ReplacesTheFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.file("shared.jpg");
    WriteAll(path, "old contents");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    std::string error;
    ASSERT_TRUE(imaging::SaveJpeg(Quadrants(16, 16), path, error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadAll(path).substr(0, 3), "\xff\xd8\xff");
    EXPECT_EQ(Names(dir), std::vector<std::string>{"shared.jpg"});
}

TEST(ImagingAtomicSave, FailuresLeaveTheOldFileAndNoLitter) {
    TempDir dir;
    std::string error;

    // The parent is a regular file: nothing can be created there, even by root.
    WriteAll(dir.file("plain"), "not a folder");
    EXPECT_FALSE(imaging::SaveJpeg(Quadrants(8, 8), dir.file("plain") + "/p.jpg", error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(imaging::SaveBmp(Quadrants(8, 8), dir.file("plain") + "/p.bmp", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadAll(dir.file("plain")), "not a folder");

    // The target is a folder: the new data is written beside it, then the rename fails; the
    // temporary file must go again.
    fs::create_directory(dir.path() / "taken.bmp");
    WriteAll(dir.file("taken.bmp") + "/inside", "x");
    error.clear();
    EXPECT_FALSE(imaging::SaveBmp(Quadrants(8, 8), dir.file("taken.bmp"), error));
    EXPECT_NE(error.find("taken.bmp"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(dir.file("taken.bmp") + "/inside"), "x");
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"plain", "taken.bmp"}));
}

TEST(ImagingAtomicSave, ReadOnlyFolderKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders anyway";
    TempDir dir;
    fs::create_directory(dir.path() / "ro");
    const std::string path = dir.file("ro") + "/1.bmp";
    WriteAll(path, "old thumbnail");
    ASSERT_EQ(::chmod((dir.path() / "ro").c_str(), 0555), 0);
    std::string error;
    EXPECT_FALSE(imaging::SaveBmp(Quadrants(8, 8), path, error));
    EXPECT_FALSE(imaging::SaveJpeg(Quadrants(8, 8), path, error));
    EXPECT_FALSE(error.empty());
    ::chmod((dir.path() / "ro").c_str(), 0755);
    EXPECT_EQ(ReadAll(path), "old thumbnail");
    EXPECT_EQ(fs::directory_iterator(dir.path() / "ro")->path().filename(), "1.bmp");
}
