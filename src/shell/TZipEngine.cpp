#include "TZipEngine.h"

#include "TMessages.h"
#include "TPlatform.h"

#include <zip.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxComment = 0xFFFF;
constexpr std::size_t kMaxNamesShown = 5;

std::string LibzipError(int code) {
    zip_error_t err;
    zip_error_init_with_code(&err, code);
    std::string text = zip_error_strerror(&err);
    zip_error_fini(&err);
    return text;
}

// Entry names come from the archive: keep control bytes out of the message text.
std::string Shown(const std::string& name) {
    std::string out;
    for (char c : name) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    return "\"" + out + "\"";
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The name after the last folder separator; archives made on Windows may use backslashes.
std::string EntryBareName(const std::string& name) {
    std::size_t cut = name.find_last_of("/\\");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

// An end-of-central-directory record of an archive without entries.
std::string EmptyArchive(const std::string& comment) {
    std::string eocd("PK\x05\x06", 4);
    eocd.append(16, '\0');
    eocd += static_cast<char>(comment.size() & 0xFF);
    eocd += static_cast<char>((comment.size() >> 8) & 0xFF);
    return eocd + comment;
}

bool FlushFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void FlushFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

constexpr const char* kUnpackTempPrefix = ".lumavell-unzip-";

std::string TempEntryName() {
    static std::atomic<unsigned> counter{0};
    return kUnpackTempPrefix + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

bool AllDigits(const std::string& s, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// The archive comment: a printable ASCII stand-in of the same length that libzip accepts,
// replaced by the real bytes once the archive is written.
std::string Placeholder(const std::string& comment) {
    std::string p = comment;
    for (char& c : p)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return p;
}

// The entries an extraction or a reader takes, in archive order: each under its bare name (the
// first entry of a bare name wins), folders left out, entries the filter turns down passed over.
// Links, special and encrypted entries and unusable names go to refused; the first entry over
// its limit is described in tooLarge. total adds up the stated sizes of the entries taken.
struct TPlannedEntry {
    zip_uint64_t index;
    std::string name;
    zip_uint64_t size;
};

std::vector<TPlannedEntry> PlanEntries(zip_t* za, const TZipEngine::EntryFilter& filter,
                                       const TZipEngine::EntryLimit& limit, std::vector<std::string>& refused,
                                       std::string& tooLarge, zip_uint64_t& total) {
    std::vector<TPlannedEntry> items;
    std::set<std::string> taken;  // bare names already planned: the first entry of a name wins
    total = 0;
    zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_uint64_t index = static_cast<zip_uint64_t>(i);
        zip_stat_t st;
        zip_stat_init(&st);
        // Names are taken as the bytes stored: a name that is not UTF-8 is not converted from
        // CP437, so it is extracted under the same bytes that other files of the archive use.
        if (zip_stat_index(za, index, ZIP_FL_ENC_RAW, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
            !(st.valid & ZIP_STAT_SIZE)) {
            refused.push_back("entry " + std::to_string(i + 1));
            continue;
        }
        std::string name = st.name;
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        zip_file_get_external_attributes(za, index, 0, &opsys, &attributes);
        mode_t type = opsys == ZIP_OPSYS_UNIX ? ((attributes >> 16) & S_IFMT) : 0;
        bool folderEntry = (!name.empty() && (name.back() == '/' || name.back() == '\\')) ||
                           type == S_IFDIR || (opsys == ZIP_OPSYS_DOS && (attributes & 0x10));
        if (folderEntry && type != S_IFLNK) continue;  // folders are not recreated
        std::string bare = EntryBareName(name);
        if (filter && !filter(bare, st.size)) continue;
        if (!taken.insert(bare).second) continue;
        if (limit && tooLarge.empty() && st.size > limit(bare))
            tooLarge = "its entry " + Shown(name) + " is larger than such a file can be (" + std::to_string(st.size) +
                       " bytes)";
        if (type == S_IFLNK || (type != 0 && type != S_IFREG) || bare.empty() || bare == "." ||
            bare == ".." || ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)) {
            refused.push_back(Shown(name));
            continue;
        }
        total = st.size > std::numeric_limits<zip_uint64_t>::max() - total
                    ? std::numeric_limits<zip_uint64_t>::max()
                    : total + st.size;
        items.push_back({index, bare, st.size});
    }
    return items;
}

}  // namespace

TZipEngine::TZipEngine(TMessages* messages) : messages_(messages) {
    freeSpace_ = [](const std::string& folder) {
        TLinuxPlatform platform;
        return TDiskSpace{platform.FreeSpace(folder), platform.DiskSize(folder)};
    };
}

std::uint64_t TZipEngine::FreeSpaceMargin(std::int64_t diskSize) {
    constexpr std::uint64_t kMostMargin = std::uint64_t(1) << 30;
    if (diskSize < 0) return kMostMargin;
    return std::min(kMostMargin, static_cast<std::uint64_t>(diskSize) / 10);
}

bool TZipEngine::IsUnpackTempName(const std::string& name) {
    // ".lumavell-unzip-<process>-<counter>"
    const std::string prefix = kUnpackTempPrefix;
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::size_t dash = name.find('-', prefix.size());
    return dash != std::string::npos && AllDigits(name, prefix.size(), dash) &&
           AllDigits(name, dash + 1, name.size());
}

int TZipEngine::RemoveLeftovers(const std::string& folder, std::int64_t before) {
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!IsUnpackTempName(it->path().filename().string())) continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (static_cast<std::int64_t>(st.st_mtime) >= before) continue;  // an unpacking may be writing it now
        if (::unlink(it->path().c_str()) == 0) ++removed;
    }
    return removed;
}

void TZipEngine::Fail(const std::string& text) {
    lastError_ = text;
    if (messages_) messages_->Show("Zip", text, TMsgIcon::Error, TMsgButtons::Ok);
}

bool TZipEngine::Add() {
    lastError_.clear();
    if (archive_.empty()) {
        Fail("Cannot create an archive: no archive name was given.");
        return false;
    }
    const std::string what = "Cannot create the archive " + Quoted(archive_) + ": ";

    // Every file must be readable and every bare name unique, or the archive would not hold
    // exactly the listed files.
    std::set<std::string> seen;
    for (const std::string& file : files_) {
        std::string bare = BareName(file);
        struct stat st {};
        if (bare.empty() || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            Fail(what + "the file " + Quoted(file) + " does not exist or is not a file.");
            return false;
        }
        int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            Fail(what + "the file " + Quoted(file) + " cannot be read (" + std::strerror(errno) + ").");
            return false;
        }
        ::close(fd);
        if (!seen.insert(bare).second) {
            Fail(what + "two of its files have the same name " + Shown(bare) + ".");
            return false;
        }
    }

    // The entries kept from an existing archive: opened before anything is written, so an
    // archive that cannot be read fails the whole Add and stays as it is.
    zip_t* kept = nullptr;
    std::vector<TPlannedEntry> keptEntries;
    if (keepFilter_) {
        int code = 0;
        kept = zip_open(keepFrom_.c_str(), ZIP_RDONLY, &code);
        if (!kept) {
            Fail(what + "the archive " + Quoted(keepFrom_) + " cannot be read (" + LibzipError(code) + ").");
            return false;
        }
        std::vector<std::string> refused;
        std::string tooLarge;
        zip_uint64_t total = 0;
        const EntryFilter& keep = keepFilter_;
        keptEntries = PlanEntries(
            kept,
            [&](const std::string& bare, std::uint64_t size) { return seen.count(bare) == 0 && keep(bare, size); },
            {}, refused, tooLarge, total);
    }
    struct KeptCloser {
        zip_t*& za;
        ~KeptCloser() {
            if (za) zip_discard(za);
        }
    } keptCloser{kept};

    if (files_.empty() && keptEntries.empty()) {
        // libzip writes no file at all for an archive without entries.
        std::string error;
        if (!WriteFileAtomic(archive_, EmptyArchive(""), &error)) {
            Fail(what + error + ".");
            return false;
        }
        return true;
    }

    std::string tmp = TempPathBeside(archive_);
    int code = 0;
    zip_t* za = zip_open(tmp.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
    if (!za) {
        Fail(what + LibzipError(code) + ".");
        return false;
    }
    if (progress_) {
        zip_register_progress_callback_with_state(
            za, 0.01,
            [](zip_t*, double done, void* state) { (*static_cast<ProgressFunction*>(state))(done); },
            nullptr, &progress_);
    }
    // Kept entries are copied as they are stored, without unpacking and packing them again.
    for (const TPlannedEntry& entry : keptEntries) {
        zip_source_t* src = zip_source_zip(za, kept, entry.index, 0, 0, -1);
        if (!src || zip_file_add(za, entry.name.c_str(), src, ZIP_FL_ENC_GUESS) < 0) {
            std::string reason = zip_strerror(za);
            if (src) zip_source_free(src);
            zip_discard(za);
            ::unlink(tmp.c_str());
            Fail(what + "the entry " + Shown(entry.name) + " cannot be kept (" + reason + ").");
            return false;
        }
    }
    for (const std::string& file : files_) {
        zip_source_t* src = zip_source_file(za, file.c_str(), 0, -1);
        zip_int64_t index = src ? zip_file_add(za, BareName(file).c_str(), src, ZIP_FL_ENC_GUESS) : -1;
        if (index < 0) {
            std::string reason = zip_strerror(za);
            if (src) zip_source_free(src);
            zip_discard(za);
            ::unlink(tmp.c_str());
            Fail(what + "the file " + Quoted(file) + " cannot be added (" + reason + ").");
            return false;
        }
        if (zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                     static_cast<zip_uint32_t>(level_)) != 0) {
            std::string reason = zip_strerror(za);
            zip_discard(za);
            ::unlink(tmp.c_str());
            Fail(what + reason + ".");
            return false;
        }
    }
    if (zip_close(za) != 0) {
        std::string reason = zip_strerror(za);
        zip_discard(za);
        ::unlink(tmp.c_str());
        Fail(what + reason + ".");
        return false;
    }
    if (!FlushFile(tmp) || ::rename(tmp.c_str(), archive_.c_str()) != 0) {
        std::string reason = std::strerror(errno);
        ::unlink(tmp.c_str());
        Fail(what + reason + ".");
        return false;
    }
    FlushFolder(FolderOf(archive_));
    // libzip's last report may fall just short of the end.
    if (progress_) progress_(1.0);
    return true;
}

bool TZipEngine::SetComment(const std::string& comment) {
    lastError_.clear();
    const std::string what = "Cannot write the comment of the archive " + Quoted(archive_) + ": ";
    if (comment.size() > kMaxComment) {
        Fail(what + "the comment is longer than 65535 bytes.");
        return false;
    }
    // Check that it is an archive and see whether it has entries.
    int code = 0;
    zip_t* probe = zip_open(archive_.c_str(), ZIP_RDONLY, &code);
    if (!probe) {
        Fail(what + "it is not a readable Zip archive (" + LibzipError(code) + ").");
        return false;
    }
    zip_int64_t entries = zip_get_num_entries(probe, 0);
    zip_discard(probe);

    std::string error;
    if (entries == 0) {
        if (!WriteFileAtomic(archive_, EmptyArchive(comment), &error)) {
            Fail(what + error + ".");
            return false;
        }
        return true;
    }

    // Rewrite a copy with a placeholder comment, put the real bytes over the placeholder
    // (the comment is the file's tail) and rename the copy over the archive.
    std::string tmp = TempPathBeside(archive_);
    std::error_code ec;
    if (!std::filesystem::copy_file(archive_, tmp, ec)) {
        ::unlink(tmp.c_str());
        Fail(what + ec.message() + ".");
        return false;
    }
    auto fail = [&](const std::string& reason) {
        ::unlink(tmp.c_str());
        Fail(what + reason + ".");
        return false;
    };
    zip_t* za = zip_open(tmp.c_str(), 0, &code);
    if (!za) return fail(LibzipError(code));
    std::string placeholder = Placeholder(comment);
    if (zip_set_archive_comment(za, placeholder.empty() ? nullptr : placeholder.data(),
                                static_cast<zip_uint16_t>(placeholder.size())) != 0 ||
        zip_close(za) != 0) {
        std::string reason = zip_strerror(za);
        zip_discard(za);
        return fail(reason);
    }
    if (!comment.empty()) {
        int fd = ::open(tmp.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) return fail(std::strerror(errno));
        struct stat st {};
        std::string tail(comment.size(), '\0');
        off_t at = 0;
        bool ok = ::fstat(fd, &st) == 0 && static_cast<std::size_t>(st.st_size) >= comment.size();
        if (ok) {
            at = st.st_size - static_cast<off_t>(comment.size());
            ok = ::pread(fd, tail.data(), tail.size(), at) == static_cast<ssize_t>(tail.size()) &&
                 tail == placeholder;
        }
        ok = ok && ::pwrite(fd, comment.data(), comment.size(), at) == static_cast<ssize_t>(comment.size());
        ok = ok && ::fsync(fd) == 0;
        ::close(fd);
        if (!ok) return fail("the comment could not be put in place");
    } else if (!FlushFile(tmp)) {
        return fail(std::strerror(errno));
    }
    if (::rename(tmp.c_str(), archive_.c_str()) != 0) return fail(std::strerror(errno));
    FlushFolder(FolderOf(archive_));
    return true;
}

std::string TZipEngine::Comment() const {
    int code = 0;
    zip_t* za = zip_open(archive_.c_str(), ZIP_RDONLY, &code);
    if (!za) return "";
    int len = 0;
    const char* text = zip_get_archive_comment(za, &len, ZIP_FL_ENC_RAW);
    std::string comment = (text && len > 0) ? std::string(text, static_cast<std::size_t>(len)) : "";
    zip_discard(za);
    return comment;
}

std::vector<std::string> TZipEngine::EntryNames() const {
    std::vector<std::string> names;
    int code = 0;
    zip_t* za = zip_open(archive_.c_str(), ZIP_RDONLY, &code);
    if (!za) return names;
    zip_int64_t n = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        const char* name = zip_get_name(za, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        names.push_back(name ? name : "");
    }
    zip_discard(za);
    return names;
}

bool TZipEngine::Extract() {
    lastError_.clear();
    if (archive_.empty() || baseFolder_.empty()) {
        Fail("Cannot extract an archive: no archive or no folder was given.");
        return false;
    }
    const std::string what =
        "Cannot extract the archive " + Quoted(archive_) + " into " + Quoted(baseFolder_) + ": ";
    std::string error;
    if (!ForceFolders(baseFolder_, &error)) {
        Fail(what + error + ".");
        return false;
    }
    int code = 0;
    zip_t* za = zip_open(archive_.c_str(), ZIP_RDONLY, &code);
    if (!za) {
        Fail(what + "it cannot be read as a Zip archive (" + LibzipError(code) + ").");
        return false;
    }

    // Plan first: which entries go where, and how much room they need.
    std::vector<std::string> refused;
    std::string tooLarge;
    zip_uint64_t total = 0;
    const std::vector<TPlannedEntry> items = PlanEntries(za, entryFilter_, entryLimit_, refused, tooLarge, total);

    if (!tooLarge.empty()) {
        zip_discard(za);
        Fail(what + tooLarge + ".");
        return false;
    }
    const TDiskSpace disk = freeSpace_ ? freeSpace_(baseFolder_) : TDiskSpace{};
    if (disk.free >= 0) {
        const zip_uint64_t margin = FreeSpaceMargin(disk.size);
        const zip_uint64_t free = static_cast<zip_uint64_t>(disk.free);
        const zip_uint64_t usable = free > margin ? free - margin : 0;
        if (total > usable) {
            zip_discard(za);
            Fail(what + "its files need " + std::to_string(total) + " bytes, but only " + std::to_string(free) +
                 " bytes are free on that disk, and " + std::to_string(margin) + " of them are kept free.");
            return false;
        }
    }

    int dir = ::open(baseFolder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        zip_discard(za);
        Fail(what + std::strerror(errno) + ".");
        return false;
    }

    // Each entry goes to a new file of its own in the base folder (never through an existing
    // name, which might be a link); only when all are written and on disk are they renamed to
    // their names, so a failure part way leaves the folder as it was.
    std::vector<std::pair<std::string, std::string>> written;  // temporary name, final name
    std::vector<char> buffer(1 << 16);
    zip_uint64_t writtenBytes = 0;
    for (const TPlannedEntry& item : items) {
        zip_file_t* zf = zip_fopen_index(za, item.index, 0);
        if (!zf) {
            error = "the entry " + Shown(item.name) + " cannot be read (" + zip_strerror(za) + ")";
            break;
        }
        std::string tmp;
        int fd = -1;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            tmp = TempEntryName();
            fd = ::openat(dir, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            error = std::string("a file cannot be created there (") + std::strerror(errno) + ")";
            zip_fclose(zf);
            break;
        }
        written.emplace_back(tmp, item.name);
        zip_uint64_t got = 0;
        for (;;) {
            zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
            if (n < 0) {
                error = "the entry " + Shown(item.name) + " is damaged (" + zip_file_strerror(zf) + ")";
                break;
            }
            if (n == 0) break;
            got += static_cast<zip_uint64_t>(n);
            writtenBytes += static_cast<zip_uint64_t>(n);
            if (progress_ && total > 0) progress_(double(std::min(writtenBytes, total)) / double(total));
            if (got > item.size) {
                error = "the entry " + Shown(item.name) + " holds more data than the archive says";
                break;
            }
            if (!WriteAll(fd, buffer.data(), static_cast<std::size_t>(n))) {
                error = "the entry " + Shown(item.name) + " cannot be written (" + std::strerror(errno) + ")";
                break;
            }
        }
        int closeError = zip_fclose(zf);
        if (error.empty() && closeError != 0)
            error = "the entry " + Shown(item.name) + " is damaged (" + LibzipError(closeError) + ")";
        if (error.empty() && got != item.size)
            error = "the entry " + Shown(item.name) + " is shorter than the archive says";
        if (::close(fd) != 0 && error.empty())
            error = "the entry " + Shown(item.name) + " cannot be written (" + std::strerror(errno) + ")";
        if (!error.empty()) break;
    }
    // One sync of the file system brings every extracted file to the disk before any of them
    // gets its name: after a crash each is whole or absent, without a sync per file.
    if (error.empty() && !written.empty() && ::syncfs(dir) != 0) {
        for (const auto& entry : written) {
            const int fd = ::openat(dir, entry.first.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
            const bool synced = fd >= 0 && ::fsync(fd) == 0;
            if (fd >= 0) ::close(fd);
            if (!synced) {
                error = "the entry " + Shown(entry.second) + " cannot be saved (" + std::strerror(errno) + ")";
                break;
            }
        }
    }
    if (error.empty()) {
        for (const auto& [tmp, name] : written) {
            if (::renameat(dir, tmp.c_str(), dir, name.c_str()) != 0) {
                if (error.empty())
                    error = "the file " + Shown(name) + " cannot be written there (" + std::strerror(errno) + ")";
                ::unlinkat(dir, tmp.c_str(), 0);
            }
        }
        ::fsync(dir);
    } else {
        for (const auto& entry : written) ::unlinkat(dir, entry.first.c_str(), 0);
    }
    ::close(dir);
    zip_discard(za);

    if (!error.empty()) {
        Fail(what + error + ".");
        return false;
    }
    if (!refused.empty()) {
        std::string names;
        for (std::size_t i = 0; i < refused.size() && i < kMaxNamesShown; ++i)
            names += (i ? ", " : "") + refused[i];
        if (refused.size() > kMaxNamesShown) names += " and " + std::to_string(refused.size() - kMaxNamesShown) + " more";
        Fail("The archive " + Quoted(archive_) + " holds entries that were not extracted because they are links, "
             "special files or have no usable name: " + names + ". Its other files were extracted into " +
             Quoted(baseFolder_) + ".");
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- reader

TZipReader::~TZipReader() {
    if (za_) zip_discard(za_);
}

bool TZipReader::Open(const std::string& archive, const TZipEngine::EntryFilter& filter, std::string* why) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (za_) zip_discard(za_);
    za_ = nullptr;
    entries_.clear();
    names_.clear();
    int code = 0;
    za_ = zip_open(archive.c_str(), ZIP_RDONLY, &code);
    if (!za_) {
        if (why) *why = "it cannot be read as a Zip archive (" + LibzipError(code) + ")";
        return false;
    }
    std::vector<std::string> refused;
    std::string tooLarge;
    zip_uint64_t total = 0;
    for (TPlannedEntry& e : PlanEntries(za_, filter, {}, refused, tooLarge, total)) {
        names_.push_back(e.name);
        entries_.emplace(std::move(e.name), Entry{e.index, e.size});
    }
    return true;
}

bool TZipReader::Has(const std::string& bareName) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.count(bareName) != 0;
}

std::size_t TZipReader::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

std::vector<std::string> TZipReader::Names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return names_;
}

bool TZipReader::Read(const std::string& bareName, std::string& out) const {
    std::lock_guard<std::mutex> lock(mutex_);
    out.clear();
    const auto it = entries_.find(bareName);
    if (!za_ || it == entries_.end()) return false;
    const Entry& e = it->second;
    zip_file_t* zf = zip_fopen_index(za_, e.index, 0);
    if (!zf) return false;
    // The stated size was checked by the filter before the entry was taken; a stream that
    // holds more than it states is damaged and is not read on.
    out.resize(static_cast<std::size_t>(e.size));
    zip_uint64_t got = 0;
    bool ok = true;
    while (ok) {
        char extra;
        char* at = got < e.size ? out.data() + got : &extra;
        const zip_uint64_t room = got < e.size ? e.size - got : 1;
        const zip_int64_t n = zip_fread(zf, at, room);
        if (n < 0 || (n > 0 && got >= e.size)) ok = false;
        if (n <= 0) break;
        got += static_cast<zip_uint64_t>(n);
    }
    // Closing checks the entry's CRC.
    if (zip_fclose(zf) != 0) ok = false;
    if (!ok || got != e.size) {
        out.clear();
        return false;
    }
    return true;
}
