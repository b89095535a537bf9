// The main window: the handlers of its controls and menus.
#include "editor/TmainFrm.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "common/LastProject.h"
#include "editor/TmainFrmShared.h"
#include "ui_TmainFrm.h"

using namespace mainform;

QString TmainFrm::failureText() {
    try {
        throw;
    } catch (erc& e) {
        char text[512] = {};
        if (errfac* f = e.getFacility()) f->format(e, text, int(sizeof text));
        e.release();
        return QString::fromUtf8(text);
    } catch (const ConversionError& e) {
        return e.text();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unexpected failure.");
    }
}

void TmainFrm::reportFailure(const QString& text) { showError(text, resString(kCaption)); }

void TmainFrm::focusField(QWidget* field) {
    if (!field) return;
    if (!field->isVisibleTo(this) && displayMode == kSubBottom) SetDisplayMode(ui->mnuViewStandard);
    // A refused value in a closed field could never be corrected: the field opens.
    field->setEnabled(true);
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
}

void TmainFrm::showError(const QString& text, const QString& caption) {
    QMessageBox::critical(this, caption, text);
}

void TmainFrm::rgRTKClick(int index) {
    guarded([&] {
        UpdateRtkControls(index);
        ui->ExportVDatumtoXYZ1->setEnabled(rtkMode == 3);
    });
}

void TmainFrm::ckLocalGridClick(bool checked) {
    localGrid.AdjustType = checked ? 1 : 0;
    ui->btnLocalGrid->setEnabled(checked);
}

void TmainFrm::DecimalDegrees1Click() {
    auto* item = qobject_cast<QAction*>(sender());
    if (!item) return;
    guarded([&] {
        DegFormat = item->data().toInt();
        // Each field keeps its own value when its text does not parse.
        for (int slot = 0; slot < kParameterSlots; ++slot) {
            double v = numbertext::shown(parameterSlots[slot].edit);
            ParseParameter(slot, &v);
            ShowParameter(slot, v);
        }
    });
}

void TmainFrm::displayModeClick() { SetDisplayMode(qobject_cast<QAction*>(sender())); }

void TmainFrm::cbEllipsoidChange(int index) {
    guarded([&] {
        ellipsoidId = ui->cbEllipsoid->itemData(index).toInt();
        LoadEllipsoid(ellipsoidId);
    });
}

void TmainFrm::cbProjectionChange(int index) {
    guarded([&] {
        projectionId = index + 1;
        LoadProjection(projectionId);
    });
}

void TmainFrm::cbGridChange(int) { guarded([&] { GridChanged(); }); }
void TmainFrm::cbZoneChange(int) { guarded([&] { ZoneChanged(); }); }
void TmainFrm::cbHorzUnitChange(int) { guarded([&] { UnitsChanged(); }); }
void TmainFrm::cbVertUnitChange(int) { guarded([&] { UnitsChanged(); }); }
void TmainFrm::cbVDatumChange(int) { guarded([&] { LoadVDatumSurfaces(); }); }

void TmainFrm::btnDatumShiftFileClearClick() {
    guarded([&] {
        datumShiftFile.clear();
        UpdateDatumShiftFile();
    });
}

void TmainFrm::btnGeoModelClearClick() { ClearGeoidModel(); }
void TmainFrm::btnKtdClearClick() { ClearKtdFile(); }

void TmainFrm::HelpTopics1Click() { bayrun::environment()->ShowHelp(this, kHelpFile, kHelpCommand); }

void TmainFrm::btnOKClick() {
    guarded([&] {
        if (ValidateAndWriteParameters(bayrun::environment()->GetProfile(kBayrunProfileGeodesy),
                                       lastProjectIn(dataRoot()).file))
            close();
    });
}

void TmainFrm::Exit1Click() { close(); }

void TmainFrm::keyPressEvent(QKeyEvent* event) {
    // As in a dialog: Enter presses the button that has the focus, else OK; Escape is Cancel.
    // Controls that take these keys themselves (an open list) never pass them on.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* button = focused ? focused : ui->btnOK;
        if (button->isVisible() && button->isEnabled()) button->click();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ui->btnCancel->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TmainFrm::TimeVariableTransformations1Click() {
    guarded([&] {
        double block[kDatumParameters] = {};
        if (showTimeVarDialog(block)) takeTimeVariableParameters(block);
    });
}

void TmainFrm::btnLocalGridClick() { guarded([&] { showLocalGridDialog(); }); }
void TmainFrm::About1Click() { guarded([&] { showAboutDialog(); }); }
