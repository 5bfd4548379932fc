#pragma once
// Whole-file reading and atomic, durable replacement of a file. TAtomicFile is the one writer
// every file of the program goes through: tables, the album list, the icon strip, the settings,
// thumbnails, pictures and archives.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace mlb2detail {

// Files read whole are refused beyond this size (4 GiB): no file of the program comes near it,
// and a damaged or hostile file must not make the program allocate on the strength of its size.
constexpr std::size_t kMaxWholeFile = std::size_t{1} << 32;

// Reads a whole regular file into bytes (size bytes used). False when the path is not a
// regular file, cannot be opened or read, is larger than maxSize or does not fit in memory.
bool ReadWholeFile(const std::string& path, std::unique_ptr<char[]>& bytes, std::size_t& size,
                   std::size_t maxSize = kMaxWholeFile);

// Whether name (a bare file name) is one of the new files TAtomicFile writes beside a target
// before renaming it: "<target>.~tmp" followed by 12 lowercase hexadecimal digits.
bool IsAtomicTempName(const std::string& name);

// A new, unused-looking path beside target for a file that is to be renamed over it; its bare
// name satisfies IsAtomicTempName.
std::string AtomicTempPath(const std::string& target);

// Writes a new file beside the target and renames it over the target on Commit, so the old
// file stays whole until the new one is complete. Nothing is written to the target itself.
// Commit syncs the new file to the disk before the rename and the folder after it: after a
// crash or a power cut the target holds either the old or the new bytes, whole.
class TAtomicFile {
public:
    // replaceLink: a symbolic link at target is itself replaced by the new file; otherwise the
    // file it points to is replaced and the link stays.
    explicit TAtomicFile(const std::string& target, bool replaceLink = false);
    ~TAtomicFile();  // removes the new file unless committed
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Creates the new file. False when the target cannot be written (a folder that is missing
    // or not writable, a target that is a folder or is not writable) or creation fails.
    // sizeHint, the expected size, keeps the write buffer no larger than needed.
    bool Open(std::size_t sizeHint);

    // Buffered; a failure is remembered and reported by Commit.
    void Write(const void* data, std::size_t n) {
        if (n <= capacity_ - used_) {
            if (n) std::memcpy(buffer_.get() + used_, data, n);
            used_ += n;
        } else {
            WriteSlow(data, n);
        }
    }
    void Write(const std::string& s) { Write(s.data(), s.size()); }

    // Room for n bytes in the buffer, to be filled and then taken with Advance(n); null when n
    // is larger than the buffer (use Write then).
    char* Space(std::size_t n) {
        if (n > capacity_) return nullptr;
        if (n > capacity_ - used_) Flush();
        return buffer_.get() + used_;
    }
    void Advance(std::size_t n) { used_ += n; }

    // Flushes, syncs, closes and renames over the target, then syncs the folder. False (the
    // target untouched) on any failure; ErrorText then says why.
    bool Commit();

    // For TAtomicBatch: flushes and closes the new file without syncing it and hands its path
    // over (this object then no longer removes it). False (the new file removed) on a failure.
    bool CloseUnsynced(std::string& newFile);

    // Why Open or Commit failed, as the system put it ("No space left on device").
    const std::string& ErrorText() const { return error_; }
    const std::string& Target() const { return target_; }

private:
    // Flushes and closes the new file (synced when asked) and gives it the target's permissions;
    // false, with the new file removed, on any failure.
    bool CloseNewFile(bool sync);
    void WriteSlow(const void* data, std::size_t n);
    void Flush();
    void Discard();
    void Fail(int err);

    std::string target_;
    bool replaceLink_ = false;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    bool committed_ = false;
    std::string error_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

// Files that are cheap to lose but must never be seen half written (a cache): each is written
// whole beside its target through TAtomicFile, without a sync of its own. Commit makes the
// batch durable with one sync of the file system, then renames every new file over its target
// and syncs each folder once, so after a crash every target holds its old bytes (or is absent)
// or its new bytes, whole. Files not committed are removed by the destructor or Discard.
class TAtomicBatch {
public:
    TAtomicBatch() = default;
    ~TAtomicBatch() { Discard(); }
    TAtomicBatch(const TAtomicBatch&) = delete;
    TAtomicBatch& operator=(const TAtomicBatch&) = delete;

    // Writes the new file for target. False (nothing added) on a failure; ErrorText says why.
    bool Add(const std::string& target, const void* data, std::size_t n);
    // Syncs once and renames every file added since the last Commit. Returns the targets now
    // in place; targets whose rename failed are left out (their new files removed).
    std::vector<std::string> Commit();
    void Discard();
    std::size_t size() const { return pending_.size(); }
    bool empty() const { return pending_.empty(); }
    const std::string& ErrorText() const { return error_; }

private:
    struct Pending {
        std::string temp;
        std::string target;
    };
    std::vector<Pending> pending_;
    std::string error_;
};

}  // namespace mlb2detail
