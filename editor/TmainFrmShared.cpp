// The small helpers the files of the main window share.
#include "editor/TmainFrmShared.h"

#include "common/Platform.h"

#include <cerrno>
#include <cstring>

namespace mainform {

QString elided(const QString& text, int length) {
    if (text.size() <= length) return text;
    const int head = (length - 1) / 2, tail = length - 1 - head;
    return text.left(head) + QChar(0x2026) + text.right(tail);
}

std::string fileNameOf(const std::string& path) {
    const size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string withoutExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string datumShiftFileName(const std::string& name) {
    return name.find('.') == std::string::npos ? name + ".lls" : name;
}

std::string readText(IBayrunProfile* profile, const char* key, const char* def) {
    char buffer[kValueBuffer];
    profile->ReadString(kValueBuffer, buffer, kSection, key, def);
    return buffer;
}

OwnedProfile newProfile() {
    OwnedProfile p(bayrun::make<IBayrunProfile>(IID_IBayrunProfile));
    if (!p) throw std::runtime_error("The runtime cannot provide a profile.");
    return p;
}

std::string writeFailureReason(const std::string& path, int lastError) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (path.empty()) return "no project is open";
    if (!platform::isDirectory(folder)) return "its folder " + folder + " does not exist";
    if (platform::pathExists(path)) {
        if (!platform::isRegularFile(path)) return "it is not a regular file";
        if (!platform::mayWrite(path)) return std::strerror(errno);
    }
    if (!platform::mayWrite(folder)) return "its folder " + folder + ": " + std::strerror(errno);
    if (lastError != 0) return std::strerror(lastError);
    return "the file system refused the new file";
}

std::string writeFailure(const std::string& path, int lastError) {
    return "The parameter file " + elided(QString::fromStdString(path)).toStdString() +
           " could not be written: " + writeFailureReason(path, lastError) + ".";
}

void replaceSection(IBayrunProfile* target, const std::function<void(IBayrunProfile*)>& write,
                    const std::string& targetPath) {
    const std::string folder = bayrun::environment()->GetFolderA(kBayrunFolderWorking, 0);
    const std::string staged = platform::createTempFile(folder, "corvane-", ".ini");
    if (staged.empty())
        throw std::runtime_error("The parameter file could not be written: no room in " +
                                 elided(QString::fromStdString(folder)).toStdString() + ".");
    struct Remove {
        const std::string& path;
        ~Remove() { platform::removeFile(path); }
    } remove{staged};
    OwnedProfile scratch = newProfile();
    scratch->Open(staged.c_str());
    write(scratch.get());
    errno = 0;
    if (!target->ReplaceSection(kSection, scratch.get())) {
        const int lastError = errno;
        throw std::runtime_error(writeFailure(targetPath, lastError));
    }
}

}  // namespace mainform
