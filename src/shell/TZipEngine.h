#pragma once
// The Zip component shared by the thumbnail archive, album sharing and receiving: a list of
// files packed under their bare names (deflate, level 9), an archive comment written as raw
// bytes, and a safe extraction of every entry into one folder. Errors are told to the user
// through the message interface; callers may also look at the results.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

struct zip;

class TMessages;

class TZipEngine {
public:
    // Bytes free on the volume holding a folder and the volume's size, -1 when unknown.
    struct TDiskSpace {
        std::int64_t free = -1;
        std::int64_t size = -1;
    };
    using FreeSpaceFunction = std::function<TDiskSpace(const std::string& folder)>;
    // The largest size Extract takes for an entry, by its bare name.
    using EntryLimit = std::function<std::uint64_t(const std::string& bareName)>;
    // Says whether Extract takes an entry, by its bare name and its stated size.
    using EntryFilter = std::function<bool(const std::string& bareName, std::uint64_t size)>;

    explicit TZipEngine(TMessages* messages = nullptr);

    void SetMessages(TMessages* messages) { messages_ = messages; }
    void SetArchiveName(const std::string& path) { archive_ = path; }
    const std::string& ArchiveName() const { return archive_; }

    void ClearFiles() { files_.clear(); }
    void AddFileToList(const std::string& fullPath) { files_.push_back(fullPath); }
    const std::vector<std::string>& Files() const { return files_; }

    // Creates a new archive (replacing any old file of that name, atomically) holding every
    // listed file under its bare name, in list order; with SetKeptEntries, the kept entries
    // come first.
    bool Add();
    // Add also takes over the entries of the archive `from` (which may be the archive being
    // replaced) that `keep` accepts by bare name and stated size, copied as they are stored
    // (nothing is unpacked or packed again), in their order, each bare name once. An entry of
    // the same bare name as a listed file is not kept: the file replaces it. An archive `from`
    // that cannot be read makes Add fail and write nothing. An empty filter keeps nothing.
    void SetKeptEntries(const std::string& from, EntryFilter keep) {
        keepFrom_ = from;
        keepFilter_ = std::move(keep);
    }
    // The deflate level Add packs at: 9 (smallest) unless set; 1 is the fastest.
    void SetCompressionLevel(int level) { level_ = level < 1 ? 1 : (level > 9 ? 9 : level); }
    // Called while Add writes the archive and while Extract writes files, with the part done
    // from 0 to 1.
    using ProgressFunction = std::function<void(double done)>;
    void SetProgressFunction(ProgressFunction fn) { progress_ = std::move(fn); }

    // Writes the comment, byte for byte, into the finished archive.
    bool SetComment(const std::string& comment);
    // Reads the archive comment as raw bytes ("" when none or on error, without a message).
    std::string Comment() const;

    void SetBaseFolder(const std::string& folder) { baseFolder_ = folder; }
    const std::string& BaseFolder() const { return baseFolder_; }

    // Extracts every entry into the base folder (created when missing) under its bare name.
    // Entry names with a folder part are reduced to their bare name; of several entries with the
    // same bare name the first is taken and the others passed over; folder entries are skipped;
    // "." and "..", empty names, links, special and encrypted entries are refused (the others
    // are still extracted, and the result is false). Nothing is ever written outside the base
    // folder, nor through a link in it. The sizes are read from the archive's directory first:
    // an archive with an entry over its limit, or whose contents would leave less free space
    // on the disk than FreeSpaceMargin, is refused before anything is written. Entries are
    // streamed to new files that take their names only when every entry is written; a failure
    // part way removes them all. Files of the same name are replaced, each whole.
    bool Extract();

    // The room an extraction leaves free on a disk of this size (-1: unknown): a tenth of the
    // disk, at most 1 GiB.
    static std::uint64_t FreeSpaceMargin(std::int64_t diskSize);

    // Extract's files in the making are named so that they can be told apart: after a crash or
    // a kill they stay behind. RemoveLeftovers removes those in a folder last changed before the
    // time `before` (seconds since the epoch) and returns how many it removed.
    static bool IsUnpackTempName(const std::string& name);
    static int RemoveLeftovers(const std::string& folder, std::int64_t before);

    // The entry names of the archive, in archive order, as the bytes stored (empty on error,
    // without a message).
    std::vector<std::string> EntryNames() const;

    const std::string& LastError() const { return lastError_; }

    // Entries the filter turns down are passed over by Extract without a word (they neither
    // count against the free space nor make the result false). No filter takes every entry.
    void SetEntryFilter(EntryFilter filter) { entryFilter_ = std::move(filter); }

    // Entries larger than the limit makes Extract refuse the whole archive. No limit function
    // takes entries of any size.
    void SetEntryLimit(EntryLimit limit) { entryLimit_ = std::move(limit); }

    // Replaces the free-space query Extract uses (the default asks the file system); for tests.
    void SetFreeSpaceFunction(FreeSpaceFunction fn) { freeSpace_ = std::move(fn); }

private:
    void Fail(const std::string& text);

    TMessages* messages_;
    std::string archive_;
    std::vector<std::string> files_;
    std::string baseFolder_;
    std::string lastError_;
    FreeSpaceFunction freeSpace_;
    ProgressFunction progress_;
    EntryFilter entryFilter_;
    EntryLimit entryLimit_;
    std::string keepFrom_;
    EntryFilter keepFilter_;
    int level_ = 9;
};

// Reads single entries of an archive into memory, by bare name, with the extractor's rules: the
// directory is read once at Open, entries the filter turns down (by bare name and stated size)
// are not there, of several entries of a bare name the first is taken, and links, special and
// encrypted entries are passed over. An entry is read only up to its stated size (which the
// filter bounds); one that holds more or less, or fails its CRC, cannot be read. The archive
// stays open, so a file replaced or removed meanwhile is still read as it was. Thread-safe.
class TZipReader {
public:
    TZipReader() = default;
    ~TZipReader();
    TZipReader(const TZipReader&) = delete;
    TZipReader& operator=(const TZipReader&) = delete;

    // False, with the reason in why, when the file cannot be read as a Zip archive.
    bool Open(const std::string& archive, const TZipEngine::EntryFilter& filter, std::string* why);
    bool Has(const std::string& bareName) const;
    std::size_t size() const;
    // The bare names taken, in archive order.
    std::vector<std::string> Names() const;
    bool Read(const std::string& bareName, std::string& out) const;

private:
    struct Entry {
        std::uint64_t index;
        std::uint64_t size;
    };
    mutable std::mutex mutex_;
    struct zip* za_ = nullptr;
    std::unordered_map<std::string, Entry> entries_;
    std::vector<std::string> names_;
};
