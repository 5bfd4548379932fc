#pragma once
// THyperParse: reads a small markup document (HTML- or XML-like bytes) and turns it into a flat,
// ordered list of tokens, tags and text runs. It builds no tree, checks no nesting and never
// rejects input; a byte is a character. The receiver of shared albums walks the list by index,
// so which bytes open a token, which are kept and how character references are decoded are part
// of the album package format:
//
//  - "<" opens a tag token (a "<" inside a tag is dropped); ">" ends the open token, tag or text,
//    and is itself dropped.
//  - Outside a tag, with no token open, a byte of 0x15 or above opens a text token; it is kept as
//    the token's first byte only when it is above 0x21 (so a space or "!" opening a run is lost).
//  - Every other byte below 0x20 (tab, CR, LF...) is dropped; a NUL ends the document.
//  - A tag's first word, upper-cased (ASCII letters only), is its TagName; the other words are
//    its parameters. A comment tag ("!--...") holds one parameter with the comment text.
//  - A text token's character references (&name; and &#n; / &#xh; of at most three characters)
//    are decoded once; references that cannot be decoded stay as written.

#include <functional>
#include <string>
#include <vector>

// One attribute of a tag: the word as read, the part before the first "=", the part after it
// without any double quote.
struct THtmlParameter {
    std::string Raw;
    std::string Name;
    std::string Value;
};

// One token.
class THtmlInfo {
public:
    // True for a tag token (the bytes between "<" and ">"), false for a text token.
    bool IsTag() const { return isTag_; }
    // The first word of a tag, upper-cased ("/NAME" for an end tag); empty for text.
    const std::string& TagName() const { return tagName_; }
    // A tag's bytes without the brackets and control bytes; a text run after decoding.
    const std::string& Text() const { return text_; }
    // A tag's parameters in order; empty for text.
    const std::vector<THtmlParameter>& Params() const { return params_; }

private:
    friend class THyperParse;
    bool isTag_ = false;
    std::string tagName_;
    std::string text_;
    std::vector<THtmlParameter> params_;
};

class THyperParse {
public:
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& path) { fileName_ = path; }

    // Reads the file and appends its tokens (earlier tokens are kept). False, with nothing
    // appended, when the file cannot be read.
    bool Execute();
    // Tokenizes bytes held in memory, as Execute does with a file's contents.
    void ExecuteBytes(const std::string& bytes);

    int Count() const { return static_cast<int>(tokens_.size()); }
    // The token at a 0-based index; std::out_of_range outside 0 .. Count() - 1.
    const THtmlInfo& Items(int index) const;

    // Called every few kilobytes while Execute runs, so a window can keep painting.
    void SetProgress(std::function<void()> callback) { progress_ = std::move(callback); }

    // The two character tables of the decoder: 100 entity names with their numeric references,
    // in search order, and the byte each code 0 to 255 decodes to.
    struct TEntity {
        const char* name;
        const char* numeric;
    };
    static const std::vector<TEntity>& EntityTable();
    static unsigned char CharTable(int code);

    // The steps of the scanner, exposed for their own tests.
    static void ParseTag(THtmlInfo& token);
    static void DecodeEntities(std::string& text);
    static THtmlParameter SplitParam(const std::string& word);
    // One word of a tag's text from the 1-based position pos, which it advances.
    static std::string ReadWord(const std::string& text, std::size_t& pos);

private:
    void StartToken(bool tag);
    void FinishToken();

    std::string fileName_;
    std::vector<THtmlInfo> tokens_;
    bool open_ = false;  // the last token of tokens_ is still being collected
    std::function<void()> progress_;
};
