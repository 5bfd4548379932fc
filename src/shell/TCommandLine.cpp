#include "TCommandLine.h"

#include <cstddef>

#ifndef LUMAVELL_VERSION
#define LUMAVELL_VERSION "unknown"
#endif

namespace cmdline {

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool EndsWithNoCase(const std::string& s, const std::string& upperSuffix) {
    return s.size() > upperSuffix.size() &&
           Upper(s.substr(s.size() - upperSuffix.size())) == upperSuffix;
}

std::string Absolute(const std::string& path, const std::string& workingFolder) {
    if (path.empty() || path[0] == '/' || workingFolder.empty()) return path;
    std::string p = path;
    while (p.size() > 2 && p.compare(0, 2, "./") == 0) p.erase(0, 2);
    std::string folder = workingFolder;
    if (folder.back() != '/') folder += '/';
    return folder + p;
}

// "-x", "--long", and "/WORD" (letters only: a switch in the program's own style, which no
// file path of interest looks like).
bool IsOption(const std::string& a) {
    if (a.size() > 1 && a[0] == '-') return true;
    if (a.size() < 2 || a[0] != '/') return false;
    for (std::size_t i = 1; i < a.size(); ++i)
        if (!((a[i] >= 'A' && a[i] <= 'Z') || (a[i] >= 'a' && a[i] <= 'z'))) return false;
    return true;
}

}  // namespace

TParsedArguments ParseArguments(const std::vector<std::string>& args, const std::string& workingFolder) {
    TParsedArguments r;
    // The informational switches win wherever they stand, as in other command-line programs.
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a == "--help" || a == "-h") {
            r.outcome = TOutcome::ShowHelp;
            return r;
        }
        if (a == "--version") {
            r.outcome = TOutcome::ShowVersion;
            return r;
        }
    }

    bool pathsOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!pathsOnly && a == "--") {
            pathsOnly = true;
            continue;
        }
        // Some launchers pass an empty argument for a file field code they had no file for.
        if (a.empty()) continue;
        const std::string upper = Upper(a);
        const bool albumSwitch = !pathsOnly && (upper == "/OPENCOL" || upper == "/ALBUM");
        if (!r.startArgs.empty()) {
            r.notes.push_back("lumavell2: only one album or package is opened at a time; \"" + a +
                              "\" was skipped");
            continue;
        }
        if (albumSwitch) {
            r.startArgs.push_back(a);
            // The switch's path is the next argument, whatever it looks like.
            if (i + 1 < args.size()) r.startArgs.push_back(Absolute(args[++i], workingFolder));
            continue;
        }
        if (!pathsOnly && IsOption(a)) {
            r.notes.push_back("lumavell2: unknown option \"" + a +
                              "\" was skipped (lumavell2 --help lists the options)");
            continue;
        }
        if (EndsWithNoCase(a, ".XAL")) {
            r.startArgs = {"/ALBUM", Absolute(a, workingFolder)};
        } else if (EndsWithNoCase(a, ".COL")) {
            r.startArgs = {"/OPENCOL", Absolute(a, workingFolder)};
        } else {
            r.notes.push_back("lumavell2: \"" + a +
                              "\" is neither an album package (.xal) nor an album file (.col); "
                              "it was skipped");
        }
    }
    return r;
}

std::string UsageText(const std::string& program) {
    const std::string& p = program.empty() ? std::string("lumavell2") : program;
    return "Usage: " + p + " [PACKAGE.xal | ALBUMFILE.col]\n"
           "       " + p + " /OPENCOL ALBUMFILE\n"
           "       " + p + " /ALBUM PACKAGE\n"
           "       " + p + " --help | --version\n"
           "\n"
           "Lumavell2 keeps your photos in albums: titles, notes, slideshows, sharing.\n"
           "\n"
           "  PACKAGE.xal          receive a shared album package, as /ALBUM does\n"
           "  ALBUMFILE.col        open an album by its album file, as /OPENCOL does\n"
           "  /OPENCOL ALBUMFILE   open the album whose file is ALBUMFILE; the album must be\n"
           "                       in your album list\n"
           "  /ALBUM PACKAGE       receive the shared album package PACKAGE (a .xal file)\n"
           "                       and add its photos as a new album\n"
           "  --help, -h           show this help and exit\n"
           "  --version            show the version and exit\n"
           "  --                   every argument after this one is a file\n"
           "\n"
           "The switches /OPENCOL and /ALBUM may be written in any letter case. Unknown\n"
           "options are reported and skipped. Your albums are kept in \"My Pictures/My\n"
           "Albums\" in your documents folder, the program's options in\n"
           "~/.config/Corvane/Lumavell2.conf.\n";
}

std::string VersionText() { return std::string("lumavell2 ") + LUMAVELL_VERSION + "\n"; }

}  // namespace cmdline
