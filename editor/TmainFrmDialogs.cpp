// The main window's doors to its dialogs: each dialog is made on demand with the main window as
// owner, shown modally and deleted when it closes.
#include "editor/TmainFrm.h"

#include <memory>

#include "editor/Bayrun.h"
#include "editor/TAboutDlg.h"
#include "editor/TLocalGridDlg.h"
#include "editor/TTimeVarDlg.h"
#include "editor/TVDatum2XYZDlg.h"

void TmainFrm::showLocalGridDialog() {
    // Only OK writes the record; the modal result is not needed.
    TLocalGridDlg dialog(this, &localGrid);
    dialog.exec();
}

bool TmainFrm::showTimeVarDialog(double block[7]) {
    TTimeVarDlg dialog(this, block);
    return dialog.exec() == QDialog::Accepted;
}

void TmainFrm::showVDatum2XYZDialog(GeodesyHandle handle) {
    // Deleted before the caller destroys the coordinate system it works on.
    TVDatum2XYZDlg dialog(this, handle);
    dialog.exec();
}

void TmainFrm::showAboutDialog() {
    TAboutDlg dialog(this);
    const bayrun::Owned<IBayrunVersionInfo> info(
        bayrun::make<IBayrunVersionInfo>(IID_IBayrunVersionInfo));
    if (info) dialog.ShowVersions(info.get(), dataRootW());
    // A failing query leaves before the dialog is shown.
    dialog.ShowGridsCompiled(database);
    dialog.exec();
}
