#pragma once
// Photo paths as the catalog stores them. Every photo is filed with its full path; a relative
// value (the markers "nil" and "notexist.jpg", or a damaged record) names no photo. It must not
// be looked up in the working directory, which the import bar changes as the user walks folders.

#include <string>

inline bool IsStoredPhotoPath(const std::string& path) { return !path.empty() && path[0] == '/'; }
