// Decodes arbitrary bytes as a HEIF/AVIF file, at full size and at thumbnail size (which may
// pick the file's own thumbnail). Nothing may crash, read out of bounds or hang; failures are fine.
#include "JpegCodec.h"
#include "PhotoCodecs.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)imaging::LooksLikeHeif(data, size);
    QImage image;
    std::string error;
    if (imaging::DecodeHeif(bytes, image, error) && image.format() != QImage::Format_RGB32)
        __builtin_trap();
    QImage thumb;
    if (imaging::DecodeHeif(bytes, thumb, error, 100, 80)) {
        if (thumb.format() != QImage::Format_RGB32) __builtin_trap();
        (void)imaging::StretchTo(thumb, 100, 80);
    }
    return 0;
}
