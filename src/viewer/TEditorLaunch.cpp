#include "TEditorLaunch.h"

namespace viewer {

namespace {

std::string Trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace

bool IsDefaultEditorSetting(const std::string& editorProgram) {
    const std::string text = Trimmed(editorProgram);
    return text.empty() || SameText(text, kDefaultImageEditor);
}

const std::vector<std::string>& CommonImageEditors() {
    static const std::vector<std::string> editors = {"gimp", "krita", "pinta", "kolourpaint", "mtpaint"};
    return editors;
}

TEditorLaunch ResolveEditor(const std::string& editorProgram, const std::string& photoPath,
                            const std::function<std::string(const std::string&)>& find) {
    TEditorLaunch l;
    l.args = {photoPath};
    const std::string text = Trimmed(editorProgram);
    if (IsDefaultEditorSetting(text)) {
        for (const std::string& editor : CommonImageEditors()) {
            const std::string found = find(editor);
            if (found.empty()) continue;
            l.program = found;
            l.name = editor;
            return l;
        }
        // The desktop's application for the file; xdg-open returns at once, so there is
        // nothing to wait for.
        const std::string opener = find("xdg-open");
        l.program = opener.empty() ? "xdg-open" : opener;
        l.name = "xdg-open";
        l.wait = false;
        return l;
    }
    l.name = text;
    l.program = text;
    if (text.find('/') == std::string::npos) {
        const std::string found = find(text);
        if (!found.empty()) l.program = found;
    }
    return l;
}

std::string UnquotedPath(const std::string& parameters) {
    if (parameters.size() >= 2 && parameters.front() == '"' && parameters.back() == '"')
        return parameters.substr(1, parameters.size() - 2);
    return parameters;
}

}  // namespace viewer
