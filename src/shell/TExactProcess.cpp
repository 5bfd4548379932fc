#include "TExactProcess.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

std::string FindProgramBytes(const std::string& program) {
    if (program.empty() || program.find('/') != std::string::npos) return program;
    const char* pathVar = std::getenv("PATH");
    const std::string path = pathVar ? pathVar : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos) end = path.size();
        const std::string folder = end > start ? path.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

TExactArguments::TExactArguments(const std::string& program, const std::vector<std::string>& args) {
    const std::string found = FindProgramBytes(program);
    strings_.push_back(found.empty() ? program : found);
    strings_.insert(strings_.end(), args.begin(), args.end());
    for (std::string& s : strings_) argv_.push_back(s.data());
    argv_.push_back(nullptr);
}

void TExactArguments::ApplyTo(QProcess& process) {
    QStringList args;
    for (std::size_t i = 1; i < strings_.size(); ++i) args << QFile::decodeName(QByteArray::fromStdString(strings_[i]));
    process.setProgram(QFile::decodeName(QByteArray::fromStdString(strings_.front())));
    process.setArguments(args);
    // Runs in the new process just before QProcess would start the program from its text
    // arguments: the program is started here from the bytes instead. Should that fail, QProcess
    // goes on and reports the failure as usual.
    char* const* argv = argv_.data();
    process.setChildProcessModifier([argv] { execv(argv[0], argv); });
}

bool TExactArguments::StartDetached() {
    // A pipe that closes on a successful start carries the error of a failed one.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    char* const* argv = argv_.data();
    const pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (child == 0) {
        // The program runs in a grandchild of its own session, so nothing waits for it and it
        // outlives this program.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            execv(argv[0], argv);
            const int err = errno;
            (void)!write(report[1], &err, sizeof err);
            _exit(127);
        }
        if (grandchild < 0) {
            const int err = errno;
            (void)!write(report[1], &err, sizeof err);
        }
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t got;
    do got = read(report[0], &err, sizeof err);
    while (got < 0 && errno == EINTR);
    close(report[0]);
    return got == 0;
}
