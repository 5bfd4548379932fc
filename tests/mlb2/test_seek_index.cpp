// The table against a plain model of the record list, cursor and seek on random operation
// sequences. Tables are large enough, and "=" seeks frequent enough, for the table to answer
// from its internal index, with appends, edits and deletions in between.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TMlb2.h"

namespace {

// Record-by-record reference of the cursor, flags and seek.
struct TModel {
    std::vector<std::vector<std::string>> rows;  // two fields
    int cursor = -1;
    bool fresh = false;
    bool forward = true;
    bool bof = true, eof = true;

    int count() const { return static_cast<int>(rows.size()); }
    bool has() const { return cursor >= 0 && cursor < count(); }
    int current() const { return has() ? cursor + 1 : 0; }
    bool last() {
        if (rows.empty()) { cursor = -1; bof = eof = true; return false; }
        cursor = count() - 1; bof = eof = false; return true;
    }
    bool first() {
        if (rows.empty()) { cursor = -1; bof = eof = true; return false; }
        cursor = 0; bof = eof = false; return true;
    }
    bool go(int n) {
        if (n < 1 || n > count()) { bof = eof = true; return false; }
        cursor = n - 1; bof = eof = false; return true;
    }
    bool next() {
        if (rows.empty() || cursor >= count() - 1) { bof = rows.empty(); eof = true; return false; }
        ++cursor; bof = eof = false; return true;
    }
    bool append() { rows.push_back({"", ""}); return last(); }
    bool del(int n) {
        if (n < 1 || n > count()) return false;
        rows.erase(rows.begin() + (n - 1));
        return true;
    }
    bool delCurrent() {
        const bool ok = del(current());
        if (current() < 1 || current() > count()) last();
        return ok;
    }
    bool set(int field, const std::string& v) {
        if (!has()) return false;
        rows[cursor][field] = v;
        return true;
    }
    bool begin(bool fwd) {
        forward = fwd;
        if (rows.empty()) { fresh = false; return false; }
        fresh = true; return true;
    }
    bool end() {
        if (rows.empty()) return false;
        if (!has()) last();
        fresh = false;
        return true;
    }
    bool seek(int field, const std::string& op, const std::string& v) {
        if (rows.empty()) return false;
        const int back = current();
        int pos = cursor == -1 ? 0 : fresh ? cursor : forward ? cursor + 1 : cursor - 1;
        bool found = false;
        while (pos >= 0 && pos < count()) {
            const std::string& x = rows[pos][field];
            if ((op == "=" && x == v) || (op == "<" && x < v) || (op == ">=" && x >= v)) { found = true; break; }
            pos += forward ? 1 : -1;
        }
        fresh = false;
        if (found) { cursor = pos; return true; }
        go(back);
        return false;
    }
};

void ExpectSame(const TMlb2& t, const TModel& m, int step) {
    ASSERT_EQ(t.RecordCount(), m.count()) << "step " << step;
    ASSERT_EQ(t.CurrentIndex(), m.current()) << "step " << step;
    ASSERT_EQ(t.Bof(), m.bof) << "step " << step;
    ASSERT_EQ(t.Eof(), m.eof) << "step " << step;
}

void RunRandomSequence(unsigned seed, int initialRecords, int steps, int distinctValues) {
    std::mt19937 rng(seed);
    auto value = [&] { return "v" + std::to_string(rng() % distinctValues); };
    TMlb2 t;
    TModel m;
    t.AddField("ImgID");
    t.AddField("Other");
    for (int i = 0; i < initialRecords; ++i) {
        const std::string v = value();
        t.AppendRecord();
        t.SetValue("ImgID", v);
        m.append();
        m.set(0, v);
    }
    const char* names[2] = {"ImgID", "Other"};
    for (int step = 0; step < steps; ++step) {
        const unsigned what = rng() % 100;
        const std::string v = value();
        const int field = static_cast<int>(rng() % 2);
        const int n = static_cast<int>(rng() % (m.count() + 2));
        bool a = false, b = false;
        if (what < 45) {  // the look-up idiom and its variations
            if (rng() % 3 == 0) { a = t.First(); b = m.first(); ASSERT_EQ(a, b); }
            if (rng() % 2 == 0) {
                const bool fwd = rng() % 4 != 0;
                a = t.BeginSeek(fwd ? TSeekDirection::Forward : TSeekDirection::Backward);
                b = m.begin(fwd);
                ASSERT_EQ(a, b);
            }
            const int repeats = 1 + static_cast<int>(rng() % 3);
            for (int i = 0; i < repeats; ++i) {
                a = t.Seek(names[field], "=", v);
                b = m.seek(field, "=", v);
                ASSERT_EQ(a, b) << "step " << step;
                ExpectSame(t, m, step);
            }
            if (rng() % 2 == 0) { a = t.EndSeek(); b = m.end(); ASSERT_EQ(a, b); }
        } else if (what < 50) {
            const std::string op = rng() % 2 ? "<" : ">=";
            a = t.Seek(names[field], op, v);
            b = m.seek(field, op, v);
        } else if (what < 60) {
            a = t.AppendRecord();
            b = m.append();
            t.SetValue(names[field], v);
            m.set(field, v);
        } else if (what < 72) {
            a = t.SetValue(names[field], v);
            b = m.set(field, v);
        } else if (what < 78) {
            a = t.DeleteRecord(n);
            b = m.del(n);
        } else if (what < 82) {
            a = t.DeleteCurrent();
            b = m.delCurrent();
        } else if (what < 88) {
            a = t.GoTo(n);
            b = m.go(n);
        } else if (what < 94) {
            a = t.Next();
            b = m.next();
        } else {
            a = t.Last();
            b = m.last();
        }
        ASSERT_EQ(a, b) << "step " << step << " op " << what;
        ExpectSame(t, m, step);
        if (step % 97 == 0) {
            for (int r = 1; r <= m.count(); ++r) {
                ASSERT_EQ(t.GetValueAt(1, r), m.rows[r - 1][0]);
                ASSERT_EQ(t.GetValueAt(2, r), m.rows[r - 1][1]);
            }
        }
    }
}

}  // namespace

TEST(Mlb2SeekIndex, AgreesWithScanOnRandomSequences) {
    for (unsigned seed = 1; seed <= 6; ++seed) RunRandomSequence(seed, 300, 4000, 40);
}

TEST(Mlb2SeekIndex, AgreesWithScanOnUniqueIds) {
    // Mostly distinct values, like the catalog's ids, and a table that grows by appends.
    for (unsigned seed = 11; seed <= 13; ++seed) RunRandomSequence(seed, 500, 3000, 100000);
}

TEST(Mlb2SeekIndex, AgreesWithScanOnHeavyDuplicates) {
    for (unsigned seed = 21; seed <= 23; ++seed) RunRandomSequence(seed, 200, 3000, 3);
}

TEST(Mlb2SeekIndex, LookupsAfterManyAppendsAndEditsStayExact) {
    TMlb2 t;
    t.AddField("ImgID");
    for (int i = 1; i <= 2000; ++i) {
        t.AppendRecord();
        t.SetValue("ImgID", std::to_string(i));
    }
    auto find = [&](const std::string& id) {
        t.First();
        t.BeginSeek(TSeekDirection::Forward);
        const bool hit = t.Seek("ImgID", "=", id);
        t.EndSeek();
        return hit ? t.CurrentIndex() : 0;
    };
    for (int i = 1; i <= 2000; i += 7) ASSERT_EQ(find(std::to_string(i)), i);
    // New records after the index was made, then an edit of an indexed value.
    for (int i = 2001; i <= 2100; ++i) {
        t.AppendRecord();
        t.SetValue("ImgID", std::to_string(i));
        ASSERT_EQ(find(std::to_string(i)), i);
        ASSERT_EQ(find(std::to_string(i - 1000)), i - 1000);
    }
    t.GoTo(5);
    t.SetValue("ImgID", "2050");  // now a duplicate: the first in scan order is record 5
    EXPECT_EQ(find("2050"), 5);
    EXPECT_EQ(find("5"), 0);
    t.DeleteRecord(1);
    EXPECT_EQ(find("2050"), 4);
    EXPECT_EQ(find("2"), 1);
    EXPECT_EQ(find("2100"), 2099);
}
