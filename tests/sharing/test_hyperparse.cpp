#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>

#include "StepwiseDecode.h"
#include "THyperParse.h"
#include "TestSupport.h"

using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

THyperParse Parse(const std::string& bytes) {
    THyperParse p;
    p.ExecuteBytes(bytes);
    return p;
}

// The decoder's result, checked against the step-by-step reference on every case.
std::string Decode(std::string text) {
    const std::string expected = stepwise::Decoded(text);
    THyperParse::DecodeEntities(text);
    EXPECT_EQ(text, expected);
    return text;
}

// A compact picture of the token list: tags as <NAME>, text as [text].
std::string Shape(const THyperParse& p) {
    std::string out;
    for (int i = 0; i < p.Count(); ++i) {
        const THtmlInfo& t = p.Items(i);
        out += t.IsTag() ? "<" + t.TagName() + ">" : "[" + t.Text() + "]";
    }
    return out;
}

const char* kAlbumHead =
    "<?xml version=\"1.0\"?>\r\n"
    "\r\n"
    "<album>\r\n"
    "  <settings>\r\n"
    "    <ver>1</ver>\r\n"
    "    <name>Trip</name>\r\n"
    "    <icon>3</icon>\r\n"
    "  </settings>\r\n";

}  // namespace

TEST(HyperParse, FirstTokensOfAnAlbumIndex) {
    THyperParse p = Parse(kAlbumHead);
    ASSERT_GE(p.Count(), 8);
    EXPECT_TRUE(p.Items(0).IsTag());
    EXPECT_EQ(p.Items(0).TagName(), "?XML");
    EXPECT_EQ(p.Items(1).TagName(), "ALBUM");
    EXPECT_FALSE(p.Items(2).IsTag());
    EXPECT_EQ(p.Items(2).Text(), " ");
    EXPECT_EQ(p.Items(3).TagName(), "SETTINGS");
    EXPECT_EQ(p.Items(4).Text(), "   ");
    EXPECT_EQ(p.Items(5).TagName(), "VER");
    EXPECT_FALSE(p.Items(6).IsTag());
    EXPECT_EQ(p.Items(6).Text(), "1");
    EXPECT_EQ(p.Items(7).TagName(), "/VER");
    EXPECT_EQ(Shape(p), "<?XML><ALBUM>[ ]<SETTINGS>[   ]<VER>[1]</VER>[   ]<NAME>[Trip]</NAME>[   ]"
                        "<ICON>[3]</ICON>[ ]</SETTINGS>");
    // Text tokens have no tag name and no parameters; tags keep their raw text.
    EXPECT_EQ(p.Items(6).TagName(), "");
    EXPECT_TRUE(p.Items(6).Params().empty());
    EXPECT_EQ(p.Items(7).Text(), "/ver");
}

TEST(HyperParse, DeclarationParameters) {
    THyperParse p = Parse("<?xml version=\"1.0\"?>");
    ASSERT_EQ(p.Count(), 1);
    const auto& params = p.Items(0).Params();
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(params[0].Raw, "version=\"1.0\"");
    EXPECT_EQ(params[0].Name, "version");
    EXPECT_EQ(params[0].Value, "1.0");
    EXPECT_EQ(params[1].Raw, "?");
    EXPECT_EQ(params[1].Name, "?");
    EXPECT_EQ(params[1].Value, "");
    EXPECT_EQ(p.Items(0).Text(), "?xml version=\"1.0\"?");
}

TEST(HyperParse, AttributeWords) {
    THyperParse p = Parse("<img alt=\"a b = c\" width=12 border class='x y' checked>");
    const auto& params = p.Items(0).Params();
    ASSERT_EQ(params.size(), 6u);
    EXPECT_EQ(params[0].Raw, "alt=\"a b = c\"");
    EXPECT_EQ(params[0].Value, "a b = c");
    EXPECT_EQ(params[1].Name, "width");
    EXPECT_EQ(params[1].Value, "12");
    EXPECT_EQ(params[2].Raw, "border");
    EXPECT_EQ(params[2].Value, "");
    EXPECT_EQ(params[3].Raw, "class='x");  // single quotes are ordinary bytes
    EXPECT_EQ(params[4].Raw, "y'");
    EXPECT_EQ(params[5].Raw, "checked");
    EXPECT_EQ(p.Items(0).TagName(), "IMG");

    // Quotes inside a value are removed wherever they stand; the name keeps its case.
    THtmlParameter q = THyperParse::SplitParam("Ti=\"a\"b\"");
    EXPECT_EQ(q.Name, "Ti");
    EXPECT_EQ(q.Value, "ab");
    THtmlParameter r = THyperParse::SplitParam("a=b=c");
    EXPECT_EQ(r.Name, "a");
    EXPECT_EQ(r.Value, "b=c");

    // An empty quoted value is complete after its two quotes; an unclosed one runs to the end.
    THyperParse e = Parse("<a x=\"\" y=\"open to the end>");
    ASSERT_EQ(e.Items(0).Params().size(), 2u);
    EXPECT_EQ(e.Items(0).Params()[0].Raw, "x=\"\"");
    EXPECT_EQ(e.Items(0).Params()[1].Raw, "y=\"open to the end");
    // A trailing space ends the attributes; several spaces between words are skipped.
    THyperParse s = Parse("<a   b   c >");
    EXPECT_EQ(s.Items(0).Params().size(), 2u);
    EXPECT_EQ(s.Items(0).TagName(), "A");
    // Upper-casing touches ASCII letters only.
    EXPECT_EQ(Parse("<n\xe4me>").Items(0).TagName(), "N\xe4ME");
}

TEST(HyperParse, ReadWordStopsAtTheEnd) {
    std::size_t pos = 1;
    EXPECT_EQ(THyperParse::ReadWord("a=\"", pos), "a=\"");
    EXPECT_EQ(pos, 4u);
    pos = 1;
    EXPECT_EQ(THyperParse::ReadWord("=", pos), "=");
    pos = 3;
    EXPECT_EQ(THyperParse::ReadWord("ab ", pos), "");
}

TEST(HyperParse, ElementsAndWhitespace) {
    EXPECT_EQ(Shape(Parse("<name>Summer trip</name>")), "<NAME>[Summer trip]</NAME>");
    EXPECT_EQ(Shape(Parse("<taker></taker>")), "<TAKER></TAKER>");
    // A line break followed by tabs only makes no token; n spaces make n - 1.
    EXPECT_EQ(Shape(Parse("<a>\r\n\t\t<b>")), "<A><B>");
    EXPECT_EQ(Shape(Parse("<a>\r\n    <b>")), "<A>[   ]<B>");
    // A run beginning with "!" or a space loses that byte; control bytes inside are dropped.
    EXPECT_EQ(Shape(Parse("<a>!bang</a>")), "<A>[bang]</A>");
    EXPECT_EQ(Shape(Parse("<a> two</a>")), "<A>[two]</A>");
    EXPECT_EQ(Shape(Parse("<a>x\r\ny\tz</a>")), "<A>[xyz]</A>");
    // 0x15 .. 0x1F open a text run without being kept; lower bytes open nothing.
    EXPECT_EQ(Shape(Parse("<a>\x15q</a>")), "<A>[q]</A>");
    EXPECT_EQ(Shape(Parse("<a>\x14q</a>")), "<A>[q]</A>");
    EXPECT_EQ(Shape(Parse("<a>\x15</a>")), "<A>[]</A>");
    EXPECT_EQ(Shape(Parse("<a>\x14</a>")), "<A></A>");
    // Control bytes inside a tag are dropped from its text.
    EXPECT_EQ(Parse("<na\r\nme>").Items(0).Text(), "name");
}

TEST(HyperParse, StrayBrackets) {
    // A "<" inside a tag is dropped; ">" outside one ends the text run and is dropped.
    EXPECT_EQ(Shape(Parse("<a<b>")), "<AB>");
    EXPECT_EQ(Shape(Parse("x>y")), "[x][y]");
    EXPECT_EQ(Shape(Parse("<a>>b")), "<A>[b]");
    EXPECT_EQ(Shape(Parse("text < more>tail")), "[text ]<MORE>[tail]");
    // A tag left open at the end is still completed and parsed.
    THyperParse open = Parse("<note x=1");
    ASSERT_EQ(open.Count(), 1);
    EXPECT_EQ(open.Items(0).TagName(), "NOTE");
    EXPECT_EQ(open.Items(0).Params().size(), 1u);
    // A NUL ends the document.
    EXPECT_EQ(Shape(Parse(std::string("<a>b\0<c>", 8))), "<A>[b]");
    EXPECT_EQ(Parse("").Count(), 0);
    EXPECT_EQ(Shape(Parse("no tags at all")), "[no tags at all]");
}

TEST(HyperParse, Comments) {
    THyperParse p = Parse("<!-- hello -->");
    ASSERT_EQ(p.Count(), 1);
    EXPECT_EQ(p.Items(0).TagName(), "!--");
    ASSERT_EQ(p.Items(0).Params().size(), 1u);
    EXPECT_EQ(p.Items(0).Params()[0].Raw, "hello");
    EXPECT_EQ(p.Items(0).Params()[0].Name, "");
    EXPECT_EQ(p.Items(0).Params()[0].Value, "");

    for (const char* dashes : {"<!---->", "<!------>", "<!-->", "<!-- - -->"}) {
        THyperParse d = Parse(dashes);
        ASSERT_EQ(d.Items(0).Params().size(), 1u) << dashes;
        EXPECT_EQ(d.Items(0).Params()[0].Raw, "") << dashes;
    }
    THyperParse words = Parse("<!-- a=1 b=\"2\" -->");
    ASSERT_EQ(words.Items(0).Params().size(), 1u);
    EXPECT_EQ(words.Items(0).Params()[0].Raw, "a=1 b=\"2\"");
}

TEST(HyperParse, NumericReferences) {
    EXPECT_EQ(Decode("&#65;"), "A");
    EXPECT_EQ(Decode("&#x41;"), "A");
    EXPECT_EQ(Decode("&#X41;"), "A");
    for (int i = 0; i < 32; ++i) EXPECT_EQ(Decode("&#" + std::to_string(i) + ";"), " ") << i;
    EXPECT_EQ(Decode("&#160;"), " ");
    EXPECT_EQ(Decode("&#255;"), "\xff");
    EXPECT_EQ(Decode("&#1234;"), "&#1234;");
    EXPECT_EQ(Decode("&#x0041;"), "&#x0041;");
    EXPECT_EQ(Decode("&#;"), "&#;");
    EXPECT_EQ(Decode("&#x;"), "&#x;");
    EXPECT_EQ(Decode("&#4a;"), "&#4a;");
    // Out of the byte range: left as written.
    EXPECT_EQ(Decode("&#999;"), "&#999;");
    EXPECT_EQ(Decode("&#-1;"), "&#-1;");
    // A space ends a numeric reference and goes with it.
    EXPECT_EQ(Decode("&#38 x"), "&x");
    EXPECT_EQ(Decode("a&#66;c&#67;"), "aBcC");
}

TEST(HyperParse, NamedReferences) {
    EXPECT_EQ(Decode("&nbsp;"), " ");
    EXPECT_EQ(Decode("&copy;"), "\xa9");
    EXPECT_EQ(Decode("&Auml;&auml;&yuml;&iexcl;"), "\xc4\xe4\xff\xa1");
    EXPECT_EQ(Decode("a &lt; b &amp;&amp; c &gt; d &quot;q&quot;"), "a < b && c > d \"q\"");
    EXPECT_EQ(Decode("& b"), "& b");
    EXPECT_EQ(Decode("&T;"), "&T;");
    EXPECT_EQ(Decode("&AMP;"), "&AMP;");
    EXPECT_EQ(Decode("&copy b"), "&copy b");
    EXPECT_EQ(Decode("&amp"), "&amp");
    // A second "&" restarts the reference.
    EXPECT_EQ(Decode("&a&lt;"), "&a<");
    // Decoding never decodes its own output.
    EXPECT_EQ(Decode("&amp;lt;"), "&lt;");
    EXPECT_EQ(Decode("&amp;amp;"), "&amp;");
    EXPECT_EQ(Decode("&#38;#65;"), "&#65;");
    // Text tokens are decoded, tags are not.
    THyperParse p = Parse("<a t=\"&amp;\">&amp;</a>");
    EXPECT_EQ(p.Items(0).Params()[0].Value, "&amp;");
    EXPECT_EQ(p.Items(1).Text(), "&");
}

TEST(HyperParse, Tables) {
    const auto& table = THyperParse::EntityTable();
    ASSERT_EQ(table.size(), 100u);
    EXPECT_STREQ(table[0].name, "&quot;");
    EXPECT_STREQ(table[0].numeric, "&#34;");
    EXPECT_STREQ(table[1].name, "&amp;");
    EXPECT_STREQ(table[2].numeric, "&#60;");
    EXPECT_STREQ(table[3].name, "&gt;");
    EXPECT_STREQ(table[4].name, "&nbsp;");
    EXPECT_STREQ(table[4].numeric, "&#160;");
    EXPECT_STREQ(table[5].name, "&iexcl;");
    EXPECT_STREQ(table[5].numeric, "&#161;");
    EXPECT_STREQ(table[42].name, "&AElig;");  // 198
    EXPECT_STREQ(table[42].numeric, "&#198;");
    EXPECT_STREQ(table[99].name, "&yuml;");
    EXPECT_STREQ(table[99].numeric, "&#255;");
    for (std::size_t i = 5; i < table.size(); ++i)
        EXPECT_EQ(std::string(table[i].numeric), "&#" + std::to_string(156 + i) + ";");
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(THyperParse::CharTable(c), (c < 32 || c == 160) ? 32 : c) << c;
}

TEST(HyperParse, FileReadingAppendsAndReportsProgress) {
    TempDir dir;
    THyperParse p;
    p.SetFileName(dir.file("missing.xml"));
    EXPECT_FALSE(p.Execute());
    EXPECT_EQ(p.Count(), 0);
    EXPECT_THROW(p.Items(0), std::out_of_range);

    std::string big;
    for (int i = 0; i < 2000; ++i) big += "<p>" + std::to_string(i) + "</p>\r\n";
    WriteAll(dir.file("a.xml"), big);
    int calls = 0;
    p.SetFileName(dir.file("a.xml"));
    EXPECT_EQ(p.FileName(), dir.file("a.xml"));
    p.SetProgress([&] { ++calls; });
    ASSERT_TRUE(p.Execute());
    EXPECT_EQ(p.Count(), 6000);
    EXPECT_GE(calls, int(big.size() / 8192));
    EXPECT_EQ(p.Items(4).Text(), "1");
    ASSERT_TRUE(p.Execute());  // tokens are appended, not replaced
    EXPECT_EQ(p.Count(), 12000);
    EXPECT_THROW(p.Items(12000), std::out_of_range);
    EXPECT_THROW(p.Items(-1), std::out_of_range);
    EXPECT_EQ(p.Items(11999).TagName(), "/P");
}

// The one-pass decoder gives byte for byte what the step-by-step rules give, on every fuzzing
// input of the tokenizer and the receiver, and on random texts made mostly of reference pieces.
TEST(HyperParse, DecoderAgreesWithTheStepwiseRules) {
    std::size_t files = 0;
    for (const char* corpus : {"hyperparse", "receive"}) {
        const std::filesystem::path folder = std::filesystem::path(LUMAVELL_FUZZ_CORPUS) / corpus;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            std::string bytes = testsupport::ReadAll(entry.path().string());
            bytes.resize(std::min<std::size_t>(bytes.size(), 20000));
            Decode(bytes);
            ++files;
        }
    }
    EXPECT_GT(files, 4u);

    const std::vector<std::string> pieces = {
        "&", ";", " ", "#", "x", "X", "amp", "lt", "gt", "quot", "nbsp", "copy", "Auml", "yuml", "AMP",
        "0", "1", "3", "8", "9", "38", "65", "255", "256", "-", "+", "a", "F", "&amp;", "&#", "&#x",
        "\xa0", "\x01", "\xff", "Z"};
    std::mt19937 random(20261210);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) text += pieces[random() % pieces.size()];
        Decode(text);
    }
}

// A text of millions of references decodes completely; the step-by-step replacement in place
// took minutes for this.
TEST(HyperParse, ManyReferencesDecodeInOnePass) {
    std::string text;
    for (int i = 0; i < 3000000; ++i) text += "&amp;";
    THyperParse::DecodeEntities(text);
    EXPECT_EQ(text, std::string(3000000, '&'));
    THyperParse p = Parse("<note>" + std::string(200000, '&') + "#38;" + "&lt;</note>");
    ASSERT_EQ(p.Count(), 3);
    EXPECT_EQ(p.Items(1).Text(), std::string(199999, '&') + "&<");
}
