// Datum transformations of a Geodesy: WGS 84 to and from the local datum by seven parameters, by
// a binary grid of per-point parameters or by an NTv2 grid, and between ellipsoids.
#include "geodesy/DatumTransform.h"

#include <cmath>
#include <memory>

#include "common/Text.h"
#include "geodesy/DataFiles.h"
#include "geodesy/Geodesy.h"
#include "geodesy/Trace.h"
#include "geodesy/grids/BinFile.h"
#include "geodesy/grids/GsbFile.h"
#include "geodesy/grids/Ntv2Reader.h"

namespace datum {

namespace {

// Semi-axes closer than this (metres) describe the same ellipsoid.
constexpr double kSameAxisTolerance = 0.001;
// Arc-seconds to radians: pi / 648000, with the system's own value of pi.
constexpr double kPi = 3.141592653589793;
constexpr double kArcSecond = kPi / 648000;
// A binary shift grid gives either a latitude and a longitude shift in arc-seconds, or the three
// cartesian shifts in metres; the local shift has room for three values.
constexpr int kAngularShiftValues = 2;
constexpr int kCartesianShiftValues = 3;
// Code of a grid that cannot serve the point (outside, or an NTv2 inverse that failed).
// Code of a grid file that cannot be opened.
// Code of a datum-shift grid that cannot be used as one.
constexpr int kBadHeader = 2;

}  // namespace

GridKind gridKindOf(const char* path) {
    switch (ntv2_file_type(path)) {
    case 1: return kNtv2Grid;
    case 2: return kAsciiNtv2Grid;
    default: return kBinaryShiftGrid;
    }
}

std::unique_ptr<InterpFile> openShiftGrid(const char* path, GridKind& kind) {
    // Only a regular file is a grid (a folder opens on Linux and reads as garbage).
    if (!path || !datafiles::isReadableFile(path)) throw erc(TELLUS_E_GENERAL, kSeverityError, &geodesyFacility());
    kind = gridKindOf(path);
    switch (kind) {
    case kNtv2Grid: {
        auto gsb = std::make_unique<GsbFile>(path);
        // A file whose headers fail, or that is too short for the nodes they declare, serves no
        // point: taking it would answer every conversion with "outside the grid".
        if (gsb->Handle()->openError != 0) throw erc(kBadHeader, kSeverityError, &geodesyFacility());
        return gsb;
    }
    case kAsciiNtv2Grid:
        // ASCII NTv2 cannot be read; accepting the name would report a grid in use that
        // shifts nothing.
        throw erc(kBadHeader, kSeverityError, &geodesyFacility());
    default: {
        auto bin = std::make_unique<BinFile>(path, false);
        int values = bin->ValuesPerNode();
        // Only angular (2) or cartesian (3) shifts have a meaning per point.
        if (values != kAngularShiftValues && values != kCartesianShiftValues)
            throw erc(kBadHeader, kSeverityError, &geodesyFacility());
        return bin;
    }
    }
}

EllDiffParams identity() { return EllDiffParams{0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0}; }

void helmertForward(const EllDiffParams& p, double& X, double& Y, double& Z) {
    const double s = p.scale;
    double x = p.shiftX + s * (X + p.rotationZ * Y - p.rotationY * Z);
    double y = p.shiftY + s * (-p.rotationZ * X + Y + p.rotationX * Z);
    double z = p.shiftZ + s * (p.rotationY * X - p.rotationX * Y + Z);
    X = x;
    Y = y;
    Z = z;
}

void helmertInverse(const EllDiffParams& p, double& X, double& Y, double& Z) {
    const double s = p.scale;
    double x = (X - p.rotationZ * Y + p.rotationY * Z) / s - p.shiftX;
    double y = (p.rotationZ * X + Y - p.rotationX * Z) / s - p.shiftY;
    double z = (-p.rotationY * X + p.rotationX * Y + Z) / s - p.shiftZ;
    X = x;
    Y = y;
    Z = z;
}

bool sameEllipsoid(double a1, double f1, double a2, double f2) {
    return std::fabs(a1 - a2) < kSameAxisTolerance &&
           std::fabs(a1 * (1 - f1) - a2 * (1 - f2)) < kSameAxisTolerance;
}

}  // namespace datum

using namespace datum;

namespace {

// Moves (lat, lon, hgt) from the ellipsoid `from` to `to` with seven parameters.
void helmert(const Ellipsoid& from, const Ellipsoid& to, const EllDiffParams& p, bool forward,
             double* lat, double* lon, double* hgt) {
    double X, Y, Z;
    from.GeoECEF(*lat, *lon, *hgt, X, Y, Z);
    if (forward)
        helmertForward(p, X, Y, Z);
    else
        helmertInverse(p, X, Y, Z);
    to.ECEFGeo(X, Y, Z, *lat, *lon, *hgt);
}

erc outsideGrid() { return erc(TELLUS_E_OUTSIDE_GRID, kSeverityError, &geodesyFacility()); }

// A failing status raised as a code: logged as its facility logs a raised error, and its code where
// the facility would throw it, without the cost of an exception.
int raised(erc status) { return status.getFacility()->handleAsCode(status); }

}  // namespace

int Geodesy::OutsideGridCode() { return raised(outsideGrid()); }

int Geodesy::ParameterConv(bool toLocal, double* lat, double* lon, double* hgt) {
    const Ellipsoid& from = toLocal ? static_cast<const Ellipsoid&>(Wgs84Ellipsoid) : *projection;
    const Ellipsoid& to = toLocal ? *projection : static_cast<const Ellipsoid&>(Wgs84Ellipsoid);
    if (!datumGrid) {
        // The grid asked for stands in place of the parameters even when it did not load.
        if (gridMissing) return raised(erc(TELLUS_E_DATUM_GRID, kSeverityError, &geodesyFacility()));
        helmert(from, to, ellDiff, toLocal, lat, lon, hgt);
        return 0;
    }
    if (gridKind != kBinaryShiftGrid) return 0;
    // The grid is read at the input position, on whichever datum that is.
    EllDiffParams p;
    if (int code = LocalShift(*lat, *lon, *hgt, p)) return code;
    helmert(from, to, p, toLocal, lat, lon, hgt);
    return 0;
}

bool Geodesy::EllConvApplies(const Ellipsoid& other) const {
    if (datumGrid || gridMissing || !datumOn) return false;
    return !sameEllipsoid(other.SemiMajorAxis(), other.Flattening(), projection->SemiMajorAxis(),
                          projection->Flattening());
}

void Geodesy::EllConv(const Ellipsoid& source, double* lat, double* lon, double* hgt) const {
    if (EllConvApplies(source)) helmert(source, *projection, ellDiff, true, lat, lon, hgt);
}

void Geodesy::InvEllConv(const Ellipsoid& target, double* lat, double* lon, double* hgt) const {
    if (EllConvApplies(target)) helmert(*projection, target, ellDiff, false, lat, lon, hgt);
}

int Geodesy::LocalShift(double lat, double lon, double hgt, EllDiffParams& out) {
    if (!datumGrid) {
        out = ellDiff;
        return 0;
    }
    double values[kCartesianShiftValues] = {};
    int count = 0;
    erc found = datumGrid->Lookup(lat, lon, &count, values);
    if (int code = found.release()) {
        // Outside the grid there is no shift to apply: passing the point through unshifted would
        // hide a datum error of up to hundreds of metres. A file that no longer gives its nodes
        // is a grid that cannot be loaded.
        out = ellDiff;
        if (code == TELLUS_E_GENERAL) return raised(erc(TELLUS_E_DATUM_GRID, kSeverityError, &geodesyFacility()));
        return raised(outsideGrid());
    }
    out = identity();
    if (count == kAngularShiftValues) {
        double lat2 = lat + values[0] * kArcSecond;
        double lon2 = lon + values[1] * kArcSecond;
        double X1, Y1, Z1, X2, Y2, Z2;
        projection->GeoECEF(lat, lon, hgt, X1, Y1, Z1);
        Wgs84Ellipsoid.GeoECEF(lat2, lon2, hgt, X2, Y2, Z2);
        out.shiftX = X1 - X2;
        out.shiftY = Y1 - Y2;
        out.shiftZ = Z1 - Z2;
    } else {
        out.shiftX = values[0];
        out.shiftY = values[1];
        out.shiftZ = values[2];
    }
    return 0;
}

erc Geodesy::SetEllModel(const char* path) {
    ntv2Grid = nullptr;
    datumGrid.reset();
    gridMissing = false;
    missingGrid.clear();
    ellDiff = identity();
    if (!path) {
        datumOn = false;
        return erc();
    }
    std::unique_ptr<InterpFile> grid;
    try {
        GridKind kind;
        grid = openShiftGrid(path, kind);
        double ga, gf;
        grid->ToEllipsoid(&ga, &gf);
        gridDiffers = !sameEllipsoid(ga, gf, projection->SemiMajorAxis(), projection->Flattening());
        gridKind = kind;
    } catch (erc& e) {
        int code = e.release();
        trace("Cannot set datum shift file %s (err=%d)", path, code);
        // Converting without the shift would move the point by the whole datum difference and
        // report success.
        gridMissing = true;
        missingGrid = path;
        datumOn = true;
        return erc(code, kSeverityError, &geodesyFacility());
    }
    datumGrid = std::move(grid);
    if (gridKind == kNtv2Grid) ntv2Grid = static_cast<GsbFile*>(datumGrid.get());
    datumOn = true;
    return erc();
}

erc Geodesy::SetEllDiff(const EllDiffParams& p) {
    const bool moves = p.shiftX != 0.0 || p.shiftY != 0.0 || p.shiftZ != 0.0 || p.rotationX != 0.0 ||
                       p.rotationY != 0.0 || p.rotationZ != 0.0;
    if (p.scale == 0.0 && moves) return erc(TELLUS_E_PARAMETERS, kSeverityError, &geodesyFacility());
    ellDiff = p;
    // A scale alone changes heights by metres (5 ppm: 32 m); a zeroed record is still none.
    datumOn = moves || (p.scale != 1.0 && p.scale != 0.0);
    ntv2Grid = nullptr;
    datumGrid.reset();
    gridMissing = false;
    missingGrid.clear();
    return erc();
}

void Geodesy::GetEllDiff(EllDiffParams& p) const {
    if (!datumGrid && !gridMissing) {
        p = ellDiff;
        return;
    }
    // Scale -1 tells the caller that a grid is in use.
    p = EllDiffParams{0.0, 0.0, 0.0, -1.0, 0.0, 0.0, 0.0};
}

int Geodesy::GetEllModel(char* buf, int len) const {
    if (buf && len > 0) copyUtf8Bounded(datumGrid ? datumGrid->path : missingGrid, buf, size_t(len));
    return gridMissing ? TELLUS_E_DATUM_GRID : 0;
}
