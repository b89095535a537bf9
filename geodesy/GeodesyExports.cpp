// Creation, conversion, distance, scale and unit exports: thin wrappers over a Geodesy. Every
// result is computed into locals and copied to the caller only on success.
#include <cmath>

#include "common/Text.h"
#include "geodesy/ExportFrame.h"
#include "geodesy/Geodesy.h"
#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"
#include "geodesy/UnitTable.h"

using exportframe::geodesyOf;
using exportframe::nullPointer;

namespace {

// Buffer sizes the callers of GetGeodesyParams give: the longest table name has 23 bytes, a
// projection code 3.
constexpr size_t kEllipsoidNameSize = 24;
constexpr size_t kProjectionCodeSize = 4;
// The boolean of HConvert and VConvert arrives in a full argument slot; only its low byte is the
// flag.
constexpr int kBoolByte = 0xFF;

erc noName() { return erc(TELLUS_E_NO_NAME, kSeverityError, &geodesyFacility()); }

// A coordinate that is no point (NaN, infinite, a latitude beyond a pole), or a result that is
// none: refused as the projections refuse such a point.
erc noPoint() { return erc(TELLUS_E_OUT_OF_RANGE, kSeverityError, &geodesyFacility()); }

// Offset of the language's string ids; French and Spanish names exist, the rest falls back.
int languageOffset(const char* lang) {
    struct Language {
        const char* name;
        int offset;
    };
    static constexpr Language kLanguages[] = {{"fra", 100}, {"esp", 200}, {"chs", 300}, {"jpn", 400}};
    if (!lang) return 0;
    for (const Language& l : kLanguages)
        if (equalsIgnoringAsciiCase(lang, l.name)) return l.offset;
    return 0;
}

int convertInPlace(GeodesyHandle h, double* value, int toMetres, double (Geodesy::*unitOf)() const) {
    return exportframe::statusExport(h, [&] {
        if (!value) return nullPointer();
        double unit = (geodesyOf(h).*unitOf)();
        const double converted = (toMetres & kBoolByte) ? *value * unit : *value / unit;
        // A value the unit carries beyond the doubles is none.
        if (!exportframe::finite(converted)) return noPoint();
        *value = converted;
        return erc();
    });
}

// Distance in projection units of one of the ellipsoid's two distance computations.
using DistanceFn = double (Ellipsoid::*)(double, double, double, double, double*) const;
double distanceExport(GeodesyHandle h, DistanceFn fn, double lat1, double lon1, double lat2, double lon2,
                      double* azimuth) {
    return exportframe::valueExport(h, 0.0, [&](double& distance) {
        // A NaN, infinite or beyond-the-pole end would come back as a NaN distance with success:
        // refused as the projections refuse such a point.
        for (double lat : {lat1, lat2})
            if (!(std::fabs(lat) <= kHalfPi)) return noPoint();
        for (double lon : {lon1, lon2})
            if (!std::isfinite(lon)) return noPoint();
        const Projection& p = geodesyOf(h).GetProjection();
        double az = 0;
        const double d = (p.*fn)(lat1, lon1, lat2, lon2, azimuth ? &az : nullptr) / p.UnitFactor();
        // Longitudes whose difference overflows give no distance.
        if (!exportframe::finite(d, az)) return noPoint();
        distance = d;
        if (azimuth) *azimuth = az;
        return erc();
    });
}

}  // namespace

TELLUS_API GeodesyHandle TELLUS_CALL CreateGeodesy(const GeodesyParams* params) {
    trace("CreateGeodesy entered");
    Geodesy* created = nullptr;
    int code = exportframe::runCaught([&] {
        if (!params) return nullPointer();
        created = new Geodesy(*params);
        return erc();
    });
    exportframe::setError(code);
    return created;
}

TELLUS_API int TELLUS_CALL DestroyGeodesy(GeodesyHandle h) {
    trace("DestroyGeodesy entered");
    return exportframe::statusExport(h, [&] {
        delete &geodesyOf(h);
        return erc();
    });
}

TELLUS_API int TELLUS_CALL GeoXY(GeodesyHandle h, double* x, double* y, double lat, double lon) {
    return exportframe::statusExport(h, [&] {
        if (!x || !y) return TELLUS_E_GENERAL;
        double gx, gy;
        int code = geodesyOf(h).GeoXYCode(gx, gy, lat, lon);
        // The local grid may carry a projected point beyond the doubles.
        if (code == 0 && !exportframe::finite(gx, gy)) code = TELLUS_E_CANNOT_PROJECT;
        if (code == 0) {
            *x = gx;
            *y = gy;
        }
        return code;
    });
}

TELLUS_API int TELLUS_CALL XYGeo(GeodesyHandle h, double x, double y, double* lat, double* lon) {
    return exportframe::statusExport(h, [&] {
        if (!lat || !lon) return TELLUS_E_GENERAL;
        double glat, glon;
        int code = geodesyOf(h).XYGeoCode(x, y, glat, glon);
        if (code == 0 && !exportframe::finite(glat, glon)) code = TELLUS_E_OUT_OF_RANGE;
        if (code == 0) {
            *lat = glat;
            *lon = glon;
        }
        return code;
    });
}

TELLUS_API int TELLUS_CALL GeoECEF(GeodesyHandle h, double* X, double* Y, double* Z, double lat, double lon,
                                   double hgt) {
    return exportframe::statusExport(h, [&] {
        if (!X || !Y || !Z) return nullPointer();
        if (!(std::fabs(lat) <= kHalfPi) || !std::isfinite(lon) || !std::isfinite(hgt)) return noPoint();
        double cx, cy, cz;
        geodesyOf(h).GetProjection().GeoECEF(lat, lon, hgt, cx, cy, cz);
        if (!exportframe::finite(cx, cy, cz)) return noPoint();
        *X = cx;
        *Y = cy;
        *Z = cz;
        return erc();
    });
}

TELLUS_API int TELLUS_CALL ECEFGeo(GeodesyHandle h, double X, double Y, double Z, double* lat, double* lon,
                                   double* hgt) {
    return exportframe::statusExport(h, [&] {
        if (!lat || !lon || !hgt) return nullPointer();
        if (!std::isfinite(X) || !std::isfinite(Y) || !std::isfinite(Z)) return noPoint();
        double glat, glon, gh;
        geodesyOf(h).GetProjection().ECEFGeo(X, Y, Z, glat, glon, gh);
        if (!exportframe::finite(glat, glon, gh)) return noPoint();
        *lat = glat;
        *lon = glon;
        *hgt = gh;
        return erc();
    });
}

TELLUS_API double TELLUS_CALL GCircLL(GeodesyHandle h, double lat1, double lon1, double lat2, double lon2,
                                      double* azimuth) {
    return distanceExport(h, &Ellipsoid::GCircLL, lat1, lon1, lat2, lon2, azimuth);
}

TELLUS_API double TELLUS_CALL RLineLL(GeodesyHandle h, double lat1, double lon1, double lat2, double lon2,
                                      double* azimuth) {
    return distanceExport(h, &Ellipsoid::RLineLL, lat1, lon1, lat2, lon2, azimuth);
}

TELLUS_API double TELLUS_CALL Scale(GeodesyHandle h, double x, double y) {
    return exportframe::valueExport(
        h, 1.0, [&](double& k) { return geodesyOf(h).GetProjection().PointScale(x, y, k); }, TELLUS_E_CANNOT_PROJECT);
}

TELLUS_API int TELLUS_CALL Convergence(GeodesyHandle h, double lat, double lon, double* conv) {
    return exportframe::statusExport(h, [&] {
        if (!conv) return nullPointer();
        double c = 0;
        erc status = geodesyOf(h).GetProjection().ConvergenceAt(lat, lon, c);
        if (!status) *conv = c;
        return status;
    });
}

TELLUS_API int TELLUS_CALL HConvert(GeodesyHandle h, double* value, int toMetres) {
    return convertInPlace(h, value, toMetres, &Geodesy::HorzUnit);
}

TELLUS_API int TELLUS_CALL VConvert(GeodesyHandle h, double* value, int toMetres) {
    return convertInPlace(h, value, toMetres, &Geodesy::VertUnit);
}

TELLUS_API int TELLUS_CALL GetLocalName(GeodesyHandle h, int item, const char* lang, char* buf, int len) {
    return exportframe::statusExport(h, [&] {
        int id = geodesyOf(h).LocalNameId(item);
        if (id == 0 || !buf || len <= 0) return noName();
        const char* text = unitString(id + languageOffset(lang));
        if (!text) text = unitString(id);
        if (!text) return noName();
        copyUtf8Bounded(text, buf, static_cast<size_t>(len));
        return erc();
    });
}

TELLUS_API int TELLUS_CALL GetGeodesyParams(GeodesyHandle h, GeodesyParams* out, char* ellipsoidName,
                                            char* projectionCode) {
    return exportframe::statusExport(h, [&] {
        if (!out) return nullPointer();
        const Projection& p = geodesyOf(h).GetProjection();
        GeodesyParams params;
        geodesyOf(h).GetGeodesyParams(params);
        *out = params;
        if (ellipsoidName) {
            const char* name = Ellipsoid::NameOf(p.SemiMajorAxis(), p.Flattening());
            copyUtf8Bounded(name ? name : "", ellipsoidName, kEllipsoidNameSize);
        }
        if (projectionCode) copyUtf8Bounded(p.Code(), projectionCode, kProjectionCodeSize);
        return erc();
    });
}

TELLUS_API int TELLUS_CALL SetAdjustment(GeodesyHandle h, const AdjustParams* adjust) {
    return exportframe::statusExport(h, [&] { return adjust ? geodesyOf(h).SetAdjustment(*adjust) : nullPointer(); });
}

TELLUS_API int TELLUS_CALL GetAdjustment(GeodesyHandle h, AdjustParams* adjust) {
    return exportframe::statusExport(h, [&] {
        if (!adjust) return nullPointer();
        geodesyOf(h).GetAdjustment(*adjust);
        return erc();
    });
}
