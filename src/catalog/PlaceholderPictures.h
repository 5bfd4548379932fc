#pragma once
// Row pictures the program draws itself, for rows whose own picture cannot be had: a photo file
// that exists but cannot be decoded (half copied, not a JPEG at all), an album row that names
// no photo, and the "not found" picture when the install folder's copy is missing or damaged.
// Both are 100 x 80, Format_RGB32, so they stand in for a thumbnail anywhere.
//
// The pictures are made once per process and shared (QImage is implicitly shared).

#include <QImage>
#include <string>
#include <vector>

// A grey frame with a torn photo and a red cross; says "Cannot read" when a GUI application
// object exists (text needs its fonts).
QImage UnreadablePhotoPicture();
// A grey frame with an empty photo outline and a question mark shape; stands in for
// "notfound.bmp".
QImage MissingPhotoPicture();

// The text of the one message that ends a listing in which some rows could not be read:
// a heading, then one line per entry (at most maxLines, then "... and N more").
std::string UnreadableRowsMessage(const std::string& heading, const std::vector<std::string>& entries,
                                  size_t maxLines = 15);
