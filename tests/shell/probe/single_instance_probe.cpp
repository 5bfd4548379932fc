// A stand-in for the program's start, for the one-copy-per-user tests with real processes:
//   single_instance_probe SOCKET OUTFILE [ARGS...]
// Hands ARGS to a running probe and exits 0; or becomes the running probe, prints "ready", and
// appends every command line handed to it to OUTFILE (the working folder, then the arguments,
// separated by "|", one line each), printing "handed" after each, until it is handed "quit".
// A hand-over waits as long as it takes: the tests wait on these answers, not on a clock.
#include <QCoreApplication>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "TSingleInstance.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) return 64;
    const std::string out = argv[2];
    std::vector<std::string> args(argv + 3, argv + argc);
    TSingleInstance single(argv[1]);
    if (single.HandOver(args, 24 * 3600 * 1000)) return 0;
    if (!single.Listen([out](std::vector<std::string> handed, std::string folder) {
            std::ofstream f(out, std::ios::app);
            f << folder;
            for (const std::string& a : handed) f << "|" << a;
            f << "\n";
            f.close();
            std::printf("handed\n");
            std::fflush(stdout);
            if (!handed.empty() && handed[0] == "quit") QCoreApplication::quit();
        }))
        return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
