#pragma once
// One copy of the program per user. Two copies on one catalog would overwrite each other's
// data.mlb, album list and thumbnail cache, and opening a package from the desktop while the
// program runs starts just such a second copy. So the first copy holds a per-user lock and
// listens on a per-user local socket; a later start hands its command line (and its working
// folder, for relative paths) to the running copy and ends.
//
// The lock is a lock file naming its process: a lock or socket left behind by a copy that
// crashed is recognised as stale and taken over by the next start.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QLockFile;

class TSingleInstance {
public:
    // The arguments handed over and the working folder of the start that handed them.
    using Handler = std::function<void(std::vector<std::string> args, std::string workingFolder)>;

    // socketPath: where the socket is made; the lock file is socketPath + ".lock".
    explicit TSingleInstance(std::string socketPath);
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // The socket of the copies that work on the catalog of this documents folder:
    // $XDG_RUNTIME_DIR (or a per-user folder in the temporary folder) + "/lumavell2-" + a hash of
    // the folder + ".socket". Copies with another documents folder (another catalog) do not meet.
    static std::string DefaultSocketPath(const std::string& documentsFolder);

    // Tries to become the running copy; when another copy runs, hands args to it. True when a
    // running copy took them: this process should end. False when this process is now the
    // running copy (call Listen), or when no running copy could be reached.
    bool HandOver(const std::vector<std::string>& args, int waitMs = 5000);
    // Starts listening for later starts (needs the Qt event loop); handler runs on the loop,
    // after the handing start has been answered. False when this process is not the running
    // copy or the socket cannot be made.
    bool Listen(Handler handler);
    bool IsRunningCopy() const;

    // The message a start sends: a magic line, then the number of items and each item's
    // length and bytes (32-bit big-endian); the first item is the working folder.
    static std::string Encode(const std::string& workingFolder, const std::vector<std::string>& args);
    // Reads a message; false while it is incomplete or when it is malformed (*bad set).
    static bool Decode(const std::string& bytes, std::string& workingFolder, std::vector<std::string>& args,
                       bool* bad = nullptr);

private:
    bool TryLock();

    std::string path_;
    std::unique_ptr<QLockFile> lock_;
    bool locked_ = false;
    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
};
