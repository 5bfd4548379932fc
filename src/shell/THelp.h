#pragma once
// Help requests and the table of help topics.
//
// A help request names the help file, a page inside it and the help window that should show it:
//   <install folder>/Qorvix.chm::/new_album.htm>trainer
// The part after "::" is the page, the part after ">" the window definition ("trainer" for the
// Help buttons of dialogs and panes, "welcome" for the welcome pane's links, "default" for the
// main Help command). Requests are handed, fire and forget, to a help viewer.
//
// The viewer shows the pages that ship beside the help file: the page "x.htm" of
// "<folder>/Qorvix.chm" is the file "<folder>/help/x.htm", and a request without a page (the
// ">default" topic) shows the table of contents "<folder>/help/default.htm".

#include <string>
#include <vector>

// The window a help request is made for: in the program a QWidget*, or nullptr for the desktop.
using THelpOwner = void*;

// The platform side of help: shows a request, closes every help window it has opened.
class THelpViewer {
public:
    virtual ~THelpViewer() = default;
    virtual void DisplayTopic(THelpOwner owner, const std::string& request) = 0;
    virtual void CloseAll() = 0;
};

// The help file name and the topic suffixes used by the program.
namespace helptopic {
inline constexpr const char* kHelpFileName = "Qorvix.chm";

inline constexpr const char* kContents = ">default";
inline constexpr const char* kSearch = "::/search.htm>trainer";
inline constexpr const char* kImport = "::/import.htm>trainer";
inline constexpr const char* kNewAlbum = "::/new_album.htm>trainer";
inline constexpr const char* kAddToAlbum = "::/addtoalbum.htm>trainer";
inline constexpr const char* kIcons = "::/icons.htm>trainer";
inline constexpr const char* kProperties = "::/properties.htm>trainer";
inline constexpr const char* kSearchOptions = "::/search_opts.htm>trainer";
inline constexpr const char* kOptions = "::/options.htm>trainer";
inline constexpr const char* kSlideshow = "::/slideshow.htm>trainer";
inline constexpr const char* kSetWallpaper = "::/setwall.htm>trainer";
inline constexpr const char* kImportDevice = "::/import_device.htm>trainer";
inline constexpr const char* kSharing = "::/sharing.htm>trainer";

inline constexpr const char* kWelcomeImport = "::/import.htm>welcome";
inline constexpr const char* kWelcomeImportDevice = "::/import_device.htm>welcome";
inline constexpr const char* kWelcomeNewAlbum = "::/new_album.htm>welcome";
inline constexpr const char* kWelcomeOpenAlbum = "::/open_album.htm>welcome";
inline constexpr const char* kWelcomeProperties = "::/properties.htm>welcome";
inline constexpr const char* kWelcomeSharing = "::/sharing.htm>welcome";
inline constexpr const char* kWelcomeEmail = "::/email.htm>welcome";

// The page shown for a request without a page.
inline constexpr const char* kContentsPage = "default.htm";
// The folder, beside the help file, that holds the pages.
inline constexpr const char* kPagesFolder = "help";
}  // namespace helptopic

// Who owns the help window of a topic.
enum class THelpOwnerKind { Desktop, MainWindow, Dialog, WelcomePane };

struct THelpTopic {
    const char* where;   // the place in the program that opens it
    const char* suffix;  // the topic suffix
    THelpOwnerKind owner;
};

// Every place in the program that opens help, in a fixed order.
const std::vector<THelpTopic>& HelpTopicTable();

// A help request taken apart.
struct THelpRequest {
    std::string file;    // the help file path (before "::", or before ">" when there is no page)
    std::string page;    // the page inside it without leading slashes ("" = none)
    std::string window;  // the window definition after ">" ("" = none)
};

THelpRequest ParseHelpRequest(const std::string& request);

// The folder of the pages that belong to a help file: <folder of the help file>/help.
std::string HelpPagesFolder(const std::string& helpFile);

// The page file a request shows: <folder of the help file>/help/<page>, the contents page when
// the request has none. An anchor ("#part") is dropped. Returns "" for a page that would lead
// out of the help folder (an absolute path or a ".." step): such a page is never opened.
std::string HelpPageFile(const std::string& request);

// Help requests of the program: the install folder and the help file name are the program's
// process-wide strings, set when the main window is created.
class THelp {
public:
    explicit THelp(THelpViewer& viewer, std::string installFolder = "",
                   std::string helpFileName = helptopic::kHelpFileName);

    void SetInstallFolder(const std::string& folder) { installFolder_ = folder; }
    void SetHelpFileName(const std::string& name) { helpFileName_ = name; }
    const std::string& InstallFolder() const { return installFolder_; }
    const std::string& HelpFileName() const { return helpFileName_; }

    // install folder + "/" + help file name: an absolute path whenever the install folder is
    // one, so a request does not depend on the process working directory.
    std::string HelpFilePath() const;
    // The help file path followed by the suffix.
    std::string Request(const std::string& suffix) const;

    // Asks the viewer to display the topic; nothing is reported back.
    void ShowHelpTopic(THelpOwner owner, const std::string& suffix);
    // Closes every help window the viewer has open.
    void CloseAllHelp();

private:
    THelpViewer& viewer_;
    std::string installFolder_;
    std::string helpFileName_;
};
