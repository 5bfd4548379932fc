#include "FileIo.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace mlb2detail {

namespace {

constexpr std::size_t kWriteBuffer = 1 << 20;
constexpr std::size_t kMinWriteBuffer = 4096;

std::string TempNameBeside(const std::string& target, unsigned long long salt) {
    static const char kHex[] = "0123456789abcdef";
    std::string name = target + ".~tmp";
    for (int i = 0; i < 12; ++i) {
        name += kHex[salt & 15];
        salt >>= 4;
    }
    return name;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::unique_ptr<char[]>& bytes, std::size_t& size) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::is_regular_file(st)) return false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;

    std::size_t capacity = 0;
    const auto hint = fs::file_size(path, ec);
    if (!ec && hint > 0 && hint < (std::uintmax_t{1} << 40)) capacity = static_cast<std::size_t>(hint);
    if (capacity == 0) capacity = 64 * 1024;
    auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t used = 0;
    bool ok = true;
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
        auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
        std::memcpy(bigger.get(), buffer.get(), used);
        buffer = std::move(bigger);
        capacity *= 2;
        buffer[used++] = static_cast<char>(c);
    }
    std::fclose(f);
    if (!ok) return false;
    bytes = std::move(buffer);
    size = used;
    return true;
}

TAtomicFile::TAtomicFile(const std::string& target) : target_(target) {}

TAtomicFile::~TAtomicFile() {
    if (!committed_) Discard();
}

bool TAtomicFile::Open(std::size_t sizeHint) {
    std::error_code ec;
    if (fs::path(target_).filename().empty()) return false;
    // Replace what a link points to, not the link.
    if (fs::is_symlink(fs::symlink_status(target_, ec))) {
        const fs::path resolved = fs::canonical(target_, ec);
        if (!ec) target_ = resolved.string();
    }
    const fs::file_status st = fs::status(target_, ec);
    if (fs::exists(st)) {
        if (!fs::is_regular_file(st)) return false;
        // The old file must be one this user may write: opened for update, never truncated.
        std::FILE* probe = std::fopen(target_.c_str(), "r+b");
        if (!probe) return false;
        std::fclose(probe);
    }

    thread_local std::mt19937_64 salt = [] {
        std::random_device device;
        return std::mt19937_64(static_cast<unsigned long long>(device()) << 32 ^ device());
    }();
    for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
        temp_ = TempNameBeside(target_, salt());
        file_ = std::fopen(temp_.c_str(), "wbx");
        if (!file_ && !fs::exists(temp_, ec)) break;  // not a name clash: the folder refuses
    }
    if (!file_) {
        temp_.clear();
        return false;
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);  // this class buffers
    capacity_ = sizeHint < kMinWriteBuffer ? kMinWriteBuffer : (sizeHint > kWriteBuffer ? kWriteBuffer : sizeHint);
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
    used_ = 0;
    return true;
}

void TAtomicFile::Flush() {
    if (used_ == 0) return;
    if (!failed_ && file_ && std::fwrite(buffer_.get(), 1, used_, file_) != used_) failed_ = true;
    used_ = 0;
}

void TAtomicFile::WriteSlow(const void* data, std::size_t n) {
    Flush();
    if (n < capacity_) {
        std::memcpy(buffer_.get(), data, n);
        used_ = n;
    } else if (!failed_ && file_ && std::fwrite(data, 1, n, file_) != n) {
        failed_ = true;
    }
}

bool TAtomicFile::Commit() {
    if (!file_ || committed_) return false;
    Flush();
    if (std::fflush(file_) != 0 || std::ferror(file_)) failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (failed_) {
        Discard();
        return false;
    }
    std::error_code ec;
    const fs::file_status old = fs::status(target_, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(temp_, old.permissions(), ec);
    fs::rename(temp_, target_, ec);
    if (ec) {
        Discard();
        return false;
    }
    committed_ = true;
    temp_.clear();
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

}  // namespace mlb2detail
