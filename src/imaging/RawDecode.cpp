// Camera RAW pictures through LibRaw (the reentrant build).

#include "PhotoCodecs.h"
#include "ImagingFiles.h"
#include "JpegCodec.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace imaging {
namespace {

// Raw data take 2 bytes a pixel and the working picture 8, so a RAW file may describe at most
// half as many pixels as any other picture.
constexpr std::uint64_t kMaxRawPixels = kMaxPixels / 2;
// Compressed raw data need more than a bit for every 64 pixels, so a file that claims more pixels
// than that is damaged; checked before any pixel memory is spent on it.
constexpr std::uint64_t kMaxPixelsPerByte = 64;

// LibRaw's flip (bit 0 mirrors left-right, bit 1 top-bottom, bit 2 transposes) as an EXIF
// orientation.
int OrientationOfFlip(int flip) {
    static const int orientation[8] = {1, 2, 4, 3, 5, 8, 6, 7};
    return orientation[flip & 7];
}

void IgnoreDataError(void*, const char*, const int) {}

struct ProcessedFree {
    void operator()(libraw_processed_image_t* image) const { LibRaw::dcraw_clear_mem(image); }
};

std::string LibRawError(int code) {
    return std::string("The camera RAW file could not be read: ") + libraw_strerror(code);
}

// An 8-bit RGB (3 bytes a pixel) or grey (1 byte) pixel block as Format_RGB32.
bool FromRgb8(const unsigned char* data, std::size_t size, int width, int height, int colors,
              QImage& out, std::string& error) {
    if (width < 1 || height < 1 || (colors != 1 && colors != 3) ||
        std::uint64_t(width) * std::uint64_t(height) > kMaxPixels ||
        size < std::size_t(width) * std::size_t(height) * std::size_t(colors)) {
        error = "The camera RAW file could not be read: its picture data are damaged";
        return false;
    }
    QImage picture(width, height, QImage::Format_RGB32);
    if (picture.isNull()) {
        error = "Not enough memory to open the picture (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels)";
        return false;
    }
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = data + std::size_t(y) * std::size_t(width) * std::size_t(colors);
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x, in += colors)
            row[x] = colors == 3 ? qRgb(in[0], in[1], in[2]) : qRgb(in[0], in[0], in[0]);
    }
    out = std::move(picture);
    return true;
}

bool Covers(const QImage& image, int minWidth, int minHeight) {
    return image.width() >= minWidth && image.height() >= minHeight;
}

// The embedded preview, upright, when it is at least minWidth x minHeight.
bool DecodePreview(LibRaw& raw, int minWidth, int minHeight, QImage& out) {
    const libraw_thumbnail_t& t = raw.imgdata.thumbnail;
    // LibRaw refuses previews that lie outside the file or are larger than its own limit.
    if (raw.unpack_thumb() != LIBRAW_SUCCESS || !t.thumb || t.tlength == 0) return false;
    if (t.tformat != LIBRAW_THUMBNAIL_JPEG && t.tformat != LIBRAW_THUMBNAIL_BITMAP) return false;
    const int flipOrientation = OrientationOfFlip(raw.imgdata.sizes.flip);
    const bool turned = flipOrientation >= 5;
    const int needWidth = turned ? minHeight : minWidth, needHeight = turned ? minWidth : minHeight;
    QImage preview;
    std::string error;
    int own = 1;
    const auto* data = reinterpret_cast<const unsigned char*>(t.thumb);
    if (t.tformat == LIBRAW_THUMBNAIL_JPEG) {
        if (!detail::DecodeJpegMemory(data, t.tlength, preview, error, needWidth, needHeight, &own))
            return false;
    } else if (!FromRgb8(data, t.tlength, t.twidth, t.theight, 3, preview, error)) {
        return false;
    }
    // A preview that carries its own EXIF orientation has been turned by it already; otherwise
    // it is stored the way the sensor saw the scene, like the raw data.
    if (own == 1) preview = ApplyOrientation(preview, flipOrientation);
    if (!Covers(preview, minWidth, minHeight)) return false;
    out = std::move(preview);
    return true;
}

}  // namespace

const std::vector<std::string>& CameraRawExtensions() {
    static const std::vector<std::string> extensions{
        "3fr", "ari", "arw", "bay", "cap", "cr2", "cr3", "crw", "dcr", "dcs", "dng", "drf",
        "eip", "erf", "fff", "gpr", "iiq", "k25", "kdc", "mdc", "mef", "mos", "mrw", "nef",
        "nrw", "orf", "pef", "ptx", "pxn", "raf", "raw", "rw2", "rwl", "rwz", "sr2", "srf",
        "srw", "sti"};
    return extensions;
}

bool IsCameraRawName(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || fileName.find('/', dot) != std::string::npos) return false;
    std::string ext = fileName.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    const auto& all = CameraRawExtensions();
    return std::find(all.begin(), all.end(), ext) != all.end();
}

bool DecodeCameraRaw(const std::string& bytes, QImage& out, std::string& error, int minWidth,
                     int minHeight) {
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    raw->set_dataerror_handler(IgnoreDataError, nullptr);
    libraw_output_params_t& params = raw->imgdata.params;
    params.use_camera_wb = 1;
    params.output_bps = 8;
    params.gamm[0] = 1 / 2.4;  // the sRGB curve
    params.gamm[1] = 12.92;
    const int opened = raw->open_buffer(const_cast<char*>(bytes.data()), bytes.size());
    if (opened != LIBRAW_SUCCESS) {
        error = LibRawError(opened);
        return false;
    }
    const libraw_image_sizes_t& sizes = raw->imgdata.sizes;
    const bool thumbnail = minWidth > 0 || minHeight > 0;
    if (thumbnail && DecodePreview(*raw, minWidth, minHeight, out)) return true;

    const std::uint64_t rawPixels = std::uint64_t(sizes.raw_width) * sizes.raw_height;
    const std::uint64_t pixels = std::uint64_t(sizes.width) * sizes.height;
    if (rawPixels == 0 || pixels == 0) {
        error = "The camera RAW file could not be read: the picture has no pixels";
        return false;
    }
    if (rawPixels > kMaxRawPixels || pixels > kMaxRawPixels ||
        rawPixels > kMaxPixelsPerByte * bytes.size()) {
        error = "The picture is too large to open (" + std::to_string(sizes.raw_width) + " x " +
                std::to_string(sizes.raw_height) + " pixels)";
        return false;
    }
    if (thumbnail) {
        const bool turned = OrientationOfFlip(sizes.flip) >= 5;
        const int halfWidth = (turned ? sizes.height : sizes.width) / 2;
        const int halfHeight = (turned ? sizes.width : sizes.height) / 2;
        params.half_size = halfWidth >= minWidth && halfHeight >= minHeight ? 1 : 0;
    }
    int rc = raw->unpack();
    if (rc == LIBRAW_SUCCESS) rc = raw->dcraw_process();
    if (rc != LIBRAW_SUCCESS) {
        error = LibRawError(rc);
        return false;
    }
    int made = LIBRAW_SUCCESS;
    std::unique_ptr<libraw_processed_image_t, ProcessedFree> image(raw->dcraw_make_mem_image(&made));
    if (!image || made != LIBRAW_SUCCESS) {
        error = LibRawError(made != LIBRAW_SUCCESS ? made : LIBRAW_UNSPECIFIED_ERROR);
        return false;
    }
    if (image->type != LIBRAW_IMAGE_BITMAP || image->bits != 8) {
        error = "The camera RAW file could not be read: no 8-bit picture";
        return false;
    }
    // dcraw_make_mem_image has applied the flip already.
    return FromRgb8(image->data, image->data_size, image->width, image->height, image->colors, out,
                    error);
}

}  // namespace imaging
