#include "FileIo.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace mlb2detail {

namespace {

constexpr std::size_t kWriteBuffer = 1 << 20;
constexpr std::size_t kMinWriteBuffer = 4096;

constexpr const char kTempMark[] = ".~tmp";
constexpr std::size_t kTempDigits = 12;
// A target name this long plus the suffix could pass the file system's name limit: its new file
// is then written under a short name in the same folder.
constexpr std::size_t kLongName = 200;

std::string TempNameBeside(const std::string& target, unsigned long long salt) {
    static const char kHex[] = "0123456789abcdef";
    const fs::path t(target);
    std::string name = t.filename().string().size() > kLongName
                           ? (t.parent_path() / ".lumavell").string() + kTempMark
                           : target + kTempMark;
    for (std::size_t i = 0; i < kTempDigits; ++i) {
        name += kHex[salt & 15];
        salt >>= 4;
    }
    return name;
}

std::string SystemText(int err) { return std::generic_category().message(err); }

// Makes a rename in the folder durable. Some file systems cannot sync a folder (EINVAL); the
// rename has happened either way, so a failure here is not reported as a failed write.
void SyncFolderOf(const std::string& path) {
    std::string folder = fs::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

bool IsAtomicTempName(const std::string& name) {
    const std::size_t mark = sizeof kTempMark - 1;
    if (name.size() < mark + kTempDigits + 1) return false;
    const std::size_t at = name.size() - kTempDigits - mark;
    if (name.compare(at, mark, kTempMark) != 0) return false;
    for (std::size_t i = at + mark; i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::unique_ptr<char[]>& bytes, std::size_t& size,
                   std::size_t maxSize) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::is_regular_file(st)) return false;
    const auto hint = fs::file_size(path, ec);
    if (ec || hint > maxSize) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;

    std::size_t capacity = hint > 0 ? static_cast<std::size_t>(hint) : 64 * 1024;
    std::unique_ptr<char[]> buffer;
    std::size_t used = 0;
    bool ok = true;
    try {
        buffer = std::make_unique_for_overwrite<char[]>(capacity);
        for (;;) {
            used += std::fread(buffer.get() + used, 1, capacity - used, f);
            if (used < capacity) {
                ok = !std::ferror(f);
                break;
            }
            // Full: the file may have grown since its size was taken.
            const int c = std::fgetc(f);
            if (c == EOF) {
                ok = !std::ferror(f);
                break;
            }
            if (capacity >= maxSize) {
                ok = false;
                break;
            }
            const std::size_t grown = capacity > maxSize / 2 ? maxSize : capacity * 2;
            auto bigger = std::make_unique_for_overwrite<char[]>(grown);
            std::memcpy(bigger.get(), buffer.get(), used);
            buffer = std::move(bigger);
            capacity = grown;
            buffer[used++] = static_cast<char>(c);
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    std::fclose(f);
    if (!ok) return false;
    bytes = std::move(buffer);
    size = used;
    return true;
}

std::string AtomicTempPath(const std::string& target) {
    thread_local std::mt19937_64 salt = [] {
        std::random_device device;
        return std::mt19937_64(static_cast<unsigned long long>(device()) << 32 ^ device());
    }();
    return TempNameBeside(target, salt());
}

TAtomicFile::TAtomicFile(const std::string& target, bool replaceLink)
    : target_(target), replaceLink_(replaceLink) {}

TAtomicFile::~TAtomicFile() {
    if (!committed_) Discard();
}

bool TAtomicFile::Open(std::size_t sizeHint) {
    std::error_code ec;
    error_.clear();
    if (fs::path(target_).filename().empty()) {
        error_ = "no file name given";
        return false;
    }
    const bool isLink = fs::is_symlink(fs::symlink_status(target_, ec));
    if (isLink && !replaceLink_) {
        // Replace what the link points to, not the link.
        const fs::path resolved = fs::canonical(target_, ec);
        if (!ec) target_ = resolved.string();
    }
    const fs::file_status st = isLink && replaceLink_ ? fs::symlink_status(target_, ec) : fs::status(target_, ec);
    if (fs::exists(st) && !fs::is_symlink(st)) {
        if (!fs::is_regular_file(st)) {
            error_ = "a folder or other non-file is in the way";
            return false;
        }
        // The old file must be one this user may write: opened for update, never truncated.
        std::FILE* probe = std::fopen(target_.c_str(), "r+b");
        if (!probe) {
            error_ = SystemText(errno);
            return false;
        }
        std::fclose(probe);
    }

    int openError = 0;
    for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
        temp_ = AtomicTempPath(target_);
        file_ = std::fopen(temp_.c_str(), "wbx");
        openError = errno;
        if (!file_ && !fs::exists(temp_, ec)) break;  // not a name clash: the folder refuses
    }
    if (!file_) {
        error_ = SystemText(openError);
        temp_.clear();
        return false;
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);  // this class buffers
    capacity_ = sizeHint < kMinWriteBuffer ? kMinWriteBuffer : (sizeHint > kWriteBuffer ? kWriteBuffer : sizeHint);
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
    used_ = 0;
    return true;
}

void TAtomicFile::Fail(int err) {
    if (failed_) return;
    failed_ = true;
    error_ = SystemText(err ? err : EIO);
}

void TAtomicFile::Flush() {
    if (used_ == 0) return;
    if (!failed_ && file_ && std::fwrite(buffer_.get(), 1, used_, file_) != used_) Fail(errno);
    used_ = 0;
}

void TAtomicFile::WriteSlow(const void* data, std::size_t n) {
    Flush();
    if (n < capacity_) {
        std::memcpy(buffer_.get(), data, n);
        used_ = n;
    } else if (!failed_ && file_ && std::fwrite(data, 1, n, file_) != n) {
        Fail(errno);
    }
}

bool TAtomicFile::CloseNewFile(bool sync) {
    if (!file_ || committed_) {
        if (error_.empty()) error_ = "the file was not opened for writing";
        return false;
    }
    Flush();
    if (!failed_ && (std::fflush(file_) != 0 || std::ferror(file_))) Fail(errno);
    // Synced, the new bytes reach the disk before the rename can: a power cut after the rename
    // must not leave an empty or half-written file under the target's name.
    if (sync && !failed_ && ::fsync(::fileno(file_)) != 0) Fail(errno);
    if (std::fclose(file_) != 0) Fail(errno);
    file_ = nullptr;
    if (failed_) {
        Discard();
        return false;
    }
    std::error_code ec;
    const fs::file_status old = replaceLink_ ? fs::symlink_status(target_, ec) : fs::status(target_, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(temp_, old.permissions(), ec);
    return true;
}

bool TAtomicFile::Commit() {
    if (!CloseNewFile(true)) return false;
    std::error_code ec;
    fs::rename(temp_, target_, ec);
    if (ec) {
        Fail(ec.value());
        Discard();
        return false;
    }
    committed_ = true;
    temp_.clear();
    SyncFolderOf(target_);
    return true;
}

bool TAtomicFile::CloseUnsynced(std::string& newFile) {
    if (!CloseNewFile(false)) return false;
    newFile = std::move(temp_);
    temp_.clear();
    committed_ = true;
    return true;
}

void TAtomicFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
        temp_.clear();
    }
}

bool TAtomicBatch::Add(const std::string& target, const void* data, std::size_t n) {
    TAtomicFile file(target);
    if (!file.Open(n)) {
        error_ = file.ErrorText();
        return false;
    }
    file.Write(data, n);
    std::string temp;
    if (!file.CloseUnsynced(temp)) {
        error_ = file.ErrorText();
        return false;
    }
    try {
        pending_.push_back({std::move(temp), file.Target()});
    } catch (...) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw;
    }
    return true;
}

std::vector<std::string> TAtomicBatch::Commit() {
    std::vector<std::string> done;
    if (pending_.empty()) return done;
    // One sync brings every new file's bytes to the disk before any of them gets its name.
    const int fd = ::open(pending_.front().temp.c_str(), O_RDONLY | O_CLOEXEC);
    bool synced = false;
    if (fd >= 0) {
        synced = ::syncfs(fd) == 0;
        ::close(fd);
    }
    if (!synced) {
        for (const Pending& p : pending_) {
            const int f = ::open(p.temp.c_str(), O_RDONLY | O_CLOEXEC);
            if (f >= 0) {
                (void)::fsync(f);
                ::close(f);
            }
        }
    }
    std::vector<std::string> folders;
    done.reserve(pending_.size());
    for (const Pending& p : pending_) {
        std::error_code ec;
        fs::rename(p.temp, p.target, ec);
        if (ec) {
            error_ = SystemText(ec.value());
            fs::remove(p.temp, ec);
            continue;
        }
        std::string folder = fs::path(p.target).parent_path().string();
        if (folders.empty() || folders.back() != folder) folders.push_back(std::move(folder));
        done.push_back(p.target);
    }
    pending_.clear();
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    for (const std::string& f : folders) SyncFolderOf(f.empty() ? std::string("./.") : f + "/.");
    return done;
}

void TAtomicBatch::Discard() {
    for (const Pending& p : pending_) {
        std::error_code ec;
        fs::remove(p.temp, ec);
    }
    pending_.clear();
}

}  // namespace mlb2detail
