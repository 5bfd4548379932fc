#pragma once
// Phone and camera photo formats: HEIF (HEIC, AVIF) through libheif and camera RAW (DNG and the
// makers' formats) through LibRaw. Both give Format_RGB32 pictures turned upright (HEIF's own
// rotation, mirroring and cropping; the RAW file's flip), like LoadJpeg. Failures return false
// with the decoder's error text and leave the output image as it was. LoadPicture
// (JpegCodec.h) picks these decoders, so callers never name them.
//
// Reentrant like the JPEG codec: every call works on its own decoder objects.

#include <QImage>
#include <cstddef>
#include <string>
#include <vector>

namespace imaging {

// File name extensions (lower case, without the dot) of the formats below.
const std::vector<std::string>& HeifExtensions();       // heic, heif, hif, avif
const std::vector<std::string>& CameraRawExtensions();  // dng, cr2, cr3, nef, arw, ...

// True when the name ends in one of CameraRawExtensions (any letter case). RAW formats have no
// common signature (many are TIFF files to anything but a RAW decoder), so they are known by name.
bool IsCameraRawName(const std::string& fileName);

// True when the first bytes of a file are those of a HEIF or AVIF file: an "ftyp" box whose
// major brand, or one of the compatible brands among the bytes given, is theirs.
bool LooksLikeHeif(const unsigned char* head, std::size_t size);

// Decodes a HEIF/AVIF file's primary picture. When minWidth/minHeight are given (> 0) and the
// file holds a thumbnail at least that large (upright), the thumbnail is decoded instead.
// Transparent pixels are laid over white.
bool DecodeHeif(const std::string& bytes, QImage& out, std::string& error, int minWidth = 0,
                int minHeight = 0);

// Decodes a camera RAW file. When minWidth/minHeight are given (> 0): the embedded preview when
// it is at least that large (upright), else a half-size decode when that is large enough, else
// the full decode. The full decode uses the camera's white balance and gives 8 bits a channel.
bool DecodeCameraRaw(const std::string& bytes, QImage& out, std::string& error, int minWidth = 0,
                     int minHeight = 0);

}  // namespace imaging
