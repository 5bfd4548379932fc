#pragma once
// Starting programs with arguments that are file paths as bytes. QProcess hands its arguments to
// the program as UTF-8, so a file name that is not valid UTF-8 (a Latin-1 "café.jpg") would
// arrive as a different name, one that does not exist. These start the program with exactly the
// bytes given.

#include <functional>
#include <string>
#include <vector>

class QProcess;

class TExactArguments {
public:
    // program: a path, or a bare name looked up on the PATH here (before anything is started).
    TExactArguments(const std::string& program, const std::vector<std::string>& args);
    TExactArguments(const TExactArguments&) = delete;
    TExactArguments& operator=(const TExactArguments&) = delete;

    // Has `process` start the program with these bytes (the object must outlive the start). The
    // process's own program and arguments are set too, for what it reports about itself.
    void ApplyTo(QProcess& process);

    // Starts the program on its own (it goes on after this program ends and is never waited
    // for). False when it could not be started.
    bool StartDetached();

    const std::string& Program() const { return strings_.front(); }

private:
    std::vector<std::string> strings_;  // program, then the arguments
    std::vector<char*> argv_;           // pointers into strings_, ended by a null pointer
};

// The full path of a program on the PATH ("" when none is found); a name with a slash is
// returned as it is.
std::string FindProgramBytes(const std::string& program);
