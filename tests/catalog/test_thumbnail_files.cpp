// The album view's own BMP reader and picture memory.
#include <gtest/gtest.h>

#include <QBuffer>

#include "CatalogTestSupport.h"
#include "ThumbnailFiles.h"

using testsupport::WriteAll;

namespace {

QImage Pattern(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 41) & 255, (y * 67) & 255, (x * y) & 255));
    return img.convertToFormat(format);
}

std::string Bmp(const QImage& img) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "BMP");
    return std::string(bytes.constData(), size_t(bytes.size()));
}

// A top-down 24-bit BMP written by hand (negative height).
std::string TopDownBmp(const QImage& img) {
    const int w = img.width(), h = img.height();
    const uint32_t stride = uint32_t((w * 3 + 3) & ~3);
    std::string s = "BM" + cattest::Le32(54 + stride * uint32_t(h)) + cattest::Le32(0) + cattest::Le32(54) +
                    cattest::Le32(40) + cattest::Le32(uint32_t(w)) + cattest::Le32(uint32_t(-h)) +
                    cattest::Le16(1) + cattest::Le16(24) + cattest::Le32(0) + cattest::Le32(stride * uint32_t(h)) +
                    cattest::Le32(2835) + cattest::Le32(2835) + cattest::Le32(0) + cattest::Le32(0);
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const QRgb p = img.pixel(x, y);
            row += {char(qBlue(p)), char(qGreen(p)), char(qRed(p))};
        }
        row.resize(stride, '\0');
        s += row;
    }
    return s;
}

bool SameAsQt(const std::string& bytes, TPixelArena* arena) {
    QImage ours, qt;
    if (!DecodeThumbnailBmp(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), ours, arena))
        return false;
    if (!qt.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()), "BMP")) return false;
    if (ours.size() != qt.size()) return false;
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x)
            if (ours.pixel(x, y) != qt.pixel(x, y)) return false;
    return true;
}

}  // namespace

TEST(ThumbnailFiles, ReadsEveryBmpLikeQtDoes) {
    TPixelArena arena;
    for (TPixelArena* a : {static_cast<TPixelArena*>(nullptr), &arena}) {
        EXPECT_TRUE(SameAsQt(Bmp(Pattern(100, 80)), a));                              // the cache's own files
        EXPECT_TRUE(SameAsQt(Bmp(Pattern(3, 2)), a));                                 // padded lines
        EXPECT_TRUE(SameAsQt(Bmp(Pattern(7, 5, QImage::Format_Indexed8)), a));        // palette: Qt reads it
        EXPECT_TRUE(SameAsQt(Bmp(Pattern(9, 4, QImage::Format_Mono)), a));
        EXPECT_TRUE(SameAsQt(TopDownBmp(Pattern(5, 3)), a));
    }
    QImage out;
    const std::string pattern = TopDownBmp(Pattern(5, 3));
    ASSERT_TRUE(DecodeThumbnailBmp(reinterpret_cast<const unsigned char*>(pattern.data()), pattern.size(), out, &arena));
    EXPECT_EQ(out.pixel(4, 0), Pattern(5, 3).pixel(4, 0));
    EXPECT_EQ(out.format(), QImage::Format_RGB32);
}

TEST(ThumbnailFiles, DamagedFilesFail) {
    testsupport::TempDir tmp;
    const std::string good = Bmp(Pattern(100, 80));
    QImage out;
    for (size_t cut : {size_t(0), size_t(2), size_t(53), size_t(1000), good.size() - 1}) {
        WriteAll(tmp.file("cut.bmp"), good.substr(0, cut));
        EXPECT_FALSE(ReadThumbnailFile(tmp.file("cut.bmp"), out, nullptr)) << cut;
    }
    std::string huge = good;
    huge.replace(18, 4, cattest::Le32(0x7FFFFFFF));
    WriteAll(tmp.file("huge.bmp"), huge);
    EXPECT_FALSE(ReadThumbnailFile(tmp.file("huge.bmp"), out, nullptr));
    WriteAll(tmp.file("text.bmp"), "plain text, not a picture at all................................");
    EXPECT_FALSE(ReadThumbnailFile(tmp.file("text.bmp"), out, nullptr));
    EXPECT_FALSE(ReadThumbnailFile(tmp.file("missing.bmp"), out, nullptr));
    EXPECT_FALSE(ReadThumbnailFile(tmp.str(), out, nullptr));  // a folder
    WriteAll(tmp.file("good.bmp"), good);
    EXPECT_TRUE(ReadThumbnailFile(tmp.file("good.bmp"), out, nullptr));
    // Layouts that go through Qt: cut short, Qt would fill the missing lines with whatever the
    // memory held; such files are damaged too.
    const std::string palette = Bmp(Pattern(40, 30, QImage::Format_Indexed8));
    for (size_t cut : {palette.size() - 1, palette.size() - 200}) {
        WriteAll(tmp.file("cut8.bmp"), palette.substr(0, cut));
        EXPECT_FALSE(ReadThumbnailFile(tmp.file("cut8.bmp"), out, nullptr)) << cut;
    }
    WriteAll(tmp.file("whole8.bmp"), palette);
    EXPECT_TRUE(ReadThumbnailFile(tmp.file("whole8.bmp"), out, nullptr));
}

TEST(ThumbnailFiles, ArenaPicturesOutliveTheArenaAndEachOther) {
    std::vector<QImage> kept;
    {
        TPixelArena arena;
        std::vector<QImage> dropped;
        // More pictures than one block holds.
        for (int i = 0; i < 600; ++i) {
            QImage img = arena.NewImage(100, 80);
            img.fill(qRgb(i % 256, (i / 256) * 60, 7));
            (i % 3 ? dropped : kept).push_back(img);
        }
        dropped.clear();
        QImage copy = arena.Copy(Pattern(10, 10, QImage::Format_ARGB32));
        EXPECT_EQ(copy.format(), QImage::Format_RGB32);
        EXPECT_EQ(copy.pixel(3, 4), Pattern(10, 10).pixel(3, 4));
        kept.push_back(copy);
    }
    for (size_t k = 0; k + 1 < kept.size(); ++k) {
        const int i = int(k) * 3;
        EXPECT_EQ(kept[k].pixel(99, 79), qRgb(i % 256, (i / 256) * 60, 7)) << i;
    }
    // Painting on a shared copy leaves the original alone.
    QImage shared = kept[0];
    shared.fill(Qt::white);
    EXPECT_EQ(kept[0].pixel(0, 0), qRgb(0, 0, 7));
}
