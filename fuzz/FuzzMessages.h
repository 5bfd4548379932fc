#pragma once
// A message interface for fuzz targets: nothing is shown, questions are answered No, dialogs
// are cancelled.
#include <string>

#include "TMessages.h"

namespace fuzzsupport {

class TQuietMessages : public TMessages {
public:
    TMsgResult Show(const std::string&, const std::string&, TMsgIcon, TMsgButtons buttons) override {
        return buttons == TMsgButtons::YesNo || buttons == TMsgButtons::YesNoCancel ? TMsgResult::No
                                                                                   : TMsgResult::Ok;
    }
    std::string OpenFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string SaveFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string BrowseFolder(const std::string&, const std::string&) override { return ""; }
};

}  // namespace fuzzsupport
