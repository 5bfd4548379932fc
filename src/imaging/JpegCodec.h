#pragma once
// Picture files: JPEG through libjpeg-turbo (upright by the EXIF orientation tag), HEIF and
// camera RAW (PhotoCodecs.h), BMP and the other formats Qt Gui reads. Failures return false with the decoder's error text and leave
// the output image as it was.
//
// Every function here is reentrant and keeps no shared mutable state, so different threads may
// decode and encode different pictures at the same time (the album view makes thumbnails on
// all cores).

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <string>

namespace imaging {

// Largest decoded picture accepted, in pixels (1 GiB as 32-bit pixels). A JPEG whose decoded
// size would be larger is refused with an error instead of exhausting memory.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;

// Decodes a JPEG file into a 32-bit image (QImage::Format_RGB32), turned upright by its EXIF
// orientation. When minWidth/minHeight are given (> 0), the decoder may use DCT scaling
// (1/2, 1/4, 1/8) as long as the decoded image stays at least that large (before rotation
// the requirement is applied to the upright size).
//
// Grey, RGB, YCbCr, CMYK and YCCK pictures are read (CMYK from Adobe applications, stored
// inverted, is recognised by its Adobe marker). A file whose data ends early is an error. At 1/8
// scale a progressive JPEG is read only up to the first scans that carry every component's DC
// coefficients: a 1/8 picture is made of little else, so the result differs from reading every
// scan by about one level on average (a few at sharp colour edges), and thumbnails of large
// progressive photos cost a fraction of a full decode (a file cut short after those scans
// still gives its thumbnail).
bool LoadJpeg(const std::string& path, QImage& out, std::string& error, int minWidth = 0,
              int minHeight = 0);

// Same, from bytes in memory.
bool DecodeJpeg(const std::string& bytes, QImage& out, std::string& error, int minWidth = 0,
                int minHeight = 0);

// Encodes baseline JPEG (default quality 90, clamped to 1..100) into bytes. Any QImage format is
// accepted; transparent pixels are laid over white first.
bool EncodeJpeg(const QImage& image, std::string& bytes, std::string& error, int quality = 90);

// Encodes baseline JPEG (default quality 90) and replaces the file atomically.
bool SaveJpeg(const QImage& image, const std::string& path, std::string& error, int quality = 90);

// BMP through Qt Gui; SaveBmp replaces the file atomically. LoadBmp gives Format_RGB32
// (transparent pixels over white).
bool LoadBmp(const std::string& path, QImage& out, std::string& error);
bool SaveBmp(const QImage& image, const std::string& path, std::string& error);
// The bytes SaveBmp writes.
bool EncodeBmp(const QImage& image, std::string& bytes, std::string& error);

// Any picture file: JPEG and HEIF/AVIF by their content, camera RAW by its file name extension
// (PhotoCodecs.h), each turned upright; otherwise whatever Qt reads (BMP, PNG, GIF, WebP, TIFF
// where the plugins exist). The result is always Format_RGB32: pictures with transparency are
// laid over white, the background every view draws on. minWidth/minHeight speed up JPEG files
// (DCT scaling), HEIF files (their own thumbnail) and RAW files (the embedded preview, a
// half-size decode); other formats load at full size.
bool LoadPicture(const std::string& path, QImage& out, std::string& error, int minWidth = 0,
                 int minHeight = 0);

// Scales the whole image into exactly width x height, both directions independently (the aspect
// ratio is not kept), smooth; the result is Format_RGB32 (transparency over white). A null
// image or a size below 1 x 1 gives a null image.
QImage StretchTo(const QImage& image, int width, int height);

// The EXIF orientation (1..8) recorded in an APP1 segment's payload, which starts with
// "Exif\0\0" followed by a TIFF header. Anything missing, malformed or out of range gives 1
// (already upright). Reads only inside [data, data + size).
int ExifOrientation(const unsigned char* data, std::size_t size);

// Turns a picture stored with the given EXIF orientation upright: 2 mirrors left-right, 3 turns
// half way, 4 mirrors top-bottom, 5 transposes, 6 turns a quarter clockwise, 7 transposes
// across the other diagonal, 8 turns a quarter anticlockwise. Other values change nothing.
// The result is Format_RGB32.
QImage ApplyOrientation(const QImage& image, int orientation);

// Any image as Format_RGB32, transparent pixels laid over white.
QImage ToRgb32OverWhite(const QImage& image);

}  // namespace imaging
