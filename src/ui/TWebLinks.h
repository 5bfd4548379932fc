#pragma once
// Every web address the program opens, in one place, and the two ways it opens things outside
// itself: a web page in the default browser and a file of the install folder with the program
// the desktop associates with it. Both go to the desktop (QDesktopServices); when nothing
// opens, the desktop's own feedback is all there is: the program shows no message of its own.

#include <QString>

#include <string>

namespace weblinks {

// The maker's pages. The maker has no site of its own yet: these stand on one base address so
// a packager sets them in one line.
inline constexpr const char* kMakerSite = "https://corvane.example/";
inline constexpr const char* kSupport = "https://corvane.example/support/";
inline constexpr const char* kProductPage = "https://corvane.example/lumavell2/";
inline constexpr const char* kDonate = "https://corvane.example/lumavell2/donate/";

// The search and shopping links of the welcome pane: free photos, photo editors, cameras and
// scanners.
inline constexpr const char* kFindPhotos = "https://commons.wikimedia.org/wiki/Main_Page";
inline constexpr const char* kPhotoEditors = "https://duckduckgo.com/?q=photo+editor+software";
inline constexpr const char* kImagingDevices = "https://duckduckgo.com/?q=digital+camera+photo+scanner";

}  // namespace weblinks

// Opens a web address in the default browser. Returns whether the desktop took it.
bool OpenWebPage(const QString& address);

// Opens install folder + "/" + name with the program the desktop associates with it (the read-me
// and the licence). Returns whether the desktop took it.
bool OpenInstallFile(const std::string& installFolder, const std::string& name);
