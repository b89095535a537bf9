// The project the user worked on last: "LastProject" in the section "General" of "pelagix.ini" in
// the suite's program folder, with the project's folder, parameter file and name derived from it.
//
// The value is either a project name (its folder is "<program folder>/Projects/<name>" and its
// file "<name>.ini" in there) or the full path of the project's parameter file; a value holding
// '\' or '/' is a path, since stored values may be Windows paths. A missing file or key reads as
// an empty name. Without a program folder there is no project: folder and file are empty. Every
// call reads the file anew; results are returned by value, so the functions may be called from
// several threads.
#pragma once

#include <string>

struct LastProject {
    std::string folder;  // without a trailing separator, except "<program folder>/Projects/" for an empty name
    std::string file;
    std::string name;
};

// The rule, for a given "LastProject" value and program folder.
LastProject lastProjectOf(const std::string& value, const std::string& programFolder);
// Reads the value from "<folder>/pelagix.ini" and applies the rule; no project without a folder.
LastProject lastProjectIn(const std::string& folder);
// The same in the program folder.
LastProject lastProject();

std::string projectFolder();
std::string projectFile();
std::string projectName();
std::u16string projectFolderW();
std::u16string projectFileW();
std::u16string projectNameW();
