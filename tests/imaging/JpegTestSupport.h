#pragma once
// Pictures and JPEG files made on the spot for the imaging tests: quadrant pictures whose
// corners tell how a picture was turned, JPEGs of every colour model written with libjpeg
// directly, and hand-built EXIF segments.

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace imagingtest {

// Saturated colours that stay far apart after JPEG's chroma subsampling.
inline const QRgb kRed = qRgb(230, 20, 20);
inline const QRgb kGreen = qRgb(20, 200, 40);
inline const QRgb kBlue = qRgb(20, 40, 230);
inline const QRgb kWhite = qRgb(245, 245, 245);

// Top-left red, top-right green, bottom-left blue, bottom-right white.
inline QImage Quadrants(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            img.setPixel(x, y, bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed));
        }
    return img;
}

inline bool Near(QRgb a, QRgb b, int tolerance = 40) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The colour in the middle of each quadrant: top-left, top-right, bottom-left, bottom-right.
inline std::vector<QRgb> QuadrantColours(const QImage& img) {
    const int w = img.width(), h = img.height();
    return {img.pixel(w / 4, h / 4), img.pixel(3 * w / 4, h / 4), img.pixel(w / 4, 3 * h / 4),
            img.pixel(3 * w / 4, 3 * h / 4)};
}

enum class Model { Colour, Grey, CmykAdobe, CmykPlain };

struct EncodeOptions {
    Model model = Model::Colour;
    bool progressive = false;
    int quality = 90;
};

// Encodes with libjpeg directly. CMYK is computed from RGB the simple way (K = 1 - max) and
// stored inverted when the Adobe marker is written, as Adobe applications do.
inline std::string EncodeWithLibjpeg(const QImage& source, EncodeOptions opt = {}) {
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jerr.error_exit = [](j_common_ptr) {
        std::fputs("libjpeg failed while a test made its picture\n", stderr);
        std::abort();
    };
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&cinfo, &buffer, &length);
    cinfo.image_width = img.width();
    cinfo.image_height = img.height();
    switch (opt.model) {
    case Model::Colour:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        break;
    case Model::Grey:
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
        break;
    default:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
        break;
    }
    jpeg_set_defaults(&cinfo);
    if (opt.model == Model::CmykAdobe) jpeg_set_colorspace(&cinfo, JCS_YCCK);
    if (opt.model == Model::CmykPlain) {
        jpeg_set_colorspace(&cinfo, JCS_CMYK);
        cinfo.write_Adobe_marker = FALSE;
    }
    jpeg_set_quality(&cinfo, opt.quality, TRUE);
    if (opt.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(img.width()) * cinfo.input_components);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            unsigned char* o = &row[size_t(x) * cinfo.input_components];
            if (opt.model == Model::Colour) {
                o[0] = qRed(p);
                o[1] = qGreen(p);
                o[2] = qBlue(p);
            } else if (opt.model == Model::Grey) {
                o[0] = qGray(p);
            } else {
                const int r = qRed(p), g = qGreen(p), b = qBlue(p);
                const int mx = std::max(r, std::max(g, b));
                const int k = 255 - mx;
                auto ink = [&](int v) { return mx == 0 ? 0 : (mx - v) * 255 / mx; };
                const int cmyk[4] = {ink(r), ink(g), ink(b), k};
                for (int i = 0; i < 4; ++i)
                    o[i] = static_cast<unsigned char>(opt.model == Model::CmykAdobe ? 255 - cmyk[i]
                                                                                    : cmyk[i]);
            }
        }
        JSAMPROW rp = row.data();
        jpeg_write_scanlines(&cinfo, &rp, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string out(reinterpret_cast<char*>(buffer), length);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// The payload of an APP1 segment: "Exif\0\0", a TIFF header in either byte order and IFD0
// with the given entries (tag, type, count, value), the value left-justified in its 4 bytes.
struct IfdEntry {
    unsigned tag, type;
    unsigned long count, value;
};

inline std::string ExifPayload(const std::vector<IfdEntry>& entries, bool littleEndian) {
    std::string s("Exif\0\0", 6);
    auto put16 = [&](unsigned v) {
        if (littleEndian) {
            s += char(v & 0xff);
            s += char(v >> 8 & 0xff);
        } else {
            s += char(v >> 8 & 0xff);
            s += char(v & 0xff);
        }
    };
    auto put32 = [&](unsigned long v) {
        if (littleEndian) {
            put16(v & 0xffff);
            put16(v >> 16 & 0xffff);
        } else {
            put16(v >> 16 & 0xffff);
            put16(v & 0xffff);
        }
    };
    s += littleEndian ? "II" : "MM";
    put16(42);
    put32(8);
    put16(static_cast<unsigned>(entries.size()));
    for (const IfdEntry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(e.count);
        if (e.type == 3) {
            put16(e.value);
            put16(0);
        }  // a SHORT sits in the first two bytes
        else
            put32(e.value);
    }
    put32(0);  // no further IFD
    return s;
}

inline std::string OrientationPayload(int orientation, bool littleEndian) {
    return ExifPayload({{0x0112, 3, 1, static_cast<unsigned long>(orientation)}}, littleEndian);
}

// A JPEG with an APP1 segment holding payload inserted right after its SOI marker.
inline std::string WithApp1(const std::string& jpeg, const std::string& payload) {
    const size_t length = payload.size() + 2;
    std::string seg("\xff\xe1", 2);
    seg += char(length >> 8);
    seg += char(length & 0xff);
    seg += payload;
    return jpeg.substr(0, 2) + seg + jpeg.substr(2);
}

// Offset of the first marker segment of the given kind (0xC0 = SOF0, ...), walking segments
// from the SOI; npos when it is missing.
inline size_t FindSegment(const std::string& jpeg, unsigned char marker) {
    size_t pos = 2;
    while (pos + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[pos]) == 0xff) {
        const unsigned char m = static_cast<unsigned char>(jpeg[pos + 1]);
        if (m == marker) return pos;
        if (m == 0xda) break;  // entropy-coded data follows
        pos += 2 + (static_cast<unsigned char>(jpeg[pos + 2]) << 8 |
                    static_cast<unsigned char>(jpeg[pos + 3]));
    }
    return std::string::npos;
}

// Rewrites the frame size in the SOF segment (baseline or progressive).
inline std::string WithFrameSize(std::string jpeg, unsigned width, unsigned height) {
    size_t sof = FindSegment(jpeg, 0xc0);
    if (sof == std::string::npos) sof = FindSegment(jpeg, 0xc2);
    if (sof == std::string::npos) throw std::runtime_error("no SOF segment");
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xff);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xff);
    return jpeg;
}

}  // namespace imagingtest
