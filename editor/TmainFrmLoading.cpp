// The main window: loading grids, zones, ellipsoids, projections and units from the database.
#include "editor/TmainFrm.h"

#include "common/FolderLookup.h"
#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "editor/TmainFrmShared.h"
#include "ui_TmainFrm.h"

#include <algorithm>
#include <cmath>

using namespace mainform;

void TmainFrm::GridChanged() {
    const int index = ui->cbGrid->currentIndex();
    if (index < 0) return;
    const int chosen = ui->cbGrid->itemData(index).toInt();
    std::string path;
    if (chosen < 0) {
        // Listed without regard to the case of its extension, so found the same way. A file gone
        // since it was listed leaves the form, and its grid, as they were.
        path = findInFolder(suitePath(dataRoot(), kDatumFolder), ui->cbGrid->itemText(index).toStdString() + kCustomGridExtension);
        if (!platform::isRegularFile(path)) {
            ui->cbGrid->setCurrentIndex(gridIndex);
            throw std::runtime_error("The custom grid file cannot be read: " +
                                     elided(QString::fromStdString(path)).toStdString());
        }
    }
    gridId = chosen;
    gridIndex = index;
    if (gridId > 0) {
        LoadZones();
        ui->cbZone->setCurrentIndex(0);
        ZoneChanged();
        return;
    }
    if (gridId < 0) ReadParameterFile(path);
    QWidget* const freeGridSet[] = {ui->cbProjection, ui->cbEllipsoid, ui->edFalseEast, ui->edFalseNorth,
                                    ui->edParm0, ui->edParm1, ui->edParm2, ui->edParm3, ui->edParm4,
                                    ui->ckLocalGrid, nullptr};
    SetControlsEnabled(freeGridSet, true);
    ui->btnLocalGrid->setEnabled((localGrid.AdjustType & kAdjustTypeMask) == 1);
    ui->cbZone->setEnabled(false);
    ui->cbZone->setCurrentIndex(-1);
}

void TmainFrm::LoadZones() {
    ui->cbZone->clear();
    Query q(database, "SELECT name, id FROM gp_zones WHERE crs_id=?;");
    q.bind(1, gridId);
    while (q.next()) ui->cbZone->addItem(QString::fromUtf8(q.getText(0)), q.getInt(1));
    ui->cbZone->setEnabled(ui->cbZone->count() > 1);
    QWidget* const zoneSet[] = {ui->cbProjection, ui->edFalseEast, ui->edFalseNorth, ui->edParm0, ui->edParm1,
                                ui->edParm2, ui->edParm3, ui->edParm4, ui->ckLocalGrid, ui->btnLocalGrid, nullptr};
    SetControlsEnabled(zoneSet, false);
    SelectItemByObject(ui->cbGrid, gridId);
    gridIndex = ui->cbGrid->currentIndex();
}

void TmainFrm::ZoneChanged() {
    const int index = ui->cbZone->currentIndex();
    if (index < 0) return;
    zoneId = ui->cbZone->itemData(index).toInt();
    LoadZone(zoneId);
}

bool TmainFrm::SelectZoneById(int zone) {
    int crs = 0;
    {
        Query q(database, "SELECT * FROM gp_zones WHERE id=?;");
        q.bind(1, zone);
        // A zone the database does not hold loads nothing (its unit factor would read as 0).
        if (!q.next()) return false;
        crs = q.getInt("crs_id");
    }
    gridId = crs;
    zoneId = zone;
    LoadZones();
    SelectItemByObject(ui->cbZone, zone);
    LoadZone(zone);
    return true;
}

void TmainFrm::LoadZone(int zone) {
    Query q(database,
            "SELECT proj_id, gp_zones.numpar AS numpar, p1, p2, p3, p4, p5, fe, fn, hunit_id,        hunits.factor as hfactor, "
            "ellip_id, ladj_id,        gp_datum_xform.kind AS dt_kind, dx, dy, dz,        drx, dry, drz, dsc, model  "
            "FROM gp_zones     INNER JOIN gp_projections ON proj_id = gp_projections.id     INNER JOIN gp_units AS "
            "hunits ON hunit_id = hunits.id     LEFT JOIN gp_datum_xform ON dt_id = gp_datum_xform.id   WHERE "
            "gp_zones.id=?;");
    q.bind(1, zone);
    if (!q.next()) return;

    projectionId = q.getInt("proj_id");
    LoadProjection(projectionId);
    const int numpar = q.getInt("numpar");
    for (int i = 0; i < numpar && i < kParameterSlots; ++i)
        ShowParameter(i, q.getDouble(("p" + std::to_string(i + 1)).c_str()));

    // The lengths the zone does not give (orthometric correction, local grid) are converted from
    // the unit they were entered in; the zone's false origin is then taken as it stands, in the
    // zone's unit.
    ApplyUnits(q.getInt("hunit_id"), 0);
    falseEasting = q.getDouble("fe");
    falseNorthing = q.getDouble("fn");
    numbertext::show(ui->edFalseEast, falseEasting, numbertext::general(falseEasting));
    numbertext::show(ui->edFalseNorth, falseNorthing, numbertext::general(falseNorthing));

    const int ellipsoid = q.getInt("ellip_id");
    if (ellipsoid != 0) {
        ellipsoidId = ellipsoid;
        LoadEllipsoid(ellipsoidId);
        ui->cbEllipsoid->setEnabled(false);
    } else {
        ui->cbEllipsoid->setEnabled(true);
    }

    localGrid.AdjustType = q.getInt("ladj_id");
    ui->ckLocalGrid->setChecked(localGrid.AdjustType != 0);

    if (q.getInt("dt_kind") == 0) {
        datumShiftFile.clear();
        UpdateDatumShiftFile();
        dx = q.getDouble("dx");
        dy = q.getDouble("dy");
        dz = q.getDouble("dz");
        drx = q.getDouble("drx");
        dry = q.getDouble("dry");
        drz = q.getDouble("drz");
        dscale = q.getDouble("dsc");
    } else {
        datumShiftFile = q.getString("model");
        dx = dy = dz = drx = dry = drz = dscale = 0.0;
        UpdateDatumShiftFile();
    }
    ShowDatumParameters();
}

void TmainFrm::LoadProjection(int id) {
    for (const ParameterSlot& slot : parameterSlots) {
        slot.label->setVisible(false);
        slot.edit->setVisible(false);
    }
    Query projection(database, "SELECT * FROM gp_projections WHERE id = ?;");
    projection.bind(1, id);
    if (!projection.next()) return;
    const int numpar = projection.getInt("numpar");
    for (int i = 1; i <= numpar && i <= kParameterSlots; ++i) {
        ParameterSlot& slot = parameterSlots[i - 1];
        Query par(database, "SELECT * FROM gp_projpar WHERE id=?;");
        par.bind(1, projection.getInt(("par" + std::to_string(i)).c_str()));
        // A parameter column naming no gp_projpar row leaves its field hidden.
        if (!par.next()) continue;
        slot.label->setVisible(true);
        slot.edit->setVisible(true);
        slot.label->setText(QString::fromUtf8(par.getText("name")));
        const std::string type = par.getString("type");
        if (type.size() >= 1 && type[0] == 'd') {
            slot.kind = type.size() >= 2 && type[1] == 'n' ? kLatitude : kLongitude;
            slot.format.clear();
        } else {
            slot.kind = kNumber;
            slot.format = par.getString("fmt").substr(0, kMaxFormatLength);
        }
    }
    ui->cbProjection->setCurrentIndex(id - 1);
}

void TmainFrm::LoadEllipsoid(int id) {
    QWidget* const datumSet[] = {ui->edDx, ui->edDy, ui->edDz, ui->edDrx, ui->edDry, ui->edDrz, ui->edDsc,
                                 ui->btnDatumShiftFileBrowse, ui->btnDatumShiftFileClear, nullptr};
    if (id == kWgs84EllipsoidId) {
        dx = dy = dz = drx = dry = drz = dscale = 0.0;
        ShowDatumParameters();
        ui->edDatumShiftFile->clear();
        SetControlsEnabled(datumSet, false);
    } else {
        SetControlsEnabled(datumSet, true);
    }
    if (id == 0) {
        ui->edSemiMajorAxis->setEnabled(true);
        ui->edFlattening->setEnabled(true);
    } else {
        ui->edSemiMajorAxis->setEnabled(false);
        ui->edFlattening->setEnabled(false);
        Query q(database, "SELECT * FROM gp_ellipsoids WHERE id=?;");
        q.bind(1, id);
        if (q.next()) {
            semiMajorAxis = q.getDouble("a");
            inverseFlattening = q.getDouble("one_over_f");
        }
    }
    numbertext::show(ui->edSemiMajorAxis, semiMajorAxis, numbertext::general(semiMajorAxis));
    numbertext::show(ui->edFlattening, inverseFlattening, numbertext::general(inverseFlattening));
    SelectItemByObject(ui->cbEllipsoid, ellipsoidId);
}

void TmainFrm::UnitsChanged() {
    // Every text is converted before anything changes: a text that is not a number raises and
    // leaves the state as it was, the unit lists included. An edit the user did not change gives
    // the full value it shows, not its rounded text.
    double easting = falseEasting, northing = falseNorthing, ortho = orthoCorrection;
    try {
        if (ui->edFalseEast->isEnabled()) easting = numbertext::value(ui->edFalseEast);
        if (ui->edFalseNorth->isEnabled()) northing = numbertext::value(ui->edFalseNorth);
        ortho = numbertext::value(ui->edOrtho);
    } catch (...) {
        ui->cbHorzUnit->setCurrentIndex(horzUnitId - 1);
        ui->cbVertUnit->setCurrentIndex(vertUnitIndex);
        throw;
    }
    falseEasting = easting;
    falseNorthing = northing;
    orthoCorrection = ortho;
    horzUnitId = ui->cbHorzUnit->currentIndex() + 1;
    vertUnitIndex = ui->cbVertUnit->currentIndex();
    ApplyUnits(horzUnitId, vertUnitIndex);
}

namespace {

// Item data of a unit that the table lacks: its factor, and the name the file gave it.
constexpr int kUnlistedFactorRole = Qt::UserRole;
constexpr int kUnlistedNameRole = Qt::UserRole + 1;

bool usableFactor(double factor) { return std::isfinite(factor) && factor > 0; }

// The factor and label of a list item that the table lacks; false for a table unit.
bool unlistedUnit(const QComboBox* list, int index, double& factor, std::string& label) {
    if (index < 0 || index >= list->count() || !list->itemData(index, kUnlistedFactorRole).isValid()) return false;
    factor = list->itemData(index, kUnlistedFactorRole).toDouble();
    label = list->itemText(index).toStdString();
    return true;
}

// The factor and abbreviation of a table unit; false when the table has no usable row of the id.
bool tableUnit(Database& database, int id, double& factor, std::string& label) {
    Query q(database, "SELECT factor,abrev FROM gp_units WHERE id=?;");
    q.bind(1, id);
    if (!q.next() || !usableFactor(q.getDouble(0))) return false;
    factor = q.getDouble(0);
    label = q.getString(1);
    return true;
}

}  // namespace

bool sameUnitFactor(double a, double b) {
    // The table states its factors to ten significant digits (0.3048006096 for 1200/3937).
    constexpr double kTablePrecision = 1e-9;
    return a == b || std::fabs(a - b) <= kTablePrecision * std::max(std::fabs(a), std::fabs(b));
}

int TmainFrm::matchUnit(double factor) {
    Query q(database, "SELECT id, factor FROM gp_units;");
    while (q.next())
        if (sameUnitFactor(q.getDouble(1), factor)) return q.getInt(0);
    return 0;
}

int TmainFrm::addUnlistedUnit(QComboBox* list, double factor, const std::string& name) {
    const QString value = numbertext::general(factor) + QStringLiteral(" m");
    list->addItem(name.empty() ? value : QString::fromStdString(name) + " (" + value + ")");
    const int index = list->count() - 1;
    list->setItemData(index, factor, kUnlistedFactorRole);
    list->setItemData(index, QString::fromStdString(name), kUnlistedNameRole);
    return index;
}

void TmainFrm::removeUnlistedUnits() {
    for (QComboBox* list : {ui->cbHorzUnit, ui->cbVertUnit})
        for (int i = list->count() - 1; i >= 0; --i)
            if (list->itemData(i, kUnlistedFactorRole).isValid()) list->removeItem(i);
}

QString TmainFrm::unitName() const {
    const int index = ui->cbHorzUnit->currentIndex();
    const QVariant name = ui->cbHorzUnit->itemData(index, kUnlistedNameRole);
    return name.isValid() ? name.toString() : ui->cbHorzUnit->currentText();
}

void TmainFrm::ApplyUnits(int h, int v) {
    double newHorz = horzFactor;
    double newVert = vertFactor;
    std::string label;
    // A unit found nowhere keeps the current factor: a factor of 0 would wipe the lengths.
    if (!tableUnit(database, h, newHorz, label)) unlistedUnit(ui->cbHorzUnit, h - 1, newHorz, label);
    // The library takes the chart datum level in the horizontal unit.
    ui->lblDatumLevelUnits->setText(QString::fromStdString(label));
    if (v != 0) {
        if (!tableUnit(database, v, newVert, label)) unlistedUnit(ui->cbVertUnit, v, newVert, label);
    } else {
        newVert = newHorz;
    }
    // A length whose unit stays is left exactly as it is, also the full factor of a file whose
    // unit the table gives to fewer digits; a factor that is no number converts nothing.
    if (!sameUnitFactor(newHorz, horzFactor)) {
        if (usableFactor(horzFactor) && usableFactor(newHorz))
            for (double* length : {&falseEasting, &falseNorthing, &localGrid.OrigX, &localGrid.OrigY,
                                   &localGrid.TransX, &localGrid.TransY})
                *length = *length * horzFactor / newHorz;
        horzFactor = newHorz;
    }
    if (!sameUnitFactor(newVert, vertFactor)) {
        if (usableFactor(vertFactor) && usableFactor(newVert)) orthoCorrection = orthoCorrection * vertFactor / newVert;
        vertFactor = newVert;
    }

    horzUnitId = h;
    vertUnitIndex = v;
    numbertext::show(ui->edFalseEast, falseEasting, numbertext::general(falseEasting));
    numbertext::show(ui->edFalseNorth, falseNorthing, numbertext::general(falseNorthing));
    numbertext::show(ui->edOrtho, orthoCorrection, numbertext::general(orthoCorrection));
    ui->lblOrthoUnits->setText(QString::fromStdString(label));
    ui->cbHorzUnit->setCurrentIndex(h - 1);
    ui->cbVertUnit->setCurrentIndex(v);
}

void TmainFrm::UpdateDatumShiftFile() {
    if (datumShiftFile.empty()) {
        ui->edDatumShiftFile->clear();
        LoadEllipsoid(ellipsoidId);
        return;
    }
    ui->edDatumShiftFile->setText(QString::fromStdString(datumShiftFile));
    dx = dy = dz = drx = dry = drz = dscale = 0.0;
    ShowDatumParameters();
    QWidget* const datumEdits[] = {ui->edDx, ui->edDy, ui->edDz, ui->edDrx, ui->edDry, ui->edDrz, ui->edDsc, nullptr};
    SetControlsEnabled(datumEdits, false);
}

void TmainFrm::ShowDatumParameters() {
    const std::pair<QLineEdit*, double> shifts[] = {{ui->edDx, dx}, {ui->edDy, dy}, {ui->edDz, dz}};
    for (const auto& [edit, value] : shifts) numbertext::show(edit, value, numbertext::formatOr15("%.3lf", value));
    const std::pair<QLineEdit*, double> others[] = {{ui->edDsc, dscale}, {ui->edDrx, drx}, {ui->edDry, dry}, {ui->edDrz, drz}};
    for (const auto& [edit, value] : others) numbertext::show(edit, value, numbertext::formatOr15("%.5lf", value));
}

void TmainFrm::SelectItemByObject(QComboBox* list, int id) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemData(i).toInt() == id) {
            list->setCurrentIndex(i);
            return;
        }
    }
    list->setCurrentIndex(-1);
}

void TmainFrm::LoadVDatumSurfaces() {
    const int index = ui->cbVDatum->currentIndex();
    const int area = index < 0 ? 0 : ui->cbVDatum->itemData(index).toInt();
    ui->cbDatum->clear();
    Query q(database,
            "SELECT name, vsurface.id FROM vsurface INNER JOIN found_surfaces ON vsurface.id = "
            "found_surfaces.surface_id WHERE area_id=?");
    q.bind(1, area);
    while (q.next()) ui->cbDatum->addItem(QString::fromUtf8(q.getText(0)), q.getInt(1));
    ui->cbDatum->setCurrentIndex(ui->cbDatum->count() > 0 ? 0 : -1);
}
