// HEIF/AVIF and camera RAW pictures through LoadPicture: colours, orientation, thumbnails and
// previews, and files that cannot be decoded.

#include "JpegCodec.h"
#include "PhotoCodecs.h"
#include "PhotoTestFiles.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace phototest;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

// The upright scene and the scene turned a quarter clockwise, as Corners reports them.
constexpr const char* kUpright = "gbrb";
constexpr const char* kQuarterClockwise = "rgbb";

QImage Load(const std::string& path, int minWidth = 0, int minHeight = 0) {
    QImage out;
    std::string error;
    EXPECT_TRUE(imaging::LoadPicture(path, out, error, minWidth, minHeight)) << error;
    EXPECT_EQ(out.format(), QImage::Format_RGB32);
    return out;
}

std::string Jpeg(const QImage& image) {
    std::string bytes, error;
    EXPECT_TRUE(imaging::EncodeJpeg(image, bytes, error, 95)) << error;
    return bytes;
}

}  // namespace

TEST(ImagingHeif, HeicAndAvifDecodeWithTheirColours) {
    TempDir dir;
    for (const bool avif : {false, true}) {
        const std::string path = dir.file(avif ? "scene.avif" : "scene.heic");
        std::string log;
        ASSERT_TRUE(MakeHeif(path, Scene(), avif, 0, &log)) << log;
        const QImage img = Load(path);
        EXPECT_EQ(img.size(), QSize(64, 48)) << path;
        EXPECT_EQ(Corners(img), kUpright) << path;
    }
}

TEST(ImagingHeif, RotationIsApplied) {
    TempDir dir;
    const std::string path = dir.file("turned.heic");
    ASSERT_TRUE(MakeHeif(path, Scene()));
    ASSERT_TRUE(RotateHeif(path, 3));  // a quarter turn clockwise
    const QImage img = Load(path);
    EXPECT_EQ(img.size(), QSize(48, 64));
    EXPECT_EQ(Corners(img), kQuarterClockwise);
}

TEST(ImagingHeif, ThumbnailsUseTheFilesOwnThumbnailWhenLargeEnough) {
    TempDir dir;
    const std::string big = dir.file("big-thumb.heic"), small = dir.file("small-thumb.heic");
    ASSERT_TRUE(MakeHeif(big, Scene(320, 240), false, 160));
    ASSERT_TRUE(MakeHeif(small, Scene(320, 240), false, 64));

    QImage thumb = Load(big, 100, 80);
    EXPECT_EQ(thumb.size(), QSize(160, 120)) << "the file's own 160 x 120 thumbnail";
    EXPECT_EQ(Corners(thumb), kUpright);
    EXPECT_EQ(Load(big).size(), QSize(320, 240)) << "the viewer gets the whole picture";
    EXPECT_EQ(Load(small, 100, 80).size(), QSize(320, 240)) << "a thumbnail below 100 x 80 is not used";

    ASSERT_TRUE(RotateHeif(big, 3));
    thumb = Load(big, 80, 100);
    EXPECT_EQ(thumb.size(), QSize(120, 160));
    EXPECT_EQ(Corners(thumb), kQuarterClockwise);
}

TEST(ImagingRaw, DngDecodesWithItsColoursAndFlip) {
    TempDir dir;
    const std::string plain = dir.file("plain.dng"), turned = dir.file("TURNED.DNG");
    WriteAll(plain, MakeDng(Scene()));
    DngOptions six;
    six.orientation = 6;
    WriteAll(turned, MakeDng(Scene(), six));

    QImage img = Load(plain);
    EXPECT_EQ(img.size(), QSize(64, 48));
    EXPECT_EQ(Corners(img), kUpright);
    img = Load(turned);
    EXPECT_EQ(img.size(), QSize(48, 64));
    EXPECT_EQ(Corners(img), kQuarterClockwise);
}

TEST(ImagingRaw, ThumbnailsTakeTheEmbeddedPreviewWhenLargeEnough) {
    TempDir dir;
    // The previews are yellow, so a yellow result shows that the preview was used.
    DngOptions jpegPreview;
    jpegPreview.preview = Plain(160, 120, qRgb(255, 255, 0));
    jpegPreview.jpegPreview = Jpeg(jpegPreview.preview);
    DngOptions rgbPreview;
    rgbPreview.preview = Plain(160, 120, qRgb(255, 255, 0));
    const std::string a = dir.file("jpeg-preview.nef"), b = dir.file("rgb-preview.dng");
    WriteAll(a, MakeDng(Scene(256, 192), jpegPreview));
    WriteAll(b, MakeDng(Scene(256, 192), rgbPreview));
    for (const std::string& path : {a, b}) {
        const QImage thumb = Load(path, 100, 80);
        EXPECT_EQ(thumb.size(), QSize(160, 120)) << path;
        EXPECT_EQ(Corners(thumb), "yyyy") << path;
        const QImage full = Load(path);
        EXPECT_EQ(full.size(), QSize(256, 192)) << path;
        EXPECT_EQ(Corners(full), kUpright) << "the viewer decodes the raw data: " << path;
    }
}

TEST(ImagingRaw, PreviewIsTurnedByTheFlip) {
    TempDir dir;
    DngOptions options;
    options.orientation = 6;
    options.preview = Scene(160, 120);
    options.jpegPreview = Jpeg(options.preview);
    const std::string path = dir.file("turned-preview.cr2");
    WriteAll(path, MakeDng(Scene(256, 192), options));
    const QImage thumb = Load(path, 100, 80);
    EXPECT_EQ(thumb.size(), QSize(120, 160));
    EXPECT_EQ(Corners(thumb), kQuarterClockwise);
}

TEST(ImagingRaw, WithoutAUsablePreviewThumbnailsComeFromAHalfSizeDecode) {
    TempDir dir;
    DngOptions tiny;
    tiny.preview = Plain(32, 24, qRgb(255, 255, 0));
    tiny.jpegPreview = Jpeg(tiny.preview);
    const std::string small = dir.file("small-preview.dng"), none = dir.file("no-preview.dng");
    WriteAll(small, MakeDng(Scene(256, 192), tiny));
    WriteAll(none, MakeDng(Scene(256, 192)));
    for (const std::string& path : {small, none}) {
        const QImage thumb = Load(path, 100, 80);
        EXPECT_EQ(thumb.size(), QSize(128, 96)) << path;
        EXPECT_EQ(Corners(thumb), kUpright) << path;
    }
    // Half size would be too small: the whole picture is decoded.
    EXPECT_EQ(Load(none, 200, 100).size(), QSize(256, 192));
}

TEST(ImagingPhotoFormats, UndecodableFilesFailWithTheirName) {
    TempDir dir;
    const std::string heic = dir.file("broken.heic"), dng = dir.file("broken.dng");
    std::string heifBytes;
    ASSERT_TRUE(MakeHeif(heic, Scene()));
    heifBytes = testsupport::ReadAll(heic);
    WriteAll(heic, heifBytes.substr(0, heifBytes.size() / 2));
    WriteAll(dng, MakeDng(Scene()).substr(0, 40));
    for (const std::string& path : {heic, dng}) {
        QImage out(3, 3, QImage::Format_RGB32);
        out.fill(Qt::white);
        std::string error;
        EXPECT_FALSE(imaging::LoadPicture(path, out, error)) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_EQ(out.size(), QSize(3, 3)) << "the output is left as it was";
    }
}

TEST(ImagingPhotoFormats, ContentDecidesBeforeTheExtension) {
    TempDir dir;
    // A JPEG named .dng is read as the JPEG it is, a HEIC named .jpg as the HEIC it is.
    const std::string jpeg = dir.file("really-a-jpeg.dng"), heic = dir.file("really-a-heic.jpg");
    WriteAll(jpeg, Jpeg(Scene()));
    ASSERT_TRUE(MakeHeif(heic, Scene()));
    EXPECT_EQ(Corners(Load(jpeg)), kUpright);
    EXPECT_EQ(Corners(Load(heic)), kUpright);
    EXPECT_TRUE(imaging::IsCameraRawName("a/b/IMG_0001.CR3"));
    EXPECT_TRUE(imaging::IsCameraRawName("x.Arw"));
    EXPECT_FALSE(imaging::IsCameraRawName("x.dng/inside"));
    EXPECT_FALSE(imaging::IsCameraRawName("dng"));

    // HEIF is known by its file type box: the major brand or a compatible one.
    const auto heif = [](const std::string& box) {
        return imaging::LooksLikeHeif(reinterpret_cast<const unsigned char*>(box.data()), box.size());
    };
    const std::string size24("\0\0\0\x18", 4), minor("\0\0\0\0", 4);
    EXPECT_TRUE(heif(size24 + "ftypheic" + minor + "mif1heic"));
    EXPECT_TRUE(heif(size24 + "ftypMiHB" + minor + "MiHEmif1"));
    EXPECT_FALSE(heif(size24 + "ftypisom" + minor + "isomavc1"));  // a video
    EXPECT_FALSE(heif(size24 + "ftypisom" + minor + "isomavc1" + "mif1"));  // past the box
    EXPECT_FALSE(heif(size24 + "ftyp"));
}
