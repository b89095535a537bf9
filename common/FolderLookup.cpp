#include "common/FolderLookup.h"

#include "common/Platform.h"
#include "common/Text.h"

std::string findInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty()) return {};
    std::string exact = folder + "/" + name;
    if (name.empty() || platform::pathExists(exact)) return exact;
    for (const std::string& entry : platform::folderEntries(folder))
        if (equalsIgnoringAsciiCase(entry, name)) return folder + "/" + entry;
    return exact;
}
