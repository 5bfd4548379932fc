#pragma once
// Phone and camera test photos made on the spot: HEIC and AVIF files through heif-enc (package
// libheif-examples), a rotation added to a HEIF file by inserting an "irot" property, and small
// uncompressed DNG files (a TIFF layout) with or without an embedded preview.
//
// Every photo shows the same scene so tests can check colours and orientation: the left half red,
// the right half blue, and a green square in the top-left corner.
#include <QByteArray>
#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace phototest {

// The scene: left half red, right half blue, a green square (a quarter of the height) top left.
inline QImage Scene(int width = 64, int height = 48) {
    QImage img(width, height, QImage::Format_RGB32);
    const int marker = height / 4;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, x < marker && y < marker ? qRgb(0, 255, 0)
                               : x < width / 2          ? qRgb(255, 0, 0)
                                                        : qRgb(0, 0, 255));
    return img;
}

// One plain colour.
inline QImage Plain(int width, int height, QRgb colour) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

// The dominant colour of a pixel: 'r', 'g', 'b', 'y' (red and green), or '?' when none stands
// out by a clear margin.
inline char Hue(QRgb c) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (r > 110 && g > 110 && b < r / 2 && b < g / 2) return 'y';
    if (r > 110 && g < r / 2 && b < r / 2) return 'r';
    if (g > 110 && r < g / 2 && b < g / 2) return 'g';
    if (b > 110 && r < b / 2 && g < b / 2) return 'b';
    return '?';
}

// The hues at the centres of the picture's four corner squares (an eighth of each side in):
// top left, top right, bottom left, bottom right. The upright scene gives "gbrb".
inline std::string Corners(const QImage& img) {
    const int x0 = img.width() / 8, x1 = img.width() - 1 - img.width() / 8;
    const int y0 = img.height() / 8, y1 = img.height() - 1 - img.height() / 8;
    return {Hue(img.pixel(x0, y0)), Hue(img.pixel(x1, y0)), Hue(img.pixel(x0, y1)),
            Hue(img.pixel(x1, y1))};
}

// Runs a program to its end; true when it exits with 0. Its output goes to *output.
inline bool Run(const QString& program, const QStringList& args, std::string* output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(-1)) {
        if (output) *output = program.toStdString() + " could not be started";
        return false;
    }
    p.waitForFinished(-1);
    if (output) *output = p.readAll().toStdString();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Encodes a picture as HEIC (or AVIF) with heif-enc; thumbnail > 0 adds a thumbnail of at most
// that many pixels a side. The intermediate PNG is removed.
inline bool MakeHeif(const std::string& path, const QImage& picture, bool avif = false,
                     int thumbnail = 0, std::string* output = nullptr) {
    const QString png = QString::fromStdString(path + ".png");
    if (!picture.save(png, "PNG")) return false;
    QStringList args{"-q", "95"};
    if (avif) args << "-A";
    if (thumbnail > 0) args << "-t" << QString::number(thumbnail);
    args << "-o" << QString::fromStdString(path) << png;
    const bool ok = Run("heif-enc", args, output);
    std::remove(png.toLocal8Bit().constData());
    return ok;
}

namespace detail {

inline std::uint32_t Get32(const std::string& b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) << 24 | std::uint32_t(std::uint8_t(b[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 8 | std::uint32_t(std::uint8_t(b[at + 3]));
}
inline std::uint32_t GetN(const std::string& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | std::uint8_t(b[at + std::size_t(i)]);
    return v;
}
inline void PutN(std::string& b, std::size_t at, int n, std::uint32_t v) {
    for (int i = n - 1; i >= 0; --i, v >>= 8) b[at + std::size_t(i)] = char(v & 0xff);
}
inline void Put32(std::string& b, std::size_t at, std::uint32_t v) { PutN(b, at, 4, v); }

// The child box of the given type between [from, to); npos when there is none.
inline std::size_t FindBox(const std::string& b, std::size_t from, std::size_t to, const char* type) {
    while (from + 8 <= to) {
        const std::uint32_t size = Get32(b, from);
        if (size < 8 || from + size > to) return std::string::npos;
        if (b.compare(from + 4, 4, type) == 0) return from;
        from += size;
    }
    return std::string::npos;
}

}  // namespace detail

// Adds an "irot" property (quarterTurns x 90 degrees anticlockwise) to the pictures of a HEIF file
// written by heif-enc (the primary picture and its thumbnail; not the tiles a grid picture is
// made of, which the grid places unturned), so readers must turn them to show them upright.
// 3 quarter turns anticlockwise is a quarter turn clockwise, as EXIF orientation 6.
inline bool RotateHeif(const std::string& path, int quarterTurns) {
    using namespace detail;
    std::string b = testsupport::ReadAll(path);
    const std::size_t meta = FindBox(b, 0, b.size(), "meta");
    if (meta == std::string::npos) return false;
    const std::size_t metaEnd = meta + Get32(b, meta);
    const std::size_t iprp = FindBox(b, meta + 12, metaEnd, "iprp");
    if (iprp == std::string::npos) return false;
    const std::size_t iprpEnd = iprp + Get32(b, iprp);
    const std::size_t ipco = FindBox(b, iprp + 8, iprpEnd, "ipco");
    const std::size_t ipma = FindBox(b, iprp + 8, iprpEnd, "ipma");
    if (ipco == std::string::npos || ipma == std::string::npos || ipma < ipco) return false;
    const std::size_t ipcoEnd = ipco + Get32(b, ipco);
    int properties = 0;
    for (std::size_t at = ipco + 8; at + 8 <= ipcoEnd; at += Get32(b, at)) {
        if (Get32(b, at) < 8) return false;
        ++properties;
    }
    const int index = properties + 1;

    // Tiles: the items a "dimg" reference points to.
    std::vector<std::uint32_t> tiles;
    const std::size_t iref = FindBox(b, meta + 12, metaEnd, "iref");
    if (iref != std::string::npos) {
        const int idSize = b[iref + 8] == 0 ? 2 : 4;
        const std::size_t irefEnd = iref + Get32(b, iref);
        for (std::size_t r = iref + 12; r + 8 <= irefEnd && Get32(b, r) >= 8; r += Get32(b, r)) {
            if (b.compare(r + 4, 4, "dimg") != 0) continue;
            std::size_t q = r + 8 + std::size_t(idSize);
            const std::uint32_t count = GetN(b, q, 2);
            q += 2;
            for (std::uint32_t k = 0; k < count; ++k, q += std::size_t(idSize))
                tiles.push_back(GetN(b, q, idSize));
        }
    }

    // The association table, with the new property added to every item.
    const std::uint8_t version = std::uint8_t(b[ipma + 8]);
    const bool wide = (std::uint8_t(b[ipma + 11]) & 1) != 0;
    if (!wide && index > 127) return false;
    std::string table = b.substr(ipma, 16);
    const std::uint32_t entries = Get32(b, ipma + 12);
    std::size_t at = ipma + 16;
    for (std::uint32_t e = 0; e < entries; ++e) {
        const int idSize = version < 1 ? 2 : 4;
        const std::uint32_t id = GetN(b, at, idSize);
        table += b.substr(at, std::size_t(idSize));
        at += std::size_t(idSize);
        const std::uint8_t count = std::uint8_t(b[at++]);
        const bool tile = std::find(tiles.begin(), tiles.end(), id) != tiles.end();
        table += char(tile ? count : count + 1);
        table += b.substr(at, std::size_t(count) * (wide ? 2 : 1));
        at += std::size_t(count) * (wide ? 2 : 1);
        if (tile) continue;
        if (wide) table += std::string{char(0x80 | (index >> 8)), char(index & 0xff)};
        else table += char(0x80 | index);
    }
    const std::size_t ipmaSize = Get32(b, ipma);
    Put32(table, 0, std::uint32_t(table.size()));
    const std::string irot{0, 0, 0, 9, 'i', 'r', 'o', 't', char(quarterTurns & 3)};
    const std::size_t grow = irot.size() + table.size() - ipmaSize;

    b.replace(ipma, ipmaSize, table);
    b.insert(ipcoEnd, irot);
    Put32(b, ipco, Get32(b, ipco) + std::uint32_t(irot.size()));
    Put32(b, iprp, Get32(b, iprp) + std::uint32_t(grow));
    Put32(b, meta, Get32(b, meta) + std::uint32_t(grow));

    // File offsets of the item data behind the insertion move by as much.
    const std::size_t newMetaEnd = metaEnd + grow;
    const std::size_t iloc = FindBox(b, meta + 12, newMetaEnd, "iloc");
    if (iloc == std::string::npos) return false;
    const std::uint8_t ilocVersion = std::uint8_t(b[iloc + 8]);
    const int offsetSize = std::uint8_t(b[iloc + 12]) >> 4, lengthSize = std::uint8_t(b[iloc + 12]) & 15;
    const int baseSize = std::uint8_t(b[iloc + 13]) >> 4;
    const int indexSize = ilocVersion >= 1 ? std::uint8_t(b[iloc + 13]) & 15 : 0;
    at = iloc + 14;
    const std::uint32_t items = ilocVersion < 2 ? GetN(b, at, 2) : GetN(b, at, 4);
    at += ilocVersion < 2 ? 2 : 4;
    auto shift = [&](std::size_t pos, int size) {
        if (size == 0) return;
        const std::uint32_t v = GetN(b, pos, size);
        if (v >= ipcoEnd) PutN(b, pos, size, v + std::uint32_t(grow));
    };
    for (std::uint32_t i = 0; i < items; ++i) {
        at += ilocVersion < 2 ? 2 : 4;  // item id
        int method = 0;
        if (ilocVersion >= 1) {
            method = int(GetN(b, at, 2) & 15);
            at += 2;
        }
        at += 2;  // data reference index
        const bool inFile = method == 0;
        if (inFile) shift(at, baseSize);
        at += std::size_t(baseSize);
        const std::uint32_t extents = GetN(b, at, 2);
        at += 2;
        for (std::uint32_t x = 0; x < extents; ++x) {
            at += std::size_t(indexSize);
            if (inFile && baseSize == 0) shift(at, offsetSize);
            at += std::size_t(offsetSize) + std::size_t(lengthSize);
        }
    }
    testsupport::WriteAll(path, b);
    return true;
}

// A small uncompressed DNG of a picture: a 2 x 2 RGGB colour filter mosaic of 12-bit samples,
// sRGB primaries, neutral white balance. The EXIF orientation (1..8) is stored as the TIFF
// Orientation tag. A non-null preview is embedded as the main image of the file (the raw data
// then live in a sub-IFD), as a JPEG (jpegPreview, given its bytes) or as 8-bit RGB strips.
struct DngOptions {
    int orientation = 1;
    QImage preview;           // none when null
    std::string jpegPreview;  // the preview's JPEG bytes; empty: the preview is stored as RGB
};

namespace detail {

struct Tag {
    std::uint16_t tag, type;
    std::uint32_t count;
    std::string value;  // little-endian bytes
};

inline std::string Le(std::uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i, v >>= 8) s += char(v & 0xff);
    return s;
}
inline Tag Short(std::uint16_t tag, std::vector<std::uint32_t> values) {
    std::string v;
    for (std::uint32_t x : values) v += Le(x, 2);
    return {tag, 3, std::uint32_t(values.size()), v};
}
inline Tag Long(std::uint16_t tag, std::vector<std::uint32_t> values) {
    std::string v;
    for (std::uint32_t x : values) v += Le(x, 4);
    return {tag, 4, std::uint32_t(values.size()), v};
}
inline Tag Bytes(std::uint16_t tag, std::vector<std::uint32_t> values) {
    std::string v;
    for (std::uint32_t x : values) v += char(x);
    return {tag, 1, std::uint32_t(values.size()), v};
}
inline Tag Ascii(std::uint16_t tag, const std::string& text) {
    return {tag, 2, std::uint32_t(text.size() + 1), text + '\0'};
}
inline Tag SRationals(std::uint16_t tag, std::vector<double> values) {
    std::string v;
    for (double x : values) v += Le(std::uint32_t(std::int32_t(x * 10000)), 4) + Le(10000, 4);
    return {tag, 10, std::uint32_t(values.size()), v};
}
inline Tag Rationals(std::uint16_t tag, std::vector<double> values) {
    std::string v;
    for (double x : values) v += Le(std::uint32_t(x * 10000), 4) + Le(10000, 4);
    return {tag, 5, std::uint32_t(values.size()), v};
}

// Appends an IFD (tags sorted by number) and the values that do not fit in its entries; gives
// its offset.
inline std::uint32_t AppendIfd(std::string& out, std::vector<Tag> tags) {
    if (out.size() % 2) out += '\0';
    const std::uint32_t start = std::uint32_t(out.size());
    std::size_t dataAt = start + 2 + tags.size() * 12 + 4;
    std::string ifd = Le(std::uint32_t(tags.size()), 2), data;
    for (const Tag& t : tags) {
        ifd += Le(t.tag, 2) + Le(t.type, 2) + Le(t.count, 4);
        if (t.value.size() <= 4) {
            ifd += t.value + std::string(4 - t.value.size(), '\0');
        } else {
            ifd += Le(std::uint32_t(dataAt + data.size()), 4);
            data += t.value;
            if (data.size() % 2) data += '\0';
        }
    }
    ifd += Le(0, 4);
    out += ifd + data;
    return start;
}

}  // namespace detail

inline std::string MakeDng(const QImage& scene, const DngOptions& options = {}) {
    using namespace detail;
    const int w = scene.width(), h = scene.height();
    std::string out = "II*" + std::string(1, '\0') + Le(0, 4);

    // Raw samples: red on even rows and columns, blue on odd ones, green between.
    const std::uint32_t rawAt = std::uint32_t(out.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = scene.pixel(x, y);
            const int v = (y % 2 == 0 && x % 2 == 0) ? qRed(c)
                          : (y % 2 == 1 && x % 2 == 1) ? qBlue(c)
                                                       : qGreen(c);
            out += Le(std::uint32_t(v * 3200 / 255), 2);
        }
    const std::uint32_t rawBytes = std::uint32_t(out.size()) - rawAt;

    std::uint32_t previewAt = 0, previewBytes = 0;
    const bool preview = !options.preview.isNull();
    const bool jpeg = !options.jpegPreview.empty();
    if (preview) {
        previewAt = std::uint32_t(out.size());
        if (jpeg) {
            out += options.jpegPreview;
        } else {
            for (int y = 0; y < options.preview.height(); ++y)
                for (int x = 0; x < options.preview.width(); ++x) {
                    const QRgb c = options.preview.pixel(x, y);
                    out += std::string{char(qRed(c)), char(qGreen(c)), char(qBlue(c))};
                }
        }
        previewBytes = std::uint32_t(out.size()) - previewAt;
    }

    const std::vector<Tag> rawTags = {
        Long(254, {0}), Long(256, {std::uint32_t(w)}), Long(257, {std::uint32_t(h)}),
        Short(258, {16}), Short(259, {1}), Short(262, {32803}), Long(273, {rawAt}),
        Short(277, {1}), Long(278, {std::uint32_t(h)}), Long(279, {rawBytes}), Short(284, {1}),
        Short(33421, {2, 2}), Bytes(33422, {0, 1, 1, 2}), Long(50717, {4095})};
    // XYZ (D65) to linear sRGB: the camera sees in sRGB primaries.
    const std::vector<Tag> cameraTags = {
        Bytes(50706, {1, 4, 0, 0}), Bytes(50707, {1, 1, 0, 0}), Ascii(50708, "Lumavell Test"),
        SRationals(50721, {3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040,
                           1.0570}),
        Rationals(50728, {1, 1, 1}), Short(50778, {21})};
    auto sorted = [](std::vector<Tag> tags) {
        std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
        return tags;
    };
    std::vector<Tag> main;
    if (preview) {
        const std::uint32_t rawIfd = AppendIfd(out, sorted(rawTags));
        const std::uint32_t pw = std::uint32_t(options.preview.width());
        const std::uint32_t ph = std::uint32_t(options.preview.height());
        main = {Long(254, {1}), Long(256, {pw}), Long(257, {ph}), Short(258, {8, 8, 8}),
                Short(259, {jpeg ? 7u : 1u}), Short(262, {jpeg ? 6u : 2u}), Long(273, {previewAt}),
                Short(277, {3}), Long(278, {ph}), Long(279, {previewBytes}), Short(284, {1}),
                Long(330, {rawIfd})};
    } else {
        main = rawTags;
    }
    main.push_back(Ascii(271, "Lumavell"));
    main.push_back(Ascii(272, "Test"));
    main.push_back(Short(274, {std::uint32_t(options.orientation)}));
    main.insert(main.end(), cameraTags.begin(), cameraTags.end());
    const std::uint32_t ifd0 = AppendIfd(out, sorted(main));
    out.replace(4, 4, Le(ifd0, 4));
    return out;
}

}  // namespace phototest
