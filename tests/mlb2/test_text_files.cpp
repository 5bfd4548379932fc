// The CSV and TXT table files and the CSV escaper.
#include <gtest/gtest.h>

#include <string>

#include "TMlb2.h"
#include "TMlb2ParseCSV.h"
#include "TestSupport.h"

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

TMlb2 Load(const std::string& path, bool txt) {
    TMlb2 t;
    EXPECT_TRUE(txt ? t.LoadFromTXT(path) : t.LoadFromCSV(path));
    return t;
}

}  // namespace

TEST(Mlb2Escape, CrBackslashSemicolonAndDroppedLf) {
    TMlb2ParseCSV e;
    EXPECT_EQ(e.Escape("a\r\nb\\c;d"), "a\\nb\\\\c\\;d");
    EXPECT_EQ(e.Escape("x\ny"), "xy");
    EXPECT_EQ(e.Escape(""), "");
    EXPECT_EQ(e.Separator(), ';');
}

TEST(Mlb2CsvFile, RoundTripOfEscapedValues) {
    TempDir dir;
    TMlb2 t;
    t.AddField("ImgID");
    t.AddField("ImgKeys");
    t.AppendRecord();
    t.SetValue("ImgID", "1");
    t.SetValue("ImgKeys", "line\r\nnext \\ and ; here");
    t.AppendRecord();
    t.SetValue("ImgID", "2");
    t.SetValue("ImgKeys", "lone\nlf");
    ASSERT_TRUE(t.SaveToCSV(dir.file("t.csv")));
    EXPECT_EQ(ReadAll(dir.file("t.csv")),
              "ImgID;ImgKeys\r\n1;line\\nnext \\\\ and \\; here\r\n2;lonelf\r\n");

    TMlb2 back = Load(dir.file("t.csv"), false);
    EXPECT_EQ(back.TableName(), "t");
    ASSERT_EQ(back.RecordCount(), 2);
    EXPECT_EQ(back.GetValueAt(2, 1), "line\r\nnext \\ and ; here");
    EXPECT_EQ(back.GetValueAt(2, 2), "lonelf");
    EXPECT_EQ(back.FieldType(1), "STRING");
    EXPECT_EQ(back.CurrentIndex(), 2);
}

TEST(Mlb2CsvFile, LinesBlanksExtrasAndEndOfText) {
    TempDir dir;
    // A blank and a spaces-only line are skipped; extra values are dropped, missing ones stay
    // empty; a repeated or blank name makes no field; 0x1A ends the text; a trailing backslash
    // is kept; a last line without a line end still counts.
    WriteAll(dir.file("a.csv"),
             "A;a;B; \r\n1;2;3;4;5\r\n\r\n   \r\nx\\;y;\\q\\\r\nlast;v\x1Aignored\r\nmore\r\n");
    TMlb2 t = Load(dir.file("a.csv"), false);
    ASSERT_EQ(t.FieldCount(), 2);
    EXPECT_EQ(t.FieldName(2), "B");
    ASSERT_EQ(t.RecordCount(), 3);
    EXPECT_EQ(t.GetValueAt(1, 1), "1");
    EXPECT_EQ(t.GetValueAt(2, 1), "2");  // by position, not by name
    EXPECT_EQ(t.GetValueAt(1, 2), "x;y");
    EXPECT_EQ(t.GetValueAt(2, 2), "q\\");
    EXPECT_EQ(t.GetValueAt(1, 3), "last");
    EXPECT_EQ(t.GetValueAt(2, 3), "v");

    // Only CR ends a line: a lone LF is part of the value.
    WriteAll(dir.file("b.csv"), "A\r\nx\ny\r\n");
    TMlb2 b = Load(dir.file("b.csv"), false);
    ASSERT_EQ(b.RecordCount(), 1);
    EXPECT_EQ(b.GetValue("A"), "x\ny");
}

TEST(Mlb2CsvFile, OpenFailuresKeepTheTable) {
    TempDir dir;
    TMlb2 t;
    t.AddField("Keep");
    for (const std::string& name : {std::string(), std::string("   "), dir.file("missing.csv"), dir.str()}) {
        EXPECT_FALSE(t.LoadFromCSV(name));
        EXPECT_EQ(t.ErrorCode(), 3);
        EXPECT_EQ(t.ErrorText(), "1-Unable to open the file for reading");
        EXPECT_EQ(t.FieldCount(), 1);
    }
    EXPECT_FALSE(t.SaveToCSV(dir.file("no/dir/x.csv")));
    EXPECT_EQ(t.ErrorText(), "1-Unable to open the file for writing");
}

TEST(Mlb2TextFiles, KindByName) {
    TempDir dir;
    TMlb2 t;
    t.AddField("A");
    t.AppendRecord();
    t.SetValue("A", "v");
    ASSERT_TRUE(t.SaveToFile(dir.file("table.dat")));
    EXPECT_EQ(ReadAll(dir.file("table.dat")), "A\r\nv\r\n");
    ASSERT_TRUE(t.SaveToFile(dir.file("table.TXT")));
    EXPECT_EQ(ReadAll(dir.file("table.TXT")), "\"A\"\r\n\"v\"\r\n");
    ASSERT_TRUE(t.SaveToFile(dir.file("Holiday.col")));
    EXPECT_EQ(ReadAll(dir.file("Holiday.col")), "A\r\nv\r\n");

    TMlb2 u;
    EXPECT_TRUE(u.LoadFromFile(dir.file("table.TXT")));
    EXPECT_EQ(u.GetValue("A"), "v");
    EXPECT_FALSE(u.LoadFromFile("ab"));  // too short for a kind: the CSV loader
    EXPECT_EQ(u.ErrorText(), "1-Unable to open the file for reading");
}

TEST(Mlb2TxtFile, QuotingSpacesAndTypes) {
    TempDir dir;
    TMlb2 t;
    t.AddField("Name");
    t.AddField("Size");
    t.SetFieldType(2, "FLOAT");
    t.AppendRecord();
    t.SetValue("Name", "say \"hi\"; then\r\nleave");
    t.SetValue("Size", "12.5");
    t.AppendRecord();
    t.SetValue("Name", "");
    t.SetValue("Size", "");
    ASSERT_TRUE(t.SaveToTXT(dir.file("t.txt")));
    EXPECT_EQ(ReadAll(dir.file("t.txt")),
              "\"Name\";\"Size\"\r\n\"say \"\"hi\"\"; then\r\nleave\";12.5\r\n\"\";\r\n");

    TMlb2 back = Load(dir.file("t.txt"), true);
    EXPECT_EQ(back.TableName(), "t");
    ASSERT_EQ(back.RecordCount(), 2);
    EXPECT_EQ(back.GetValueAt(1, 1), "say \"hi\"; then\r\nleave");
    EXPECT_EQ(back.GetValueAt(2, 1), "12.5");
    EXPECT_EQ(back.GetValueAt(2, 2), "");
    EXPECT_EQ(back.FieldType(1), "STRING");
    EXPECT_EQ(back.FieldType(2), "FLOAT");  // bare values; the empty last one tells nothing

    // Bare values lose their spaces; an empty line between records is an empty record.
    WriteAll(dir.file("s.txt"), "\"A\";\"B\"\r\n 1 2 ; x y \r\n\r\n\"q\";\"r\"\r\n");
    TMlb2 s = Load(dir.file("s.txt"), true);
    ASSERT_EQ(s.RecordCount(), 3);
    EXPECT_EQ(s.GetValueAt(1, 1), "12");
    EXPECT_EQ(s.GetValueAt(2, 1), "xy");
    EXPECT_EQ(s.GetValueAt(1, 2), "");
    EXPECT_EQ(s.GetValueAt(2, 3), "r");
}

TEST(Mlb2TxtFile, EndOfFileHandling) {
    TempDir dir;
    // Ending with CR LF: no extra record.
    WriteAll(dir.file("a.txt"), "\"A\";\"B\"\r\n\"1\";\"2\"\r\n");
    EXPECT_EQ(Load(dir.file("a.txt"), true).RecordCount(), 1);
    // A last line without CR LF keeps its last value.
    WriteAll(dir.file("b.txt"), "\"A\";\"B\"\r\n\"1\";\"2\"\r\n\"3\";\"4\"");
    TMlb2 b = Load(dir.file("b.txt"), true);
    ASSERT_EQ(b.RecordCount(), 2);
    EXPECT_EQ(b.GetValueAt(2, 2), "4");
    // ... also when it holds a single value.
    WriteAll(dir.file("c.txt"), "\"A\"\r\n\"only\"");
    TMlb2 c = Load(dir.file("c.txt"), true);
    ASSERT_EQ(c.RecordCount(), 1);
    EXPECT_EQ(c.GetValue("A"), "only");
    // A header without a line end; trailing spaces after the last line end are no record.
    WriteAll(dir.file("d.txt"), "\"A\";\"B\"");
    EXPECT_EQ(Load(dir.file("d.txt"), true).FieldCount(), 2);
    WriteAll(dir.file("e.txt"), "\"A\"\r\n\"1\"\r\n  \n");
    EXPECT_EQ(Load(dir.file("e.txt"), true).RecordCount(), 1);

    TMlb2 keep;
    keep.AddField("Keep");
    EXPECT_FALSE(keep.LoadFromTXT(dir.file("missing.txt")));
    EXPECT_EQ(keep.ErrorCode(), 0);
    EXPECT_EQ(keep.FieldCount(), 1);
}
