#pragma once
// Whole-file reading and atomic replacement of a file, for the table's loaders and writers.
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace mlb2detail {

// Reads a whole regular file into bytes (size bytes used). False when the path is not a
// regular file or cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::unique_ptr<char[]>& bytes, std::size_t& size);

// Writes a new file beside the target and renames it over the target on Commit, so the old
// file stays whole until the new one is complete. Nothing is written to the target itself.
class TAtomicFile {
public:
    explicit TAtomicFile(const std::string& target);
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

    // Flushes, closes and renames over the target. False (the target untouched) on any failure.
    bool Commit();

private:
    void WriteSlow(const void* data, std::size_t n);
    void Flush();
    void Discard();

    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
    bool committed_ = false;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

}  // namespace mlb2detail
