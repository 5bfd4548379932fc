// Reads arbitrary bytes as a packed DIB from a scanner or camera transfer, and draws it. Nothing
// may crash or read past the block; refusals are fine.
#include "Twain.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QImage image = TWAIN_DibToImage(data, size);
    if (!image.isNull() && image.width() * qint64(image.height()) > (qint64(1) << 28)) __builtin_trap();
    if (size > 0 && size < (1u << 20)) {
        void* block = std::malloc(size);
        std::memcpy(block, data, size);
        QImage surface(16, 16, QImage::Format_RGB32);
        TWAIN_DrawImage(surface, 0, 0, 16, 16, block, 2, 2);
        std::free(block);
    }
    return 0;
}
