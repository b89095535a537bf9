// The vertical reference of a Geodesy: loading the grids of a vertical mode, reporting them, and
// the separation and undulation at a position.
#include "geodesy/VerticalReference.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "common/Text.h"
#include "geodesy/DataFiles.h"
#include "geodesy/GeodesyParameterFile.h"
#include "geodesy/Geodesy.h"
#include "geodesy/grids/BinFile.h"
#include "geodesy/grids/GtxFile.h"
#include "geodesy/grids/KTDFile.h"

using namespace vertical;

namespace {

erc failure(int code) { return erc(code, kSeverityError, &geodesyFacility()); }

bool isTss(const char* surface) { return equalsIgnoringAsciiCase(surface, kTssSurface); }

// Opens a grid of type T on `path`; null when the path names no regular file or the reader
// refuses it.
template <typename T, typename... Args>
std::unique_ptr<InterpFile> openGrid(const std::string& path, Args... args) {
    if (!datafiles::isReadableFile(path)) return nullptr;
    try {
        return std::make_unique<T>(path.c_str(), args...);
    } catch (erc& e) {
        e.release();
        return nullptr;
    }
}

// The most values a grid gives per node (a binary grid named as a geoid may carry three).
constexpr int kMostValuesPerNode = 3;

// The first value of a grid at a point, or the lookup's code; a grid whose file no longer gives
// its nodes fails with `unreadable`, the code of the model that cannot be loaded (it is not a
// point outside the grid, which has no separation).
int lookupOne(InterpFile& grid, double p, double q, double& value, int unreadable) {
    int count = 0;
    double values[kMostValuesPerNode];
    erc found = grid.Lookup(p, q, &count, values);
    int code = found.release();
    if (code == 0) value = values[0];
    return code == TELLUS_E_GENERAL ? unreadable : code;
}

void copyName(const std::string& name, char* buf) { copyUtf8Bounded(name, buf, kNameBufferSize); }

bool usesGeoid(int mode) { return mode == kGeoidAndKtd || mode == kGeoidAndVdatum || mode == kGeoidAndUser; }
bool usesChartDatum(int mode) { return mode == kGeoidAndUser || mode == kUserSeparation; }

}  // namespace

erc Geodesy::SetChartDatum(const ChartDatumParams& p) {
    // A value the mode uses that is not a finite number is refused before anything changes; the
    // fields a mode does not use are not looked at.
    if (usesGeoid(p.mode) && !std::isfinite(p.orthoHCorr)) return failure(TELLUS_E_GEOID);
    if (usesChartDatum(p.mode) && !std::isfinite(p.chartDatum)) return failure(TELLUS_E_NO_SEPARATION);
    geoidGrid.reset();
    surfaceGrid.reset();
    tssGrid.reset();
    ktdGrid.reset();
    ktdSubstituted = false;
    chartDatum = 0.0;
    orthoCorrection = 0.0;
    vertMode = kNoTide;

    // A bare geoid name lives in the suite's datum folder; a path is taken as it stands.
    auto loadGeoid = [&](bool folderRule) {
        if (!p.geoidModel) return false;
        std::string name = p.geoidModel;
        std::string path = folderRule && !datafiles::hasSeparator(name) ? datafiles::datumFile(name) : name;
        geoidGrid = openGrid<BinFile>(path, false);
        return geoidGrid != nullptr;
    };
    auto loadKtd = [&]() {
        if (!p.ktdFile) return false;
        ktdGrid = openGrid<KTDFile>(std::string(p.ktdFile));
        return ktdGrid != nullptr;
    };
    auto loadVdatum = [&]() {
        if (!p.vdatumRegion) return false;
        std::string region = p.vdatumRegion;
        std::string folder = datafiles::hasSeparator(region) ? region : datafiles::vdatumFolder(region);
        tssGrid = openGrid<GtxFile>(findInFolder(folder, kTssFile));
        if (!tssGrid) return false;
        if (p.vdatumSurface && !isTss(p.vdatumSurface)) {
            std::string name = std::string(p.vdatumSurface) + kGtxExtension;
            surfaceGrid = openGrid<GtxFile>(findInFolder(folder, name));
            if (!surfaceGrid) return false;
        }
        return true;
    };

    switch (p.mode) {
    case kKtdOnly:
        if (!loadKtd()) return failure(TELLUS_E_KTD);
        break;
    case kGeoidAndKtd:
        if (!loadGeoid(true)) return failure(TELLUS_E_GEOID);
        orthoCorrection = p.orthoHCorr;
        if (!loadKtd()) return failure(TELLUS_E_KTD);
        break;
    case kGeoidAndVdatum:
        if (!loadGeoid(true)) return failure(TELLUS_E_GEOID);
        orthoCorrection = p.orthoHCorr;
        if (!loadVdatum()) return failure(TELLUS_E_VDATUM);
        break;
    case kGeoidAndUser:
        if (!loadGeoid(false)) return failure(TELLUS_E_GEOID);
        orthoCorrection = p.orthoHCorr;
        chartDatum = p.chartDatum;
        break;
    case kUserSeparation: chartDatum = p.chartDatum; break;
    default: break;
    }
    // Stored as given, also outside 0..5, so that a host reads back what it set.
    vertMode = p.mode;
    return erc();
}

erc Geodesy::GetChartDatum(ChartDatumParams& p) const {
    p.mode = vertMode;
    if (geoidGrid && p.geoidModel) {
        copyName(geodesyfile::fileNameOf(geoidGrid->path), p.geoidModel);
        p.orthoHCorr = orthoCorrection;
    }
    if (tssGrid && p.vdatumRegion) {
        copyName(geodesyfile::fileNameOf(datafiles::folderOf(tssGrid->path)), p.vdatumRegion);
        if (p.vdatumSurface)
            copyName(surfaceGrid ? datafiles::stem(surfaceGrid->path) : std::string(kTssSurface),
                     p.vdatumSurface);
    }
    p.chartDatum = chartDatum;
    // The KTD path goes whole or not at all: a cut path would name another file. A path the host
    // set fits the buffer it gives; the fallback to the last project may have loaded one the host
    // never set, so that buffer is not trusted to be longer than a name's, and is left untouched.
    if (ktdGrid && p.ktdFile) {
        if (ktdSubstituted && ktdGrid->path.size() >= size_t(kNameBufferSize))
            return erc(TELLUS_E_GENERAL, kSeverityError, &geodesyFacility()).disarm();
        std::memcpy(p.ktdFile, ktdGrid->path.c_str(), ktdGrid->path.size() + 1);
    }
    return erc();
}

int Geodesy::VDatumSeparationCode(double lat, double lon, double& separation) {
    double tss = 0.0, surface = 0.0;
    if (!tssGrid) return TELLUS_E_OUTSIDE_GRID;
    if (int code = lookupOne(*tssGrid, lat, lon, tss, TELLUS_E_VDATUM)) return code;
    if (surfaceGrid)
        if (int code = lookupOne(*surfaceGrid, lat, lon, surface, TELLUS_E_VDATUM)) return code;
    separation = tss - surface;
    return 0;
}

erc Geodesy::DatumSeparation(double lat, double lon, double* separation, double* undulation) {
    double n = 0.0;
    int code = 0;
    // The geoid term N, then K - N from the mode's source.
    auto geoid = [&]() {
        double value = 0.0;
        code = lookupOne(*geoidGrid, lat, lon, value, TELLUS_E_GEOID);
        if (code == 0) n = value + orthoCorrection;
        return code == 0;
    };
    auto ktd = [&](double& k) {
        double x = 0.0, y = 0.0;
        erc projected = GeoXY(x, y, lat, lon);
        code = projected.release();
        if (code == 0) code = lookupOne(*ktdGrid, y, x, k, TELLUS_E_KTD);
        return code == 0;
    };

    bool noSeparation = false;
    double k = 0.0, s = 0.0;
    switch (vertMode) {
    case kKtdOnly:
        if (ktd(k) && separation) *separation = vertUnit * k - n;
        break;
    case kGeoidAndKtd:
        if (geoid() && ktd(k) && separation) *separation = vertUnit * k - n;
        break;
    case kGeoidAndVdatum:
        // The VDatum grids are read only when the separation is asked for.
        if (geoid() && separation) {
            code = VDatumSeparationCode(lat, lon, s);
            if (code == 0) *separation = s - n;
        }
        break;
    case kGeoidAndUser:
        if (geoid() && separation) *separation = chartDatum - n;
        break;
    case kUserSeparation:
        if (separation) *separation = chartDatum;
        break;
    default:
        // Mode 0, and any mode outside 0..5: no separation rather than an unwritten one.
        noSeparation = true;
        if (separation) *separation = 0.0;
        break;
    }
    if (undulation) *undulation = n;
    if (noSeparation || code == TELLUS_E_OUTSIDE_GRID) return erc(TELLUS_E_NO_SEPARATION, kSeverityInfo, &geodesyFacility());
    if (code != 0) return erc(code, kSeverityError, &geodesyFacility()).disarm();
    return erc();
}
