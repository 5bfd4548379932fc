// BMP pictures from arbitrary bytes, as the thumbnail cache reads them: a decode either fails
// or gives a picture of sane size, and the arena and the heap give the same pixels.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "ThumbnailFiles.h"
#include "FuzzSupport.h"

using fuzzsupport::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TPixelArena arena;
    QImage heap, pooled;
    const bool a = DecodeThumbnailBmp(data, size, heap, nullptr);
    const bool b = DecodeThumbnailBmp(data, size, pooled, &arena);
    Check(a == b, "arena and heap agree on success");
    if (!a) return 0;
    Check(!heap.isNull() && heap.width() > 0 && heap.height() > 0, "a decoded picture has pixels");
    Check(heap.size() == pooled.size(), "same size");
    if (heap.format() == QImage::Format_RGB32 && pooled.format() == QImage::Format_RGB32)
        for (int y = 0; y < heap.height(); ++y)
            for (int x = 0; x < heap.width(); ++x) Check(heap.pixel(x, y) == pooled.pixel(x, y), "same pixels");
    return 0;
}
