#include "CatalogTestSupport.h"

#include <filesystem>

#include "JpegCodec.h"

namespace cattest {

Fixture::Fixture() {
    std::filesystem::create_directories(install);
    catalog = std::make_unique<TCatalog>(settings, messages, docs, install);
}

void Fixture::OpenFresh() { catalog->OpenCatalog(); }

std::string Fixture::MakePhoto(const std::string& name, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, x < w / 2 ? qRgb(220, 20, 20) : qRgb(20, 20, 220));
    const std::string path = tmp.file(name);
    std::string error;
    if (!imaging::SaveJpeg(img, path, error)) return "";
    return path;
}

void Fixture::MakeBmp(const std::string& path, QRgb colour, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    img.save(QString::fromStdString(path), "BMP");
}

bool ReadCentralDirectory(const std::string& b, std::vector<ZipEntry>& entries, std::string& comment) {
    entries.clear();
    if (b.size() < 22) return false;
    size_t eocd = std::string::npos;
    for (size_t i = b.size() - 22 + 1; i-- > 0;) {
        if (ReadLe32(b, i) == 0x06054b50u) {
            eocd = i;
            break;
        }
    }
    if (eocd == std::string::npos) return false;
    const uint16_t count = ReadLe16(b, eocd + 10);
    const uint32_t cdOffset = ReadLe32(b, eocd + 16);
    const uint16_t commentLen = ReadLe16(b, eocd + 20);
    comment = b.substr(eocd + 22, commentLen);
    size_t p = cdOffset;
    for (int i = 0; i < count; ++i) {
        if (ReadLe32(b, p) != 0x02014b50u) return false;
        ZipEntry e;
        e.flags = ReadLe16(b, p + 8);
        e.method = ReadLe16(b, p + 10);
        e.crc = ReadLe32(b, p + 16);
        e.compressedSize = ReadLe32(b, p + 20);
        const uint16_t nameLen = ReadLe16(b, p + 28), extraLen = ReadLe16(b, p + 30),
                       fileCommentLen = ReadLe16(b, p + 32);
        e.externalAttributes = ReadLe32(b, p + 38);
        e.name = b.substr(p + 46, nameLen);
        entries.push_back(e);
        p += 46 + nameLen + extraLen + fileCommentLen;
    }
    return true;
}

namespace {
uint32_t Crc32(const std::string& s) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : s) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
}  // namespace

std::string MakeStoredZip(const std::vector<std::pair<std::string, std::string>>& entries,
                          const std::vector<bool>& symlink) {
    std::string out, central;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& [name, data] = entries[i];
        const bool link = i < symlink.size() && symlink[i];
        const uint32_t crc = Crc32(data);
        const uint32_t offset = uint32_t(out.size());
        out += Le32(0x04034b50u) + Le16(10) + Le16(0) + Le16(0) + Le16(0) + Le16(0) + Le32(crc) +
               Le32(uint32_t(data.size())) + Le32(uint32_t(data.size())) + Le16(uint16_t(name.size())) +
               Le16(0) + name + data;
        const uint32_t attributes = (link ? 0120777u : 0100644u) << 16;
        central += Le32(0x02014b50u) + Le16(uint16_t(3 << 8 | 20)) + Le16(10) + Le16(0) + Le16(0) +
                   Le16(0) + Le16(0) + Le32(crc) + Le32(uint32_t(data.size())) +
                   Le32(uint32_t(data.size())) + Le16(uint16_t(name.size())) + Le16(0) + Le16(0) +
                   Le16(0) + Le16(0) + Le32(attributes) + Le32(offset) + name;
    }
    const uint32_t cdOffset = uint32_t(out.size());
    out += central;
    out += Le32(0x06054b50u) + Le16(0) + Le16(0) + Le16(uint16_t(entries.size())) +
           Le16(uint16_t(entries.size())) + Le32(uint32_t(central.size())) + Le32(cdOffset) + Le16(0);
    return out;
}

}  // namespace cattest
