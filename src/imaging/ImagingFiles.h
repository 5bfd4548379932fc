#pragma once
// File helpers of the imaging module: whole-file reads and atomic replacement.

#include <cstddef>
#include <string>

class QImage;

namespace imaging::detail {

// Opens a regular file for reading (never blocking on a FIFO); -1 with the error text otherwise.
int OpenRegularFile(const std::string& path, std::string& error);

// Decodes a JPEG from an open file, from its current position (see LoadJpeg).
bool DecodeJpegFile(int fd, QImage& out, std::string& error, int minWidth, int minHeight);

// Decodes a JPEG from memory (see DecodeJpeg); orientation, when given, receives the EXIF
// orientation (1..8) the picture was turned upright by.
bool DecodeJpegMemory(const unsigned char* data, std::size_t size, QImage& out, std::string& error,
                      int minWidth, int minHeight, int* orientation);

// Reads a regular file whole. Files larger than maxBytes are refused.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error,
                   std::size_t maxBytes = std::size_t(1) << 31);

// Replaces path with the given bytes: they are written to a new file beside it, flushed to
// disk and renamed over the old one, so a failure at any step leaves the old file whole and
// no temporary file behind. An existing file's permission bits are kept.
bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         std::string& error);

}  // namespace imaging::detail
