// Table structure, values, the cursor with its Bof/Eof flags, deletion and the seek.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TMlb2.h"

namespace {

// A table with field "ImgID" holding the given values, one record each; cursor on the last.
TMlb2 Ids(const std::vector<std::string>& ids) {
    TMlb2 t;
    t.AddField("ImgID");
    for (const auto& id : ids) {
        t.AppendRecord();
        t.SetValue("ImgID", id);
    }
    return t;
}

}  // namespace

TEST(Mlb2Table, NewTableIsEmptyEverywhere) {
    TMlb2 t;
    EXPECT_EQ(t.FieldCount(), 0);
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.CurrentIndex(), 0);
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(t.Bof());
    EXPECT_TRUE(t.Eof());
    EXPECT_FALSE(t.First());
    EXPECT_FALSE(t.Last());
    EXPECT_FALSE(t.Next());
    EXPECT_EQ(t.GetValue("ImgID"), "");
    EXPECT_FALSE(t.SetValue("ImgID", "1"));
    EXPECT_FALSE(t.BeginSeek(TSeekDirection::Forward));
    EXPECT_FALSE(t.Seek("ImgID", "=", ""));
    EXPECT_FALSE(t.EndSeek());
    EXPECT_EQ(t.ErrorCode(), 0);
    EXPECT_EQ(t.TableName(), "");
    EXPECT_EQ(t.QuoteChar(), '"');
    EXPECT_EQ(t.Delimiter(), ';');
}

TEST(Mlb2Table, FieldNamesAreUniqueIgnoringCaseAndNeverBlank) {
    TMlb2 t;
    EXPECT_TRUE(t.AddField("ImgID"));
    EXPECT_FALSE(t.AddField("imgid"));
    EXPECT_FALSE(t.AddField("   "));
    EXPECT_FALSE(t.AddField(""));
    EXPECT_TRUE(t.AddField(" Name "));  // kept as given, not trimmed
    EXPECT_EQ(t.FieldCount(), 2);
    EXPECT_EQ(t.FieldName(2), " Name ");
    EXPECT_EQ(t.FieldType(1), "STRING");
    EXPECT_EQ(t.FieldName(0), "");
    EXPECT_EQ(t.FieldName(3), "");
    t.SetFieldType(2, "FLOAT");
    t.SetFieldType(9, "FLOAT");
    EXPECT_EQ(t.FieldType(2), "FLOAT");
    EXPECT_EQ(t.FieldType(9), "");
}

TEST(Mlb2Table, AddFieldOnExistingRecordsKeepsValuesAndAddsEmpties) {
    TMlb2 t = Ids({"1", "2", "3"});
    t.GoTo(2);
    ASSERT_TRUE(t.AddField("Path"));
    EXPECT_EQ(t.CurrentIndex(), 2);  // the cursor does not move
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(t.GetValueAt(1, r), std::to_string(r));
        EXPECT_EQ(t.GetValueAt(2, r), "");
    }
    EXPECT_TRUE(t.SetValue("PATH", "/a"));  // names match without regard to case
    EXPECT_EQ(t.GetValueAt(2, 2), "/a");
    EXPECT_EQ(t.GetValueAt(3, 1), "");
    EXPECT_EQ(t.GetValueAt(1, 4), "");
    EXPECT_FALSE(t.SetValueAt(3, "x"));
    EXPECT_TRUE(t.SetValueAt(1, "two"));
    EXPECT_EQ(t.GetValue("imgid"), "two");
    EXPECT_EQ(t.GetValue("nope"), "");
}

TEST(Mlb2Table, ValuesAreBytes) {
    TMlb2 t = Ids({std::string("a\0b", 3)});
    EXPECT_EQ(t.GetValue("ImgID"), std::string("a\0b", 3));
    const std::string big(200000, 'x');
    t.SetValue("ImgID", big);
    EXPECT_EQ(t.GetValue("ImgID"), big);
}

TEST(Mlb2Table, CursorMovesAndFlags) {
    TMlb2 t = Ids({"1", "2", "3"});
    EXPECT_EQ(t.CurrentIndex(), 3);  // AppendRecord ends on the new record
    EXPECT_FALSE(t.Bof());
    EXPECT_FALSE(t.Eof());

    EXPECT_TRUE(t.First());
    EXPECT_TRUE(t.Next());
    EXPECT_TRUE(t.Next());
    EXPECT_EQ(t.CurrentIndex(), 3);
    EXPECT_FALSE(t.Next());  // on the last record: no move, Eof only
    EXPECT_EQ(t.CurrentIndex(), 3);
    EXPECT_FALSE(t.Bof());
    EXPECT_TRUE(t.Eof());

    EXPECT_TRUE(t.GoTo(2));
    EXPECT_FALSE(t.Eof());
    EXPECT_FALSE(t.GoTo(0));
    EXPECT_EQ(t.CurrentIndex(), 2);
    EXPECT_TRUE(t.Bof());
    EXPECT_TRUE(t.Eof());
    EXPECT_FALSE(t.GoTo(4));
    EXPECT_EQ(t.CurrentIndex(), 2);
    EXPECT_TRUE(t.Last());
    EXPECT_EQ(t.GetValue("ImgID"), "3");

    TMlb2 empty;
    empty.AddField("A");
    EXPECT_FALSE(empty.Next());
    EXPECT_TRUE(empty.Bof());
    EXPECT_TRUE(empty.Eof());
}

TEST(Mlb2Table, ClearKeepsNameAndDirection) {
    TMlb2 t = Ids({"1", "2"});
    t.SetTableName("catalog");
    t.GoTo(2);
    t.BeginSeek(TSeekDirection::Backward);
    t.Clear();
    EXPECT_EQ(t.FieldCount(), 0);
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.CurrentIndex(), 0);
    EXPECT_TRUE(t.Bof() && t.Eof());
    EXPECT_EQ(t.TableName(), "catalog");
    // The backward direction survived: a seek from record 3 moves toward record 1.
    t.AddField("ImgID");
    for (const char* v : {"x", "y", "z"}) {
        t.AppendRecord();
        t.SetValue("ImgID", v);
    }
    EXPECT_TRUE(t.Seek("ImgID", "<", "z"));
    EXPECT_EQ(t.CurrentIndex(), 2);
}

TEST(Mlb2Table, DeleteCurrentPositions) {
    TMlb2 t = Ids({"1", "2", "3"});
    t.GoTo(2);
    EXPECT_TRUE(t.DeleteCurrent());
    EXPECT_EQ(t.CurrentIndex(), 2);
    EXPECT_EQ(t.GetValue("ImgID"), "3");

    EXPECT_TRUE(t.DeleteCurrent());  // the last record: the new last becomes current
    EXPECT_EQ(t.CurrentIndex(), 1);
    EXPECT_EQ(t.GetValue("ImgID"), "1");

    EXPECT_TRUE(t.DeleteCurrent());  // the only record
    EXPECT_EQ(t.CurrentIndex(), 0);
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_FALSE(t.DeleteCurrent());
}

TEST(Mlb2Table, DeleteRecordKeepsThePositionNumber) {
    TMlb2 t = Ids({"1", "2", "3", "4"});
    t.GoTo(3);
    EXPECT_TRUE(t.DeleteRecord(1));
    EXPECT_EQ(t.CurrentIndex(), 3);
    EXPECT_EQ(t.GetValue("ImgID"), "4");
    EXPECT_FALSE(t.DeleteRecord(0));
    EXPECT_FALSE(t.DeleteRecord(4));

    // Deleting the current last record leaves no current record until the cursor moves.
    EXPECT_TRUE(t.DeleteRecord(3));
    EXPECT_EQ(t.CurrentIndex(), 0);
    EXPECT_EQ(t.GetValue("ImgID"), "");
    EXPECT_FALSE(t.SetValue("ImgID", "x"));
    EXPECT_FALSE(t.Next());
    EXPECT_TRUE(t.EndSeek());  // goes to the last record
    EXPECT_EQ(t.GetValue("ImgID"), "3");

    // DeleteCurrent with no current record deletes nothing and moves to the last record.
    t.GoTo(2);
    t.DeleteRecord(2);
    EXPECT_FALSE(t.DeleteCurrent());
    EXPECT_EQ(t.CurrentIndex(), 1);
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST(Mlb2Seek, LookupRepeatsAndReturnsToTheLastMatch) {
    TMlb2 t = Ids({"1", "2", "1"});
    t.First();
    ASSERT_TRUE(t.BeginSeek(TSeekDirection::Forward));
    EXPECT_TRUE(t.Seek("ImgID", "=", "1"));
    EXPECT_EQ(t.CurrentIndex(), 1);  // the fresh seek examines the current record first
    EXPECT_TRUE(t.Seek("ImgID", "=", "1"));
    EXPECT_EQ(t.CurrentIndex(), 3);
    EXPECT_FALSE(t.Seek("ImgID", "=", "1"));
    EXPECT_EQ(t.CurrentIndex(), 3);
    EXPECT_FALSE(t.Bof());  // restored by going back to the return point
    EXPECT_FALSE(t.Eof());
    EXPECT_TRUE(t.EndSeek());
}

TEST(Mlb2Seek, BackwardFromTheCurrentRecord) {
    TMlb2 t = Ids({"a", "b", "c"});
    t.GoTo(3);
    t.BeginSeek(TSeekDirection::Backward);
    std::vector<int> order;
    while (t.Seek("ImgID", ">=", "")) order.push_back(t.CurrentIndex());
    EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(t.CurrentIndex(), 1);
}

TEST(Mlb2Seek, FromPastTheEndRestoresNoCurrentRecord) {
    TMlb2 t = Ids({"a", "b", "c"});
    t.GoTo(3);
    t.DeleteRecord(3);  // the cursor is past the end now
    t.BeginSeek(TSeekDirection::Forward);
    EXPECT_FALSE(t.Seek("ImgID", ">=", ""));  // a fresh seek examines the position: outside
    EXPECT_EQ(t.CurrentIndex(), 0);
    EXPECT_TRUE(t.Bof() && t.Eof());  // the failed GoTo back to "none"

    t.BeginSeek(TSeekDirection::Backward);
    t.Seek("ImgID", "=", "nothing");  // not fresh after this: the next starts one before
    EXPECT_TRUE(t.Seek("ImgID", ">=", ""));
    EXPECT_EQ(t.CurrentIndex(), 2);
    t.EndSeek();
    EXPECT_EQ(t.CurrentIndex(), 2);
}

TEST(Mlb2Seek, OperatorsCompareUnsignedBytesCaseSensitively) {
    TMlb2 t = Ids({"10", "9", "b", "B", "\xE9", "ab", "a"});
    auto firstMatch = [&](const std::string& op, const std::string& v) {
        t.First();
        t.BeginSeek(TSeekDirection::Forward);
        const bool hit = t.Seek("ImgID", op, v);
        t.EndSeek();
        return hit ? t.CurrentIndex() : 0;
    };
    EXPECT_EQ(firstMatch("<", "9"), 1);    // "10" < "9": text, not numbers
    EXPECT_EQ(firstMatch(">", "b"), 5);    // 0xE9 is above every ASCII byte
    EXPECT_EQ(firstMatch("=", "B"), 4);
    EXPECT_EQ(firstMatch("<=", "a"), 1);
    EXPECT_EQ(firstMatch(">=", "ab"), 3);
    EXPECT_EQ(firstMatch("<", "a"), 1);
    EXPECT_EQ(firstMatch(">", "a"), 3);    // "ab" > "a", but "b" comes first
    EXPECT_EQ(firstMatch("like", "b"), 3);  // LIKE in any letter case, case-insensitive
    EXPECT_EQ(firstMatch("LiKe", "AB"), 6);
    EXPECT_EQ(firstMatch("==", "a"), 0);
    EXPECT_EQ(firstMatch("LIKE ", "a"), 0);
}

TEST(Mlb2Seek, UnknownFieldReadsAsEmpty) {
    TMlb2 t = Ids({"a", "b"});
    t.GoTo(2);
    t.BeginSeek(TSeekDirection::Forward);
    EXPECT_TRUE(t.Seek("Nope", "=", ""));
    EXPECT_EQ(t.CurrentIndex(), 2);
    EXPECT_FALSE(t.Seek("Nope", "=", ""));  // not fresh any more: starts after record 2
    t.First();
    t.BeginSeek(TSeekDirection::Forward);
    EXPECT_FALSE(t.Seek("Nope", "LIKE", "?"));
    EXPECT_EQ(t.CurrentIndex(), 1);
}

TEST(Mlb2Seek, BeginSeekOnEmptyTableLeavesSeekNotFresh) {
    TMlb2 t;
    t.AddField("ImgID");
    EXPECT_FALSE(t.BeginSeek(TSeekDirection::Forward));
    t.AppendRecord();
    t.SetValue("ImgID", "1");
    t.First();
    EXPECT_FALSE(t.Seek("ImgID", "=", "1"));  // starts after record 1
    t.BeginSeek(TSeekDirection::Forward);
    EXPECT_TRUE(t.Seek("ImgID", "=", "1"));
}

TEST(Mlb2Table, CopiesAreIndependentAndMovesLeaveAnEmptyTable) {
    TMlb2 a = Ids({"1", "2", "3"});
    a.SetTableName("n");
    a.GoTo(2);
    TMlb2 b(a);
    b.SetValue("ImgID", "changed");
    EXPECT_EQ(a.GetValue("ImgID"), "2");
    EXPECT_EQ(b.GetValue("ImgID"), "changed");
    EXPECT_EQ(b.CurrentIndex(), 2);
    EXPECT_EQ(b.TableName(), "n");

    a = b;
    EXPECT_EQ(a.GetValueAt(1, 2), "changed");
    a = a;  // self-assignment keeps everything
    EXPECT_EQ(a.RecordCount(), 3);

    TMlb2 c(std::move(a));
    EXPECT_EQ(c.RecordCount(), 3);
    EXPECT_EQ(a.RecordCount(), 0);  // NOLINT: the moved-from table is a valid empty table
    EXPECT_EQ(a.GetValueAt(1, 1), "");
    a = std::move(c);
    EXPECT_EQ(a.GetValueAt(1, 3), "3");
}

TEST(Mlb2Table, NameFromFile) {
    TMlb2 t;
    t.SetNameFromFile("/home/u/My Albums/Holiday.2021.col");
    EXPECT_EQ(t.TableName(), "Holiday.2021");
    t.SetNameFromFile("/home/u.d/noextension");
    EXPECT_EQ(t.TableName(), "");
    t.SetNameFromFile("data.mlb");
    EXPECT_EQ(t.TableName(), "data");
    t.SetNameFromFile("/x/.mlb");
    EXPECT_EQ(t.TableName(), "");
}

TEST(Mlb2Table, FileKind) {
    EXPECT_EQ(TMlb2::FileKind("data.mlb"), "MLB");
    EXPECT_EQ(TMlb2::FileKind("X.MLB"), "MLB");
    EXPECT_EQ(TMlb2::FileKind("xmlb"), "MLB");
    EXPECT_EQ(TMlb2::FileKind("Holiday.col"), "COL");
    EXPECT_EQ(TMlb2::FileKind("ab"), "");
    EXPECT_EQ(TMlb2::FileKind("a.t\xE9t"), "T\xE9T");
}
