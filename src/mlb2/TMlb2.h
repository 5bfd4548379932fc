#pragma once
// TMlb2: the program's in-memory table of named text fields with a record cursor, a sequential
// seek, and the MLB binary file. Values are bytes (std::string); no encoding is applied anywhere.
//
// Record and field numbers are 1-based in every operation (0 = none).

#include <string>
#include <vector>

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

    // Text formats
    char QuoteChar() const;
    char Delimiter() const;

private:
    // (private representation: chosen by the implementation)
};
