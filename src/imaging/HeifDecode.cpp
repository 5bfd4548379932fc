// HEIF (HEIC) and AVIF pictures through libheif.

#include "PhotoCodecs.h"
#include "JpegCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace imaging {
namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleFree {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageFree {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
using Handle = std::unique_ptr<heif_image_handle, HandleFree>;

bool Failed(const heif_error& e, std::string& error) {
    if (e.code == heif_error_Ok) return false;
    error = std::string("The HEIF file could not be read: ") +
            (e.message && *e.message ? e.message : "unknown error");
    return true;
}

bool SizeAllowed(int width, int height, std::string& error) {
    if (width < 1 || height < 1) {
        error = "The HEIF file could not be read: the picture has no pixels";
        return false;
    }
    if (std::uint64_t(width) * std::uint64_t(height) > kMaxPixels) {
        error = "The picture is too large to open (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels)";
        return false;
    }
    return true;
}

// The smallest thumbnail that is at least minWidth x minHeight; null when there is none.
Handle PickThumbnail(heif_image_handle* primary, int minWidth, int minHeight) {
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0 || count > 64) return nullptr;
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    const int listed = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    Handle best;
    for (int i = 0; i < listed && i < count; ++i) {
        heif_image_handle* thumb = nullptr;
        if (heif_image_handle_get_thumbnail(primary, ids[std::size_t(i)], &thumb).code != heif_error_Ok ||
            !thumb)
            continue;
        Handle t(thumb);
        const int w = heif_image_handle_get_width(thumb), h = heif_image_handle_get_height(thumb);
        if (w < minWidth || h < minHeight) continue;
        if (!best || std::int64_t(w) * h < std::int64_t(heif_image_handle_get_width(best.get())) *
                                               heif_image_handle_get_height(best.get()))
            best = std::move(t);
    }
    return best;
}

bool DecodeHandle(heif_image_handle* handle, QImage& out, std::string& error) {
    if (!SizeAllowed(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle), error))
        return false;
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) {
        error = "Not enough memory to open the picture";
        return false;
    }
    options->convert_hdr_to_8bit = 1;  // pictures of 10 or 12 bits a channel come out as 8
    heif_image* decoded = nullptr;
    if (Failed(heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                 options.get()),
               error))
        return false;
    std::unique_ptr<heif_image, ImageFree> image(decoded);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    const int bytesPerPixel = alpha ? 4 : 3;
    if (!plane || !SizeAllowed(width, height, error) || stride < width * bytesPerPixel ||
        heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved) != 8) {
        if (error.empty()) error = "The HEIF file could not be read: no 8-bit RGB picture";
        return false;
    }
    QImage picture(width, height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB32);
    if (picture.isNull()) {
        error = "Not enough memory to open the picture (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels)";
        return false;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = plane + std::size_t(y) * std::size_t(stride);
        if (alpha) {
            std::memcpy(picture.scanLine(y), in, std::size_t(width) * 4);
            continue;
        }
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x, in += 3) row[x] = qRgb(in[0], in[1], in[2]);
    }
    QImage rgb = alpha ? ToRgb32OverWhite(picture) : std::move(picture);
    if (rgb.isNull()) {
        error = "Not enough memory to open the picture";
        return false;
    }
    out = std::move(rgb);
    return true;
}

}  // namespace

const std::vector<std::string>& HeifExtensions() {
    static const std::vector<std::string> extensions{"heic", "heif", "hif", "avif"};
    return extensions;
}

bool LooksLikeHeif(const unsigned char* head, std::size_t size) {
    if (size < 12 || std::memcmp(head + 4, "ftyp", 4) != 0) return false;
    static const char* const brands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm",
                                         "hevs", "mif1", "mif2", "msf1", "avif", "avis"};
    const auto isHeifBrand = [&](std::size_t at) {
        for (const char* brand : brands)
            if (std::memcmp(head + at, brand, 4) == 0) return true;
        return false;
    };
    if (isHeifBrand(8)) return true;
    // Otherwise one of the compatible brands (after the minor version) that lie in the bytes given.
    const std::size_t boxSize = std::size_t(head[0]) << 24 | std::size_t(head[1]) << 16 |
                                std::size_t(head[2]) << 8 | head[3];
    const std::size_t end = std::min(size, boxSize);
    for (std::size_t at = 16; at + 4 <= end; at += 4)
        if (isHeifBrand(at)) return true;
    return false;
}

bool DecodeHeif(const std::string& bytes, QImage& out, std::string& error, int minWidth,
                int minHeight) {
    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) {
        error = "Not enough memory to open the picture";
        return false;
    }
    // Width x height of every picture in the file stays within kMaxPixels (a square's side).
    heif_context_set_maximum_image_size_limit(context.get(),
                                              int(std::sqrt(double(kMaxPixels))));
    if (Failed(heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                          nullptr),
               error))
        return false;
    heif_image_handle* primary = nullptr;
    if (Failed(heif_context_get_primary_image_handle(context.get(), &primary), error)) return false;
    Handle handle(primary);
    if (minWidth > 0 || minHeight > 0) {
        if (Handle thumb = PickThumbnail(primary, minWidth, minHeight)) {
            std::string thumbError;
            if (DecodeHandle(thumb.get(), out, thumbError)) return true;
            // A broken thumbnail does not make the photo unreadable.
        }
    }
    return DecodeHandle(primary, out, error);
}

}  // namespace imaging
