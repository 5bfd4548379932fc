#pragma once
// LZRW1/KH, the chunked compression used for the bitmap blocks of icon strip files.
//
// A chunk is one flag byte and a body. 0x80: the body is the data, stored. 0x40: the body is a
// sequence of groups, each a 16-bit big-endian control word followed by up to 16 items; the
// control word's top bit (shifted left after each item) tells whether the next item is a literal
// byte (0) or a two-byte copy / four-byte run (1).
//   copy:  b0 b1 with offset = b0 * 16 + (b1 >> 4) != 0: (b1 & 15) + 3 bytes from offset back
//   run:   00 b1 b2 b3 (offset 0): b1 * 256 + b2 + 16 copies of b3
// Every chunk stands alone: a copy never reaches back into an earlier chunk.
//
// A compressed block in a file is int32 T followed by chunks, each an int32 length N and N
// bytes, with T = sum(4 + N). All integers little-endian.

#include <cstddef>
#include <cstdint>
#include <string>

namespace lzrw1kh {

// Largest piece of data one chunk may decode to.
constexpr size_t kMaxChunkOutput = 32781;
// Size of the pieces the encoder cuts its input into.
constexpr size_t kEncodePiece = 32768;

// Decodes one chunk of n bytes and appends its output to out. Returns false (out then holds
// whatever was appended so far) for an empty chunk, an unknown flag byte, an item cut short, a
// copy reaching before the chunk's start, or output beyond maxOutput.
bool DecodeChunk(const uint8_t* in, size_t n, std::string& out, size_t maxOutput = kMaxChunkOutput);

// Encodes one piece (at most kMaxChunkOutput bytes) as a chunk: compressed with 0x40 when that
// is shorter than storing it, else stored with 0x80.
std::string EncodeChunk(const uint8_t* in, size_t n);

// The block body after the int32 T: chunks with their length prefixes. Empty data gives an
// empty body.
std::string EncodeBlock(const std::string& data);

// Decodes a block body of exactly `size` bytes (the T of the file). Returns false with a reason
// for a chunk length that runs past the body, a negative length or a bad chunk.
bool DecodeBlock(const uint8_t* in, size_t size, std::string& out, std::string* error);

}  // namespace lzrw1kh
