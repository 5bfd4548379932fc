#pragma once
// Picture files: JPEG through libjpeg-turbo (upright by the EXIF orientation tag), BMP and the
// other formats Qt Gui reads. Failures return false with the decoder's error text.

#include <QImage>
#include <string>

namespace imaging {

// Decodes a JPEG file into a 32-bit image (QImage::Format_RGB32), turned upright by its EXIF
// orientation. When minWidth/minHeight are given (> 0), the decoder may use DCT scaling
// (1/2, 1/4, 1/8) as long as the decoded image stays at least that large (before rotation
// the requirement is applied to the upright size).
bool LoadJpeg(const std::string& path, QImage& out, std::string& error, int minWidth = 0,
              int minHeight = 0);

// Same, from bytes in memory.
bool DecodeJpeg(const std::string& bytes, QImage& out, std::string& error, int minWidth = 0,
                int minHeight = 0);

// Encodes baseline JPEG (default quality 90) and replaces the file atomically.
bool SaveJpeg(const QImage& image, const std::string& path, std::string& error, int quality = 90);

// BMP through Qt Gui; SaveBmp replaces the file atomically.
bool LoadBmp(const std::string& path, QImage& out, std::string& error);
bool SaveBmp(const QImage& image, const std::string& path, std::string& error);

// Any picture file: JPEG by its content (with EXIF orientation), otherwise whatever Qt reads
// (BMP, PNG, GIF, WebP, TIFF where the plugins exist).
bool LoadPicture(const std::string& path, QImage& out, std::string& error, int minWidth = 0,
                 int minHeight = 0);

// Scales the whole image into exactly width x height, both directions independently (the aspect
// ratio is not kept), smooth; the result is Format_RGB32.
QImage StretchTo(const QImage& image, int width, int height);

}  // namespace imaging
