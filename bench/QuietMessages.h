#pragma once
// A message interface for benchmarks: answers OK to everything, prints warnings and errors to
// standard error and counts them.
#include <cstdio>
#include <string>

#include "TMessages.h"

class Quiet : public TMessages {
public:
    int errors = 0;
    TMsgResult Show(const std::string& caption, const std::string& text, TMsgIcon icon, TMsgButtons) override {
        if (icon == TMsgIcon::Error || icon == TMsgIcon::Warning) {
            ++errors;
            std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        }
        return TMsgResult::Ok;
    }
    std::string OpenFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string SaveFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string BrowseFolder(const std::string&, const std::string&) override { return ""; }
};
