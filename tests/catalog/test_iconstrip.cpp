// The LZRW1/KH chunk codec and the icon strip file.
#include <gtest/gtest.h>

#include <random>

#include "CatalogTestSupport.h"
#include "Lzrw1kh.h"
#include "TIconStrip.h"

using cattest::Le32;
using cattest::ReadLe32;

namespace {

std::string Decode(const std::string& chunk, bool* ok = nullptr) {
    std::string out;
    const bool r = lzrw1kh::DecodeChunk(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), out);
    if (ok) *ok = r;
    return out;
}

bool DecodeFails(const std::string& chunk) {
    bool ok = true;
    Decode(chunk, &ok);
    return !ok;
}

std::string RoundTrip(const std::string& data) {
    const std::string body = lzrw1kh::EncodeBlock(data);
    std::string out, why;
    EXPECT_TRUE(lzrw1kh::DecodeBlock(reinterpret_cast<const uint8_t*>(body.data()), body.size(), out, &why))
        << why;
    return out;
}

QImage Icon(QRgb a, QRgb b) {
    QImage img(16, 16, QImage::Format_RGB32);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) img.setPixel(x, y, (x + y) % 3 == 0 ? a : b);
    return img;
}

bool SamePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
    return true;
}

TIconStrip ThreeIcons() {
    TIconStrip s;
    s.Add(Icon(qRgb(255, 0, 0), qRgb(255, 255, 255)));
    s.Add(Icon(qRgb(0, 128, 0), qRgb(0, 0, 0)));
    s.Add(Icon(qRgb(0, 0, 255), qRgb(255, 255, 0)));
    return s;
}

// The BMP file of the picture block of a strip file written uncompressed.
std::string PictureBmp(const std::string& file, size_t recordStart = 17) {
    size_t p = recordStart;
    const uint8_t flags = static_cast<uint8_t>(file[p++]);
    if (flags & 2) p += 1 + static_cast<uint8_t>(file[p]);
    if (flags & 4) p += 4;
    p += 4 * 3 + 1 + 4;
    const uint32_t len = ReadLe32(file, p);
    return file.substr(p + 4, len);
}

}  // namespace

TEST(Lzrw1khChunk, StoredChunkIsItsBytesAfterTheFlag) {
    EXPECT_EQ(Decode(std::string("\x80" "abc\0def", 8)), std::string("abc\0def", 7));
    EXPECT_EQ(Decode("\x80"), "");
}

TEST(Lzrw1khChunk, LiteralsCopiesAndRuns) {
    // 'a', 'b', then a copy of 4 bytes from 2 back that overlaps its own output.
    EXPECT_EQ(Decode(std::string("\x40\x20\x00" "ab\x00\x21", 7)), "ababab");
    // A run: offset 0, 0 * 256 + 4 + 16 copies of 'z'.
    EXPECT_EQ(Decode(std::string("\x40\x80\x00\x00\x00\x04z", 7)), std::string(20, 'z'));
    // Seventeen literals need a second control word after the sixteenth.
    EXPECT_EQ(Decode(std::string("\x40\x00\x00" "ABCDEFGHIJKLMNOP\x00\x00Q", 22)), "ABCDEFGHIJKLMNOPQ");
    // The control word is big-endian: 0x0001 makes only the sixteenth item a reference.
    EXPECT_EQ(Decode(std::string("\x40\x00\x01" "abcdefghijklmno\x00\x41", 20)), "abcdefghijklmnolmno");
}

TEST(Lzrw1khChunk, CorruptChunksAreErrorsNotReadsOutsideTheBuffers) {
    EXPECT_TRUE(DecodeFails(""));
    EXPECT_TRUE(DecodeFails("\x41xyz"));                                  // unknown flag
    EXPECT_TRUE(DecodeFails("\x40\x80"));                                 // control word cut short
    EXPECT_TRUE(DecodeFails(std::string("\x40\x80\x00\x00", 4)));         // reference cut short
    EXPECT_TRUE(DecodeFails(std::string("\x40\x80\x00\x00\x00\x04", 6))); // run cut short
    EXPECT_TRUE(DecodeFails(std::string("\x40\x40\x00" "a\x00\x20", 6))); // copy from 2 back after 1 byte
    EXPECT_TRUE(DecodeFails(std::string("\x40\x80\x00\xff\xf0", 5)));     // copy before the chunk start
    EXPECT_TRUE(DecodeFails(std::string("\x40\x00\x00" "ABCDEFGHIJKLMNOP\x00", 20)));  // half a control word
    // Nine runs of 4111 bytes exceed what one chunk may hold.
    std::string big("\x40\xff\x80", 3);
    for (int i = 0; i < 9; ++i) big += std::string("\x00\x0f\xff" "a", 4);
    EXPECT_TRUE(DecodeFails(big));
    EXPECT_TRUE(DecodeFails("\x80" + std::string(lzrw1kh::kMaxChunkOutput + 1, 'x')));
}

TEST(Lzrw1khBlock, RoundTripsOfEveryKindOfData) {
    std::mt19937 rng(7);
    std::string random(100000, '\0');
    for (auto& c : random) c = static_cast<char>(rng());
    std::string text;
    while (text.size() < 90000) text += "the quick brown fox " + std::to_string(text.size() % 97) + "\n";
    std::string runs = std::string(5000, 'a') + std::string(3, 'b') + std::string(70000, '\0') + "end";
    const std::vector<std::string> cases = {"", "x", "xy", "xyz", random, text, runs,
                                            std::string(lzrw1kh::kEncodePiece, 'q'),
                                            std::string(lzrw1kh::kEncodePiece + 1, 'q')};
    for (const auto& data : cases) EXPECT_EQ(RoundTrip(data), data) << "size " << data.size();

    // Repetitive data shrinks; incompressible pieces are stored with 0x80 and grow by one byte
    // per chunk only.
    EXPECT_LT(lzrw1kh::EncodeBlock(text).size(), text.size() / 2);
    EXPECT_LT(lzrw1kh::EncodeBlock(runs).size(), 200u);
    const std::string noisy = lzrw1kh::EncodeBlock(random);
    EXPECT_EQ(noisy.size(), random.size() + 4 * 5);  // four chunks: 4 bytes of length + 1 flag each
    EXPECT_EQ(static_cast<uint8_t>(noisy[4]), 0x80);
}

TEST(Lzrw1khBlock, ChunkLengthsAreChecked) {
    std::string out, why;
    const std::string pastEnd = Le32(10) + "\x80" "abc";
    EXPECT_FALSE(lzrw1kh::DecodeBlock(reinterpret_cast<const uint8_t*>(pastEnd.data()), pastEnd.size(), out, &why));
    const std::string negative = Le32(0xFFFFFFF0u) + "\x80";
    EXPECT_FALSE(lzrw1kh::DecodeBlock(reinterpret_cast<const uint8_t*>(negative.data()), negative.size(), out, &why));
    const std::string shortHeader("\x02\x00", 2);
    EXPECT_FALSE(lzrw1kh::DecodeBlock(reinterpret_cast<const uint8_t*>(shortHeader.data()), 2, out, &why));
    const std::string twoChunks = Le32(3) + "\x80" "ab" + Le32(2) + "\x80" "c";
    out.clear();
    EXPECT_TRUE(lzrw1kh::DecodeBlock(reinterpret_cast<const uint8_t*>(twoChunks.data()), twoChunks.size(), out, &why));
    EXPECT_EQ(out, "abc");
}

TEST(IconStripFile, ProgramStripAndHeaderBytes) {
    TIconStrip fresh;
    EXPECT_EQ(fresh.Description(), "combo");
    EXPECT_FALSE(fresh.Compressed());
    EXPECT_FALSE(fresh.Masked());
    EXPECT_EQ(fresh.DepthCode(), 0);
    EXPECT_EQ(fresh.Count(), 0);
    std::string bytes;
    ASSERT_TRUE(fresh.ToBytes(bytes));
    // Signature, 1, 17, flags (description), "combo", height, width, growth, unmasked, no pictures.
    const std::string expected = std::string("\x08LMDIML30", 9) + Le32(1) + Le32(17) + "\x02" "\x05" "combo" +
                                 Le32(16) + Le32(16) + Le32(4) + std::string(1, '\0') + Le32(0);
    EXPECT_EQ(bytes, expected);

    TIconStrip three = ThreeIcons();
    ASSERT_TRUE(three.ToBytes(bytes));
    const unsigned char head[17] = {0x08, 0x4C, 0x4D, 0x44, 0x49, 0x4D, 0x4C, 0x33, 0x30,
                                    0x01, 0x00, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00};
    EXPECT_EQ(bytes.substr(0, 17), std::string(reinterpret_cast<const char*>(head), 17));
    const std::string bmp = PictureBmp(bytes);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    QImage strip;
    ASSERT_TRUE(strip.loadFromData(reinterpret_cast<const uchar*>(bmp.data()), int(bmp.size()), "BMP"));
    EXPECT_EQ(strip.size(), QSize(48, 16));  // the pictures side by side
}

TEST(IconStripFile, ThreeIconsRoundTripInOrder) {
    testsupport::TempDir tmp;
    TIconStrip three = ThreeIcons();
    three.SetIdentifier(77);
    three.SetGrowthStep(9);
    ASSERT_TRUE(three.SaveToFile(tmp.file("icons.pdat")));
    TIconStrip back;
    std::string error;
    ASSERT_TRUE(back.LoadFromFile(tmp.file("icons.pdat"), &error)) << error;
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SamePixels(back.Picture(i), three.Picture(i))) << i;
    EXPECT_EQ(back.Identifier(), 77);
    EXPECT_EQ(back.GrowthStep(), 9);
    EXPECT_EQ(back.Description(), "combo");
    EXPECT_EQ(back.Flags(), 0x06);
}

TEST(IconStripFile, CompressedMaskedStripRoundTrips) {
    TIconStrip s = ThreeIcons();
    s.SetCompressed(true);
    s.SetMasked(true);
    QImage mask(16, 16, QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mask.fill(0);
    for (int i = 0; i < 16; ++i) mask.setPixel(i, i, 1);  // a transparent diagonal
    s.Replace(1, s.Picture(1), mask);
    std::string bytes;
    ASSERT_TRUE(s.ToBytes(bytes));
    EXPECT_EQ(static_cast<uint8_t>(bytes[17]), 0x03);

    TIconStrip back;
    std::string error;
    ASSERT_TRUE(back.LoadFromBytes(bytes, &error)) << error;
    EXPECT_TRUE(back.Compressed());
    EXPECT_TRUE(back.Masked());
    ASSERT_EQ(back.Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SamePixels(back.Picture(i), s.Picture(i))) << i;
    const QImage icon = back.IconWithAlpha(1);
    EXPECT_EQ(qAlpha(icon.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(5, 6)), 255);
    EXPECT_EQ(qAlpha(back.IconWithAlpha(0).pixel(5, 5)), 255);
    // Saving what was read gives the same file.
    std::string again;
    ASSERT_TRUE(back.ToBytes(again));
    EXPECT_EQ(again, bytes);
}

TEST(IconStripFile, DepthCodesSelectTheBmpBitCount) {
    const int expectedBits[4] = {24, 1, 4, 8};
    for (int code = 0; code <= 3; ++code) {
        TIconStrip s = ThreeIcons();
        s.SetDepthCode(code);
        std::string bytes;
        ASSERT_TRUE(s.ToBytes(bytes));
        EXPECT_EQ(static_cast<uint8_t>(bytes[17]) & 0x70, code == 0 ? 0 : 0x10 << (code - 1));
        const std::string bmp = PictureBmp(bytes);
        EXPECT_EQ(cattest::ReadLe16(bmp, 28), expectedBits[code]) << "code " << code;
        TIconStrip back;
        ASSERT_TRUE(back.LoadFromBytes(bytes));
        EXPECT_EQ(back.DepthCode(), code);
        std::string again;
        ASSERT_TRUE(back.ToBytes(again));
        EXPECT_EQ(again, bytes) << "code " << code;
        EXPECT_EQ(back.Count(), 3);
        // The palette colours used by these icons survive 16 and 256 colours unchanged.
        if (code >= 2) {
            for (int i = 0; i < 3; ++i) EXPECT_TRUE(SamePixels(back.Picture(i), s.Picture(i))) << code;
        }
    }
}

TEST(IconStripFile, DamagedFilesAreRejectedAndLeaveTheStripAlone) {
    TIconStrip good = ThreeIcons();
    good.SetCompressed(true);
    std::string bytes;
    ASSERT_TRUE(good.ToBytes(bytes));

    TIconStrip s = ThreeIcons();
    s.SetDescription("mine");
    auto rejected = [&](const std::string& file) {
        std::string error;
        const bool ok = s.LoadFromBytes(file, &error);
        EXPECT_FALSE(error.empty() && !ok);
        return !ok && s.Count() == 3 && s.Description() == "mine";
    };
    std::string wrongSig = bytes;
    wrongSig[5] = 'X';  // 0x08 then "LMDXML30"
    EXPECT_TRUE(rejected(wrongSig));
    EXPECT_TRUE(rejected(""));
    EXPECT_TRUE(rejected("\x08LMDIML30"));
    // Every truncation of a valid file fails cleanly.
    for (size_t n = 0; n < bytes.size(); ++n) EXPECT_TRUE(rejected(bytes.substr(0, n))) << n;
    // A corrupt chunk: its flag byte is neither 0x40 nor 0x80.
    std::string corrupt = bytes;
    const size_t firstChunk = 17 + 1 + 6 + 12 + 1 + 4 + 4 + 4;
    ASSERT_TRUE(corrupt[firstChunk] == '\x40' || corrupt[firstChunk] == '\x80');
    corrupt[firstChunk] = '\x41';
    EXPECT_TRUE(rejected(corrupt));
    // Impossible sizes and counts.
    std::string huge = bytes;
    huge.replace(17 + 1 + 6 + 12 + 1, 4, Le32(0x7FFFFFFF));
    EXPECT_TRUE(rejected(huge));
    std::string zeroWidth = bytes;
    zeroWidth.replace(17 + 1 + 6 + 4, 4, Le32(0));
    EXPECT_TRUE(rejected(zeroWidth));
    // A picture block that is no BMP.
    TIconStrip plain = ThreeIcons();
    std::string raw;
    ASSERT_TRUE(plain.ToBytes(raw));
    const size_t bmpAt = 17 + 1 + 6 + 12 + 1 + 4 + 4;
    raw[bmpAt] = 'X';
    EXPECT_TRUE(rejected(raw));
    // A strip that claims more pictures than its bitmap holds.
    std::string tooMany = raw;
    tooMany[bmpAt] = 'B';
    tooMany.replace(17 + 1 + 6 + 12 + 1, 4, Le32(4));
    EXPECT_TRUE(rejected(tooMany));

    std::string error;
    EXPECT_FALSE(s.LoadFromFile("/nonexistent/strip.pdat", &error));
    EXPECT_FALSE(error.empty());
}

TEST(IconStripFile, ShippedDefaultsHoldTheAlbumIcons) {
    const char* dataDir = std::getenv("LUMAVELL_DATA_DIR");
    if (!dataDir) dataDir = LUMAVELL_DATA_DIR_FALLBACK;
    TIconStrip s;
    std::string error;
    ASSERT_TRUE(s.LoadFromFile(std::string(dataDir) + "/defaults.iml", &error)) << error;
    EXPECT_GE(s.Count(), 5);
    EXPECT_EQ(s.Width(), 16);
    EXPECT_EQ(s.Height(), 16);
    EXPECT_EQ(s.Description(), "combo");
    for (int i = 0; i < s.Count(); ++i) {
        // Every icon shows something: neither blank nor fully transparent.
        const QImage icon = s.IconWithAlpha(i);
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) opaque += qAlpha(icon.pixel(x, y)) > 0;
        EXPECT_GT(opaque, 40) << "icon " << i;
    }
    QImage notFound;
    ASSERT_TRUE(notFound.load(QString(dataDir) + "/notfound.bmp", "BMP"));
    EXPECT_EQ(notFound.size(), QSize(100, 80));
}
