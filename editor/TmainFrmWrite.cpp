// The main window: validating and writing the parameter file.
#include "editor/TmainFrm.h"

#include "common/FolderLookup.h"
#include "common/LastProject.h"
#include "common/Platform.h"
#include "editor/TmainFrmShared.h"
#include "geodesy/SetupRanges.h"
#include "ui_TmainFrm.h"

#include <cmath>
#include <tuple>

using namespace mainform;

namespace {

// "<lowest> to <highest>" in the general number form.
QString range(double lowest, double highest) {
    return numbertext::general(lowest) + QStringLiteral(" to ") + numbertext::general(highest);
}

// A write of the parameter file that did not succeed: the caller must not report success.
void checkWrite(bool written, const char* key) {
    if (!written) throw std::runtime_error(std::string("The parameter file could not be written (key ") + key + ").");
}

}  // namespace

void TmainFrm::WriteParameters(IBayrunProfile* profile) {
    // Every number is taken from its edit before the section is erased, so a text that is not a
    // number stops the writing with the file as it was. An edit the user did not change gives the
    // full value it shows, so a project opened and saved keeps every value as it was read.
    using numbertext::checkRange;
    using numbertext::fieldName;
    const auto field = [](QLineEdit* edit, QLabel* label) { return numbertext::value(edit, fieldName(label)); };
    const auto typed = [](QLineEdit* edit) { return edit->text().trimmed(); };
    const QString metres = QStringLiteral(" m)");
    const double semiMajor = field(ui->edSemiMajorAxis, ui->lblSemiMajorAxis);
    checkRange(ui->edSemiMajorAxis, fieldName(ui->lblSemiMajorAxis), typed(ui->edSemiMajorAxis), semiMajor,
               setupranges::kMinSemiMajorAxis, setupranges::kMaxSemiMajorAxis,
               "semi-major axis (" + range(setupranges::kMinSemiMajorAxis, setupranges::kMaxSemiMajorAxis) + metres);
    const double flattening = field(ui->edFlattening, ui->lblFlattening);
    checkRange(ui->edFlattening, fieldName(ui->lblFlattening), typed(ui->edFlattening), flattening,
               setupranges::kMinInverseFlattening, setupranges::kMaxInverseFlattening,
               "inverse flattening (" +
                   range(setupranges::kMinInverseFlattening, setupranges::kMaxInverseFlattening) + ")");
    // A unit factor out of its range would make every length nothing, or everything.
    const bool vertical = ui->cbVertUnit->currentIndex() >= 1;
    const std::tuple<QComboBox*, QLabel*, double> units[] = {{ui->cbHorzUnit, ui->lblDistanceUnit, horzFactor},
                                                             {ui->cbVertUnit, ui->lblDepthUnit, vertical ? vertFactor : 1.0}};
    for (const auto& [list, label, factor] : units)
        checkRange(list, fieldName(label), numbertext::exact(factor), factor, setupranges::kMinUnitFactor,
                   setupranges::kMaxUnitFactor,
                   "unit factor (" + range(setupranges::kMinUnitFactor, setupranges::kMaxUnitFactor) + " m per unit)");
    // The false origin's limit holds in metres, after the unit factor.
    const double originLimit = setupranges::kMaxFalseOrigin / horzFactor;
    const QString originRange = "false origin (" + range(-originLimit, originLimit) + " " + ui->cbHorzUnit->currentText() + ")";
    const double easting = field(ui->edFalseEast, ui->lblFalseEasting);
    checkRange(ui->edFalseEast, fieldName(ui->lblFalseEasting), typed(ui->edFalseEast), easting, -originLimit,
               originLimit, originRange);
    const double northing = field(ui->edFalseNorth, ui->lblFalseNorthing);
    checkRange(ui->edFalseNorth, fieldName(ui->lblFalseNorthing), typed(ui->edFalseNorth), northing, -originLimit,
               originLimit, originRange);
    const double transformation[kDatumParameters] = {
        field(ui->edDx, ui->lblDx),   field(ui->edDy, ui->lblDy),   field(ui->edDz, ui->lblDz),
        field(ui->edDrx, ui->lblRx),  field(ui->edDry, ui->lblRy),  field(ui->edDrz, ui->lblRz),
        field(ui->edDsc, ui->lblDscale)};
    const double ortho = field(ui->edOrtho, ui->lblOrtho);
    // The values that no edit shows pass the same check, by the key they are stored under.
    const auto finite = [](const char* key, double value) {
        if (!std::isfinite(value)) throw ConversionError(key, numbertext::exact(value));
    };
    if (localGrid.AdjustType != 0) {
        for (const auto& [key, value] : {std::pair{"AdjustOrigX", localGrid.OrigX}, {"AdjustOrigY", localGrid.OrigY},
                                         {"AdjustRotation", localGrid.Rotation}, {"AdjustScale", localGrid.Scale},
                                         {"AdjustX", localGrid.TransX}, {"AdjustY", localGrid.TransY}})
            finite(key, value);
        // The library refuses a local grid of scale 0.
        if (localGrid.Scale == 0) throw ConversionError("AdjustScale", "0", "local grid scale: it must not be 0.");
    }

    struct Parameter {
        std::string key;
        std::string text;
    };
    std::vector<Parameter> parameters;
    std::string projectionAbrev;
    {
        Query projection(database, "SELECT * FROM gp_projections WHERE id=?;");
        projection.bind(1, ui->cbProjection->currentIndex() + 1);
        if (projection.next()) {
            projectionAbrev = projection.getString("abrev");
            const int numpar = projection.getInt("numpar");
            for (int i = 0; i < numpar && i < kParameterSlots; ++i) {
                Query par(database, "SELECT * FROM gp_projpar WHERE id=?;");
                par.bind(1, projection.getInt(("par" + std::to_string(i + 1)).c_str()));
                if (!par.next()) continue;
                // A field that does not read as its kind of value is refused like any other
                // number: writing the previous parameter's value in its place would be wrong.
                const ParameterSlot& slot = parameterSlots[i];
                const QString name = fieldName(slot.label), shown = slot.edit->text();
                double value = 0;
                if (!readParameter(i, value)) {
                    if (slot.kind == kLatitude)
                        throw ConversionError(name, shown, "latitude (-90 to 90 degrees)").at(slot.edit);
                    if (slot.kind == kLongitude)
                        throw ConversionError(name, shown, "longitude (-180 to 180 degrees)").at(slot.edit);
                    throw ConversionError(name, shown).at(slot.edit);
                }
                // The library's ranges (a scale factor of 0 it would read as 1: not one typed).
                const std::string abrev = par.getString("abrev");
                if (slot.kind == kLatitude)
                    checkRange(slot.edit, name, shown, value, -setupranges::kMaxLatitudeDeg, setupranges::kMaxLatitudeDeg,
                               "latitude (" + range(-setupranges::kMaxLatitudeDeg, setupranges::kMaxLatitudeDeg) + " degrees)");
                else if (slot.kind == kLongitude)
                    checkRange(slot.edit, name, shown, value, -setupranges::kMaxLongitudeDeg, setupranges::kMaxLongitudeDeg,
                               "longitude (" + range(-setupranges::kMaxLongitudeDeg, setupranges::kMaxLongitudeDeg) + " degrees)");
                else if (abrev == "ScaleFactor")
                    checkRange(slot.edit, name, shown, value, setupranges::kMinScaleFactor, setupranges::kMaxScaleFactor,
                               "scale factor (" + range(setupranges::kMinScaleFactor, setupranges::kMaxScaleFactor) + ")");
                else if (abrev == "SkewAzimuth")
                    checkRange(slot.edit, name, shown, value, -setupranges::kMaxAzimuthDeg, setupranges::kMaxAzimuthDeg,
                               "azimuth (" + range(-setupranges::kMaxAzimuthDeg, setupranges::kMaxAzimuthDeg) + " degrees)");
                // The parameter's own format, unless it is missing or unusable or would not read
                // back as the value: then the exact shortest text.
                QString text;
                double back = 0;
                if (!numbertext::format(par.getString("fmt"), value, text) || !numbertext::parse(text, back) ||
                    back != value)
                    text = numbertext::exact(value);
                parameters.push_back({par.getString("abrev"), text.toStdString()});
            }
        }
    }
    // The library refuses a file without a projection: so does the editor, before writing.
    if (projectionAbrev.empty()) throw std::runtime_error("No projection is chosen: choose one in the Projection list.");

    checkWrite(profile->EraseSectionW(kSectionW), "Geodesy");
    checkWrite(profile->WriteInt(kSection, "Ver", libraryVersion), "Ver");
    const int grid = ui->cbGrid->currentIndex();
    if (grid >= 0 && grid < predefinedGridCount) {
        checkWrite(profile->WriteInt(kSection, "ZoneId", ui->cbZone->currentData().toInt()), "ZoneId");
        checkWrite(profile->WriteStringW(kSectionW, u"Grid", ui->cbGrid->currentText().toStdU16String().c_str()), "Grid");
        checkWrite(profile->WriteStringW(kSectionW, u"ZoneName", ui->cbZone->currentText().toStdU16String().c_str()), "ZoneName");
    }
    // Twelve decimals, unless they would not read back as the factor (1200/3937 in full).
    QString unitText = numbertext::formatOr15("%.12lf", horzFactor);
    double unitBack = 0;
    if (!numbertext::parse(unitText, unitBack) || unitBack != horzFactor) unitText = numbertext::exact(horzFactor);
    checkWrite(profile->WriteStringW(kSectionW, u"Unit", unitText.toStdU16String().c_str()), "Unit");
    checkWrite(profile->WriteStringW(kSectionW, u"UnitsName", unitName().toStdU16String().c_str()), "UnitsName");
    checkWrite(profile->WriteDouble(kSection, "VertUnit", vertical ? vertFactor : 0.0), "VertUnit");
    checkWrite(profile->WriteString(kSection, "Projection", projectionAbrev.c_str()), "Projection");
    for (const Parameter& p : parameters)
        checkWrite(profile->WriteString(kSection, p.key.c_str(), p.text.c_str()), p.key.c_str());
    checkWrite(profile->WriteStringW(kSectionW, u"Ellipsoid", ui->cbEllipsoid->currentText().toStdU16String().c_str()),
               "Ellipsoid");
    // Checked numbers, written in their exact shortest text.
    const std::pair<const char*, double> checked[] = {
        {"SemiMajorAxis", semiMajor}, {"Flattening", flattening}, {"FalseEasting", easting}, {"FalseNorthing", northing}};
    for (const auto& [key, value] : checked) checkWrite(profile->WriteDouble(kSection, key, value), key);
    const char* transformationKeys[kDatumParameters] = {"DeltaX", "DeltaY", "DeltaZ", "DeltaRX", "DeltaRY", "DeltaRZ", "DeltaScale"};
    for (int i = 0; i < kDatumParameters; ++i)
        checkWrite(profile->WriteDouble(kSection, transformationKeys[i], transformation[i]), transformationKeys[i]);

    if (!datumShiftFile.empty()) {
        checkWrite(profile->WriteString(kSection, "DynDatum", datumShiftFileName(datumShiftFile).c_str()), "DynDatum");
    } else {
        profile->DeleteKey(kSection, "DynDatum");
    }

    if (localGrid.AdjustType != 0) {
        checkWrite(profile->WriteInt(kSection, "AdjustType", localGrid.AdjustType & kAdjustTypeMask), "AdjustType");
        const std::pair<const char*, double> values[] = {
            {"AdjustOrigX", localGrid.OrigX}, {"AdjustOrigY", localGrid.OrigY}, {"AdjustRotation", localGrid.Rotation},
            {"AdjustScale", localGrid.Scale}, {"AdjustX", localGrid.TransX},    {"AdjustY", localGrid.TransY}};
        for (const auto& [key, value] : values) checkWrite(profile->WriteDouble(kSection, key, value), key);
        if (localGrid.AdjustType & kReverseX) checkWrite(profile->WriteBool(kSection, "ReverseX", true), "ReverseX");
        if (localGrid.AdjustType & kReverseY) checkWrite(profile->WriteBool(kSection, "ReverseY", true), "ReverseY");
    } else {
        for (const char* key : {"AdjustType", "AdjustOrigX", "AdjustOrigY", "AdjustRotation", "AdjustScale", "AdjustX",
                                "AdjustY", "ReverseX", "ReverseY"})
            profile->DeleteKey(kSection, key);
    }

    checkWrite(profile->WriteDouble(kSection, "OrthoHCorr", ortho * vertFactor), "OrthoHCorr");
    // Only what the chosen RTK method uses: a model kept for another method is not the project's.
    if (!geoidModel.empty() && usesGeoid(rtkMode))
        checkWrite(profile->WriteString(kSection, "Geoid", (geoidModel + ".geo").c_str()), "Geoid");
    else
        profile->DeleteKey(kSection, "Geoid");
    checkWrite(profile->WriteBool(kSection, "Elevation", ui->ckElevationMode->isChecked()), "Elevation");
}

bool TmainFrm::ValidateAndWriteParameters(IBayrunProfile* profile, const std::string& path) {
    int message = 0;
    if (rtkMode == 3 && (ui->cbDatum->currentIndex() < 0 || ui->cbVDatum->currentIndex() < 0))
        message = kMsgMissingVDatum;
    else if ((rtkMode == 2 || rtkMode == 3 || rtkMode == 4) && geoidModel.empty())
        message = kMsgMissingGeoid;
    else if ((rtkMode == 1 || rtkMode == 2) && ktdFile.empty())
        message = kMsgMissingKtd;
    // A message never names a control the surveyor cannot see.
    const auto reveal = [this] {
        if (displayMode == kSubBottom) SetDisplayMode(ui->mnuViewStandard);
    };
    if (message != 0) {
        reveal();
        showError(resString(message), resString(kCaption));
        return false;
    }
    // The library finds a model by its name in the datum folder only: one that is not there
    // would leave the project without its datum shift or geoid.
    const std::pair<int, std::string> models[] = {
        {kDatumShiftTitle, datumShiftFile.empty() ? std::string() : datumShiftFileName(datumShiftFile)},
        {kGeoidTitle, geoidModel.empty() || !usesGeoid(rtkMode) ? std::string() : geoidModel + ".geo"}};
    for (const auto& [title, name] : models) {
        if (name.empty() || platform::isRegularFile(findInFolder(datumFolder(), name))) continue;
        reveal();
        const auto answer = QMessageBox::question(
            this, resString(title),
            QStringLiteral("%1 is not in the datum folder %2, where the library looks for it: the project will "
                           "not convert until it is there.\n\nSave anyway?")
                .arg(elided(QString::fromStdString(name)), elided(QString::fromStdString(datumFolder()))),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) return false;
    }
    // The KTD table by its path, else by its name in the project's folder.
    if (usesKtd(rtkMode) && !platform::isRegularFile(ktdFile)) {
        const std::string folder = lastProjectIn(dataRoot()).folder;
        if (!platform::isRegularFile(folder + "/" + withoutExtension(fileNameOf(ktdFile)) + ".ktd")) {
            reveal();
            const auto answer = QMessageBox::question(
                this, resString(kKtdTitle),
                QStringLiteral("The KTD table %1 cannot be read, and the project folder %2 holds none of its name: "
                               "the project will not convert until it is there.\n\nSave anyway?")
                    .arg(elided(QString::fromStdString(ktdFile)), elided(QString::fromStdString(folder))),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer != QMessageBox::Yes) return false;
        }
    }
    double level = 0;
    try {
        // The level kept for another method is not this one's: the methods without it store 0.
        if (rtkMode == 0 || rtkMode == 4 || rtkMode == 5)
            level = numbertext::value(ui->edDatumLevel, numbertext::fieldName(ui->lblDatumLevel));
        numbertext::value(ui->edOrtho, numbertext::fieldName(ui->lblOrtho));
    } catch (...) {
        reveal();
        throw;
    }

    replaceSection(profile, [&](IBayrunProfile* section) { writeSection(section, level); }, path);
    return true;
}

void TmainFrm::writeSection(IBayrunProfile* profile, double level) {
    WriteParameters(profile);

    profile->DeleteKey(kSection, "VDatum");
    if (rtkMode == 3) {
        {
            Query q(database, "SELECT abrev FROM varea WHERE id=?;");
            q.bind(1, ui->cbVDatum->currentData().toInt());
            if (q.next()) checkWrite(profile->WriteString(kSection, "VDatum", q.getText(0)), "VDatum");
        }
        Query q(database, "SELECT abrev FROM vsurface WHERE id=?;");
        q.bind(1, ui->cbDatum->currentData().toInt());
        if (q.next())
            checkWrite(profile->WriteString(kSection, "VSurface", q.getText(0)), "VSurface");
        else
            profile->DeleteKey(kSection, "VSurface");
    }
    checkWrite(profile->WriteDouble(kSection, "ChartDatum", level), "ChartDatum");
    checkWrite(profile->WriteInt(kSection, "RTKMode", rtkMode), "RTKMode");
    if (!ktdFile.empty() && usesKtd(rtkMode)) checkWrite(profile->WriteString(kSection, "KTDFile", ktdFile.c_str()), "KTDFile");
    if (ui->cbGrid->currentIndex() > predefinedGridCount)
        checkWrite(profile->WriteStringW(kSectionW, u"CustomName", ui->cbGrid->currentText().toStdU16String().c_str()),
                   "CustomName");
}
