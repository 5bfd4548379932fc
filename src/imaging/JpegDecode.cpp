// JPEG decoding with libjpeg-turbo straight into QImage::Format_RGB32 rows.
//
// libjpeg reports fatal errors through error_exit, which must not return: ours formats the
// library's message and longjmps back to the decode routine, which then gives up cleanly. The
// routine that calls setjmp keeps all state that changes after setjmp in a DecodeJob reached
// through a reference, so nothing it needs after the jump lives in a clobbered local, and the
// frames a longjmp skips are libjpeg's own C frames.

#include "JpegCodec.h"
#include "ImagingFiles.h"

#include <QtGlobal>
#include <algorithm>
#include <csetjmp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

namespace imaging {
namespace {

// Memory libjpeg itself may hold (coefficient buffers of progressive files are the large part:
// about 6 bytes per pixel for 4:4:4). Past this the library stops with an error instead of
// allocating.
constexpr long kMaxLibraryMemory = 1L << 30;

// A progressive file with more scans than this is hostile: each scan costs a pass over the
// whole coefficient buffer.
constexpr int kMaxScans = 500;

// RGB32 pixels are 0xffRRGGBB words; in memory that is B, G, R, A on little-endian machines.
// The ...A variants make libjpeg write 0xff into the fourth byte (with ...X it is undefined).
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_BGRA;
#else
constexpr J_COLOR_SPACE kRgb32Space = JCS_EXT_ARGB;
#endif

struct ErrorManager {
    jpeg_error_mgr pub;  // first, so libjpeg's pointer is also ours
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

[[noreturn]] void FailWith(j_common_ptr cinfo, const char* text) {
    auto* em = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(em->message, sizeof em->message, "%s", text);
    std::longjmp(em->jump, 1);
}

[[noreturn]] void OnErrorExit(j_common_ptr cinfo) {
    auto* em = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if (cinfo->is_decompressor && (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY)) {
        // The memory cap was reached; the library's own words ("Backing store not supported")
        // mean nothing to a user.
        const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        std::snprintf(em->message, sizeof em->message,
                      "The picture is too large to open (%u x %u pixels)", d->image_width,
                      d->image_height);
        std::longjmp(em->jump, 1);
    }
    (*cinfo->err->format_message)(cinfo, em->message);
    std::longjmp(em->jump, 1);
}

// Warnings (level -1) are counted. Running out of data, at the end of the file or of a scan
// (a marker where coded data should be), is remembered: the library then pads the picture with
// grey and carries on, and a half-grey photo is not a success.
// Trace messages are dropped: nothing is ever printed.
void OnEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* em = reinterpret_cast<ErrorManager*>(cinfo->err);
    const int code = cinfo->err->msg_code;
    if ((code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) && !em->truncated) {
        em->truncated = true;
        (*cinfo->err->format_message)(cinfo, em->message);
    }
    cinfo->err->num_warnings++;
}

void OnProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        FailWith(cinfo, "Too many scans in the JPEG file");
}

// Reads a file through a fixed buffer, so a thumbnail of a large progressive photo reads only
// the part of the file it needs, and nothing holds the whole file in memory.
constexpr std::size_t kFileBufferSize = 64 * 1024;

struct FileSource {
    jpeg_source_mgr pub;  // first, so libjpeg's pointer is also ours
    int fd;
    unsigned char* buffer;
};

void InitFileSource(j_decompress_ptr) {}
void TermFileSource(j_decompress_ptr) {}

boolean FillFileBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    ssize_t n;
    do {
        n = ::read(src->fd, src->buffer, kFileBufferSize);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        char text[JMSG_LENGTH_MAX];
        std::snprintf(text, sizeof text, "Cannot read the JPEG file: %s", std::strerror(errno));
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), text);
    }
    if (n == 0) {
        // The same as libjpeg's own sources: warn, then give it an end-of-image marker.
        static const JOCTET kEoi[2] = {0xff, JPEG_EOI};
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->pub.next_input_byte = kEoi;
        src->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<std::size_t>(n);
    return TRUE;
}

void SkipFileData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<FileSource*>(cinfo->src);
    if (count <= 0) return;
    if (static_cast<std::size_t>(count) <= src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += count;
        src->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
        return;
    }
    const off_t beyond = static_cast<off_t>(count) - static_cast<off_t>(src->pub.bytes_in_buffer);
    src->pub.bytes_in_buffer = 0;
    // Past the end is fine: the next read returns nothing and the data counts as truncated.
    if (::lseek(src->fd, beyond, SEEK_CUR) < 0)
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), "Cannot read the JPEG file");
}

void UseFileSource(j_decompress_ptr cinfo, FileSource& src, int fd, unsigned char* buffer) {
    src.pub.init_source = InitFileSource;
    src.pub.fill_input_buffer = FillFileBuffer;
    src.pub.skip_input_data = SkipFileData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermFileSource;
    src.pub.bytes_in_buffer = 0;
    src.pub.next_input_byte = nullptr;
    src.fd = fd;
    src.buffer = buffer;
    cinfo->src = &src.pub;
}

// Where the compressed data comes from: bytes in memory, or an open file.
struct Input {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    int fd = -1;
};

struct DecodeJob {
    ErrorManager err{};
    jpeg_decompress_struct cinfo{};
    jpeg_progress_mgr progress{};
    bool created = false;
    FileSource file{};
    std::vector<unsigned char> fileBuffer;
    QImage image;
    int orientation = 1;
    std::string error;
};

// True once every component has received its first DC coefficients.
bool DcComplete(const jpeg_decompress_struct& cinfo) {
    if (!cinfo.coef_bits) return false;
    for (int c = 0; c < cinfo.num_components; ++c)
        if (cinfo.coef_bits[c][0] < 0) return false;
    return true;
}

int OrientationOf(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 &&
            std::memcmp(m->data, "Exif", 4) == 0)
            return ExifOrientation(m->data, m->data_length);
    }
    return 1;
}

// Picks the smallest of the library's 1/8, 1/4, 1/2 and 1/1 scales whose output still covers
// needWidth x needHeight in stored (not yet turned) orientation.
void ChooseScale(jpeg_decompress_struct& cinfo, int needWidth, int needHeight) {
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    if (needWidth <= 0 && needHeight <= 0) return;
    for (unsigned denom : {8u, 4u, 2u}) {
        cinfo.scale_denom = denom;
        jpeg_calc_output_dimensions(&cinfo);
        if (static_cast<long long>(cinfo.output_width) >= needWidth &&
            static_cast<long long>(cinfo.output_height) >= needHeight)
            return;
    }
    cinfo.scale_denom = 1;
}

// Adobe applications store CMYK inverted (0 = full ink) and say so with their APP14 marker;
// other writers store plain CMYK. Either way red = (1 - C)(1 - K), and so on.
void CmykRowToRgb32(unsigned char* row, JDIMENSION width, bool inverted) {
    auto* out = reinterpret_cast<quint32*>(row);
    for (JDIMENSION x = 0; x < width; ++x) {
        unsigned c = row[4 * x], m = row[4 * x + 1], y = row[4 * x + 2], k = row[4 * x + 3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        const unsigned r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
        out[x] = 0xff000000u | (r << 16) | (g << 8) | b;
    }
}

bool Fail(DecodeJob& job, std::string text) {
    job.error = std::move(text);
    return false;
}

bool RunDecode(DecodeJob& job, const Input& input, int minWidth, int minHeight) {
    jpeg_decompress_struct& cinfo = job.cinfo;
    cinfo.err = jpeg_std_error(&job.err.pub);
    job.err.pub.error_exit = OnErrorExit;
    job.err.pub.emit_message = OnEmitMessage;
    job.err.message[0] = '\0';
    job.err.truncated = false;
    if (setjmp(job.err.jump)) return Fail(job, job.err.message);

    jpeg_create_decompress(&cinfo);
    job.created = true;
    job.progress.progress_monitor = OnProgress;
    cinfo.progress = &job.progress;
    cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    if (input.fd >= 0)
        UseFileSource(&cinfo, job.file, input.fd, job.fileBuffer.data());
    else
        jpeg_mem_src(&cinfo, input.data, static_cast<unsigned long>(input.size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&cinfo, TRUE);
    if (job.err.truncated) return Fail(job, job.err.message);

    job.orientation = OrientationOf(cinfo);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : kRgb32Space;

    // Orientations 5 to 8 swap width and height, so the minimum applies crosswise.
    const bool turned = job.orientation >= 5;
    ChooseScale(cinfo, turned ? minHeight : minWidth, turned ? minWidth : minHeight);
    jpeg_calc_output_dimensions(&cinfo);
    const JDIMENSION width = cinfo.output_width, height = cinfo.output_height;
    if (static_cast<std::uint64_t>(width) * height > kMaxPixels)
        return Fail(job, "The picture is too large to open (" + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels)");

    // At 1/8 each 8 x 8 block becomes one pixel, its DC coefficient; in a progressive file the
    // DC scans come first, so the remaining scans need not be read at all.
    const bool dcOnly = cinfo.progressive_mode && cinfo.scale_denom == 8;
    if (dcOnly) {
        cinfo.buffered_image = TRUE;
        cinfo.do_block_smoothing = FALSE;
    }
    jpeg_start_decompress(&cinfo);
    if (job.err.truncated) return Fail(job, job.err.message);

    job.image = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (job.image.isNull())
        return Fail(job, "Not enough memory to open the picture (" + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels)");

    if (dcOnly) {
        for (;;) {
            const int r = jpeg_consume_input(&cinfo);
            if (job.err.truncated) return Fail(job, job.err.message);
            if (r == JPEG_REACHED_EOI || r == JPEG_SUSPENDED) break;
            if (r == JPEG_SCAN_COMPLETED && DcComplete(cinfo)) break;
            if (cinfo.input_scan_number > kMaxScans)
                return Fail(job, "Too many scans in the JPEG file");
        }
        jpeg_start_output(&cinfo, cinfo.input_scan_number);
    }

    unsigned char* const bits = job.image.bits();
    const qsizetype stride = job.image.bytesPerLine();
    JSAMPROW rows[16];
    while (cinfo.output_scanline < height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, height - first);
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = bits + (first + i) * stride;
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, count);
        if (job.err.truncated) return Fail(job, job.err.message);
        if (got == 0) return Fail(job, "Premature end of JPEG file");
        if (cmyk)
            for (JDIMENSION i = 0; i < got; ++i)
                CmykRowToRgb32(rows[i], width, cinfo.saw_Adobe_marker);
    }
    if (dcOnly) jpeg_finish_output(&cinfo);
    // jpeg_finish_decompress is left out on purpose: all rows are in, and reading on to the
    // end-of-image marker would only turn a missing trailer into a failure.
    return true;
}

bool Decode(const Input& input, QImage& out, std::string& error, int minWidth, int minHeight,
            int* orientation = nullptr) {
    DecodeJob job;
    if (input.fd >= 0) job.fileBuffer.resize(kFileBufferSize);
    const bool ok = RunDecode(job, input, minWidth, minHeight);
    if (job.created) jpeg_destroy_decompress(&job.cinfo);
    if (!ok) {
        error = job.error.empty() ? "The JPEG file could not be read" : job.error;
        return false;
    }
    if (orientation) *orientation = job.orientation;
    out =
        job.orientation == 1 ? std::move(job.image) : ApplyOrientation(job.image, job.orientation);
    return true;
}

}  // namespace

bool DecodeJpeg(const std::string& bytes, QImage& out, std::string& error, int minWidth,
                int minHeight) {
    Input input;
    input.data = reinterpret_cast<const unsigned char*>(bytes.data());
    input.size = bytes.size();
    return Decode(input, out, error, minWidth, minHeight);
}

bool detail::DecodeJpegMemory(const unsigned char* data, std::size_t size, QImage& out,
                              std::string& error, int minWidth, int minHeight, int* orientation) {
    Input input;
    input.data = data;
    input.size = size;
    return Decode(input, out, error, minWidth, minHeight, orientation);
}

bool detail::DecodeJpegFile(int fd, QImage& out, std::string& error, int minWidth, int minHeight) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size == 0) {
        error = "Not a JPEG file: the file is empty";
        return false;
    }
    Input input;
    input.fd = fd;
    return Decode(input, out, error, minWidth, minHeight);
}

bool LoadJpeg(const std::string& path, QImage& out, std::string& error, int minWidth,
              int minHeight) {
    const int fd = detail::OpenRegularFile(path, error);
    if (fd < 0) return false;
    const bool ok = detail::DecodeJpegFile(fd, out, error, minWidth, minHeight);
    ::close(fd);
    return ok;
}

}  // namespace imaging
