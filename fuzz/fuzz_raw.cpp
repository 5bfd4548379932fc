// Decodes arbitrary bytes as a camera RAW file, at full size and at thumbnail size (the embedded
// preview or a half-size decode). Nothing may crash, read out of bounds or hang; failures are fine.
#include "JpegCodec.h"
#include "PhotoCodecs.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    QImage image;
    std::string error;
    if (imaging::DecodeCameraRaw(bytes, image, error) && image.format() != QImage::Format_RGB32)
        __builtin_trap();
    QImage thumb;
    if (imaging::DecodeCameraRaw(bytes, thumb, error, 100, 80)) {
        if (thumb.format() != QImage::Format_RGB32) __builtin_trap();
        (void)imaging::StretchTo(thumb, 100, 80);
    }
    return 0;
}
