// A Geodesy from a geodesy parameter file. The file's values are converted to the record's units
// here; where a value names a data file, only its file name counts and the file is looked for in
// the suite's datum folder.
#include "geodesy/GeodesyFromFile.h"

#include <cmath>
#include <memory>
#include <string>

#include "common/LastProject.h"
#include "common/Profile.h"
#include "geodesy/DataFiles.h"
#include "geodesy/Geodesy.h"
#include "geodesy/GeodesyParameterFile.h"
#include "geodesy/Trace.h"
#include "geodesy/VerticalReference.h"

using namespace geodesyfile;

namespace {

constexpr const char* kKtdExtension = ".ktd";

[[noreturn]] void fail(int code) { throw erc(code, kSeverityError, &geodesyFacility()); }

double finite(double value, int code) {
    if (!std::isfinite(value)) fail(code);
    return value;
}

// A number of the section; a value that is not finite fails with `code`.
double numberOf(const Pelagix::Profile& file, const char* section, const char* key, int code) {
    return finite(file.getDouble(key, section, 0.0), code);
}

std::string cut(std::string value, size_t length) {
    if (value.size() > length) value.resize(length);
    return value;
}

// Projection and ellipsoid; an unknown projection name fails before anything is built. Values
// that are not finite are refused after it, in the order the build checks them: inverse
// flattening (3), unit (4), the projection's parameters (7).
GeodesyParams readProjection(const Pelagix::Profile& file, const char* section) {
    int refused = 0;
    auto number = [&](const char* key, int code = TELLUS_E_PARAMETERS) {
        double value = file.getDouble(key, section, 0.0);
        if (!std::isfinite(value) && (refused == 0 || code < refused)) refused = code;
        return value;
    };
    GeodesyParams params{};
    params.scaleFactor = zeroMeansOne(number(kScaleFactor));
    params.referenceLatitude = degreesToRadians(number(kRefLatitude));
    params.centralMeridian = degreesToRadians(number(kCentralMeridian));
    params.northParallel = degreesToRadians(number(kNorthParallel));
    params.southParallel = degreesToRadians(number(kSouthParallel));
    params.unitFactor = zeroMeansOne(number(kUnit, TELLUS_E_UNIT));
    params.falseEasting = number(kFalseEasting);
    params.falseNorthing = number(kFalseNorthing);
    params.skewAzimuth = degreesToRadians(number(kSkewAzimuth));
    params.semiMajorAxis = number(kSemiMajorAxis);
    params.inverseFlattening = number(kFlattening, TELLUS_E_FLATTENING);
    std::string name = cut(file.getString(kProjection, section, ""), kProjectionNameLength);
    params.projectionId = projectionIdOf(name.c_str());
    if (params.projectionId == 0) fail(TELLUS_E_PROJECTION);
    if (refused) fail(refused);
    params.northParallel = standardParallel(params.projectionId, params.northParallel, params.referenceLatitude);
    params.southParallel = standardParallel(params.projectionId, params.southParallel, params.referenceLatitude);
    return params;
}

EllDiffParams readEllDiff(const Pelagix::Profile& file, const char* section) {
    auto number = [&](const char* key) { return numberOf(file, section, key, TELLUS_E_PARAMETERS); };
    return EllDiffParams{number(kDeltaX),
                         number(kDeltaY),
                         number(kDeltaZ),
                         ppmToScale(number(kDeltaScale)),
                         arcSecondsToRadians(number(kDeltaRX)),
                         arcSecondsToRadians(number(kDeltaRY)),
                         arcSecondsToRadians(number(kDeltaRZ))};
}

AdjustParams readAdjustment(const Pelagix::Profile& file, const char* section) {
    auto number = [&](const char* key) { return numberOf(file, section, key, TELLUS_E_PARAMETERS); };
    AdjustParams adjust{};
    adjust.type = uint32_t(adjustTypeWord(file.getInt(kAdjustType, section, 0), file.getBool(kReverseX, section, false),
                                          file.getBool(kReverseY, section, false)));
    adjust.rotation = adjustRotationToRadians(number(kAdjustRotation));
    adjust.scale = zeroMeansOne(number(kAdjustScale));
    adjust.translationX = number(kAdjustX);
    adjust.translationY = number(kAdjustY);
    adjust.originX = number(kAdjustOrigX);
    adjust.originY = number(kAdjustOrigY);
    return adjust;
}

// The KTD table named by the file, or the table of the same name in the last project's folder,
// which then replaces the stored value in one rewrite of the file. `substituted` tells that the
// table is the library's choice, not the host's: the fallback's, or one it stored in an earlier
// open (a path of that form in the last project's folder).
std::string findKtdTable(Pelagix::Profile& file, const char* section, bool& substituted) {
    substituted = false;
    std::string value = file.getString(kKTDFile, section, "");
    // An empty value names no table: probing "<project>/.ktd" would find a stray file.
    if (value.empty()) return value;
    // Without a project folder there is no candidate (not one at the file system's root).
    const std::string folder = projectFolder();
    auto fallbackFor = [&](const std::string& name) { return folder + "/" + datafiles::stem(name) + kKtdExtension; };
    if (datafiles::isReadableFile(value)) {
        substituted = !folder.empty() && value == fallbackFor(value);
        return value;
    }
    if (folder.empty()) return value;
    std::string candidate = fallbackFor(value);
    if (!datafiles::isReadableFile(candidate)) return value;
    substituted = true;
    // A path too long for a host's name buffer is used but not stored: the file's next reader
    // (a host, the editor) would take it as its own.
    if (candidate.size() < size_t(vertical::kNameBufferSize)) file.writeString(kKTDFile, candidate.c_str(), section);
    return candidate;
}

Geodesy* build(Pelagix::Profile& file, const char* section) {
    const int version = file.getInt(kVer, section, 0);
    auto geodesy = std::make_unique<Geodesy>(readProjection(file, section));
    geodesy->SetVertUnit(numberOf(file, section, kVertUnit, TELLUS_E_UNIT));

    if (file.hasKey(kDynDatum, section)) {
        // Present, the grid replaces the seven parameters even when it cannot be loaded. That
        // failure leaves the handle to hosts that only project: SetEllModel has logged it, and the
        // WGS 84 conversions fail with it.
        std::string grid = datafiles::datumFile(fileNameOf(file.getString(kDynDatum, section, "")));
        erc loaded = geodesy->SetEllModel(grid.c_str());
        loaded.release();
    } else {
        erc set = geodesy->SetEllDiff(readEllDiff(file, section));
        if (int code = set.release()) fail(code);
    }

    AdjustParams adjust = readAdjustment(file, section);
    erc adjusted = geodesy->SetAdjustment(adjust);
    if (int code = adjusted.release()) fail(code);

    const bool hasGeoid = file.hasKey(kGeoid, section);
    const bool hasVDatum = file.hasKey(kVDatum, section);
    ChartDatumParams vertical{};
    vertical.mode = verticalMode(version, file.getInt(kRTKMode, section, 0), hasGeoid, hasVDatum);
    std::string geoid, region, surface;
    if (hasGeoid) {
        geoid = datafiles::datumFile(fileNameOf(file.getString(kGeoid, section, "")));
        vertical.geoidModel = geoid.data();
        vertical.orthoHCorr = numberOf(file, section, kOrthoHCorr, TELLUS_E_GEOID);  // the geoid's correction
    }
    if (hasVDatum) {
        region = datafiles::vdatumFolder(fileNameOf(file.getString(kVDatum, section, "")));
        // A name, like the other file keys: a path in it must not reach outside the area.
        surface = cut(fileNameOf(file.getString(kVSurface, section, "")), kSurfaceNameLength);
        if (surface.empty()) surface = kDefaultSurface;
        vertical.vdatumRegion = region.data();
        vertical.vdatumSurface = surface.data();
    }
    // Finite in the file and in metres (a large value times the unit may overflow).
    vertical.chartDatum = finite(
        chartDatumToMetres(numberOf(file, section, kChartDatum, TELLUS_E_NO_SEPARATION), geodesy->HorzUnit()), TELLUS_E_NO_SEPARATION);
    bool substituted = false;
    std::string ktd = findKtdTable(file, section, substituted);
    vertical.ktdFile = ktd.data();
    erc vertStatus = geodesy->SetChartDatum(vertical);
    if (int code = vertStatus.release()) fail(code);
    if (substituted) geodesy->KtdPathSubstituted();

    geodesy->zoneId = file.getInt(kZoneId, section, kDefaultZoneId);
    return geodesy.release();
}

}  // namespace

erc DoGeoCreation(Pelagix::Profile& profile, const char* section, Geodesy*& created) {
    trace("DoGeoCreation entered");
    created = nullptr;
    int code = 0;
    try {
        try {
            created = build(profile, section);
        } catch (erc& e) {
            code = e.release();
        }
    } catch (erc& e) {
        // A destructor that threw while the first error was being taken.
        code = e.release();
    } catch (...) {
        code = TELLUS_E_GENERAL;
    }
    if (code == 0) return erc();
    return erc(code, kSeverityError, &geodesyFacility());
}
