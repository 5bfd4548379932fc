#pragma once
// One copy of the program per catalog. Two copies on one catalog would overwrite each other's
// data.mlb, album list and thumbnail cache, and opening a package from the desktop while the
// program runs starts just such a second copy.
//
// The copy that works on a catalog holds a lock on the lock file ".lumavell2.lock" in the catalog
// folder itself, so every copy that can write the catalog sees it, whatever path, home folder or
// runtime folder it reached the catalog by. The lock is the kernel's (flock): it ends with its
// process, so a copy that crashed blocks nothing, and a copy that is alive is never taken over.
// The lock file also names the local socket its owner listens on. The owner listens from the
// first moment of its start-up and keeps what it is handed until its windows are ready; a later
// start hands its command line (and its working folder, for relative paths) over and ends.

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QLocalServer;

class TSingleInstance {
public:
    // The arguments handed over and the working folder of the start that handed them.
    using Handler = std::function<void(std::vector<std::string> args, std::string workingFolder)>;

    static constexpr const char* kLockName = ".lumavell2.lock";
    // What a start that waits for a busy running copy tells the user.
    static constexpr const char* kBusyNotice =
        "Lumavell2 is already running and busy; your request will be handled when it is free.";
    static constexpr int kNoticeDelayMs = 3000;

    // catalogFolder: the catalog root, made when missing. runtimeFolder: where this copy makes
    // its socket when it becomes the running copy ("" = DefaultRuntimeFolder()).
    explicit TSingleInstance(std::string catalogFolder, std::string runtimeFolder = "");
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    enum class TStart {
        Running,     // this process holds the catalog and listens for later starts
        HandedOver,  // a running copy has taken the arguments: this process should end
        Unlocked,    // no lock file can be made (no catalog folder): this start goes on alone
    };
    // Becomes the running copy, or hands args to the running copy. While the running copy does
    // not answer (busy, or still starting) this keeps trying, for as long as that copy lives,
    // processing events meanwhile; after noticeMs of waiting `notice` runs once.
    TStart Start(const std::vector<std::string>& args, std::function<void()> notice = {},
                 int noticeMs = kNoticeDelayMs);

    // Where handed-over command lines go, on the event loop, each once. Until a handler is set
    // they are kept (the windows are not ready yet).
    void SetHandler(Handler handler);
    bool IsRunningCopy() const { return lockFd_ >= 0; }
    const std::string& SocketPath() const { return socketPath_; }
    // The catalog folder's real path + "/" + kLockName ("" before Start).
    const std::string& LockPath() const { return lockPath_; }

    // $XDG_RUNTIME_DIR, or a per-user folder in the temporary folder.
    static std::string DefaultRuntimeFolder();
    // runtimeFolder + "/lumavell2-" + a hash of the catalog folder's real path + ".socket".
    static std::string SocketPathFor(const std::string& realCatalogFolder, const std::string& runtimeFolder);

    // The message a start sends: a magic line, then the number of items and each item's length
    // and bytes (32-bit big-endian); the items are the request's identifier (the same for every
    // attempt of one start, so that a request is acted on once), the working folder, the args.
    static std::string Encode(const std::string& requestId, const std::string& workingFolder,
                              const std::vector<std::string>& args);
    // Reads a message; false while it is incomplete or when it is malformed (*bad set).
    static bool Decode(const std::string& bytes, std::string& requestId, std::string& workingFolder,
                       std::vector<std::string>& args, bool* bad = nullptr);

private:
    enum class TLock { Taken, Held, Impossible };
    TLock TryLock();
    bool Listen();
    void Received(const std::string& requestId, std::vector<std::string> args, std::string folder);
    void Dispatch(std::vector<std::string> args, std::string folder);

    std::string catalog_;
    std::string runtime_;
    std::string lockPath_;
    std::string socketPath_;
    int lockFd_ = -1;
    std::unique_ptr<QLocalServer> server_;
    Handler handler_;
    std::vector<std::pair<std::vector<std::string>, std::string>> pending_;
    std::set<std::string> handled_;
};
