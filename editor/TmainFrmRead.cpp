// The main window: reading a parameter file into the form.
#include "editor/TmainFrm.h"

#include "common/NumberParser.h"
#include "editor/TmainFrmShared.h"
#include "ui_TmainFrm.h"

using namespace mainform;

void TmainFrm::ReadParameters(IBayrunProfile* profile, bool gridFile) {
    readEllipsoid(profile);
    // A known zone gives projection, parameters, false origin, unit, ellipsoid, local grid type
    // and datum; a zone id the database lacks reads the file's own keys instead.
    QString named;
    const int zone = readZone(profile, gridFile, named);
    const bool placed = zone >= 1 && SelectZoneById(zone);
    if (!placed) {
        if (!gridFile) readGridSelection(profile);  // a grid file leaves the grid list alone
        readProjection(profile);
        readLocalGrid(profile);
    }
    readUnits(profile);
    readLengthsAndDatum(profile);
    readVerticalDatum(profile);
    // A custom grid file holds no vertical reference.
    if (!gridFile) readRtkMode(profile);
    // The surveyor is to know that the grid shown is not the zone the file names.
    if (!placed && !named.isEmpty())
        QMessageBox::warning(this, resString(kCaption),
                             QStringLiteral("The zone %1 is not in the predefined-parameter database: the parameter "
                                            "file's own projection is shown.")
                                 .arg(elided(named)));
}

void TmainFrm::readEllipsoid(IBayrunProfile* profile) {
    semiMajorAxis = profile->ReadDouble(kSection, "SemiMajorAxis", kDefaultSemiMajorAxis);
    inverseFlattening = profile->ReadDouble(kSection, "Flattening", kDefaultInverseFlattening);
    // Several rows may hold the same values (WGS 84 and GEM 10C): the one the file names
    // wins, then the standard ellipsoids before their numeric duplicates, then table order.
    const std::string named = readText(profile, "Ellipsoid", "");
    Query q(database, "SELECT id, name FROM gp_ellipsoids WHERE a=?1 AND one_over_f=?2;");
    q.bind(1, semiMajorAxis).bind(2, inverseFlattening);
    ellipsoidId = 0;
    int best = 3;
    while (q.next()) {
        const std::string name = q.getString(1);
        const int rank = name == named ? 0 : (name == "WGS 84" || name == "GRS 1980") ? 1 : 2;
        if (rank < best) {
            best = rank;
            ellipsoidId = q.getInt(0);
        }
    }
    LoadEllipsoid(ellipsoidId);
}

// The zone the file names, by id (current profile only) or by grid and zone name; 0 for none.
// `named` says how the file names it (empty when it names none).
int TmainFrm::readZone(IBayrunProfile* profile, bool gridFile, QString& named) {
    int zone = 0;
    if (!gridFile && profile->KeyExists(kSection, "ZoneId")) {
        zone = profile->ReadInt(kSection, "ZoneId", 0);
        if (zone >= 1) named = QString::number(zone);
    } else if (profile->KeyExists(kSection, "Grid")) {
        const std::string grid = readText(profile, "Grid", "");
        const std::string zoneName = readText(profile, "ZoneName", "");
        Query q(database,
                "SELECT gp_zones.id FROM gp_zones INNER JOIN gp_crs ON gp_zones.crs_id = gp_crs.id  WHERE "
                "gp_crs.name = ?1 and gp_zones.name= ?2 limit 1");
        q.bind(1, grid).bind(2, zoneName);
        if (q.next()) zone = q.getInt(0);
        named = QStringLiteral("\"%1\" of \"%2\"").arg(QString::fromStdString(zoneName), QString::fromStdString(grid));
    }
    return zone;
}

// The grid list: the custom grid the file names, else "user defined".
void TmainFrm::readGridSelection(IBayrunProfile* profile) {
    bool custom = false;
    if (profile->KeyExists(kSection, "CustomName")) {
        const QString name = QString::fromStdString(readText(profile, "CustomName", "User-Defined"));
        for (int i = predefinedGridCount + 1; i < ui->cbGrid->count(); ++i) {
            if (ui->cbGrid->itemText(i) == name) {
                gridId = -1;
                zoneId = 0;
                ui->cbGrid->setCurrentIndex(i);
                GridChanged();
                custom = true;
                break;
            }
        }
    }
    if (!custom) {
        gridId = 0;
        zoneId = 0;
        ui->cbGrid->setCurrentIndex(predefinedGridCount);
        GridChanged();
    }
}

void TmainFrm::readProjection(IBayrunProfile* profile) {
    const std::string abrev = readText(profile, "Projection", "TME");
    int id = 0;
    std::vector<int> parameterIds;
    {
        Query q(database, "SELECT * FROM gp_projections WHERE abrev=?;");
        q.bind(1, abrev);
        if (q.next()) {
            id = q.getInt("id");
            const int numpar = q.getInt("numpar");
            for (int i = 1; i <= numpar && i <= kParameterSlots; ++i)
                parameterIds.push_back(q.getInt(("par" + std::to_string(i)).c_str()));
        }
    }
    projectionId = id;
    LoadProjection(id);
    for (size_t i = 0; i < parameterIds.size(); ++i) {
        Query q(database, "SELECT abrev FROM gp_projpar WHERE id=?;");
        q.bind(1, parameterIds[i]);
        if (!q.next()) continue;
        const std::string key = q.getString(0);
        const double value = profile->ReadDouble(kSection, key.c_str(), 0.0);
        // The library takes a scale factor of 0 (or none) as 1: so does the form.
        ShowParameter(int(i), key == "ScaleFactor" && value == 0.0 ? 1.0 : value);
    }
}

void TmainFrm::readLocalGrid(IBayrunProfile* profile) {
    localGrid.AdjustType = profile->ReadInt(kSection, "AdjustType", 0);
    localGrid.OrigX = profile->ReadDouble(kSection, "AdjustOrigX", 0.0);
    localGrid.OrigY = profile->ReadDouble(kSection, "AdjustOrigY", 0.0);
    localGrid.Rotation = profile->ReadDouble(kSection, "AdjustRotation", 0.0);
    localGrid.Scale = profile->ReadDouble(kSection, "AdjustScale", 0.0);
    if (localGrid.Scale == 0.0) localGrid.Scale = 1.0;
    localGrid.TransX = profile->ReadDouble(kSection, "AdjustX", 0.0);
    localGrid.TransY = profile->ReadDouble(kSection, "AdjustY", 0.0);
    if (profile->ReadBool(kSection, "ReverseX", false)) localGrid.AdjustType |= kReverseX;
    if (profile->ReadBool(kSection, "ReverseY", false)) localGrid.AdjustType |= kReverseY;
}

// Units: the table unit of the factor, to the table's precision, with the file's full factor;
// a factor the table lacks is listed as it is, never taken for another unit. A vertical factor of
// 0 is "same as horizontal"; a horizontal one of 0 means metres, as the library reads it.
void TmainFrm::readUnits(IBayrunProfile* profile) {
    removeUnlistedUnits();
    horzFactor = profile->ReadDouble(kSection, "Unit", 1.0);
    if (horzFactor == 0.0) horzFactor = 1.0;
    int unit = matchUnit(horzFactor);
    if (unit == 0) unit = addUnlistedUnit(ui->cbHorzUnit, horzFactor, readText(profile, "UnitsName", "")) + 1;
    ui->cbHorzUnit->setCurrentIndex(unit - 1);

    vertFactor = profile->ReadDouble(kSection, "VertUnit", 0.0);
    int vertical = 0;
    if (vertFactor != 0.0) {
        vertical = matchUnit(vertFactor);
        if (vertical == 0) vertical = addUnlistedUnit(ui->cbVertUnit, vertFactor, "");
    }
    if (vertical == 0) vertFactor = horzFactor;
    // The lengths are all read below: nothing is taken from the edits, so what they hold cannot
    // stop the reading halfway.
    ApplyUnits(unit, vertical);
}

void TmainFrm::readLengthsAndDatum(IBayrunProfile* profile) {
    // False origin, in the horizontal unit as stored.
    falseEasting = profile->ReadDouble(kSection, "FalseEasting", 0.0);
    falseNorthing = profile->ReadDouble(kSection, "FalseNorthing", 0.0);
    numbertext::show(ui->edFalseEast, falseEasting, numbertext::formatOr15("%12.4f", falseEasting));
    numbertext::show(ui->edFalseNorth, falseNorthing, numbertext::formatOr15("%12.4f", falseNorthing));

    // Datum: a datum-shift file (its name only) or the seven parameters.
    if (profile->KeyExists(kSection, "DynDatum")) {
        datumShiftFile = fileNameOf(readText(profile, "DynDatum", ""));
        UpdateDatumShiftFile();
    } else {
        dx = profile->ReadDouble(kSection, "DeltaX", 0.0);
        dy = profile->ReadDouble(kSection, "DeltaY", 0.0);
        dz = profile->ReadDouble(kSection, "DeltaZ", 0.0);
        drx = profile->ReadDouble(kSection, "DeltaRX", 0.0);
        dry = profile->ReadDouble(kSection, "DeltaRY", 0.0);
        drz = profile->ReadDouble(kSection, "DeltaRZ", 0.0);
        dscale = profile->ReadDouble(kSection, "DeltaScale", 0.0);
        ShowDatumParameters();
    }

    // Local grid controls; setting the box keeps the type word as read.
    ui->ckLocalGrid->setChecked(localGrid.AdjustType != 0);
    ui->btnLocalGrid->setEnabled((localGrid.AdjustType & kAdjustTypeMask) == 1);

    // Orthometric correction: metres in the file.
    orthoCorrection = profile->ReadDouble(kSection, "OrthoHCorr", 0.0);
    if (vertFactor != 0.0) orthoCorrection /= vertFactor;
    numbertext::show(ui->edOrtho, orthoCorrection, numbertext::formatOr15("%.3lf", orthoCorrection));
}

void TmainFrm::readVerticalDatum(IBayrunProfile* profile) {
    // Geoid model: the bare file name.
    if (profile->KeyExists(kSection, "Geoid"))
        geoidModel = withoutExtension(fileNameOf(readText(profile, "Geoid", "")));
    else
        geoidModel.clear();
    ui->edGeoModel->setText(QString::fromStdString(geoidModel));

    // Elevation mode.
    ui->ckElevationMode->setChecked(profile->ReadBool(kSection, "Elevation", false));

    // VDatum area and surface.
    ui->cbVDatum->setCurrentIndex(-1);
    ui->cbDatum->setCurrentIndex(-1);
    const std::string area = readText(profile, "VDatum", "");
    if (!area.empty()) {
        Query q(database, "SELECT id, description FROM varea WHERE abrev=?");
        q.bind(1, area);
        if (q.next()) {
            SelectItemByObject(ui->cbVDatum, q.getInt(0));
            LoadVDatumSurfaces();
            const std::string surface = readText(profile, "VSurface", "TSS");
            Query s(database, "SELECT id FROM vsurface WHERE abrev=?;");
            s.bind(1, surface);
            if (s.next()) SelectItemByObject(ui->cbDatum, s.getInt(0));
        }
    }
}

// RTK mode, or for an older file the mode its "ChartDatum" implies.
void TmainFrm::readRtkMode(IBayrunProfile* profile) {
    if (profile->KeyExists(kSection, "RTKMode")) {
        rtkMode = profile->ReadInt(kSection, "RTKMode", 0);
        ktdFile = readText(profile, "KTDFile", "");
        chartDatum = profile->ReadDouble(kSection, "ChartDatum", 0.0);
    } else {
        const std::string text = readText(profile, "ChartDatum", "");
        if (text.empty()) {
            // No level: the mode the library reads from the models named (a new or empty project
            // gets the chart datum level alone, which needs nothing else).
            chartDatum = 0.0;
            rtkMode = ui->cbVDatum->currentIndex() >= 0 ? 3 : geoidModel.empty() ? 0 : 4;
        } else if (text[0] >= '0' && text[0] <= '9') {
            chartDatum = leadingDouble(text);  // as the library reads the old form
            rtkMode = geoidModel.empty() ? 0 : 4;
        } else {
            rtkMode = 3;
            Query s(database, "SELECT id FROM vsurface WHERE abrev=?;");
            s.bind(1, text);
            if (s.next()) SelectItemByObject(ui->cbDatum, s.getInt(0));
        }
    }
    numbertext::show(ui->edDatumLevel, chartDatum, numbertext::formatOr15("%.2lf", chartDatum));
    setRtkIndex(rtkMode);
    UpdateRtkControls(rtkMode);
    ui->ExportVDatumtoXYZ1->setEnabled(rtkMode == 3);
}

void TmainFrm::ReadCurrentParameters() {
    ReadParameters(bayrun::environment()->GetProfile(kBayrunProfileGeodesy), false);
}

void TmainFrm::ReadParameterFile(const std::string& path) {
    OwnedProfile profile = newProfile();
    profile->Open(path.c_str());
    ReadParameters(profile.get(), true);
}
