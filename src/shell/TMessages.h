#pragma once
// The one interface through which the program asks the user anything: message boxes,
// questions, file and folder dialogs, and help pages. The windows implement it with Qt
// dialogs; tests implement it to give answers and to read what was asked.

#include <string>

enum class TMsgIcon { None, Information, Warning, Error, Question };
enum class TMsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class TMsgResult { Ok, Cancel, Yes, No };

class TMessages {
public:
    virtual ~TMessages() = default;

    // A modal message box: caption, text, icon and buttons; returns the button pressed.
    virtual TMsgResult Show(const std::string& caption, const std::string& text, TMsgIcon icon,
                            TMsgButtons buttons) = 0;

    // File dialogs: the chosen full path, or "" when the user cancelled.
    // filter is in Qt's form, for example "JPEG files (*.jpg *.jpeg);;All files (*)".
    virtual std::string OpenFileName(const std::string& caption, const std::string& startFolder,
                                     const std::string& filter) = 0;
    virtual std::string SaveFileName(const std::string& caption, const std::string& startPath,
                                     const std::string& filter) = 0;
    // The save dialog with a default extension (without its dot): a name chosen without any
    // extension gets it before the dialog checks whether the file exists, so the question
    // about replacing a file is asked about the file that will be written. By default the plain
    // save dialog, with the extension added to its answer.
    virtual std::string SaveFileNameWithSuffix(const std::string& caption, const std::string& startPath,
                                               const std::string& filter, const std::string& suffix) {
        std::string path = SaveFileName(caption, startPath, filter);
        const std::size_t slash = path.rfind('/');
        const std::string bare = slash == std::string::npos ? path : path.substr(slash + 1);
        if (!path.empty() && !suffix.empty() && bare.find('.') == std::string::npos) path += "." + suffix;
        return path;
    }
    // Folder dialog: the chosen folder, or "" when cancelled.
    virtual std::string BrowseFolder(const std::string& caption, const std::string& startFolder) = 0;
    // The same with an instruction text above the folders; by default the plain folder dialog.
    virtual std::string BrowseFolderWithText(const std::string& caption, const std::string& instruction,
                                             const std::string& startFolder) {
        (void)instruction;
        return BrowseFolder(caption, startFolder);
    }
};

// Shorthands for the common boxes.
inline void ShowOk(TMessages& m, const std::string& caption, const std::string& text,
                   TMsgIcon icon = TMsgIcon::None) {
    m.Show(caption, text, icon, TMsgButtons::Ok);
}
inline bool AskYesNo(TMessages& m, const std::string& caption, const std::string& text) {
    return m.Show(caption, text, TMsgIcon::Question, TMsgButtons::YesNo) == TMsgResult::Yes;
}
