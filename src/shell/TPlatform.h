#pragma once
// Platform services: the few things the program asks of the operating system (the user's
// documents folder and name, the working directory, and file-system helpers), behind a small
// interface so the catalog and the windows can be tested against a folder of their own.
//
// Paths are byte strings; folders are returned without a trailing slash.

#include <cstdint>
#include <string>
#include <vector>

class TPlatform {
public:
    virtual ~TPlatform() = default;

    // The user's documents folder, without a trailing slash.
    virtual std::string DocumentsFolder() = 0;
    // The logged-in user's name (at most 255 bytes).
    virtual std::string UserName() = 0;

    virtual std::string WorkingDirectory() = 0;
    virtual bool SetWorkingDirectory(const std::string& folder) = 0;

    // True for a regular file (after following links) / for a folder.
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    // Removes a file (not a folder); false when it could not be removed.
    virtual bool DeleteFile(const std::string& path) = 0;
    // Creates the folder and every missing parent; true when the folder exists afterwards.
    virtual bool ForceFolders(const std::string& folder) = 0;
    // Removes a folder only when it is empty.
    virtual bool RemoveFolder(const std::string& folder) = 0;
    // Bytes free to this user on the volume that holds path (or its nearest existing parent);
    // -1 when that cannot be found out.
    virtual std::int64_t FreeSpace(const std::string& path) = 0;
    // The names (not paths) of the regular files in a folder, sorted bytewise.
    virtual std::vector<std::string> ListFiles(const std::string& folder) = 0;
};

// The Linux implementation. The documents folder comes from Qt's QStandardPaths (which follows
// XDG_CONFIG_HOME/user-dirs.dirs and HOME); the user name from the password database, then $USER.
// Either can be fixed by the constructor, which the tests use.
class TLinuxPlatform : public TPlatform {
public:
    explicit TLinuxPlatform(std::string documentsOverride = "", std::string userOverride = "");

    std::string DocumentsFolder() override;
    std::string UserName() override;
    std::string WorkingDirectory() override;
    bool SetWorkingDirectory(const std::string& folder) override;
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    bool ForceFolders(const std::string& folder) override;
    bool RemoveFolder(const std::string& folder) override;
    std::int64_t FreeSpace(const std::string& path) override;
    // Size of the volume holding the path (or its nearest existing parent), -1 when unknown.
    std::int64_t DiskSize(const std::string& path);
    std::vector<std::string> ListFiles(const std::string& folder) override;

private:
    std::string documents_;
    std::string user_;
};

// Replaces the file at path with bytes so that a crash, a power cut or a full disk leaves either
// the old file or the new one, never a mix: the bytes go to a new file beside it, are synced to
// the disk, the new file is renamed over the old one and the folder is synced. The missing folder is not created. A link at
// path is replaced, not followed. A new file gets the usual permissions (0666 less the umask),
// a replaced one keeps its own. On failure the old file is untouched, the temporary file is
// removed, *error (when given) says why and the result is false.
bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* error = nullptr);

// A path beside target (same folder, target's name + ".~tmp" + 12 random hexadecimal digits; a
// shorter name for very long target names) for a file that is to be renamed over target. Every
// writer of the program names its new files so, and start-up removes stale ones by that pattern.
std::string TempPathBeside(const std::string& target);

// Reads a whole file; false (and *error) when it cannot be read or holds more than maxBytes
// (checked before anything is allocated, and again while reading files that grow or that
// report no size).
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string* error = nullptr,
                   std::size_t maxBytes = std::size_t{64} << 20);

// Creates the folder and every missing parent (the free-function form of ForceFolders).
bool ForceFolders(const std::string& folder, std::string* error = nullptr);

// The folder of the running program (from /proc/self/exe), without a trailing slash; "" if unknown.
std::string ExecutableFolder();

// The folder part of a path ("" for a bare name) and the part after the last slash.
std::string FolderOf(const std::string& path);
std::string BareName(const std::string& path);
