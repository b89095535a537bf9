// Exports of the datum transformations, the datum-shift grid and the vertical reference.
#include <cmath>
#include <cstring>
#include <memory>

#include "common/Text.h"
#include "geodesy/DataFiles.h"
#include "geodesy/GeodesyParameterFile.h"
#include "geodesy/DatumTransform.h"
#include "geodesy/ExportFrame.h"
#include "geodesy/Geodesy.h"
#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"
#include "geodesy/VerticalReference.h"
#include "geodesy/grids/BinFile.h"
#include "geodesy/grids/GsbFile.h"

using exportframe::geodesyOf;
using exportframe::statusExport;
using exportframe::nullPointer;

namespace {

erc failure(int code) { return erc(code, kSeverityError, &geodesyFacility()); }

// Runs a datum conversion on copies, so the caller's point changes only on success. `convert`
// returns the conversion's code (0 on success). A result that is not finite is no point: it fails
// with `noPoint`.
template <typename Convert>
int convertPoint(GeodesyHandle h, double* lat, double* lon, double* hgt, int noPoint, Convert&& convert) {
    return statusExport(h, [&]() -> int {
        if (!lat || !lon) return TELLUS_E_GENERAL;
        double la = *lat, lo = *lon, he = hgt ? *hgt : 0.0;
        // A point that is none (not finite, a latitude beyond a pole) is refused as the
        // projections refuse one.
        if (!(std::fabs(la) <= kHalfPi) || !std::isfinite(lo) || !std::isfinite(he)) return TELLUS_E_OUT_OF_RANGE;
        if (int code = convert(geodesyOf(h), &la, &lo, &he)) return code;
        if (!std::isfinite(la) || !std::isfinite(lo) || !std::isfinite(he)) return noPoint;
        *lat = la;
        *lon = lo;
        if (hgt) *hgt = he;
        return 0;
    });
}

}  // namespace

TELLUS_API int TELLUS_CALL WGS84Conv(GeodesyHandle h, double* lat, double* lon, double* hgt) {
    return convertPoint(h, lat, lon, hgt, TELLUS_E_OUTSIDE_GRID,
                        [](Geodesy& g, double* la, double* lo, double* he) { return g.WGS84Conv(la, lo, he); });
}

TELLUS_API int TELLUS_CALL InvWGS84Conv(GeodesyHandle h, double* lat, double* lon, double* hgt) {
    return convertPoint(h, lat, lon, hgt, TELLUS_E_OUTSIDE_GRID,
                        [](Geodesy& g, double* la, double* lo, double* he) { return g.InvWGS84Conv(la, lo, he); });
}

TELLUS_API int TELLUS_CALL EllConv(GeodesyHandle h, double* lat, double* lon, double* hgt, double a,
                                   double f) {
    if (!std::isfinite(a) || !std::isfinite(f)) return statusExport(h, [] { return failure(TELLUS_E_PARAMETERS); });
    return convertPoint(h, lat, lon, hgt, TELLUS_E_PARAMETERS, [&](Geodesy& g, double* la, double* lo, double* he) {
        g.EllConv(Ellipsoid(a, f), la, lo, he);
        return 0;
    });
}

TELLUS_API int TELLUS_CALL InvEllConv(GeodesyHandle h, double* lat, double* lon, double* hgt, double a,
                                      double f) {
    if (!std::isfinite(a) || !std::isfinite(f)) return statusExport(h, [] { return failure(TELLUS_E_PARAMETERS); });
    return convertPoint(h, lat, lon, hgt, TELLUS_E_PARAMETERS, [&](Geodesy& g, double* la, double* lo, double* he) {
        g.InvEllConv(Ellipsoid(a, f), la, lo, he);
        return 0;
    });
}

TELLUS_API int TELLUS_CALL SetEllDiff(GeodesyHandle h, const EllDiffParams* params) {
    return statusExport(h, [&]() {
        if (!params) return nullPointer();
        const EllDiffParams& p = *params;
        for (double v : {p.shiftX, p.shiftY, p.shiftZ, p.scale, p.rotationX, p.rotationY, p.rotationZ})
            if (!std::isfinite(v)) return failure(TELLUS_E_PARAMETERS);
        return geodesyOf(h).SetEllDiff(p);
    });
}

TELLUS_API int TELLUS_CALL GetEllDiff(GeodesyHandle h, EllDiffParams* params) {
    return statusExport(h, [&]() {
        if (!params) return nullPointer();
        geodesyOf(h).GetEllDiff(*params);
        return erc();
    });
}

TELLUS_API int TELLUS_CALL SetEllModel(GeodesyHandle h, const char* path) {
    return statusExport(
        h,
        [&]() {
            erc loaded = geodesyOf(h).SetEllModel(path);
            return loaded.release() ? failure(TELLUS_E_DATUM_GRID) : erc();
        },
        TELLUS_E_DATUM_GRID);
}

TELLUS_API int TELLUS_CALL GetEllModel(GeodesyHandle h, char* buf, int len) {
    return statusExport(h, [&]() { return geodesyOf(h).GetEllModel(buf, len); });
}

TELLUS_API int TELLUS_CALL IsValidModel(const char* path, double a, double inverseFlattening) {
    int applies = 0;
    int code = exportframe::runCaught(
        [&]() {
            // The grid as SetEllModel would take it: what it refuses is not valid here either.
            datum::GridKind kind;
            std::unique_ptr<InterpFile> grid;
            try {
                grid = datum::openShiftGrid(path, kind);
            } catch (erc& e) {
                e.release();
                return failure(TELLUS_E_DATUM_GRID);
            }
            double toA, toF, fromA, fromF;
            grid->ToEllipsoid(&toA, &toF);
            grid->FromEllipsoid(&fromA, &fromF);
            // An inverse flattening of 0 matches nothing.
            if (inverseFlattening != 0.0) {
                double f = 1.0 / inverseFlattening;
                applies = datum::sameEllipsoid(a, f, toA, toF) || datum::sameEllipsoid(a, f, fromA, fromF);
            }
            return erc();
        },
        TELLUS_E_DATUM_GRID);
    exportframe::setError(code);
    return code == 0 ? applies : 0;
}

TELLUS_API int TELLUS_CALL SetChartDatum(GeodesyHandle h, const ChartDatumParams* params) {
    return statusExport(h, [&]() { return params ? geodesyOf(h).SetChartDatum(*params) : nullPointer(); });
}

TELLUS_API int TELLUS_CALL GetChartDatum(GeodesyHandle h, ChartDatumParams* params) {
    return statusExport(h, [&]() { return params ? geodesyOf(h).GetChartDatum(*params) : nullPointer(); });
}

TELLUS_API int TELLUS_CALL GetGeoid(GeodesyHandle h, char* buf, int len, double* orthoCorrection) {
    char name[vertical::kNameBufferSize] = "";
    ChartDatumParams params{};
    params.geoidModel = name;
    if (!GetChartDatum(h, &params)) return 0;
    if (buf && len > 0) copyUtf8Bounded(name, buf, size_t(len));
    if (orthoCorrection) *orthoCorrection = params.orthoHCorr;
    return 1;
}

TELLUS_API int TELLUS_CALL GetVDatumModel(GeodesyHandle h, char* region, int len, char* surface) {
    char folder[vertical::kNameBufferSize] = "";
    ChartDatumParams params{};
    params.vdatumRegion = folder;
    params.vdatumSurface = surface;
    if (!GetChartDatum(h, &params)) return 0;
    if (region && len > 0) copyUtf8Bounded(geodesyfile::fileNameOf(folder), region, size_t(len));
    return 1;
}

TELLUS_API int TELLUS_CALL DatumSeparation1(GeodesyHandle h, double lat, double lon, double* separation,
                                            double* undulation) {
    return statusExport(h, [&]() {
        // Through copies: a result that is not finite is no separation, and is not handed out.
        double s = separation ? *separation : 0.0, n = undulation ? *undulation : 0.0;
        erc status = geodesyOf(h).DatumSeparation(lat, lon, separation ? &s : nullptr, undulation ? &n : nullptr);
        const bool finite = std::isfinite(s) && std::isfinite(n);
        if (separation && std::isfinite(s)) *separation = s;
        if (undulation && std::isfinite(n)) *undulation = n;
        if (status.getCode() == 0 && !finite) return erc(TELLUS_E_NO_SEPARATION, kSeverityInfo, &geodesyFacility());
        return status;
    });
}

TELLUS_API int TELLUS_CALL DatumSeparation(GeodesyHandle h, double lat, double lon, double* separation) {
    return DatumSeparation1(h, lat, lon, separation, nullptr);
}

TELLUS_API int TELLUS_CALL Undulation(GeodesyHandle h, double lat, double lon, double* undulation) {
    return DatumSeparation1(h, lat, lon, nullptr, undulation);
}
