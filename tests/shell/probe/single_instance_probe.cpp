// A stand-in for the program's start, for the one-copy-per-catalog tests with real processes:
//   single_instance_probe CATALOG OUTFILE [--modal | --busy] [ARGS...]
// Starts as the program does: hands ARGS to the copy running on CATALOG and exits 0, or becomes
// the running copy. The running copy appends its process number to CATALOG/owners.log, prints
// "ready" and appends every command line handed to it to OUTFILE (the working folder, then the
// arguments, separated by "|", one line each; also printed as "handed LINE") until it is handed
// "quit".
//   --modal: before its windows are ready, the running copy shows a stand-in for a modal message
//            box (it prints "modal" and runs a nested event loop until a line arrives on stdin).
//   --busy:  once ready, the running copy is busy (it prints "busy" and blocks, processing no
//            events, until a line arrives on stdin).
// A start that waits for a busy copy prints the busy notice on stderr.
#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "TSingleInstance.h"

namespace {

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void WaitForStdinLine() {
    char c = 0;
    while (::read(0, &c, 1) == 1 && c != '\n') {
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 64;
    const std::string catalog = argv[1];
    const std::string out = argv[2];
    int first = 3;
    const bool modal = argc > first && std::strcmp(argv[first], "--modal") == 0;
    const bool busy = argc > first && std::strcmp(argv[first], "--busy") == 0;
    if (modal || busy) ++first;
    std::vector<std::string> args(argv + first, argv + argc);

    TSingleInstance single(catalog);
    const auto start = single.Start(args, [] { std::cerr << TSingleInstance::kBusyNotice << std::endl; });
    if (start == TSingleInstance::TStart::HandedOver) return 0;
    if (start != TSingleInstance::TStart::Running) return 3;
    std::ofstream(catalog + "/owners.log", std::ios::app) << ::getpid() << "\n";

    if (modal) {
        // A modal box runs its own event loop: later starts are answered meanwhile.
        QEventLoop box;
        QSocketNotifier input(0, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &box, [&box] {
            WaitForStdinLine();
            box.quit();
        });
        Say("modal");
        box.exec();
    }
    single.SetHandler([out](std::vector<std::string> handed, std::string folder) {
        std::string line = folder;
        for (const std::string& a : handed) line += "|" + a;
        std::ofstream(out, std::ios::app) << line << "\n";
        Say("handed " + line);
        if (!handed.empty() && handed[0] == "quit") QCoreApplication::quit();
    });
    Say("ready");
    if (busy) {
        Say("busy");
        WaitForStdinLine();
    }
    return app.exec();
}
