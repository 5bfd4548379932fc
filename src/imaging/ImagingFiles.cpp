#include "ImagingFiles.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging::detail {
namespace {

std::string SysError(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

std::string ParentFolder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A name beside the target that no other writer picks: the target's name, a random tag and
// ".tmp". O_EXCL makes a clash an error instead of a shared file.
std::string TempName(const std::string& path) {
    unsigned char raw[8] = {};
    if (getrandom(raw, sizeof raw, 0) != static_cast<ssize_t>(sizeof raw)) {
        // Without kernel randomness the thread's stack address and the clock still separate
        // concurrent writers well enough; O_EXCL catches the rest.
        const auto mix = reinterpret_cast<std::uintptr_t>(&raw) ^
                         static_cast<std::uintptr_t>(std::clock()) ^
                         static_cast<std::uintptr_t>(getpid());
        std::memcpy(raw, &mix, sizeof raw < sizeof mix ? sizeof raw : sizeof mix);
    }
    static const char kHex[] = "0123456789abcdef";
    std::string tag;
    for (unsigned char c : raw) {
        tag += kHex[c >> 4];
        tag += kHex[c & 15];
    }
    return path + ".~" + tag + ".tmp";
}

}  // namespace

int OpenRegularFile(const std::string& path, std::string& error) {
    const int fd =
        ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO must not block
    if (fd < 0) {
        error = SysError("Cannot open", path, errno);
        return -1;
    }
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        const int err = !statted ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        error = SysError("Cannot read", path, err);
        return -1;
    }
    return fd;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error,
                   std::size_t maxBytes) {
    bytes.clear();
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        error = SysError("Cannot read", path, err);
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        error = "Cannot read " + path + ": the file is too large";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            bytes.clear();
            error = SysError("Cannot read", path, err);
            return false;
        }
        if (n == 0) break;  // the file shrank while being read: keep what is there
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    ::close(fd);
    return true;
}

bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         std::string& error) {
    if (path.empty()) {
        error = "Cannot write a file without a name";
        return false;
    }
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = TempName(path);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = SysError("Cannot create", path, errno);
        return false;
    }
    auto fail = [&](const char* what, int err) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        error = SysError(what, path, err);
        return false;
    };

    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);

    const char* p = static_cast<const char*>(data);
    std::size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail("Cannot write", errno);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return fail("Cannot write", errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail("Cannot write", errno);
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail("Cannot replace", errno);

    // Make the rename itself durable; a failure here no longer endangers either file.
    const int dir = ::open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace imaging::detail
