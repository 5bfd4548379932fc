#pragma once
// TMlb2: the program's in-memory table of named text fields with a record cursor, a sequential
// seek, and the MLB binary file. Values are bytes (std::string); no encoding is applied anywhere.
//
// Record and field numbers are 1-based in every operation (0 = none).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "LikePattern.h"
#include "TConcordances.h"
#include "TMlb2ParseCSV.h"

enum class TSeekDirection { Forward, Backward };

class TMlb2 {
public:
    TMlb2();
    ~TMlb2();
    TMlb2(const TMlb2&);
    TMlb2& operator=(const TMlb2&);
    TMlb2(TMlb2&&) noexcept;
    TMlb2& operator=(TMlb2&&) noexcept;

    // Structure and values
    void Clear();
    bool AddField(const std::string& name);
    int FieldCount() const;
    std::string FieldName(int n) const;
    std::string FieldType(int n) const;
    void SetFieldType(int n, const std::string& typeName);
    int RecordCount() const;
    bool IsEmpty() const;
    bool AppendRecord();
    bool DeleteRecord(int n);
    bool DeleteCurrent();
    std::string GetValue(const std::string& fieldName) const;
    bool SetValue(const std::string& fieldName, const std::string& value);
    std::string GetValueAt(int field, int record) const;
    bool SetValueAt(int field, const std::string& value);
    std::string TableName() const;
    void SetTableName(const std::string& name);
    void SetNameFromFile(const std::string& path);

    // Cursor
    bool First();
    bool Last();
    bool Next();
    bool GoTo(int n);
    int CurrentIndex() const;
    bool Bof() const;
    bool Eof() const;

    // Seek
    bool BeginSeek(TSeekDirection direction);
    bool Seek(const std::string& fieldName, const std::string& op, const std::string& value);
    bool EndSeek();

    // Files
    static std::string FileKind(const std::string& fileName);
    bool LoadFromFile(const std::string& fileName);
    bool SaveToFile(const std::string& fileName);
    bool LoadFromMLB(const std::string& fileName);
    bool SaveToMLB(const std::string& fileName);
    bool LoadFromTXT(const std::string& fileName);
    bool SaveToTXT(const std::string& fileName);
    bool LoadFromCSV(const std::string& fileName);
    bool SaveToCSV(const std::string& fileName);
    void ClearError();
    int ErrorCode() const;
    std::string ErrorText() const;
    // The system's reason for the last failed file operation ("No space left on device"), or
    // "" when the failure was not the system's.
    const std::string& SystemErrorText() const { return systemError_; }

    // Text formats
    char QuoteChar() const;
    char Delimiter() const;

private:
    struct TField {
        std::string name;
        std::string type;
    };
    // One value: a view into memory the table owns (a chunk of its value arena or the buffer of
    // the file it loaded). An empty value may have a null pointer.
    struct TCell {
        const char* data = nullptr;
        std::size_t size = 0;
    };
    // Value storage. Chunks never move once allocated; values replaced by SetValue or removed
    // with their record stay in their chunk until the arena is compacted.
    struct TChunk {
        std::unique_ptr<char[]> bytes;
        std::size_t capacity = 0;
        std::size_t used = 0;
    };
    // Hash buckets of one field's values, so an "=" seek need not walk the table. Built lazily
    // once linear "=" seeks on the field have examined about a table's worth of records, so
    // building never costs more than the scans it replaces. It covers records [0, covered);
    // records appended later (the tail) are scanned directly. Changing an indexed value or
    // removing an indexed record drops the index.
    struct TEqIndex {
        bool built = false;
        int covered = 0;
        int shift = 64;                         // bucket of a hash: hash >> shift
        std::vector<std::uint32_t> bucketStart;  // bucket b: postings[bucketStart[b], bucketStart[b+1])
        std::vector<std::uint32_t> postings;     // record positions, ascending within a bucket
        std::vector<std::uint32_t> scratch;      // the build's bucket per record
        std::int64_t linearWork = 0;             // records examined without the index
        // Records [0, prepared) have their bucket in scratch already, hashed by the load while
        // their values were at hand, so a build for a table of exactly that many records only
        // sorts them. Dropped with the index.
        int prepared = 0;
    };
    enum class TOp { Less, Greater, Equal, LessEqual, GreaterEqual, Like, None };

    void Swap(TMlb2& other) noexcept;
    void SetError(int code, const char* text);
    bool HasCurrent() const { return cursor_ >= 0 && cursor_ < recordCount_; }
    int FieldIndex(const std::string& name) const;
    std::string_view Cell(int record, int field) const {
        const TCell& c = cells_[static_cast<std::size_t>(record) * fields_.size() + static_cast<std::size_t>(field)];
        return c.size ? std::string_view(c.data, c.size) : std::string_view();
    }
    void StoreCell(int record, int field, std::string_view value);
    TCell CopyToArena(std::string_view value);
    void MaybeCompact();
    void Compact();
    void DropIndexes(int record, int field);
    void EnsureIndexSlots();
    // Installs loaded contents (values pointing into buffer, its first used bytes the file).
    void ReplaceContents(std::vector<TField>&& fields, std::vector<TCell>&& cells, int records,
                         TChunk&& buffer, std::size_t liveBytes, std::vector<std::uint8_t>&& pristine);

    static TOp ParseOp(const std::string& op);
    int FindMatch(int field, TOp op, const std::string& value, int start, bool forward);
    int FindEqual(int field, std::string_view value, int start, bool forward);
    int ScanEqual(int field, std::string_view value, int from, int to, bool forward,
                  std::int64_t& examined) const;
    void BuildIndex(int field);

    bool WriteTextFile(const std::string& fileName, const std::string& bytes);

    std::string tableName_;
    std::vector<TField> fields_;
    std::vector<TCell> cells_;  // recordCount_ rows of fields_.size() cells, record after record
    int recordCount_ = 0;
    int cursor_ = -1;
    TSeekDirection seekDirection_ = TSeekDirection::Forward;
    bool seekFresh_ = false;
    bool bof_ = true;
    bool eof_ = true;
    int errorCode_ = 0;
    std::string errorText_;
    std::string systemError_;

    std::vector<TChunk> chunks_;
    // The file buffer and cells of the contents the last load replaced, kept for the next load
    // when of a similar size: reloading a table then reuses memory instead of touching fresh.
    TChunk spareBuffer_;
    std::vector<TCell> spareCells_;
    std::size_t liveBytes_ = 0;  // bytes of all current values
    std::size_t heldBytes_ = 0;  // bytes held by chunks
    // Per record, empty when none: 1 while the record's bytes in the loaded file's buffer are
    // exactly what saving writes for it (its cells point at them), so it is saved from there.
    // Any change to the record, or to the field list, clears it.
    std::vector<std::uint8_t> pristine_;

    // At least one per field. Their memory is kept when they are dropped or the table is
    // cleared, so reloading a table and looking values up again does not allocate afresh.
    std::vector<TEqIndex> eqIndex_;
    bool likeCached_ = false;        // likePattern_ holds likeSource_ compiled
    std::string likeSource_;
    mlb2detail::TLikePattern likePattern_;

    TConcordances concordances_;
    TMlb2ParseCSV parseCSV_;
};
