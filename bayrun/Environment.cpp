#include "bayrun/Environment.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>

#include "common/DebugLog.h"
#include "common/LastProject.h"
#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"

namespace {

constexpr char kSuiteVariable[] = "KVT_PELAGIX";
constexpr char kSettingsFile[] = "/Corvane.ini";
constexpr char kWorkingSubfolder[] = "/pelagix";

std::string dataRoot() {
    return resolveProgramFolder(platform::executablePath(), platform::environment(kSuiteVariable));
}

LastProject currentProject() { return lastProjectIn(dataRoot()); }

std::string workingFolder() {
    std::string base = platform::environment("XDG_CONFIG_HOME");
    if (base.empty()) {
        const std::string home = platform::environment("HOME");
        if (home.empty()) return {};
        base = home + "/.config";
    }
    const std::string folder = base + kWorkingSubfolder;
    platform::makeDirectories(folder);
    return folder;
}

}  // namespace

std::string Environment::folder(int id) {
    switch (id) {
    case kBayrunFolderDataRoot:
    case kBayrunFolderDialogData:
        return dataRoot();
    case kBayrunFolderProject: {
        std::string f = currentProject().folder;
        while (f.size() > 1 && f.back() == '/') f.pop_back();
        return f;
    }
    case kBayrunFolderWorking:
    case kBayrunFolderSettings:
        return workingFolder();
    default:
        return {};
    }
}

std::string Environment::geodesyProfilePath() { return currentProject().file; }

std::string Environment::settingsProfilePath() {
    const std::string folder = workingFolder();
    return folder.empty() ? std::string() : folder + kSettingsFile;
}

const char* Environment::GetFolderA(int id, int trailingSeparator) {
    narrowFolder = folder(id);
    if (trailingSeparator && !narrowFolder.empty()) narrowFolder += '/';
    return narrowFolder.c_str();
}

const char16_t* Environment::GetFolderW(char16_t* buffer, int size, int id) {
    wideFolder = toUtf16(folder(id));
    if (!buffer) return wideFolder.c_str();
    if (size < 1) return buffer;
    const size_t n = std::min(wideFolder.size(), size_t(size - 1));
    wideFolder.copy(buffer, n);
    buffer[n] = u'\0';
    return buffer;
}

IBayrunProfile* Environment::GetProfile(int id) {
    std::string path;
    if (id == kBayrunProfileGeodesy)
        path = geodesyProfilePath();
    else if (id == kBayrunProfileSettings)
        path = settingsProfilePath();
    else
        return nullptr;
    auto& slot = profiles[id];
    if (!slot) slot = std::make_unique<RuntimeProfile>(false);
    // Re-attached at every call: the last project may have changed since.
    slot->Open(path.c_str());
    return slot.get();
}

bool Environment::ShowHelp(void* window, const char* file, int command) {
    const std::string path = suitePath(dataRoot(), file ? file : "");
    debugLog("Bayrun help %s (command %d)", path.c_str(), command);
    if (file && *file && platform::isRegularFile(path) &&
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path))))
        return true;
    QMessageBox::information(static_cast<QWidget*>(window), QStringLiteral("Help"),
                             QStringLiteral("Help is not available: %1 cannot be opened.")
                                 .arg(QString::fromStdString(file ? file : "")));
    return false;
}
