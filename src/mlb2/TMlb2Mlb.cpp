// TMlb2: the MLB binary file and the choice of file format by name.
//
// Layout: "MLB", two version bytes, a byte-order flag (1 little-endian, 0 big-endian), a 16-bit
// table count, a reserved word, the 16-bit type of the first block (0 = table), the block's
// 32-bit length, a reserved word, then the table: its name, the field and record counts, the
// field descriptors (type byte and name) and the records (a 32-bit length, then one value per
// field). Strings are a 32-bit byte count followed by the bytes.
#include <algorithm>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

#include "FileIo.h"
#include "IndexHash.h"
#include "NameRules.h"
#include "TMlb2.h"

namespace {

// The reader's per-value steps must be inlined into the parse loop; refilling must not be.
#if defined(__GNUC__) || defined(__clang__)
#define MLB2_INLINE inline __attribute__((always_inline))
#define MLB2_NOINLINE __attribute__((noinline))
#else
#define MLB2_INLINE inline
#define MLB2_NOINLINE
#endif

constexpr unsigned char kNativeOrderFlag = std::endian::native == std::endian::little ? 1 : 0;
constexpr char kTruncated[] = "5-File is truncated or corrupt";

std::uint16_t Swap16(std::uint16_t v) { return static_cast<std::uint16_t>((v >> 8) | (v << 8)); }

std::uint32_t Swap32(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0x0000ff00U) | ((v << 8) & 0x00ff0000U) | (v << 24);
}

// Sequential reads of an MLB file. The whole file goes into one buffer that the loaded values
// then point into, but it is read a piece at a time just ahead of the parse, so the parse finds
// the bytes still in the cache. Every read checks what is left of the file.
class TReader {
public:
    ~TReader() {
        if (file_) std::fclose(file_);
    }

    // False when the path is not a regular file or cannot be opened. The file is read into
    // spare when that is large enough without being much larger.
    bool Open(const std::string& path, std::unique_ptr<char[]>& spare, std::size_t spareCapacity) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) return false;
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_ || std::fseek(file_, 0, SEEK_END) != 0) return false;
        const long size = std::ftell(file_);
        if (size < 0 || std::fseek(file_, 0, SEEK_SET) != 0) return false;
        // The whole file is held in memory, so its size is checked before anything is
        // allocated: a table's block is counted in 32 bits, and a larger file is damaged or
        // not a table at all.
        if (static_cast<unsigned long long>(size) > kMaxTableFile) {
            tooLarge_ = true;
            return false;
        }
        size_ = static_cast<std::size_t>(size);
        if (spare && spareCapacity >= size_ && spareCapacity - size_ <= size_ / 2 + 64 * 1024) {
            buffer_ = std::move(spare);
            capacity_ = spareCapacity;
        } else {
            capacity_ = size_ ? size_ : 1;
            try {
                buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
            } catch (const std::bad_alloc&) {
                tooLarge_ = true;
                capacity_ = 0;
                return false;
            }
        }
        return true;
    }

    // The buffer (with its capacity) back, once the parse is done with it.
    std::unique_ptr<char[]> TakeBuffer(std::size_t& capacity) {
        capacity = buffer_ ? capacity_ : 0;
        return std::move(buffer_);
    }

    bool ReadError() const { return readError_; }
    // Open refused the file because it is larger than a table can be or does not fit in memory.
    bool TooLarge() const { return tooLarge_; }
    std::size_t Size() const { return size_; }
    void SetSwap(bool swap) { swap_ = swap; }
    std::size_t Left() const { return size_ - pos_; }

    MLB2_INLINE bool U8(unsigned char& v) {
        if (!Ensure(1)) return false;
        v = static_cast<unsigned char>(buffer_[pos_++]);
        return true;
    }
    MLB2_INLINE bool U16(std::uint16_t& v) {
        if (!Ensure(2)) return false;
        std::memcpy(&v, buffer_.get() + pos_, 2);
        pos_ += 2;
        if (swap_) v = Swap16(v);
        return true;
    }
    MLB2_INLINE bool U32(std::uint32_t& v) {
        if (!Ensure(4)) return false;
        std::memcpy(&v, buffer_.get() + pos_, 4);
        pos_ += 4;
        if (swap_) v = Swap32(v);
        return true;
    }
    MLB2_INLINE bool I32(std::int32_t& v) {
        std::uint32_t u;
        if (!U32(u)) return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    // n bytes, returned in place.
    MLB2_INLINE bool Bytes(std::size_t n, const char*& data) {
        if (!Ensure(n)) return false;
        data = buffer_.get() + pos_;
        pos_ += n;
        return true;
    }
    // A string: its count, then that many bytes, returned in place.
    MLB2_INLINE bool Str(const char*& data, std::size_t& size) {
        std::uint32_t n;
        if (!U32(n) || !Bytes(n, data)) return false;
        size = n;
        return true;
    }

    // Raw access for the record loop, which keeps its position in a local: the buffer, the
    // bytes read into it so far, and a refill that makes n bytes from pos available (false
    // when the file has fewer).
    const char* Base() const { return buffer_.get(); }
    std::size_t Pos() const { return pos_; }
    std::size_t Available() const { return available_; }
    MLB2_NOINLINE bool Need(std::size_t pos, std::size_t n) {
        if (n <= available_ - pos) return true;
        if (n > size_ - pos) return false;
        return Fill(pos + n);
    }

private:
    static constexpr std::size_t kPiece = 256 * 1024;

    MLB2_INLINE bool Ensure(std::size_t n) {
        if (n <= available_ - pos_) return true;
        if (n > size_ - pos_) return false;
        return Fill(pos_ + n);
    }

    MLB2_NOINLINE bool Fill(std::size_t upTo) {
        while (available_ < upTo) {
            const std::size_t want = std::min(std::max(kPiece, upTo - available_), size_ - available_);
            const std::size_t got = std::fread(buffer_.get() + available_, 1, want, file_);
            available_ += got;
            if (got < want) {
                // The file ended early (it shrank since it was opened) or could not be read.
                readError_ = std::ferror(file_) != 0;
                size_ = available_;
                return available_ >= upTo;
            }
        }
        return true;
    }

    static constexpr unsigned long long kMaxTableFile = 16ULL + 0xFFFFFFFFULL;
    std::FILE* file_ = nullptr;
    bool tooLarge_ = false;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    std::size_t available_ = 0;
    std::size_t pos_ = 0;
    bool swap_ = false;
    bool readError_ = false;
};

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

inline bool HasZeroByte(std::uint64_t w) { return ((w - kOnes) & ~w & kHighs) != 0; }

// Length of a value up to its first zero byte. Values are mostly short and without zero
// bytes, so they are tested in blocks (the last block overlapping the one before) rather than
// by a library call each; only a value that has a zero byte is walked bytewise.
MLB2_INLINE std::size_t UpToZero(const char* p, std::size_t n) {
    bool zero;
    if (n >= 256) {
        const void* z = std::memchr(p, 0, n);
        return z ? static_cast<std::size_t>(static_cast<const char*>(z) - p) : n;
    }
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i nothing = _mm_setzero_si128();
        auto zeros = [&](std::size_t at) {
            return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), nothing);
        };
        // The blocks' comparisons are merged and tested once, at the end.
        __m128i any = zeros(n - 16);
        std::size_t i = 0;
        for (; i + 32 < n; i += 32) any = _mm_or_si128(any, _mm_or_si128(zeros(i), zeros(i + 16)));
        if (i + 16 < n) any = _mm_or_si128(any, zeros(i));
        zero = _mm_movemask_epi8(any) != 0;
    } else
#endif
    if (n >= 8) {
        zero = HasZeroByte(mlb2detail::IndexLoad64(p + n - 8));
        for (std::size_t i = 0; !zero && i + 8 < n; i += 8) zero = HasZeroByte(mlb2detail::IndexLoad64(p + i));
    } else if (n >= 4) {
        // The first four and the last four bytes together cover all of them.
        zero = HasZeroByte(mlb2detail::IndexLoad32(p) | (mlb2detail::IndexLoad32(p + n - 4) << 32));
    } else {
        zero = (n > 0 && p[0] == 0) || (n > 1 && p[1] == 0) || (n > 2 && p[2] == 0);
    }
    if (!zero) return n;
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] == 0) return i;
    return n;
}

// UpToZero for a value inside a buffer whose bytes are valid up to limit. A short value with
// 16 valid bytes from its start is tested as one block, the bytes past it masked off.
MLB2_INLINE std::size_t UpToZeroBefore(const char* p, std::size_t n, const char* limit) {
#if defined(__SSE2__)
    if (n < 16 && limit - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
        const unsigned inside = zeros & ((1U << n) - 1);
        return inside ? static_cast<std::size_t>(std::countr_zero(inside)) : n;
    }
#else
    (void)limit;
#endif
    return UpToZero(p, n);
}

// Copies a value into the write buffer. Most values are short: those are moved with a few
// fixed-size (possibly overlapping) moves instead of a library call each.
inline void CopyValue(char* to, const char* from, std::size_t n) {
    if (n > 32) {
        std::memcpy(to, from, n);
    } else if (n >= 16) {
        char head[16], tail[16];
        std::memcpy(head, from, 16);
        std::memcpy(tail, from + n - 16, 16);
        std::memcpy(to, head, 16);
        std::memcpy(to + n - 16, tail, 16);
    } else if (n >= 8) {
        const std::uint64_t head = mlb2detail::IndexLoad64(from), tail = mlb2detail::IndexLoad64(from + n - 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4) {
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

// The records of a file, read with the position in locals. Each cell points at its value in
// the reader's buffer, cut at the first zero byte; the k-th value goes to the table's k-th
// field (width of them) and values past those are dropped. pristine, when given, gets per
// record whether its bytes are what saving writes for it: every value whole, a true record
// length. buckets, when given, gets per record the index bucket of its first value. False when
// the file ends before the last record.
template <bool kSwap, typename TCellOut>
MLB2_NOINLINE bool ParseRecords(TReader& in, std::size_t records, std::size_t fileFields, std::size_t width,
                                TCellOut* out, std::uint8_t* pristine, std::uint32_t* buckets, int bucketShift,
                                std::size_t& live) {
    const char* const base = in.Base();
    std::size_t pos = in.Pos();
    std::size_t avail = in.Available();
    std::size_t kept = 0;
    // A 32-bit count, then (for a string) that many bytes: false when the file ends first.
    auto count = [&](std::uint32_t& v) {
        if (avail - pos < 4) {
            if (!in.Need(pos, 4)) return false;
            avail = in.Available();
        }
        std::memcpy(&v, base + pos, 4);
        if constexpr (kSwap) v = Swap32(v);
        pos += 4;
        return true;
    };
    auto string = [&](const char*& data, std::size_t& n) {
        std::uint32_t v;
        if (!count(v)) return false;
        n = v;
        if (n > avail - pos) {
            if (!in.Need(pos, n)) return false;
            avail = in.Available();
        }
        data = base + pos;
        pos += n;
        return true;
    };
    for (std::size_t r = 0; r < records; ++r) {
        std::uint32_t recordLength;
        if (!count(recordLength)) return false;
        std::uint64_t written = 4 * static_cast<std::uint64_t>(fileFields);
        std::size_t cutAny = 0;  // nonzero when a value was cut at a zero byte
        for (std::size_t k = 0; k < width; ++k) {
            const char* data;
            std::size_t n;
            if (!string(data, n)) return false;
            const std::size_t cut = UpToZeroBefore(data, n, base + avail);
            cutAny |= cut ^ n;
            written += n;
            kept += cut;
            // An empty value keeps its place too, for saving the record from the buffer.
            out->data = data;
            out->size = cut;
            ++out;
        }
        for (std::size_t k = width; k < fileFields; ++k) {
            const char* data;
            std::size_t n;
            if (!string(data, n)) return false;
        }
        if (buckets) {
            const TCellOut& first = out[-static_cast<std::ptrdiff_t>(width)];
            buckets[r] = static_cast<std::uint32_t>(mlb2detail::IndexHash({first.data, first.size}) >> bucketShift);
        }
        if (pristine) pristine[r] = cutAny == 0 && written == recordLength ? 1 : 0;
    }
    live = kept;
    return true;
}

template <typename T>
void PutNative(mlb2detail::TAtomicFile& out, T v) {
    out.Write(&v, sizeof v);
}

void PutString(mlb2detail::TAtomicFile& out, const char* data, std::size_t size) {
    PutNative(out, static_cast<std::uint32_t>(size));
    if (size) out.Write(data, size);
}

}  // namespace

std::string TMlb2::FileKind(const std::string& fileName) {
    if (fileName.size() < 3) return std::string();
    std::string kind = fileName.substr(fileName.size() - 3);
    for (char& c : kind) c = static_cast<char>(mlb2detail::FoldCase(static_cast<unsigned char>(c)));
    return kind;
}

bool TMlb2::LoadFromFile(const std::string& fileName) {
    ClearError();
    const std::string kind = FileKind(fileName);
    if (kind == "TXT") return LoadFromTXT(fileName);
    if (kind == "MLB") return LoadFromMLB(fileName);
    return LoadFromCSV(fileName);
}

bool TMlb2::SaveToFile(const std::string& fileName) {
    const std::string kind = FileKind(fileName);
    if (kind == "TXT") return SaveToTXT(fileName);
    if (kind == "MLB") return SaveToMLB(fileName);
    return SaveToCSV(fileName);
}

bool TMlb2::LoadFromMLB(const std::string& fileName) {
    ClearError();
    TReader in;
    std::vector<TCell> cells;
    // Memory of an earlier load is used again and goes back to the spares when this load fails.
    struct TSpareKeeper {
        TReader& in;
        std::vector<TCell>& cells;
        TChunk& spareBuffer;
        std::vector<TCell>& spareCells;
        bool loaded = false;
        ~TSpareKeeper() {
            if (loaded) return;
            std::size_t capacity = 0;
            if (auto bytes = in.TakeBuffer(capacity)) spareBuffer = TChunk{std::move(bytes), capacity, 0};
            spareCells = std::move(cells);
        }
    } keeper{in, cells, spareBuffer_, spareCells_};
    cells = std::move(spareCells_);
    if (!in.Open(fileName, spareBuffer_.bytes, spareBuffer_.capacity)) {
        SetError(3, "4-Unable to open file for reading");
        if (in.TooLarge()) systemError_ = "the file is far too large to be a table";
        return false;
    }
    // Everything is parsed into new structures first; the table changes only when the whole
    // file has been read.
    auto truncated = [this, &in] {
        if (in.ReadError())
            SetError(3, "4-Unable to open file for reading");
        else
            SetError(2, kTruncated);
        return false;
    };
    const char* head = nullptr;
    const std::size_t signatureBytes = std::min<std::size_t>(in.Size(), 3);
    if (!in.Bytes(signatureBytes, head)) return truncated();
    if (std::memcmp(head, "MLB", signatureBytes) != 0) {
        SetError(2, "1-File's Signature must be MLB");
        return false;
    }
    unsigned char skip = 0;
    unsigned char orderFlag = 0;
    if (signatureBytes < 3 || !in.U8(skip) || !in.U8(skip) || !in.U8(orderFlag)) return truncated();
    in.SetSwap(orderFlag != kNativeOrderFlag);

    std::uint16_t tables = 0;
    std::uint16_t word = 0;
    std::uint16_t blockType = 0;
    if (!in.U16(tables)) return truncated();
    if (tables == 0) {
        SetError(2, "2-number of tables must be at least 1");
        return false;
    }
    if (!in.U16(word) || !in.U16(blockType)) return truncated();
    if (blockType != 0) {
        SetError(2, "3-First Block must be a TABLE");
        return false;
    }
    std::uint32_t blockLength = 0;
    const char* nameData = nullptr;
    std::size_t nameSize = 0;
    std::int32_t fieldCount = 0;
    std::int32_t recordCount = 0;
    if (!in.U32(blockLength) || !in.U16(word) || !in.Str(nameData, nameSize) || !in.I32(fieldCount) ||
        !in.I32(recordCount))
        return truncated();
    const std::size_t fileFields = fieldCount > 0 ? static_cast<std::size_t>(fieldCount) : 0;
    const std::size_t records = recordCount > 0 ? static_cast<std::size_t>(recordCount) : 0;

    // Counts are checked against the bytes left before anything is sized by them: a field
    // descriptor takes at least 5 bytes and a record at least 4 plus 4 per field.
    if (fileFields > in.Left() / 5) return truncated();
    std::vector<TField> fields;
    mlb2detail::TNameSet names;
    for (std::size_t k = 0; k < fileFields; ++k) {
        unsigned char type = 0;
        const char* fieldName = nullptr;
        std::size_t fieldNameSize = 0;
        if (!in.U8(type) || !in.Str(fieldName, fieldNameSize)) return truncated();
        const std::string_view name(fieldNameSize ? fieldName : "", fieldNameSize);
        // A rejected name adds no field; the type of file field k goes to table field k.
        if (names.Accept(name)) fields.push_back({std::string(name), "STRING"});
        if (k < fields.size()) fields[k].type = type == 1 ? "FLOAT" : "STRING";
    }
    const std::size_t recordBytes = 4 + 4 * fileFields;
    if (records > 0 && records > in.Left() / recordBytes) return truncated();

    // Values stay in the file's buffer. The cells of an earlier load are reused as they are:
    // every one is overwritten.
    const std::size_t width = fields.size();
    if (cells.capacity() < records * width) cells.clear();
    cells.resize(records * width);
    std::size_t live = 0;
    // A record is kept for saving from the buffer when its bytes are what saving would write,
    // which needs every value placed and lengths in this machine's order.
    std::vector<std::uint8_t> pristine;
    const bool mayBePristine = width > 0 && width == fileFields && orderFlag == kNativeOrderFlag;
    if (mayBePristine) pristine.resize(records);
    // The first field is usually the table's key: its values are hashed for the "=" index now,
    // while they are in the cache. The buckets go where a build of that index looks for them;
    // the index itself is left alone, so a failed load keeps it intact.
    std::uint32_t* buckets = nullptr;
    int bucketShift = 64;
    if (width > 0 && records >= static_cast<std::size_t>(mlb2detail::kMinIndexedRecords)) {
        EnsureIndexSlots();
        if (eqIndex_.empty()) eqIndex_.resize(1);
        TEqIndex& ix = eqIndex_.front();
        ix.prepared = 0;
        ix.scratch.resize(records);
        buckets = ix.scratch.data();
        bucketShift = 64 - mlb2detail::IndexBucketBits(records);
    }
    const bool parsed =
        orderFlag == kNativeOrderFlag
            ? ParseRecords<false>(in, records, fileFields, width, cells.data(), pristine.data(), buckets, bucketShift, live)
            : ParseRecords<true>(in, records, fileFields, width, cells.data(), pristine.data(), buckets, bucketShift, live);
    if (!parsed) return truncated();

    std::string name(nameSize ? nameData : "", nameSize);
    TChunk buffer;
    buffer.used = in.Size();
    buffer.bytes = in.TakeBuffer(buffer.capacity);
    keeper.loaded = true;
    ReplaceContents(std::move(fields), std::move(cells), static_cast<int>(records), std::move(buffer), live,
                    std::move(pristine));
    tableName_ = std::move(name);
    if (buckets) eqIndex_.front().prepared = static_cast<int>(records);
    return true;
}

bool TMlb2::SaveToMLB(const std::string& fileName) {
    ClearError();
    constexpr std::uint64_t kMaxString = std::numeric_limits<std::uint32_t>::max();
    const std::size_t width = fields_.size();

    // Lengths first, so the file is written front to back in one pass.
    bool representable = tableName_.size() <= kMaxString;
    std::uint64_t total = 16 + 2 + 4 + tableName_.size() + 4 + 4;
    for (const TField& f : fields_) {
        total += 1 + 4 + f.name.size();
        representable = representable && f.name.size() <= kMaxString;
    }
    for (const TCell& c : cells_) {
        total += 4 + c.size;
        representable = representable && c.size <= kMaxString;
    }
    total += 4 * static_cast<std::uint64_t>(recordCount_);

    mlb2detail::TAtomicFile out(fileName);
    if (!out.Open(static_cast<std::size_t>(std::min<std::uint64_t>(total, SIZE_MAX)))) {
        SetError(3, "1-Unable to open the file for writing");
        systemError_ = out.ErrorText();
        return false;
    }
    if (!representable) {
        SetError(3, "2-Unable to write the file");
        return false;
    }
    const unsigned char head[6] = {'M', 'L', 'B', 2, 2, kNativeOrderFlag};
    out.Write(head, sizeof head);
    PutNative(out, std::uint16_t{1});  // one table
    PutNative(out, std::uint16_t{0});
    PutNative(out, std::uint16_t{0});  // a TABLE block
    PutNative(out, static_cast<std::uint32_t>(total - 16));
    PutNative(out, std::uint16_t{0});
    PutString(out, tableName_.data(), tableName_.size());
    PutNative(out, static_cast<std::int32_t>(width));
    PutNative(out, static_cast<std::int32_t>(recordCount_));
    for (const TField& f : fields_) {
        const unsigned char type = f.type == "FLOAT" ? 1 : 0;
        out.Write(&type, 1);
        PutString(out, f.name.data(), f.name.size());
    }
    const TCell* cell = cells_.data();
    const char* runBegin = nullptr;  // records taken whole from the loaded file, not yet written
    const char* runEnd = nullptr;
    // The loaded file's bytes: the first chunk whenever records are marked pristine.
    const auto imageBegin = pristine_.empty() ? 0 : reinterpret_cast<std::uintptr_t>(chunks_.front().bytes.get());
    const auto imageEnd = pristine_.empty() ? 0 : imageBegin + chunks_.front().used;
    for (int r = 0; r < recordCount_; ++r, cell += width) {
        std::uint64_t length = 4 * width;
        for (std::size_t k = 0; k < width; ++k) length += cell[k].size;
        const auto length32 = static_cast<std::uint32_t>(length);
        const auto first = width ? reinterpret_cast<std::uintptr_t>(cell[0].data) : 0;
        if (width && !pristine_.empty() && pristine_[static_cast<std::size_t>(r)] && first >= imageBegin + 8 &&
            first - 8 + 4 + length <= imageEnd) {
            // Its length sits 8 bytes before its first value, its first value's length 4 bytes.
            const char* image = cell[0].data - 8;
            if (image != runEnd) {
                if (runBegin) out.Write(runBegin, static_cast<std::size_t>(runEnd - runBegin));
                runBegin = image;
            }
            runEnd = image + 4 + length;
            continue;
        }
        if (runBegin) {
            out.Write(runBegin, static_cast<std::size_t>(runEnd - runBegin));
            runBegin = runEnd = nullptr;
        }
        if (char* p = length < kMaxString ? out.Space(4 + static_cast<std::size_t>(length)) : nullptr) {
            // The whole record fits the buffer: fill it in place.
            std::memcpy(p, &length32, 4);
            p += 4;
            for (std::size_t k = 0; k < width; ++k) {
                const auto n = static_cast<std::uint32_t>(cell[k].size);
                std::memcpy(p, &n, 4);
                CopyValue(p + 4, cell[k].data, n);
                p += 4 + n;
            }
            out.Advance(4 + static_cast<std::size_t>(length));
        } else {
            PutNative(out, length32);
            for (std::size_t k = 0; k < width; ++k) PutString(out, cell[k].data, cell[k].size);
        }
    }
    if (runBegin) out.Write(runBegin, static_cast<std::size_t>(runEnd - runBegin));
    if (!out.Commit()) {
        SetError(3, "2-Unable to write the file");
        systemError_ = out.ErrorText();
        return false;
    }
    return true;
}
