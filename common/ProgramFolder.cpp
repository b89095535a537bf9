#include "common/ProgramFolder.h"

#include <mutex>

#include "common/Platform.h"
#include "common/Text.h"

namespace {
std::mutex folderMutex;
std::string folder;  // empty: not computed yet

bool endsWithX64(const std::string& s) {
    if (s.size() < 4) return false;
    const char* t = s.c_str() + s.size() - 4;
    return t[0] == '/' && (t[1] == 'x' || t[1] == 'X') && t[2] == '6' && t[3] == '4';
}
}  // namespace

std::string resolveProgramFolder(const std::string& executablePath, const std::string& suiteVariable) {
    std::string dir = executablePath;
    size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? std::string() : dir.substr(0, slash);
    // A host in an "x64" sub-folder belongs to the suite in its parent folder.
    if (endsWithX64(dir)) dir.resize(dir.size() - 4);
    if (!dir.empty() && platform::pathExists(dir + "/pelagix")) return dir;
    // Relative, the variable would name another folder whenever the host changes its own.
    return platform::absolutePath(suiteVariable);
}

std::string programFolder() {
    std::lock_guard<std::mutex> lock(folderMutex);
    if (folder.empty())
        folder = resolveProgramFolder(platform::executablePath(), platform::environment("KVT_PELAGIX"));
    return folder;
}

std::string suitePath(const std::string& root, const std::string& relative) {
    return root.empty() ? std::string() : root + "/" + relative;
}

std::string suiteFile(const std::string& relative) { return suitePath(programFolder(), relative); }

std::u16string programFolderW() { return toUtf16(programFolder()); }

void resetProgramFolder() {
    std::lock_guard<std::mutex> lock(folderMutex);
    folder.clear();
}
