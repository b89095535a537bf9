// The small helpers the files of the main window share.
#include "editor/TmainFrmShared.h"

#include "common/Platform.h"

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

void replaceSection(IBayrunProfile* target, const std::function<void(IBayrunProfile*)>& write) {
    const std::string folder = bayrun::environment()->GetFolderA(kBayrunFolderWorking, 0);
    const std::string staged = platform::createTempFile(folder, "corvane-", ".ini");
    if (staged.empty()) throw std::runtime_error("The parameter file could not be written: no room in " + folder + ".");
    struct Remove {
        const std::string& path;
        ~Remove() { platform::removeFile(path); }
    } remove{staged};
    OwnedProfile scratch = newProfile();
    scratch->Open(staged.c_str());
    write(scratch.get());
    if (!target->ReplaceSection(kSection, scratch.get())) throw std::runtime_error("The parameter file could not be written.");
}

}  // namespace mainform
