// Decodes arbitrary bytes as a JPEG, at full size and at thumbnail scale, and reads them as an
// EXIF payload. Nothing may crash, read out of bounds or hang; failures are fine.
#include "JpegCodec.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    QImage image;
    std::string error;
    if (imaging::DecodeJpeg(bytes, image, error) && image.format() != QImage::Format_RGB32)
        __builtin_trap();
    QImage thumb;
    if (imaging::DecodeJpeg(bytes, thumb, error, 100, 80)) {
        if (thumb.format() != QImage::Format_RGB32) __builtin_trap();
        (void)imaging::StretchTo(thumb, 100, 80);
    }
    const int orientation = imaging::ExifOrientation(data, size);
    if (orientation < 1 || orientation > 8) __builtin_trap();
    return 0;
}
