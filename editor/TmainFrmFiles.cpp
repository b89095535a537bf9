// The main window: custom grids, model files, the time-variable parameters and the export's start.
#include "editor/TmainFrm.h"

#include "common/FolderLookup.h"
#include "common/Platform.h"
#include "common/Profile.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "editor/TmainFrmShared.h"
#include "ui_TmainFrm.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace mainform;

namespace {

// One of the runtime's file dialogs, owned by `owner`, starting from `initial`: true and the
// chosen path when a file was chosen. The dialog object stays with the runtime.
bool chooseFile(QWidget* owner, bool save, const std::u16string& start, const QString& filter, const QString& title,
                const char16_t* extension, const std::u16string& initial, std::u16string& chosen) {
    auto* dialog = bayrun::make<IBayrunFileDialog>(IID_IBayrunFileDialog);
    if (!dialog) return false;
    std::vector<char16_t> path(kPathBuffer, u'\0');
    initial.copy(path.data(), std::min(initial.size(), size_t(kPathBuffer - 1)));
    const std::u16string f = filter.toStdU16String();
    const std::u16string t = title.toStdU16String();
    const bool ok = save ? dialog->SaveFile(owner, start.c_str(), f.c_str(), t.c_str(), extension, path.data(), kPathBuffer)
                         : dialog->OpenFile(owner, start.c_str(), f.c_str(), t.c_str(), extension, path.data(), kPathBuffer);
    if (ok) chosen = path.data();
    return ok;
}

// Bytes read at a time when comparing or copying files, and looked at to tell text from binary.
constexpr size_t kCopyBlock = 65536;

// A file the editor may replace with a custom grid: empty, or text holding a section "Geodesy".
bool isParameterFile(const std::string& path) {
    if (!platform::isRegularFile(path)) return false;
    std::FILE* f = platform::openForReading(path);
    if (!f) return false;
    char head[kCopyBlock];
    const size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (n == 0) return true;
    if (std::memchr(head, '\0', n)) return false;
    return Pelagix::Profile(path.c_str()).hasSection(kSection);
}

// True when both files hold the same bytes (read in blocks: a grid may be large).
bool sameContent(const std::string& a, const std::string& b) {
    std::FILE* fa = platform::openForReading(a);
    std::FILE* fb = platform::openForReading(b);
    bool same = fa && fb;
    while (same) {
        char ba[kCopyBlock], bb[kCopyBlock];
        const size_t na = std::fread(ba, 1, sizeof ba, fa), nb = std::fread(bb, 1, sizeof bb, fb);
        same = na == nb && std::memcmp(ba, bb, na) == 0 && !std::ferror(fa) && !std::ferror(fb);
        if (na < sizeof ba) break;
    }
    if (fa) std::fclose(fa);
    if (fb) std::fclose(fb);
    return same;
}

// Puts a copy of `from` in the place of `to` in one step, through the platform's replacement (a
// reader sees the old file or the whole new one; an existing target keeps its owner and mode).
// `onlyNew`: a target that exists, or appears meanwhile, is left as it is (errno EEXIST). False
// on failure, with errno holding the reason.
bool copyInto(const std::string& from, const std::string& to, bool onlyNew) {
    platform::Rewrite rewrite(to);
    if (onlyNew && rewrite.state() != platform::RewriteTarget::Missing) {
        errno = EEXIST;
        return false;
    }
    errno = 0;
    std::FILE* out = rewrite.begin();
    if (!out) {
        if (errno == 0) errno = EACCES;
        return false;
    }
    std::FILE* in = platform::openForReading(from);
    bool copied = in != nullptr;
    while (copied) {
        char block[kCopyBlock];
        const size_t n = std::fread(block, 1, sizeof block, in);
        copied = !std::ferror(in) && std::fwrite(block, 1, n, out) == n;
        if (n < sizeof block) break;
    }
    if (in) std::fclose(in);
    if (!copied) {
        if (errno == 0) errno = EIO;
        return false;
    }
    switch (rewrite.commit()) {
    case platform::Rewrite::Result::Done:
        return true;
    case platform::Rewrite::Result::Exists:
        errno = EEXIST;
        return false;
    default:
        if (errno == 0) errno = EIO;
        return false;
    }
}

}  // namespace

std::string TmainFrm::datumFolder() { return suitePath(dataRoot(), kDatumFolder); }

bool TmainFrm::placeInDatumFolder(const std::string& chosenPath, const QString& title) {
    // The library looks for a datum-shift file or a geoid model by its name, in the datum folder
    // only: a file kept elsewhere would be saved as a name that finds nothing, or another file.
    const std::string folder = datumFolder();
    const std::string name = fileNameOf(chosenPath);
    const std::string target = findInFolder(folder, name);
    if (platform::sameFile(chosenPath, target)) return true;
    const QString shownName = elided(QString::fromStdString(name));
    const QString shownFolder = elided(QString::fromStdString(folder));
    if (platform::pathExists(target)) {
        if (sameContent(chosenPath, target)) return true;
        showError(QStringLiteral("A different file named %1 is already in the datum folder %2, where the library "
                                 "looks for it. It was not replaced: rename the file you chose, or choose the one "
                                 "in the datum folder.")
                      .arg(shownName, shownFolder),
                  title);
        return false;
    }
    const auto answer = QMessageBox::question(
        this, title,
        QStringLiteral("The library looks for %1 only in the datum folder %2.\n\nCopy it into the datum folder?")
            .arg(shownName, shownFolder),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes) return false;
    if (!copyInto(chosenPath, folder + "/" + name, true)) {
        showError(QStringLiteral("%1 could not be copied into the datum folder %2: %3.")
                      .arg(shownName, shownFolder, QString::fromUtf8(std::strerror(errno))),
                  title);
        return false;
    }
    return true;
}

void TmainFrm::saveCustomGrid(const std::u16string& chosenPath) {
    const std::string path = toUtf8(chosenPath);
    const std::string name = withoutExtension(fileNameOf(path));
    // The save dialog has asked before an existing file is chosen: it is replaced whole, never
    // merged into, and a file that is not a parameter file is never written into.
    if (platform::pathExists(path) && !isParameterFile(path))
        throw std::runtime_error(elided(QString::fromStdString(path)).toStdString() +
                                 " is not a parameter file: it was not replaced.");
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string staged = platform::createTempFile(folder, ".corvane-", ".cgeo");
    if (staged.empty()) throw std::runtime_error(writeFailure(path, errno));
    struct Remove {
        const std::string& path;
        ~Remove() { platform::removeFile(path); }
    } remove{staged};
    {
        OwnedProfile profile = newProfile();
        if (!profile->Open(staged.c_str())) throw std::runtime_error(writeFailure(path, errno));
        WriteParameters(profile.get());
    }
    if (!copyInto(staged, path, false)) throw std::runtime_error(writeFailure(path, errno));
    ui->cbGrid->addItem(QString::fromStdString(name), -1);
    ui->cbGrid->setCurrentIndex(ui->cbGrid->count() - 1);
    gridIndex = ui->cbGrid->currentIndex();
}

void TmainFrm::takeGeoidModel(const std::string& chosenPath) {
    if (!placeInDatumFolder(chosenPath, resString(kGeoidTitle))) return;
    geoidModel = withoutExtension(fileNameOf(chosenPath));
    ui->edGeoModel->setText(QString::fromStdString(geoidModel));
}

void TmainFrm::takeKtdFile(const std::string& chosenPath) {
    ktdFile = chosenPath;
    ui->edKtd->setText(QString::fromStdString(ktdFile));
}

void TmainFrm::takeTimeVariableParameters(const double block[kDatumParameters]) {
    dx = block[0];
    dy = block[1];
    dz = block[2];
    dscale = block[3];
    drx = block[4];
    dry = block[5];
    drz = block[6];
    datumShiftFile.clear();
    ui->edDatumShiftFile->clear();
    QWidget* const datumEdits[] = {ui->edDx, ui->edDy, ui->edDz, ui->edDrx, ui->edDry, ui->edDrz, ui->edDsc, nullptr};
    SetControlsEnabled(datumEdits, true);
    ShowDatumParameters();
}

std::string TmainFrm::writeExportParameters() {
    const std::string path = std::string(bayrun::environment()->GetFolderA(kBayrunFolderWorking, 1)) + "tmpgeo.ini";
    OwnedProfile profile = newProfile();
    profile->Open(path.c_str());
    return ValidateAndWriteParameters(profile.get(), path) ? path : std::string();
}

void TmainFrm::SaveCustomGrid1Click() {
    guarded([&] {
        std::u16string chosen;
        if (chooseFile(this, true, dataRootW() + u"/datum/", resString(kCustomGridFilter),
                       resString(kSaveCustomGridTitle), u"cgeo", u"", chosen))
            saveCustomGrid(chosen);
    });
}

void TmainFrm::btnGeoModelBrowseClick() {
    guarded([&] {
        const std::u16string start = dataRootW() + u"/datum";
        const std::u16string initial = geoidModel.empty() ? u"" : start + u"/" + toUtf16(geoidModel) + u".geo";
        std::u16string chosen;
        if (chooseFile(this, false, start, resString(kGeoidFilter), resString(kGeoidTitle), u"geo", initial, chosen))
            takeGeoidModel(toUtf8(chosen));
    });
}

void TmainFrm::btnKtdBrowseClick() {
    guarded([&] {
        const std::u16string start = bayrun::environment()->GetFolderW(nullptr, 0, kBayrunFolderProject);
        std::u16string chosen;
        if (chooseFile(this, false, start, resString(kKtdFilter) + resString(kAllFilesFilter), resString(kKtdTitle),
                       u"ktd", toUtf16(ktdFile), chosen))
            takeKtdFile(toUtf8(chosen));
    });
}

void TmainFrm::btnDatumShiftFileBrowseClick() {
    guarded([&] {
        // The initial path is the file name alone, relative to the start folder.
        std::u16string initial;
        if (!datumShiftFile.empty()) initial = u"/" + toUtf16(datumShiftFileName(datumShiftFile));
        std::u16string chosen;
        if (chooseFile(this, false, dataRootW() + u"/datum", resString(kDatumShiftFilter), resString(kDatumShiftTitle),
                       u"lls", initial, chosen))
            takeDatumShiftFile(toUtf8(chosen));
    });
}

bool TmainFrm::takeDatumShiftFile(const std::string& chosenPath) {
    // The full values the two edits show, not their rounded text.
    const double a = numbertext::value(ui->edSemiMajorAxis);
    const double f = numbertext::value(ui->edFlattening);
    if (IsValidModel(chosenPath.c_str(), a, f) == 0) {
        // A file that cannot be read is not one for another ellipsoid.
        const QString text = GetGeodesyError() == TELLUS_E_DATUM_GRID
                                 ? QStringLiteral("%1 cannot be read as a datum shift file.")
                                       .arg(elided(QString::fromStdString(chosenPath)))
                                 : resString(kDatumShiftRefused);
        showError(text, resString(kDatumShiftTitle));
        return false;
    }
    if (!placeInDatumFolder(chosenPath, resString(kDatumShiftTitle))) return false;
    datumShiftFile = fileNameOf(chosenPath);
    UpdateDatumShiftFile();
    return true;
}

void TmainFrm::ExportVDatumtoXYZ1Click() {
    guarded([&] {
        const std::string path = writeExportParameters();
        if (path.empty()) return;
        GeodesyHandle handle = CreateFileGeodesy(path.c_str(), kSection);
        // The handle is released whatever the dialog does.
        struct Release {
            GeodesyHandle h;
            ~Release() { DestroyGeodesy(h); }
        } release{handle};
        showVDatum2XYZDialog(handle);
    });
}
