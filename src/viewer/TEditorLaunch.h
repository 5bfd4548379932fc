#pragma once
// Which program "Edit Image" starts, and how. The stored editor setting names a program; its
// built-in default names a Windows program that cannot exist here, so for that default (or an
// empty setting) the first common image editor found on the PATH is used, and failing that the
// desktop's own application for the file, which is not waited for.

#include <functional>
#include <string>
#include <vector>

namespace viewer {

// The editor setting's default.
inline constexpr const char* kDefaultImageEditor = "c:\\windows\\system32\\mspaint.exe";

// Whether an editor setting means the default editor: empty, blank or the stored default.
bool IsDefaultEditorSetting(const std::string& editorProgram);

// The editors looked for, in order, when the setting is the default or empty.
const std::vector<std::string>& CommonImageEditors();

struct TEditorLaunch {
    std::string program;            // what is started (a full path where one was found)
    std::vector<std::string> args;  // the photo's path, as one argument
    bool wait = true;               // wait for the program to end before showing the photo anew
    std::string name;               // the program as the user knows it, for messages
};

// editorProgram: the editor setting as the selection took it; photoPath: the photo's file.
// find gives a program's full path on the PATH, "" when there is none. A program named without
// a folder is looked up on the PATH; one that is not found is still returned (its start then
// fails and the user is told).
TEditorLaunch ResolveEditor(const std::string& editorProgram, const std::string& photoPath,
                            const std::function<std::string(const std::string&)>& find);

// The editor parameters as the selection made them (the path with a double quote before and
// after) back to the path.
std::string UnquotedPath(const std::string& parameters);

}  // namespace viewer
