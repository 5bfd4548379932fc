// Reading and drawing packed DIBs: depths, palettes, row order, and blocks that do not hold
// what their header claims.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "Twain.h"

namespace {

std::string Dib(int w, int h, int bits, std::uint32_t clrUsed, const std::string& palette, const std::string& rows) {
    TWAIN_BITMAPINFOHEADER hdr{};
    hdr.biSize = sizeof hdr;
    hdr.biWidth = w;
    hdr.biHeight = h;
    hdr.biPlanes = 1;
    hdr.biBitCount = std::uint16_t(bits);
    hdr.biClrUsed = clrUsed;
    std::string out(reinterpret_cast<const char*>(&hdr), sizeof hdr);
    return out + palette + rows;
}

TWAIN_HIMAGE Block(const std::string& bytes) {
    void* p = std::malloc(bytes.size());
    std::memcpy(p, bytes.data(), bytes.size());
    return p;
}

TEST(TwainDib, TwentyFourBitRowsAreBottomUpWithPadding) {
    // 2 x 2: bottom row blue, green; top row red, white. Rows pad to 8 bytes.
    std::string rows = std::string("\xff\x00\x00\x00\xff\x00\x00\x00", 8) + std::string("\x00\x00\xff\xff\xff\xff\x00\x00", 8);
    QImage img = TWAIN_DibToImage(Dib(2, 2, 24, 0, "", rows).data(), sizeof(TWAIN_BITMAPINFOHEADER) + 16);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(1, 1), qRgb(0, 255, 0));
}

TEST(TwainDib, TopDownRowsWhenTheHeightIsNegative) {
    std::string rows = std::string("\x00\x00\xff\x00", 4) + std::string("\xff\x00\x00\x00", 4);
    QImage img = TWAIN_DibToImage(Dib(1, -2, 24, 0, "", rows).data(), 40 + 8);
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(0, 1), qRgb(0, 0, 255));
}

TEST(TwainDib, GreyWithItsPaletteAndLineArt) {
    std::string palette;
    for (int i = 0; i < 256; ++i) palette += std::string(3, char(i)) + '\0';
    std::string rows("\x00\x80\xff\x00", 4);  // 3 pixels + 1 pad
    std::string dib = Dib(3, 1, 8, 0, palette, rows);
    QImage img = TWAIN_DibToImage(dib.data(), dib.size());
    ASSERT_EQ(img.format(), QImage::Format_Indexed8);
    EXPECT_EQ(img.pixel(1, 0), qRgb(128, 128, 128));
    EXPECT_EQ(img.pixel(2, 0), qRgb(255, 255, 255));

    std::string bw = Dib(10, 1, 1, 2, std::string("\x00\x00\x00\x00\xff\xff\xff\x00", 8), std::string("\xa0\x40\x00\x00", 4));
    QImage line = TWAIN_DibToImage(bw.data(), bw.size());
    ASSERT_FALSE(line.isNull());
    EXPECT_EQ(line.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(line.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(line.pixel(2, 0), qRgb(255, 255, 255));
    EXPECT_EQ(line.pixel(9, 0), qRgb(255, 255, 255));
}

TEST(TwainDib, BlocksThatDoNotHoldTheirHeadersClaimAreRefused) {
    std::string good = Dib(2, 2, 24, 0, "", std::string(16, '\0'));
    EXPECT_FALSE(TWAIN_DibToImage(good.data(), good.size()).isNull());
    EXPECT_TRUE(TWAIN_DibToImage(good.data(), good.size() - 1).isNull());  // last row cut
    EXPECT_TRUE(TWAIN_DibToImage(good.data(), 39).isNull());
    EXPECT_TRUE(TWAIN_DibToImage(nullptr, 100).isNull());
    EXPECT_TRUE(TWAIN_DibToImage(Dib(0, 2, 24, 0, "", std::string(16, '\0')).data(), 56).isNull());
    EXPECT_TRUE(TWAIN_DibToImage(Dib(2, 2, 7, 0, "", std::string(16, '\0')).data(), 56).isNull());
    std::string huge = Dib(0x7fffffff, 0x7fffffff, 32, 0, "", "");
    EXPECT_TRUE(TWAIN_DibToImage(huge.data(), huge.size()).isNull());
    std::string manyColours = Dib(1, 1, 8, 300, std::string(1200, '\0'), std::string(4, '\0'));
    EXPECT_TRUE(TWAIN_DibToImage(manyColours.data(), manyColours.size()).isNull());
    // An 8-bit image without its 256-entry table does not fit its block.
    std::string noTable = Dib(4, 1, 8, 0, "", std::string(4, '\0'));
    EXPECT_TRUE(TWAIN_DibToImage(noTable.data(), noTable.size()).isNull());
}

TEST(TwainDib, DrawImageCopiesOneToOneFromTheSourceOrigin) {
    // 3 x 1 top-down: red, green, blue.
    std::string rows("\x00\x00\xff\x00\xff\x00\xff\x00\x00\x00\x00\x00", 12);
    TWAIN_HIMAGE image = Block(Dib(3, -1, 24, 0, "", rows));
    EXPECT_EQ(TWAIN_ImageWidth(image), 3);
    EXPECT_EQ(TWAIN_ImageHeight(image), -1);
    QImage surface(4, 2, QImage::Format_RGB32);
    surface.fill(Qt::black);
    ASSERT_TRUE(TWAIN_DrawImage(surface, 1, 1, 2, 1, image, 1, 0));
    EXPECT_EQ(surface.pixel(0, 1), qRgb(0, 0, 0));
    EXPECT_EQ(surface.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(surface.pixel(2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(surface.pixel(3, 1), qRgb(0, 0, 0));
    EXPECT_EQ(surface.pixel(1, 0), qRgb(0, 0, 0));
    TWAIN_FreeImage(image);
    EXPECT_FALSE(TWAIN_DrawImage(surface, 0, 0, 1, 1, nullptr, 0, 0));
    EXPECT_EQ(TWAIN_ImageWidth(nullptr), 0);
}

}  // namespace
