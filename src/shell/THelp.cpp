#include "THelp.h"

#include <utility>

const std::vector<THelpTopic>& HelpTopicTable() {
    using namespace helptopic;
    static const std::vector<THelpTopic> table = {
        {"Main window, Help command", kContents, THelpOwnerKind::Desktop},
        {"Search pane, Help button", kSearch, THelpOwnerKind::MainWindow},
        {"Import bar, Help tool button", kImport, THelpOwnerKind::MainWindow},
        {"New album dialog, Help", kNewAlbum, THelpOwnerKind::Dialog},
        {"Add to album dialog, Help", kAddToAlbum, THelpOwnerKind::Dialog},
        {"Album icon list dialog, Help", kIcons, THelpOwnerKind::Dialog},
        {"Image properties dialog, Help", kProperties, THelpOwnerKind::Dialog},
        {"Search options dialog, Help", kSearchOptions, THelpOwnerKind::Dialog},
        {"Preferences dialog, Help", kOptions, THelpOwnerKind::Dialog},
        {"Slideshow settings dialog, Help", kSlideshow, THelpOwnerKind::Dialog},
        {"Set as wallpaper dialog, Help", kSetWallpaper, THelpOwnerKind::Dialog},
        {"Import from scanner or camera dialog, Help", kImportDevice, THelpOwnerKind::Dialog},
        {"Share dialog, Help", kSharing, THelpOwnerKind::Dialog},
        {"Welcome pane, Importing photos from a file", kWelcomeImport, THelpOwnerKind::WelcomePane},
        {"Welcome pane, Importing photos from a camera or scanner", kWelcomeImportDevice,
         THelpOwnerKind::WelcomePane},
        {"Welcome pane, Creating albums", kWelcomeNewAlbum, THelpOwnerKind::WelcomePane},
        {"Welcome pane, Opening albums", kWelcomeOpenAlbum, THelpOwnerKind::WelcomePane},
        {"Welcome pane, Changing photos properties", kWelcomeProperties, THelpOwnerKind::WelcomePane},
        {"Welcome pane, Sharing albums", kWelcomeSharing, THelpOwnerKind::WelcomePane},
        {"Welcome pane, Passing on albums through the web", kWelcomeEmail, THelpOwnerKind::WelcomePane},
    };
    return table;
}

THelpRequest ParseHelpRequest(const std::string& request) {
    THelpRequest r;
    const std::size_t pagePos = request.rfind("::");
    // The window definition follows the last ">" after the page marker; a ">" inside the
    // folder part of the path is not one.
    std::size_t windowPos = request.rfind('>');
    if (windowPos != std::string::npos && pagePos != std::string::npos && windowPos < pagePos)
        windowPos = std::string::npos;

    const std::size_t fileEnd = pagePos != std::string::npos ? pagePos : windowPos;
    r.file = request.substr(0, fileEnd);
    if (windowPos != std::string::npos) r.window = request.substr(windowPos + 1);
    if (pagePos != std::string::npos) {
        const std::size_t pageEnd = windowPos != std::string::npos ? windowPos : request.size();
        r.page = request.substr(pagePos + 2, pageEnd - pagePos - 2);
        std::size_t lead = 0;
        while (lead < r.page.size() && (r.page[lead] == '/' || r.page[lead] == '\\')) ++lead;
        r.page.erase(0, lead);
    }
    return r;
}

namespace {

// True when a relative page path stays inside its folder: no empty name, no "." or ".." step,
// no drive-style name.
bool SafeRelativePage(const std::string& page) {
    if (page.empty()) return false;
    std::size_t start = 0;
    while (start <= page.size()) {
        std::size_t end = page.find('/', start);
        if (end == std::string::npos) end = page.size();
        const std::string step = page.substr(start, end - start);
        if (step.empty() || step == "." || step == ".." || step.find(':') != std::string::npos)
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string HelpPageFile(const std::string& request) {
    const THelpRequest r = ParseHelpRequest(request);
    std::string page = r.page;
    const std::size_t anchor = page.find('#');
    if (anchor != std::string::npos) page.erase(anchor);
    for (char& c : page)
        if (c == '\\') c = '/';
    if (page.empty()) page = helptopic::kContentsPage;
    if (!SafeRelativePage(page)) return "";

    return HelpPagesFolder(r.file) + "/" + page;
}

std::string HelpPagesFolder(const std::string& helpFile) {
    const std::size_t slash = helpFile.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : helpFile.substr(0, slash + 1);
    return folder + helptopic::kPagesFolder;
}

THelp::THelp(THelpViewer& viewer, std::string installFolder, std::string helpFileName)
    : viewer_(viewer), installFolder_(std::move(installFolder)), helpFileName_(std::move(helpFileName)) {}

std::string THelp::HelpFilePath() const {
    return installFolder_ + "/" + helpFileName_;
}

std::string THelp::Request(const std::string& suffix) const {
    return HelpFilePath() + suffix;
}

void THelp::ShowHelpTopic(THelpOwner owner, const std::string& suffix) {
    viewer_.DisplayTopic(owner, Request(suffix));
}

void THelp::CloseAllHelp() {
    viewer_.CloseAll();
}
