#pragma once
// Helpers for the catalog tests: a catalog in a temporary documents folder with its own settings
// files and scripted messages, little-endian byte builders, a stored-entry Zip writer and an
// independent reader of a Zip archive's central directory.
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedMessages.h"
#include "TCatalog.h"
#include "TSettingsStore.h"
#include "TestSupport.h"

namespace cattest {

inline std::string Le32(uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return s;
}
inline std::string Le16(uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline uint32_t ReadLe32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s.at(at + size_t(i)));
    return v;
}
inline uint16_t ReadLe16(const std::string& s, size_t at) {
    return uint16_t(static_cast<uint8_t>(s.at(at)) | (static_cast<uint8_t>(s.at(at + 1)) << 8));
}

// Documents folder, install folder, settings and messages for one catalog.
struct Fixture {
    testsupport::TempDir tmp;
    std::string docs = tmp.file("docs");
    std::string install = tmp.file("install");
    TSettingsStore settings{tmp.file("user.conf"), tmp.file("machine.conf")};
    testsupport::ScriptedMessages messages;
    std::unique_ptr<TCatalog> catalog;

    Fixture();
    std::string Root() const { return catalog->Root(); }
    // A fresh catalog opened (and created) in docs.
    void OpenFresh();
    // Writes a JPEG photo of the given size, split into a left (red) and right (blue) half.
    std::string MakePhoto(const std::string& name, int w, int h);
    // Writes a 100 x 80 BMP filled with one colour.
    void MakeBmp(const std::string& path, QRgb colour, int w = 100, int h = 80);
};

struct ZipEntry {
    std::string name;
    uint16_t method = 0;
    uint16_t flags = 0;  // general purpose bits; for deflate, bits 1-2 tell the level class
    uint32_t externalAttributes = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
};
// Reads the central directory of an archive; false when no end record is found.
bool ReadCentralDirectory(const std::string& bytes, std::vector<ZipEntry>& entries, std::string& comment);
// A Zip archive of stored entries, for hostile names; symlink entries get Unix link attributes.
std::string MakeStoredZip(const std::vector<std::pair<std::string, std::string>>& entries,
                          const std::vector<bool>& symlink = {});

}  // namespace cattest
