#pragma once
// A message interface for tests: answers come from a queue (Yes/Ok when it runs dry) and every
// question is recorded, so a test can check captions, texts, icons and buttons.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "TMessages.h"

namespace testsupport {

struct AskedMessage {
    std::string kind;  // "box", "open", "save", "folder"
    std::string caption;
    std::string text;
    TMsgIcon icon = TMsgIcon::None;
    TMsgButtons buttons = TMsgButtons::Ok;
};

class ScriptedMessages : public TMessages {
public:
    std::deque<TMsgResult> answers;     // for Show
    std::deque<std::string> paths;      // for the file and folder dialogs ("" = cancel)
    std::vector<AskedMessage> asked;
    // Called as each message box is shown, to look at the program while it waits for the answer.
    std::function<void(const AskedMessage&)> onShow;

    TMsgResult Show(const std::string& caption, const std::string& text, TMsgIcon icon,
                    TMsgButtons buttons) override {
        asked.push_back({"box", caption, text, icon, buttons});
        if (onShow) onShow(asked.back());
        if (!answers.empty()) {
            TMsgResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return (buttons == TMsgButtons::YesNo || buttons == TMsgButtons::YesNoCancel) ? TMsgResult::Yes
                                                                                     : TMsgResult::Ok;
    }
    std::string OpenFileName(const std::string& caption, const std::string& start,
                             const std::string&) override {
        return NextPath("open", caption, start);
    }
    std::string SaveFileName(const std::string& caption, const std::string& start,
                             const std::string&) override {
        return NextPath("save", caption, start);
    }
    std::string BrowseFolder(const std::string& caption, const std::string& start) override {
        return NextPath("folder", caption, start);
    }
    // Recorded as a folder dialog; the instruction goes into instruction.
    std::string BrowseFolderWithText(const std::string& caption, const std::string& text,
                                     const std::string& start) override {
        instruction = text;
        return NextPath("folder", caption, start);
    }
    std::string instruction;  // of the last folder dialog with an instruction

private:
    std::string NextPath(const char* kind, const std::string& caption, const std::string& start) {
        asked.push_back({kind, caption, start, TMsgIcon::None, TMsgButtons::OkCancel});
        if (paths.empty()) return "";
        std::string p = paths.front();
        paths.pop_front();
        return p;
    }
};

}  // namespace testsupport
