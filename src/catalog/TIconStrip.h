#pragma once
// TIconStrip: the album icon strip, an ordered list of small pictures (16 x 16) with the settings
// of its file: flags, description, identifier, picture size, growth step, mask and colour depth.
//
// File layout (icons.pdat and defaults.iml), integers little-endian:
//   0   9  0x08 "LMDIML30"
//   9   4  int32 1 (ignored on reading)
//   13  4  int32 17, the offset of the strip record (ignored on reading)
//   17     the strip record:
//          1      flags: bit 0 compressed, bit 1 description follows, bit 2 identifier follows,
//                 bits 4/5/6 colour depth code 1/2/3
//          1 + n  description (length byte and bytes), when bit 1
//          4      identifier, when bit 2
//          4,4,4  height, width, growth step
//          1      masked (1 = a mask strip follows the picture strip)
//          4      count
//          block  the pictures side by side in one BMP file (when count > 0)
//          block  the two-colour mask strip of the same size (when count > 0 and masked)
// A block is int32 L and L bytes of a BMP file, or, when compressed, int32 T and LZRW1/KH chunks
// (see Lzrw1kh.h).
//
// Colour depth codes on writing the picture strip: 0 as held (24-bit BMP, or 32-bit when a
// picture carries alpha), 1 two colours (black and white), 2 sixteen colours (the standard
// 16-colour palette; Qt writes it as a 4-bit BMP), 3 256 colours (an 8-bit palette Qt builds
// from the pictures). The mask strip is always written with two colours. Any BMP is read.

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

class TIconStrip {
public:
    // The strip defined in the program itself: "combo", uncompressed, depth 0, unmasked, 16 x 16,
    // growth 4, no pictures.
    TIconStrip();

    // Replaces pictures, masks and settings from a strip file. On failure returns false with a
    // reason in *error, and the strip is unchanged.
    bool LoadFromFile(const std::string& path, std::string* error = nullptr);
    bool LoadFromBytes(const std::string& bytes, std::string* error = nullptr);

    // Serialises the strip; SaveToFile replaces the file atomically.
    bool ToBytes(std::string& out, std::string* error = nullptr) const;
    bool SaveToFile(const std::string& path, std::string* error = nullptr) const;

    // Pictures
    int Count() const { return static_cast<int>(pictures_.size()); }
    const QImage& Picture(int i) const { return pictures_.at(size_t(i)); }
    // The mask of picture i (white = transparent); a null image when the strip is unmasked.
    QImage Mask(int i) const;
    // Picture i with the mask applied as alpha (ARGB32); unmasked strips give opaque pictures.
    QImage IconWithAlpha(int i) const;
    // Adds a picture (scaled to the strip's size when it differs) and its mask (null: opaque).
    void Add(const QImage& picture, const QImage& mask = QImage());
    void Replace(int i, const QImage& picture, const QImage& mask = QImage());
    void Delete(int i);
    void ClearPictures();

    // Settings of the strip record
    bool Compressed() const { return compressed_; }
    void SetCompressed(bool on) { compressed_ = on; }
    const std::string& Description() const { return description_; }
    void SetDescription(const std::string& d) { description_ = d.substr(0, 255); }
    int32_t Identifier() const { return identifier_; }
    void SetIdentifier(int32_t id) { identifier_ = id; }
    int Height() const { return height_; }
    int Width() const { return width_; }
    int32_t GrowthStep() const { return growth_; }
    void SetGrowthStep(int32_t g) { growth_ = g; }
    bool Masked() const { return masked_; }
    // Turning the mask on gives every picture an all-opaque mask.
    void SetMasked(bool on);
    int DepthCode() const { return depthCode_; }
    void SetDepthCode(int code) { depthCode_ = (code >= 0 && code <= 3) ? code : 0; }
    // The flags byte as it would be written.
    uint8_t Flags() const;

private:
    QImage ComposeStrip() const;
    QImage ComposeMaskStrip() const;
    QImage Fit(const QImage& picture) const;

    bool compressed_ = false;
    std::string description_ = "combo";
    int32_t identifier_ = 0;
    int height_ = 16;
    int width_ = 16;
    int32_t growth_ = 4;
    bool masked_ = false;
    int depthCode_ = 0;
    std::vector<QImage> pictures_;  // Format_RGB32 or Format_ARGB32
    std::vector<QImage> masks_;     // Format_Mono, white = transparent; only when masked_
};
