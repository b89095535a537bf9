// The main window: control lists, the RTK methods, display modes, projection parameter fields
// and captions.
#include "editor/TmainFrm.h"

#include <QButtonGroup>
#include <QMenu>
#include <QMenuBar>
#include <QLayout>
#include <QRadioButton>

#include <algorithm>

#include "editor/TmainFrmShared.h"
#include "ui_TmainFrm.h"

using namespace mainform;

void TmainFrm::SetControlsVisible(QWidget* const* list, bool visible) {
    for (; *list; ++list) (*list)->setVisible(visible);
}

void TmainFrm::SetControlsEnabled(QWidget* const* list, bool enabled) {
    for (; *list; ++list) (*list)->setEnabled(enabled);
}

void TmainFrm::ClearGeoidModel() {
    geoidModel.clear();
    ui->edGeoModel->clear();
}

void TmainFrm::ClearKtdFile() {
    ktdFile.clear();
    ui->edKtd->clear();
}

void TmainFrm::setRtkIndex(int index) {
    if (QAbstractButton* button = rtkGroup->button(index)) {
        button->setChecked(true);
        return;
    }
    // No item: the exclusive group would keep its checked button.
    rtkGroup->setExclusive(false);
    for (QAbstractButton* b : rtkGroup->buttons()) b->setChecked(false);
    rtkGroup->setExclusive(true);
}

void TmainFrm::UpdateRtkControls(int mode) {
    if (displayMode == kSubBottom) return;
    rtkMode = mode;
    QWidget* const vertical[] = {ui->lblGeoModel, ui->edGeoModel, ui->btnGeoModelBrowse, ui->btnGeoModelClear,
                                 ui->lblOrtho,    ui->edOrtho,    ui->lblOrthoUnits,     ui->lblKtd,
                                 ui->edKtd,       ui->btnKtdBrowse, ui->btnKtdClear,     ui->lblVDatum,
                                 ui->cbVDatum,    ui->lblDatum,   ui->cbDatum,           ui->lblDatumLevel,
                                 ui->edDatumLevel, ui->lblDatumLevelUnits, nullptr};
    QWidget* const geoid[] = {ui->lblGeoModel, ui->edGeoModel, ui->btnGeoModelBrowse, ui->btnGeoModelClear,
                              ui->lblOrtho,    ui->edOrtho,    ui->lblOrthoUnits,     nullptr};
    QWidget* const ktd[] = {ui->lblKtd, ui->edKtd, ui->btnKtdBrowse, ui->btnKtdClear, nullptr};
    QWidget* const vdatum[] = {ui->lblVDatum, ui->cbVDatum, ui->lblDatum, ui->cbDatum, nullptr};
    QWidget* const level[] = {ui->lblDatumLevel, ui->edDatumLevel, ui->lblDatumLevelUnits, nullptr};
    // What was chosen or typed for another method is kept while the form is open (clicking
    // through the methods loses nothing); OK writes only what the chosen method uses.
    double typed = 0;
    if (!numbertext::unchanged(ui->edDatumLevel, typed) && numbertext::parse(ui->edDatumLevel->text(), typed))
        chartDatum = typed;
    ui->edGeoModel->setText(QString::fromStdString(geoidModel));
    ui->edKtd->setText(QString::fromStdString(ktdFile));
    SetControlsVisible(vertical, false);
    switch (mode) {
    case 0:
    case 5:  // the level alone: a chart datum level, or the ellipsoid's height above chart datum
        SetControlsVisible(level, true);
        ui->lblDatumLevel->setText(resString(mode == 0 ? kChartDatumLevel : kHeightOfEllipsoid));
        break;
    case 1:
        SetControlsVisible(ktd, true);
        break;
    case 2:
        SetControlsVisible(geoid, true);
        SetControlsVisible(ktd, true);
        break;
    case 3:
        SetControlsVisible(geoid, true);
        SetControlsVisible(vdatum, true);
        break;
    case 4:
        SetControlsVisible(geoid, true);
        SetControlsVisible(level, true);
        ui->edDatumLevel->setEnabled(true);
        ui->lblDatumLevel->setText(resString(kHeightOfGeoid));
        break;
    default:
        break;
    }
    numbertext::show(ui->edDatumLevel, chartDatum, numbertext::formatOr15("%.2lf", chartDatum));
}

void TmainFrm::SetDisplayMode(QAction* sender) {
    if (!sender) return;
    ui->mnuViewStandard->setChecked(false);
    ui->mnuViewSubBottom->setChecked(false);
    sender->setChecked(true);
    QWidget* const modeControls[] = {ui->Bevel1,      ui->rgRTK,         ui->lblGeoModel,   ui->edGeoModel,
                                     ui->btnGeoModelBrowse, ui->btnGeoModelClear, ui->lblKtd, ui->edKtd,
                                     ui->btnKtdBrowse, ui->btnKtdClear,  ui->lblVDatum,     ui->cbVDatum,
                                     ui->lblDatum,    ui->cbDatum,       ui->lblDatumLevel, ui->edDatumLevel,
                                     ui->lblOrtho,    ui->edOrtho,       ui->lblOrthoUnits, ui->lblDatumLevelUnits,
                                     nullptr};
    if (sender == ui->mnuViewStandard) {
        displayMode = kStandard;
        SetControlsVisible(modeControls, true);
        ui->ExportVDatumtoXYZ1->setVisible(true);
        ui->ExportVDatumtoXYZ1->setEnabled(rtkMode == 3);
    } else if (sender == ui->mnuViewSubBottom) {
        displayMode = kSubBottom;
        SetControlsVisible(modeControls, false);
        ui->ExportVDatumtoXYZ1->setVisible(false);
    } else {
        return;
    }
    // The layouts give the window its least size; the height follows what the mode shows, the
    // width the surveyor chose stays.
    ui->centralWidget->layout()->activate();
    layout()->activate();
    resize(std::max(width(), sizeHint().width()), sizeHint().height());
}

void TmainFrm::ShowParameter(int slot, double value) {
    if (slot < 0 || slot >= kParameterSlots) return;
    ParameterSlot& s = parameterSlots[slot];
    char16_t buffer[kAngleBuffer];
    switch (s.kind) {
    case kNumber:
        numbertext::show(s.edit, value,
                         s.format.empty() ? numbertext::general(value) : numbertext::formatOr15(s.format, value));
        break;
    case kLatitude:
        bayrun::angles()->SetFormat(DegFormat);
        numbertext::show(s.edit, value,
                         QString::fromUtf16(bayrun::angles()->FormatLatitude(buffer, kAngleBuffer, value)));
        break;
    case kLongitude:
        bayrun::angles()->SetFormat(DegFormat);
        numbertext::show(s.edit, value,
                         QString::fromUtf16(bayrun::angles()->FormatLongitude(buffer, kAngleBuffer, value)));
        break;
    default:
        break;
    }
}

bool TmainFrm::readParameter(int slot, double& value) const {
    const ParameterSlot& s = parameterSlots[slot];
    // A field the user did not change gives the full value it shows, not its rounded text.
    if (numbertext::unchanged(s.edit, value)) return true;
    const QString text = s.edit->text();
    double v = 0;
    bool parsed = false;
    switch (s.kind) {
    case kNumber:
        parsed = numbertext::parse(text, v);
        break;
    case kLatitude:
        parsed = bayrun::angles()->ParseLatitude(text.toStdU16String().c_str(), &v);
        break;
    case kLongitude:
        parsed = bayrun::angles()->ParseLongitude(text.toStdU16String().c_str(), &v);
        break;
    default:
        break;
    }
    if (parsed) value = v;
    return parsed;
}

void TmainFrm::ParseParameter(int slot, double* value) {
    if (slot < 0 || slot >= kParameterSlots || !value) return;
    const int kind = parameterSlots[slot].kind;
    if (!readParameter(slot, *value) && (kind == kLatitude || kind == kLongitude)) ShowParameter(slot, *value);
}

namespace {

// Marks a letter of each caption of one menu level as its mnemonic, and so on down the menus:
// the first initial of a word that no caption before it on that level has, else its first such
// letter. The captions' texts stay as they are.
void markMnemonics(const QList<QAction*>& actions) {
    QString used;
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        QString text = action->text();
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const auto free = [&](int i) { return text[i].isLetter() && !used.contains(text[i].toLower()); };
        int chosen = -1;
        for (int i = 0; i < text.size() && chosen < 0; ++i)
            if ((i == 0 || text[i - 1] == QLatin1Char(' ') || text[i - 1] == QLatin1Char('-')) && free(i)) chosen = i;
        for (int i = 0; i < text.size() && chosen < 0; ++i)
            if (free(i) && (i == 0 || text[i - 1] != QLatin1Char('&'))) chosen = i;
        if (chosen >= 0) {
            used += text[chosen].toLower();
            text.insert(chosen, QLatin1Char('&'));
        }
        action->setText(text);
        if (QMenu* menu = action->menu()) markMnemonics(menu->actions());
    }
}

}  // namespace

void TmainFrm::SetCaptions() {
    setWindowTitle(resString(1841));
    ui->File1->setTitle(resString(1039));
    ui->mnuView->setTitle(resString(10));
    ui->mnuDisplayMode->setTitle(resString(11));
    ui->mnuViewStandard->setText(resString(12));
    ui->mnuViewSubBottom->setText(resString(13));
    ui->Tools1->setTitle(resString(2934));
    ui->Options1->setTitle(resString(2316));
    ui->Help1->setTitle(resString(1045));
    ui->Exit1->setText(resString(1660));
    ui->ExportVDatumtoXYZ1->setText(resString(8129));
    ui->TimeVariableTransformations1->setText(resString(8130));
    ui->SaveCustomGrid1->setText(resString(10771));
    ui->DegreesFormat1->setTitle(resString(5366));
    ui->DecimalDegrees1->setText(resString(1490));
    ui->DecimalMinutes1->setText(resString(5074));
    ui->DecimalSeconds1->setText(resString(5077));
    ui->HelpTopics1->setText(resString(5150));
    ui->About1->setText(resString(1101));
    ui->gbPredefined->setTitle(resString(5339));
    ui->gbDatumTransformationParameters->setTitle(resString(5348));
    ui->lblGrids->setText(resString(3940));
    ui->lblZone->setText(resString(3073));
    ui->lblDistanceUnit->setText(resString(5340));
    ui->lblDepthUnit->setText(resString(5341));
    ui->ckElevationMode->setText(resString(5342));
    ui->lblEllipsoid->setText(resString(1681));
    ui->lblSemiMajorAxis->setText(resString(2672));
    ui->lblFlattening->setText(resString(5343));
    ui->lblDx->setText(resString(7427));
    ui->lblDy->setText(resString(7428));
    ui->lblDz->setText(resString(7429));
    ui->lblRx->setText(resString(7423));
    ui->lblRy->setText(resString(7424));
    ui->lblRz->setText(resString(7425));
    ui->lblDscale->setText(resString(7430));
    ui->lblDatumShiftFile->setText(resString(5349));
    // The units and the convention the library applies the seven parameters in.
    for (QLabel* label : {ui->lblDxUnits, ui->lblDyUnits, ui->lblDzUnits}) label->setText(QStringLiteral("m"));
    for (QLabel* label : {ui->lblRxUnits, ui->lblRyUnits, ui->lblRzUnits}) label->setText(QStringLiteral("arc-sec"));
    ui->lblDscaleUnits->setText(QStringLiteral("ppm"));
    ui->lblDatumConvention->setText(
        QStringLiteral("From WGS 84 to the local datum, coordinate frame rotation (EPSG method 1032)"));
    ui->lblProjection->setText(resString(2469));
    ui->lblFalseEasting->setText(resString(5346));
    ui->lblFalseNorthing->setText(resString(5347));
    ui->ckLocalGrid->setText(resString(5350));
    ui->btnLocalGrid->setText(resString(5352));
    ui->rgRTK->setTitle(resString(5530));
    for (int i = 0; i < kRtkModes; ++i) rtkGroup->button(i)->setText(resString(8111 + i));
    ui->lblGeoModel->setText(resString(5344));
    ui->lblOrtho->setText(resString(5345));
    ui->lblKtd->setText(resString(1996));
    ui->lblVDatum->setText(resString(8117));
    ui->lblDatum->setText(resString(4488));
    ui->btnOK->setText(resString(2285));
    ui->btnCancel->setText(resString(1269));
    markMnemonics(ui->menuBar->actions());
}
