// The "LIKE" matcher: its documented consequences, sets and ranges, and a randomized check of
// the compiled form against a direct character-by-character walk of the pattern.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "TConcordances.h"
#include "TMlb2.h"

namespace {

bool Match(const std::string& pattern, const std::string& text) { return TConcordances().Match(pattern, text); }

// The single pass, written out plainly over upper-cased copies, as the reference.
bool WalkPattern(std::string p, std::string t) {
    for (char& c : p) if (c >= 'a' && c <= 'z') c -= 32;
    for (char& c : t) if (c >= 'a' && c <= 'z') c -= 32;
    auto digit = [](unsigned char c) { return c >= '0' && c <= '9'; };
    std::set<unsigned char> set;
    bool inSet = false, negated = false, range = false, added = false;
    unsigned char last = 0;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (inSet) {
            if (c == ']') {
                inSet = false;  // then tested below
            } else if (c == '-' && added) {
                range = true;
                continue;
            } else if (c == '!' && !added) {
                negated = true;
                continue;
            } else if (range) {
                for (int b = last + 1; b <= c; ++b) set.insert(static_cast<unsigned char>(b));
                range = false;
                continue;
            } else {
                set.insert(c);
                last = c;
                added = true;
                continue;
            }
        }
        if (c == '?') {
            if (pos >= t.size()) return false;
            ++pos;
        } else if (c == '#') {
            if (pos >= t.size() || !digit(static_cast<unsigned char>(t[pos]))) return false;
            ++pos;
        } else if (c == '[') {
            inSet = true;
            set.clear();
            negated = range = added = false;
        } else if (c == ']') {
            if (pos >= t.size()) return false;
            const bool member = set.count(static_cast<unsigned char>(t[pos])) > 0;
            if (member == negated) return false;
            ++pos;
        } else if (c == '*') {
            std::size_t j = i;
            while (j + 1 < p.size() && (p[j + 1] == '*' || p[j + 1] == '?')) ++j;
            const long m = static_cast<long>(j - i);
            if (j + 1 == p.size()) {
                if (static_cast<long>(t.size() - pos) < m - 1) return false;
                pos = t.size();
                i = j;
                continue;
            }
            const char next = p[j + 1];
            std::size_t k = pos;
            if (next == '#') {
                while (k < t.size() && !digit(static_cast<unsigned char>(t[k]))) ++k;
            } else {
                while (k < t.size() && t[k] != next) ++k;
            }
            if (k >= t.size() || static_cast<long>(k - pos) < m) return false;
            pos = k + 1;
            i = j + 1;
        } else {
            if (pos >= t.size() || static_cast<unsigned char>(t[pos]) != c) return false;
            ++pos;
        }
    }
    return pos == t.size();
}

}  // namespace

TEST(Mlb2Matcher, StarRunBindsToTheFirstOccurrence) {
    EXPECT_FALSE(Match("*BEACH*", "big beach"));
    EXPECT_TRUE(Match("*BEACH*", "Trip to the beach"));
    EXPECT_TRUE(Match("*beach*", "BEACH"));
    EXPECT_FALSE(Match("*A", "banana"));
    EXPECT_TRUE(Match("*A", "bA"));
    EXPECT_TRUE(Match("*#*", "abc1"));
    EXPECT_TRUE(Match("*#*", "123"));
    EXPECT_FALSE(Match("*#", "a1b2"));  // bound to the first digit, text left over
}

TEST(Mlb2Matcher, EmptyAndStarOnlyPatterns) {
    EXPECT_TRUE(Match("**", ""));
    EXPECT_TRUE(Match("**", "anything at all"));
    EXPECT_TRUE(Match("*", ""));
    EXPECT_TRUE(Match("", ""));
    EXPECT_FALSE(Match("", "a"));
    // A closing run needs one character fewer than its minimum: "*?" takes the empty text.
    EXPECT_TRUE(Match("*?", ""));
    EXPECT_FALSE(Match("*??", ""));
    EXPECT_TRUE(Match("*??", "x"));
    // A run before a character must skip at least its minimum.
    EXPECT_FALSE(Match("*?a", "a"));
    EXPECT_TRUE(Match("*?a", "xa"));
    EXPECT_FALSE(Match("*?#", "1"));
    EXPECT_TRUE(Match("*?#", "x1"));
}

TEST(Mlb2Matcher, CaseFoldsOnlyAsciiLetters) {
    EXPECT_TRUE(Match("a", "A"));
    EXPECT_TRUE(Match("A", "a"));
    EXPECT_FALSE(Match("\xC9", "\xE9"));  // E acute, upper and lower, in the ANSI code page
    EXPECT_TRUE(Match("\xE9", "\xE9"));
    EXPECT_FALSE(Match("a b", "ab"));  // spaces count
    EXPECT_TRUE(Match("?#?", "a1B"));
    EXPECT_FALSE(Match("#", "x"));
    EXPECT_FALSE(Match("?", ""));
}

TEST(Mlb2Matcher, SetsRangesAndNegation) {
    EXPECT_TRUE(Match("[!a]", "b"));
    EXPECT_FALSE(Match("[!a]", "A"));
    EXPECT_TRUE(Match("[a-c]x", "Bx"));
    EXPECT_FALSE(Match("[a-c]", "d"));
    EXPECT_TRUE(Match("[c-a]", "c"));    // a reversed range adds nothing beyond its start
    EXPECT_FALSE(Match("[c-a]", "b"));
    EXPECT_TRUE(Match("[a-c-e]", "e"));  // the range start stays "a"
    EXPECT_TRUE(Match("[-a]", "-"));     // "-" first is a member
    EXPECT_TRUE(Match("[a!]", "!"));     // "!" after a member is a member
    EXPECT_TRUE(Match("[!]", "z"));      // negated empty set: any one character
    EXPECT_FALSE(Match("[]", "z"));
    EXPECT_TRUE(Match("[*?#]", "?"));    // wildcards are plain members inside a set
    EXPECT_TRUE(Match("[ab]]", "ab"));   // a bare "]" tests the most recent set again
    EXPECT_FALSE(Match("]", "a"));       // no set built yet: the empty set
    EXPECT_TRUE(Match("x[ab", "x"));     // an unterminated set consumes nothing
    EXPECT_FALSE(Match("x[ab", "xa"));
    EXPECT_TRUE(Match("*[", "ab["));     // after a run, "[" is a literal
    EXPECT_FALSE(Match("*[a]", "[ab"));  // ... so "a" follows literally and "]" tests the empty set
}

TEST(Mlb2Matcher, SeekLikeAgreesWithMatch) {
    TMlb2 t;
    t.AddField("Keys");
    const std::vector<std::string> values = {"big beach", "trip to the beach", "BEACH", "", "beach 2"};
    for (const auto& v : values) {
        t.AppendRecord();
        t.SetValue("Keys", v);
    }
    std::vector<int> found;
    t.First();
    t.BeginSeek(TSeekDirection::Forward);
    while (t.Seek("Keys", "LIKE", "*beach*")) found.push_back(t.CurrentIndex());
    t.EndSeek();
    EXPECT_EQ(found, (std::vector<int>{2, 3, 5}));
}

TEST(Mlb2Matcher, CompiledFormAgreesWithDirectWalk) {
    std::mt19937 rng(12345);
    const std::string patternChars = "ab*?#[]!-Bc1 ";
    const std::string textChars = "abAB1c-[]! ";
    for (int round = 0; round < 60000; ++round) {
        std::string p, t;
        const int pl = static_cast<int>(rng() % 9);
        const int tl = static_cast<int>(rng() % 8);
        for (int i = 0; i < pl; ++i) p += patternChars[rng() % patternChars.size()];
        for (int i = 0; i < tl; ++i) t += textChars[rng() % textChars.size()];
        ASSERT_EQ(Match(p, t), WalkPattern(p, t)) << "pattern '" << p << "' text '" << t << "'";
    }
}
