#pragma once
// The program's command line as users and file managers give it: the album switches
// ("/OPENCOL" album file, "/ALBUM" package), a plain album file or package path (what a file
// manager passes when a file is opened with the program), and the usual --help and --version.
#include <string>
#include <vector>

namespace cmdline {

enum class TOutcome {
    Start,        // start the program; startArgs says what the main window does first
    ShowHelp,     // print UsageText and end
    ShowVersion,  // print VersionText and end
};

struct TParsedArguments {
    TOutcome outcome = TOutcome::Start;
    // The arguments the main window acts on after its first showing: empty, or a switch
    // ("/OPENCOL" or "/ALBUM", as given) followed by its path.
    std::vector<std::string> startArgs;
    // One line each for standard error: arguments that were not understood and were skipped.
    std::vector<std::string> notes;
};

// args: the arguments without the program name. workingFolder: the folder relative paths are
// taken from; they are made absolute because the program changes its working folder while it
// starts ("" leaves them as they are).
//  - "--help" or "-h" anywhere before "--": ShowHelp; "--version" likewise: ShowVersion.
//  - "/OPENCOL" or "/ALBUM" (any letter case) as the first operand takes the next argument,
//    whatever it looks like, as its path.
//  - A path ending in ".xal" (any case) is received as "/ALBUM" would; one ending in ".col" is
//    opened as "/OPENCOL" would. Arguments after "--" are always paths.
//  - Unknown switches ("-x", "--word", "/WORD"), other files and anything after the first action are noted and skipped.
TParsedArguments ParseArguments(const std::vector<std::string>& args, const std::string& workingFolder);

// The --help text (ends with a newline); program is the name to show in it.
std::string UsageText(const std::string& program);
// The --version text: program name and version, one line.
std::string VersionText();

}  // namespace cmdline
