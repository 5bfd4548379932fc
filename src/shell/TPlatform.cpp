#include "TPlatform.h"

#include "FileIo.h"

#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxUserName = 255;

std::string StripTrailingSlashes(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

std::string ErrnoText(int err) { return std::strerror(err); }

}  // namespace

std::string TempPathBeside(const std::string& target) { return mlb2detail::AtomicTempPath(target); }


std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BareName(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string* error) {
    if (path.empty() || path.back() == '/') {
        SetError(error, "no file name given");
        return false;
    }
    mlb2detail::TAtomicFile out(path, /*replaceLink=*/true);
    if (!out.Open(bytes.size())) {
        SetError(error, "cannot create a file in \"" + FolderOf(path) + "\": " + out.ErrorText());
        return false;
    }
    out.Write(bytes);
    if (!out.Commit()) {
        SetError(error, "cannot write \"" + path + "\": " + out.ErrorText());
        return false;
    }
    return true;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string* error, std::size_t maxBytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        SetError(error, "cannot open \"" + path + "\": " + ErrnoText(errno));
        return false;
    }
    const std::string tooLarge = "\"" + path + "\" is too large (more than " + std::to_string(maxBytes) + " bytes)";
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ::close(fd);
            SetError(error, "\"" + path + "\" is a folder");
            return false;
        }
        if (st.st_size > 0 && static_cast<unsigned long long>(st.st_size) > maxBytes) {
            ::close(fd);
            SetError(error, tooLarge);
            return false;
        }
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            SetError(error, "cannot read \"" + path + "\": " + ErrnoText(err));
            return false;
        }
        if (n == 0) break;
        if (static_cast<std::size_t>(n) > maxBytes - bytes.size()) {
            ::close(fd);
            bytes.clear();
            SetError(error, tooLarge);
            return false;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

bool ForceFolders(const std::string& folder, std::string* error) {
    if (folder.empty()) {
        SetError(error, "no folder given");
        return false;
    }
    std::string path = StripTrailingSlashes(folder);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        SetError(error, "\"" + path + "\" exists and is not a folder");
        return false;
    }
    // Create each missing level from the top down.
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            SetError(error, "cannot create the folder \"" + part + "\": " + ErrnoText(errno));
            return false;
        }
    }
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetError(error, "cannot create the folder \"" + path + "\"");
        return false;
    }
    return true;
}

std::string ExecutableFolder() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    return FolderOf(std::string(buf, static_cast<std::size_t>(n)));
}

TLinuxPlatform::TLinuxPlatform(std::string documentsOverride, std::string userOverride)
    : documents_(std::move(documentsOverride)), user_(std::move(userOverride)) {}

std::string TLinuxPlatform::DocumentsFolder() {
    if (!documents_.empty()) return StripTrailingSlashes(documents_);
    std::string folder =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toLocal8Bit().toStdString();
    if (folder.empty()) {
        const char* home = std::getenv("HOME");
        if (home && *home) folder = std::string(home) + "/Documents";
    }
    return StripTrailingSlashes(folder);
}

std::string TLinuxPlatform::UserName() {
    std::string name = user_;
    if (name.empty()) {
        long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
        struct passwd pw {};
        struct passwd* result = nullptr;
        if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result &&
            result->pw_name)
            name = result->pw_name;
    }
    if (name.empty()) {
        const char* env = std::getenv("USER");
        if (env) name = env;
    }
    if (name.size() > kMaxUserName) name.resize(kMaxUserName);
    return name;
}

std::string TLinuxPlatform::WorkingDirectory() {
    std::vector<char> buf(4096);
    for (;;) {
        if (::getcwd(buf.data(), buf.size())) return buf.data();
        if (errno != ERANGE || buf.size() > (1u << 20)) return "";
        buf.resize(buf.size() * 2);
    }
}

bool TLinuxPlatform::SetWorkingDirectory(const std::string& folder) {
    return !folder.empty() && ::chdir(folder.c_str()) == 0;
}

bool TLinuxPlatform::FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool TLinuxPlatform::FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool TLinuxPlatform::DeleteFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

bool TLinuxPlatform::ForceFolders(const std::string& folder) { return ::ForceFolders(folder); }

bool TLinuxPlatform::RemoveFolder(const std::string& folder) {
    return !folder.empty() && ::rmdir(folder.c_str()) == 0;
}

namespace {

// The volume holding a path, or its nearest existing parent; false when it cannot be asked.
bool StatVolume(const std::string& path, struct statvfs& vfs) {
    std::string p = path.empty() ? "." : StripTrailingSlashes(path);
    for (;;) {
        if (::statvfs(p.c_str(), &vfs) == 0) return true;
        if (errno != ENOENT && errno != ENOTDIR) return false;
        std::string parent = FolderOf(p);
        if (parent.empty()) parent = ".";
        if (parent == p) return false;
        p = parent;
    }
}

}  // namespace

std::int64_t TLinuxPlatform::FreeSpace(const std::string& path) {
    struct statvfs vfs {};
    if (!StatVolume(path, vfs)) return -1;
    return static_cast<std::int64_t>(vfs.f_bavail) * static_cast<std::int64_t>(vfs.f_frsize);
}

std::int64_t TLinuxPlatform::DiskSize(const std::string& path) {
    struct statvfs vfs {};
    if (!StatVolume(path, vfs)) return -1;
    return static_cast<std::int64_t>(vfs.f_blocks) * static_cast<std::int64_t>(vfs.f_frsize);
}

std::vector<std::string> TLinuxPlatform::ListFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    std::string base = StripTrailingSlashes(folder);
    while (struct dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (e->d_type == DT_REG) {
            names.push_back(name);
        } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            if (FileExists(base + "/" + name)) names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}
