#include "ImagingFiles.h"

#include "FileIo.h"

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
    mlb2detail::TAtomicFile out(path, /*replaceLink=*/true);
    if (!out.Open(size)) {
        error = "Cannot create " + path + ": " + out.ErrorText();
        return false;
    }
    out.Write(data, size);
    if (!out.Commit()) {
        error = "Cannot write " + path + ": " + out.ErrorText();
        return false;
    }
    return true;
}

}  // namespace imaging::detail
