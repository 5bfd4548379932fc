// Baseline JPEG encoding with libjpeg-turbo from RGB32 rows, and the atomic JPEG file writer.
// Errors longjmp back as in the decoder; state that changes after setjmp lives in EncodeJob.

#include "JpegCodec.h"
#include "ImagingFiles.h"

#include <QtGlobal>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace imaging {
namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_XRGB;
#endif

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnErrorExit(j_common_ptr cinfo) {
    auto* em = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, em->message);
    std::longjmp(em->jump, 1);
}

void OnEmitMessage(j_common_ptr, int) {}

struct EncodeJob {
    ErrorManager err{};
    jpeg_compress_struct cinfo{};
    bool created = false;
    unsigned char* buffer = nullptr;  // owned by us once libjpeg allocated it (malloc)
    unsigned long length = 0;
};

bool RunEncode(EncodeJob& job, const QImage& rgb, int quality) {
    jpeg_compress_struct& cinfo = job.cinfo;
    cinfo.err = jpeg_std_error(&job.err.pub);
    job.err.pub.error_exit = OnErrorExit;
    job.err.pub.emit_message = OnEmitMessage;
    job.err.message[0] = '\0';
    if (setjmp(job.err.jump)) return false;

    jpeg_create_compress(&cinfo);
    job.created = true;
    jpeg_mem_dest(&cinfo, &job.buffer, &job.length);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = kRgb32Space;
    jpeg_set_defaults(&cinfo);  // baseline Huffman coding, 4:2:0, JFIF header
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

bool EncodeJpeg(const QImage& image, std::string& bytes, std::string& error, int quality) {
    if (image.isNull()) {
        error = "There is no picture to save";
        return false;
    }
    const QImage rgb = ToRgb32OverWhite(image);
    if (rgb.isNull()) {
        error = "Not enough memory to save the picture";
        return false;
    }
    EncodeJob job;
    const bool ok = RunEncode(job, rgb, std::clamp(quality, 1, 100));
    if (ok) bytes.assign(reinterpret_cast<const char*>(job.buffer), job.length);
    if (job.created) jpeg_destroy_compress(&job.cinfo);
    std::free(job.buffer);
    if (!ok) error = job.err.message[0] ? job.err.message : "The picture could not be encoded";
    return ok;
}

bool SaveJpeg(const QImage& image, const std::string& path, std::string& error, int quality) {
    std::string bytes;
    if (!EncodeJpeg(image, bytes, error, quality)) return false;
    return detail::WriteFileAtomically(path, bytes.data(), bytes.size(), error);
}

}  // namespace imaging
