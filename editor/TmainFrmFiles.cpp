// The main window: custom grids, model files, the time-variable parameters and the export's start.
#include "editor/TmainFrm.h"

#include "common/Text.h"
#include "editor/TmainFrmShared.h"
#include "ui_TmainFrm.h"

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

}  // namespace

void TmainFrm::saveCustomGrid(const std::u16string& chosenPath) {
    const std::string path = toUtf8(chosenPath);
    const std::string name = withoutExtension(fileNameOf(path));
    OwnedProfile profile = newProfile();
    if (!profile->Open(path.c_str())) throw std::runtime_error("The custom grid file cannot be created: " + path);
    replaceSection(profile.get(), [&](IBayrunProfile* section) { WriteParameters(section); });
    ui->cbGrid->addItem(QString::fromStdString(name), -1);
    ui->cbGrid->setCurrentIndex(ui->cbGrid->count() - 1);
    gridIndex = ui->cbGrid->currentIndex();
}

void TmainFrm::takeGeoidModel(const std::string& chosenPath) {
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
    return ValidateAndWriteParameters(profile.get()) ? path : std::string();
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
        showError(resString(kDatumShiftRefused), resString(kDatumShiftTitle));
        return false;
    }
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
