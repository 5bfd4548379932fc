// The EXIF orientation parser and upright decoding of turned and mirrored photos.

#include "JpegCodec.h"
#include "JpegTestSupport.h"

#include <gtest/gtest.h>

using namespace imagingtest;

namespace {

int Orientation(const std::string& payload) {
    // An exactly sized heap copy, so the sanitizer build catches any read past the end.
    std::vector<unsigned char> bytes(payload.begin(), payload.end());
    return imaging::ExifOrientation(bytes.empty() ? nullptr : bytes.data(), bytes.size());
}

enum Corner { TL, TR, BL, BR };

}  // namespace

TEST(ImagingExifOrientation, ReadsEveryValueInBothByteOrders) {
    for (bool little : {false, true})
        for (int o = 1; o <= 8; ++o)
            EXPECT_EQ(Orientation(OrientationPayload(o, little)), o) << little;
}

TEST(ImagingExifOrientation, FindsTheTagAmongOtherEntries) {
    const std::vector<IfdEntry> entries = {
        {0x010f, 2, 6, 0x1234},  // Make, stored elsewhere
        {0x0110, 2, 6, 0x1240},  // Model
        {0x0112, 3, 1, 6},       // Orientation
        {0x011a, 5, 1, 0x1250},  // XResolution
    };
    EXPECT_EQ(Orientation(ExifPayload(entries, true)), 6);
    EXPECT_EQ(Orientation(ExifPayload(entries, false)), 6);
    // Some writers store it as a LONG.
    EXPECT_EQ(Orientation(ExifPayload({{0x0112, 4, 1, 8}}, false)), 8);
}

TEST(ImagingExifOrientation, MalformedOrOutOfRangeMeansUpright) {
    EXPECT_EQ(Orientation(""), 1);
    EXPECT_EQ(Orientation(OrientationPayload(0, true)), 1);
    EXPECT_EQ(Orientation(OrientationPayload(9, true)), 1);
    EXPECT_EQ(Orientation(ExifPayload({{0x0112, 3, 2, 6}}, true)), 1) << "count must be 1";
    EXPECT_EQ(Orientation(ExifPayload({{0x0112, 2, 1, 6}}, true)), 1) << "ASCII is not a number";
    EXPECT_EQ(Orientation(ExifPayload({{0x0113, 3, 1, 6}}, true)), 1) << "another tag";

    std::string bad = OrientationPayload(6, true);
    bad[0] = 'e';
    EXPECT_EQ(Orientation(bad), 1) << "not Exif";
    bad = OrientationPayload(6, true);
    bad[6] = 'X';
    EXPECT_EQ(Orientation(bad), 1) << "no byte-order mark";
    bad = OrientationPayload(6, false);
    bad[9] = 43;
    EXPECT_EQ(Orientation(bad), 1) << "not 42";

    // IFD0 offsets that point past the end, into the header, or wrap around.
    for (unsigned long offset : {0ul, 4ul, 26ul, 1000ul, 0xfffffff0ul}) {
        std::string s = OrientationPayload(6, false);
        for (int i = 0; i < 4; ++i) s[10 + i] = char(offset >> (24 - 8 * i) & 0xff);
        EXPECT_EQ(Orientation(s), 1) << offset;
    }

    // An entry count far larger than the entries present.
    std::string many = OrientationPayload(3, false).substr(0, 6 + 8);
    many += "\xff\xff";
    many += std::string(20, '\0');
    EXPECT_EQ(Orientation(many), 1);
}

TEST(ImagingExifOrientation, EveryPrefixIsReadSafely) {
    const std::string full = OrientationPayload(5, true);
    const size_t entryEnd = 6 + 8 + 2 + 12;  // header, TIFF header, count, the one entry
    for (size_t n = 0; n <= full.size(); ++n)
        EXPECT_EQ(Orientation(full.substr(0, n)), n >= entryEnd ? 5 : 1) << n;
}

TEST(ImagingExifOrientation, PhotosAreTurnedUpright) {
    // Where each stored corner (row 0 / column 0 ...) ends up when shown, per orientation:
    // e.g. 6 = "row 0 is the visual right side, column 0 the top".
    const Corner whereStored[9][4] = {
        {},                // unused
        {TL, TR, BL, BR},  // 1
        {TR, TL, BR, BL},  // 2
        {BR, BL, TR, TL},  // 3
        {BL, BR, TL, TR},  // 4
        {TL, BL, TR, BR},  // 5
        {TR, BR, TL, BL},  // 6
        {BR, TR, BL, TL},  // 7
        {BL, TL, BR, TR},  // 8
    };
    const QRgb storedColour[4] = {kRed, kGreen, kBlue, kWhite};  // TL, TR, BL, BR of Quadrants
    const std::string plain = EncodeWithLibjpeg(Quadrants(48, 32));
    for (bool little : {false, true})
        for (int o = 1; o <= 8; ++o) {
            SCOPED_TRACE("orientation " + std::to_string(o) + (little ? " II" : " MM"));
            QImage img;
            std::string error;
            ASSERT_TRUE(
                imaging::DecodeJpeg(WithApp1(plain, OrientationPayload(o, little)), img, error))
                << error;
            EXPECT_EQ(img.size(), o >= 5 ? QSize(32, 48) : QSize(48, 32));
            EXPECT_EQ(img.format(), QImage::Format_RGB32);
            const auto shown = QuadrantColours(img);  // TL, TR, BL, BR as shown
            for (int corner = 0; corner < 4; ++corner)
                EXPECT_TRUE(Near(shown[whereStored[o][corner]], storedColour[corner]))
                    << "stored corner " << corner << " shows " << std::hex
                    << shown[whereStored[o][corner]];
        }
}

TEST(ImagingExifOrientation, ExifAfterAnotherApp1SegmentIsStillFound) {
    const std::string xmp = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + "<x:xmpmeta/>";
    const std::string jpeg =
        WithApp1(WithApp1(EncodeWithLibjpeg(Quadrants(48, 32)), OrientationPayload(6, true)), xmp);
    QImage img;
    std::string error;
    ASSERT_TRUE(imaging::DecodeJpeg(jpeg, img, error)) << error;
    EXPECT_EQ(img.size(), QSize(32, 48));
    EXPECT_TRUE(Near(img.pixel(24, 8), kRed)) << "stored top-left shown top-right";
}

TEST(ImagingExifOrientation, BrokenExifStillDecodesUnturned) {
    std::string payload = OrientationPayload(6, false);
    payload.resize(payload.size() - 8);  // cut inside the entry
    QImage img;
    std::string error;
    ASSERT_TRUE(
        imaging::DecodeJpeg(WithApp1(EncodeWithLibjpeg(Quadrants(48, 32)), payload), img, error))
        << error;
    EXPECT_EQ(img.size(), QSize(48, 32));
}
