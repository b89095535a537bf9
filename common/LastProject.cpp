#include "common/LastProject.h"

#include "common/Profile.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"

LastProject lastProjectOf(const std::string& value, const std::string& programFolder) {
    LastProject project;
    size_t separator = value.find_last_of("\\/");
    if (separator != std::string::npos) {
        project.folder = value.substr(0, separator);
        project.file = value;
        std::string stem = value.substr(separator + 1);
        size_t dot = stem.rfind('.');
        project.name = dot == std::string::npos ? stem : stem.substr(0, dot);
    } else {
        project.folder = suitePath(programFolder, "Projects/" + value);
        // An empty name leaves the folder ending in '/': no second separator before ".ini".
        if (!project.folder.empty()) project.file = project.folder + (value.empty() ? "" : "/") + value + ".ini";
        project.name = value;
    }
    return project;
}

LastProject lastProjectIn(const std::string& folder) {
    // Without a suite there is no configuration to read, and no project.
    if (folder.empty()) return {};
    Pelagix::Profile suite(suitePath(folder, "pelagix.ini").c_str());
    return lastProjectOf(suite.getString("LastProject", "General", ""), folder);
}

LastProject lastProject() { return lastProjectIn(programFolder()); }

std::string projectFolder() { return lastProject().folder; }
std::string projectFile() { return lastProject().file; }
std::string projectName() { return lastProject().name; }
std::u16string projectFolderW() { return toUtf16(projectFolder()); }
std::u16string projectFileW() { return toUtf16(projectFile()); }
std::u16string projectNameW() { return toUtf16(projectName()); }
