// BMP and the other Qt-readable formats, format normalisation and stretching.

#include "JpegCodec.h"
#include "ImagingFiles.h"
#include "PhotoCodecs.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>

#include <unistd.h>

namespace imaging {
namespace {

bool IsJpegSignature(const std::string& bytes) {
    return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xff &&
           static_cast<unsigned char>(bytes[1]) == 0xd8 &&
           static_cast<unsigned char>(bytes[2]) == 0xff;
}

// Reads bytes with Qt's reader; format == nullptr means "whatever the content says".
bool ReadWithQt(const std::string& bytes, const char* format, const std::string& path, QImage& out,
                std::string& error) {
    QByteArray raw = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&raw);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format ? QByteArray(format) : QByteArray());
    if (format) reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(true);
    QImage image;
    if (!reader.read(&image)) {
        error = "Cannot read the picture " + path + ": " + reader.errorString().toStdString();
        return false;
    }
    QImage rgb = ToRgb32OverWhite(image);
    if (rgb.isNull()) {
        error = "Not enough memory to open the picture " + path;
        return false;
    }
    out = std::move(rgb);
    return true;
}

}  // namespace

QImage ToRgb32OverWhite(const QImage& image) {
    if (image.isNull()) return QImage();
    if (!image.hasAlphaChannel())
        return image.format() == QImage::Format_RGB32 ? image
                                                      : image.convertToFormat(QImage::Format_RGB32);
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage out(argb.size(), QImage::Format_RGB32);
    if (argb.isNull() || out.isNull()) return QImage();
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const unsigned a = qAlpha(in[x]), white = 255 * (255 - a);
            const auto mix = [&](unsigned c) { return (c * a + white + 127) / 255; };
            dst[x] = qRgb(int(mix(qRed(in[x]))), int(mix(qGreen(in[x]))), int(mix(qBlue(in[x]))));
        }
    }
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    return out;
}

QImage StretchTo(const QImage& image, int width, int height) {
    if (image.isNull() || width < 1 || height < 1) return QImage();
    const QImage src = ToRgb32OverWhite(image);
    if (src.size() == QSize(width, height)) return src;
    // Qt's smooth scaling averages every source pixel into the target (an area filter) when
    // shrinking, which is what a thumbnail of a 1/8-scale decode needs.
    const QImage scaled =
        src.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.format() == QImage::Format_RGB32 ? scaled
                                                   : scaled.convertToFormat(QImage::Format_RGB32);
}

bool LoadBmp(const std::string& path, QImage& out, std::string& error) {
    std::string bytes;
    if (!detail::ReadWholeFile(path, bytes, error)) return false;
    return ReadWithQt(bytes, "bmp", path, out, error);
}

bool EncodeBmp(const QImage& image, std::string& bytes, std::string& error) {
    if (image.isNull()) {
        error = "There is no picture to save";
        return false;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(ToRgb32OverWhite(image))) {
        error = "Cannot write the picture: " + writer.errorString().toStdString();
        return false;
    }
    bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
    return true;
}

bool SaveBmp(const QImage& image, const std::string& path, std::string& error) {
    std::string bytes;
    if (!EncodeBmp(image, bytes, error)) {
        if (!image.isNull()) error = "Cannot write the picture " + path + ": " + error.substr(error.find(':') + 2);
        return false;
    }
    return detail::WriteFileAtomically(path, bytes.data(), bytes.size(), error);
}

bool LoadPicture(const std::string& path, QImage& out, std::string& error, int minWidth,
                 int minHeight) {
    const int fd = detail::OpenRegularFile(path, error);
    if (fd < 0) return false;
    unsigned char head[64] = {};
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    const std::size_t headSize = got > 0 ? std::size_t(got) : 0;
    if (headSize >= 3 &&
        IsJpegSignature(std::string(reinterpret_cast<const char*>(head), 3))) {
        const bool ok = detail::DecodeJpegFile(fd, out, error, minWidth, minHeight);
        ::close(fd);
        return ok;
    }
    ::close(fd);
    const bool heif = LooksLikeHeif(head, headSize);
    const bool raw = !heif && IsCameraRawName(path);
    std::string bytes;
    if (!detail::ReadWholeFile(path, bytes, error)) return false;
    if (heif || raw) {
        QImage picture;
        std::string why;
        const bool ok = heif ? DecodeHeif(bytes, picture, why, minWidth, minHeight)
                             : DecodeCameraRaw(bytes, picture, why, minWidth, minHeight);
        if (!ok) {
            error = "Cannot read the picture " + path + ": " + why;
            return false;
        }
        out = std::move(picture);
        return true;
    }
    return ReadWithQt(bytes, nullptr, path, out, error);
}

}  // namespace imaging
