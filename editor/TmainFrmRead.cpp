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
    const int zone = readZone(profile, gridFile);
    if (zone < 1 || !SelectZoneById(zone)) {
        if (!gridFile) readGridSelection(profile);  // a grid file leaves the grid list alone
        readProjection(profile);
        readLocalGrid(profile);
    }
    readUnits(profile);
    readLengthsAndDatum(profile);
    readVerticalDatum(profile);
    // A custom grid file holds no vertical reference.
    if (!gridFile) readRtkMode(profile);
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
int TmainFrm::readZone(IBayrunProfile* profile, bool gridFile) {
    int zone = 0;
    if (!gridFile && profile->KeyExists(kSection, "ZoneId")) {
        zone = profile->ReadInt(kSection, "ZoneId", 0);
    } else if (profile->KeyExists(kSection, "Grid")) {
        const std::string grid = readText(profile, "Grid", "");
        const std::string zoneName = readText(profile, "ZoneName", "");
        Query q(database,
                "SELECT gp_zones.id FROM gp_zones INNER JOIN gp_crs ON gp_zones.crs_id = gp_crs.id  WHERE "
                "gp_crs.name = ?1 and gp_zones.name= ?2 limit 1");
        q.bind(1, grid).bind(2, zoneName);
        if (q.next()) zone = q.getInt(0);
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
        ShowParameter(int(i), profile->ReadDouble(kSection, key.c_str(), 0.0));
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

// Horizontal unit: the table unit of exactly this factor, else metres; vertical: 0 is "same as
// horizontal".
void TmainFrm::readUnits(IBayrunProfile* profile) {
    horzFactor = profile->ReadDouble(kSection, "Unit", 1.0);
    int unit = 1;
    {
        Query q(database, "SELECT id FROM gp_units WHERE factor = ?;");
        q.bind(1, horzFactor);
        if (q.next()) {
            unit = q.getInt(0);
        } else {
            horzFactor = 1.0;
        }
    }
    ui->cbHorzUnit->setCurrentIndex(unit - 1);

    vertFactor = profile->ReadDouble(kSection, "VertUnit", 0.0);
    int vertical = 0;
    if (vertFactor != 0.0) {
        Query q(database, "SELECT id FROM gp_units WHERE factor = ?;");
        q.bind(1, vertFactor);
        if (q.next()) vertical = q.getInt(0);
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
        if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
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
