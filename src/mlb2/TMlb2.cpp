// TMlb2: structure, values, cursor and the value arena.
#include "TMlb2.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "NameRules.h"

namespace {

constexpr std::size_t kMinChunkSize = 256;
constexpr std::size_t kChunkSize = 64 * 1024;
// The arena is compacted once the bytes it holds exceed twice the live values and this slack.
constexpr std::size_t kCompactSlack = std::size_t{1} << 20;

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

}  // namespace

TMlb2::TMlb2() = default;

TMlb2::~TMlb2() = default;

TMlb2::TMlb2(const TMlb2& other)
    : tableName_(other.tableName_),
      fields_(other.fields_),
      cells_(other.cells_.size()),
      recordCount_(other.recordCount_),
      cursor_(other.cursor_),
      seekDirection_(other.seekDirection_),
      seekFresh_(other.seekFresh_),
      bof_(other.bof_),
      eof_(other.eof_),
      errorCode_(other.errorCode_),
      errorText_(other.errorText_),
      systemError_(other.systemError_),
      eqIndex_(other.fields_.size()),
      concordances_(other.concordances_),
      parseCSV_(other.parseCSV_) {
    // The copy gets its values packed into one chunk.
    if (other.liveBytes_ > 0) {
        TChunk chunk;
        chunk.bytes = std::make_unique_for_overwrite<char[]>(other.liveBytes_);
        chunk.capacity = other.liveBytes_;
        for (std::size_t i = 0; i < other.cells_.size(); ++i) {
            const TCell& from = other.cells_[i];
            if (from.size == 0) continue;
            char* to = chunk.bytes.get() + chunk.used;
            std::memcpy(to, from.data, from.size);
            cells_[i] = {to, from.size};
            chunk.used += from.size;
        }
        heldBytes_ = chunk.capacity;
        liveBytes_ = chunk.used;
        chunks_.push_back(std::move(chunk));
    }
}

TMlb2& TMlb2::operator=(const TMlb2& other) {
    if (this != &other) {
        TMlb2 copy(other);
        Swap(copy);
    }
    return *this;
}

TMlb2::TMlb2(TMlb2&& other) noexcept { Swap(other); }

TMlb2& TMlb2::operator=(TMlb2&& other) noexcept {
    if (this != &other) {
        TMlb2 taken(std::move(other));
        Swap(taken);
    }
    return *this;
}

void TMlb2::Swap(TMlb2& o) noexcept {
    using std::swap;
    swap(tableName_, o.tableName_);
    swap(fields_, o.fields_);
    swap(cells_, o.cells_);
    swap(recordCount_, o.recordCount_);
    swap(cursor_, o.cursor_);
    swap(seekDirection_, o.seekDirection_);
    swap(seekFresh_, o.seekFresh_);
    swap(bof_, o.bof_);
    swap(eof_, o.eof_);
    swap(errorCode_, o.errorCode_);
    swap(errorText_, o.errorText_);
    swap(systemError_, o.systemError_);
    swap(chunks_, o.chunks_);
    swap(liveBytes_, o.liveBytes_);
    swap(heldBytes_, o.heldBytes_);
    swap(spareBuffer_, o.spareBuffer_);
    swap(spareCells_, o.spareCells_);
    swap(pristine_, o.pristine_);
    swap(eqIndex_, o.eqIndex_);
    swap(likeCached_, o.likeCached_);
    swap(likeSource_, o.likeSource_);
    swap(likePattern_, o.likePattern_);
    swap(concordances_, o.concordances_);
    swap(parseCSV_, o.parseCSV_);
}

// ---- structure and values ------------------------------------------------------------------

void TMlb2::Clear() {
    ClearError();
    fields_.clear();
    cells_.clear();
    recordCount_ = 0;
    chunks_.clear();
    liveBytes_ = 0;
    heldBytes_ = 0;
    spareBuffer_ = TChunk();
    spareCells_ = std::vector<TCell>();
    pristine_.clear();
    for (TEqIndex& ix : eqIndex_) {
        ix.built = false;
        ix.covered = 0;
        ix.linearWork = 0;
        ix.prepared = 0;
    }
    cursor_ = -1;
    seekFresh_ = false;
    bof_ = true;
    eof_ = true;
}

int TMlb2::FieldIndex(const std::string& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (mlb2detail::SameNameIgnoringCase(fields_[i].name, name)) return static_cast<int>(i);
    return -1;
}

bool TMlb2::AddField(const std::string& name) {
    if (mlb2detail::IsBlank(name) || FieldIndex(name) >= 0) return false;
    const std::size_t oldWidth = fields_.size();
    if (recordCount_ > 0) {
        std::vector<TCell> wider(static_cast<std::size_t>(recordCount_) * (oldWidth + 1));
        for (std::size_t r = 0; r < static_cast<std::size_t>(recordCount_); ++r)
            std::copy_n(cells_.begin() + static_cast<std::ptrdiff_t>(r * oldWidth), oldWidth,
                        wider.begin() + static_cast<std::ptrdiff_t>(r * (oldWidth + 1)));
        cells_.swap(wider);
    }
    pristine_.clear();  // every record is one value longer now
    fields_.push_back({name, "STRING"});
    EnsureIndexSlots();
    return true;
}

int TMlb2::FieldCount() const { return static_cast<int>(fields_.size()); }

std::string TMlb2::FieldName(int n) const {
    return (n >= 1 && n <= FieldCount()) ? fields_[n - 1].name : std::string();
}

std::string TMlb2::FieldType(int n) const {
    return (n >= 1 && n <= FieldCount()) ? fields_[n - 1].type : std::string();
}

void TMlb2::SetFieldType(int n, const std::string& typeName) {
    if (n >= 1 && n <= FieldCount()) fields_[n - 1].type = typeName;
}

int TMlb2::RecordCount() const { return recordCount_; }

bool TMlb2::IsEmpty() const { return recordCount_ < 1; }

bool TMlb2::AppendRecord() {
    if (recordCount_ == INT_MAX) return false;
    cells_.resize(cells_.size() + fields_.size());
    if (!pristine_.empty()) pristine_.push_back(0);
    ++recordCount_;
    return Last();
}

bool TMlb2::DeleteRecord(int n) {
    if (n < 1 || n > recordCount_) return false;
    const std::size_t width = fields_.size();
    const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(n - 1) * width);
    for (auto it = first; it != first + static_cast<std::ptrdiff_t>(width); ++it) liveBytes_ -= it->size;
    cells_.erase(first, first + static_cast<std::ptrdiff_t>(width));
    if (!pristine_.empty()) pristine_.erase(pristine_.begin() + (n - 1));
    --recordCount_;
    DropIndexes(n - 1, -1);
    MaybeCompact();
    return true;
}

bool TMlb2::DeleteCurrent() {
    const bool deleted = DeleteRecord(CurrentIndex());
    const int current = CurrentIndex();
    if (current < 1 || current > recordCount_) Last();
    return deleted;
}

std::string TMlb2::GetValue(const std::string& fieldName) const {
    const int k = FieldIndex(fieldName);
    if (k < 0 || !HasCurrent()) return std::string();
    return std::string(Cell(cursor_, k));
}

bool TMlb2::SetValue(const std::string& fieldName, const std::string& value) {
    const int k = FieldIndex(fieldName);
    if (k < 0 || !HasCurrent()) return false;
    StoreCell(cursor_, k, value);
    return true;
}

std::string TMlb2::GetValueAt(int field, int record) const {
    if (field < 1 || field > FieldCount() || record < 1 || record > recordCount_) return std::string();
    return std::string(Cell(record - 1, field - 1));
}

bool TMlb2::SetValueAt(int field, const std::string& value) {
    if (field < 1 || field > FieldCount() || !HasCurrent()) return false;
    StoreCell(cursor_, field - 1, value);
    return true;
}

std::string TMlb2::TableName() const { return tableName_; }

void TMlb2::SetTableName(const std::string& name) { tableName_ = name; }

void TMlb2::SetNameFromFile(const std::string& path) {
    const std::size_t sep = path.find_last_of(kPathSeparator);
    const std::string file = sep == std::string::npos ? path : path.substr(sep + 1);
    const std::size_t dot = file.find_last_of('.');
    tableName_ = dot == std::string::npos ? std::string() : file.substr(0, dot);
}

// ---- value arena ---------------------------------------------------------------------------

TMlb2::TCell TMlb2::CopyToArena(std::string_view value) {
    if (value.empty()) return {};
    if (chunks_.empty() || chunks_.back().capacity - chunks_.back().used < value.size()) {
        // Chunks grow with the table: small tables stay small, big ones allocate rarely.
        TChunk chunk;
        chunk.capacity = std::max(std::clamp(liveBytes_ / 2, kMinChunkSize, kChunkSize), value.size());
        chunk.bytes = std::make_unique_for_overwrite<char[]>(chunk.capacity);
        heldBytes_ += chunk.capacity;
        chunks_.push_back(std::move(chunk));
    }
    TChunk& chunk = chunks_.back();
    char* to = chunk.bytes.get() + chunk.used;
    std::memcpy(to, value.data(), value.size());
    chunk.used += value.size();
    return {to, value.size()};
}

void TMlb2::StoreCell(int record, int field, std::string_view value) {
    TCell& cell = cells_[static_cast<std::size_t>(record) * fields_.size() + static_cast<std::size_t>(field)];
    liveBytes_ -= cell.size;
    cell = CopyToArena(value);
    liveBytes_ += cell.size;
    if (!pristine_.empty()) pristine_[static_cast<std::size_t>(record)] = 0;
    DropIndexes(record, field);
    MaybeCompact();
}

void TMlb2::MaybeCompact() {
    if (heldBytes_ > kCompactSlack && heldBytes_ - liveBytes_ > liveBytes_ + kCompactSlack) Compact();
}

void TMlb2::Compact() {
    std::vector<TChunk> packed;
    if (liveBytes_ > 0) {
        TChunk chunk;
        chunk.bytes = std::make_unique_for_overwrite<char[]>(liveBytes_);
        chunk.capacity = liveBytes_;
        for (TCell& cell : cells_) {
            if (cell.size == 0) {
                cell.data = nullptr;
                continue;
            }
            char* to = chunk.bytes.get() + chunk.used;
            std::memcpy(to, cell.data, cell.size);
            cell.data = to;
            chunk.used += cell.size;
        }
        packed.push_back(std::move(chunk));
    }
    chunks_.swap(packed);
    heldBytes_ = liveBytes_;
    pristine_.clear();
}

void TMlb2::ReplaceContents(std::vector<TField>&& fields, std::vector<TCell>&& cells, int records,
                            TChunk&& buffer, std::size_t liveBytes, std::vector<std::uint8_t>&& pristine) {
    // The largest chunk and the cells of the old contents may serve the next load.
    TChunk oldBuffer;
    for (TChunk& chunk : chunks_)
        if (chunk.capacity > oldBuffer.capacity) std::swap(chunk, oldBuffer);
    std::vector<TCell> oldCells;
    oldCells.swap(cells_);

    Clear();
    fields_ = std::move(fields);
    cells_ = std::move(cells);
    recordCount_ = records;
    EnsureIndexSlots();
    heldBytes_ = buffer.capacity;
    if (buffer.bytes) {
        chunks_.push_back(std::move(buffer));
        pristine_ = std::move(pristine);
    }
    liveBytes_ = liveBytes;

    if (oldBuffer.capacity <= 2 * heldBytes_ + kChunkSize) spareBuffer_ = std::move(oldBuffer);
    if (oldCells.capacity() <= 2 * cells_.size() + 64) spareCells_ = std::move(oldCells);
    MaybeCompact();
    if (recordCount_ > 0) Last();
}

// ---- cursor --------------------------------------------------------------------------------

bool TMlb2::First() {
    if (recordCount_ == 0) {
        cursor_ = -1;
        bof_ = eof_ = true;
        return false;
    }
    cursor_ = 0;
    bof_ = eof_ = false;
    return true;
}

bool TMlb2::Last() {
    if (recordCount_ == 0) {
        cursor_ = -1;
        bof_ = eof_ = true;
        return false;
    }
    cursor_ = recordCount_ - 1;
    bof_ = eof_ = false;
    return true;
}

bool TMlb2::Next() {
    if (recordCount_ == 0 || cursor_ >= recordCount_ - 1) {
        bof_ = recordCount_ == 0;
        eof_ = true;
        return false;
    }
    ++cursor_;
    bof_ = eof_ = false;
    return true;
}

bool TMlb2::GoTo(int n) {
    if (n < 1 || n > recordCount_) {
        bof_ = eof_ = true;
        return false;
    }
    cursor_ = n - 1;
    bof_ = eof_ = false;
    return true;
}

int TMlb2::CurrentIndex() const { return HasCurrent() ? cursor_ + 1 : 0; }

bool TMlb2::Bof() const { return bof_; }

bool TMlb2::Eof() const { return eof_; }

// ---- errors and text formats ---------------------------------------------------------------

void TMlb2::ClearError() {
    errorCode_ = 0;
    errorText_.clear();
    systemError_.clear();
}

void TMlb2::SetError(int code, const char* text) {
    errorCode_ = code;
    errorText_ = text;
}

int TMlb2::ErrorCode() const { return errorCode_; }

std::string TMlb2::ErrorText() const { return errorText_; }

char TMlb2::QuoteChar() const { return '"'; }

char TMlb2::Delimiter() const { return parseCSV_.Separator(); }
