// The projection base: parameters from the record and the shared point scale.
#include "geodesy/projections/Projection.h"

#include <cmath>

#include "geodesy/SetupRanges.h"

namespace {
double flatteningOf(double inverseFlattening) { return inverseFlattening == 0 ? 0.0 : 1 / inverseFlattening; }
double oneIfZero(double v) { return v == 0 ? 1.0 : v; }
// A central meridian of several turns (a parameter file may say 3000 degrees) is the longitude
// it stands for: lon - central meridian would otherwise need reducing by any number of turns in
// every formula, and a huge one swallows the longitude's digits. Within a turn it is kept as given.
double workingMeridian(double cm) { return std::fabs(cm) <= kTwoPi ? cm : std::remainder(cm, kTwoPi); }

// A latitude the range lets pass a rounding beyond a pole is that pole (NaN stays NaN, refused).
double polar(double lat) { return std::fabs(lat) > kHalfPi ? std::copysign(kHalfPi, lat) : lat; }

}  // namespace

Projection::Projection(const GeodesyParams& p)
    : Ellipsoid(p.semiMajorAxis, flatteningOf(p.inverseFlattening)),
      k0(oneIfZero(p.scaleFactor)),
      centralMeridian(workingMeridian(p.centralMeridian)),
      referenceLatitude(polar(p.referenceLatitude)),
      northParallel(polar(p.northParallel)),
      southParallel(polar(p.southParallel)),
      skewAzimuth(p.skewAzimuth),
      unit(oneIfZero(p.unitFactor)),
      falseEasting(p.falseEasting),
      falseNorthing(p.falseNorthing),
      statedCentralMeridian(p.centralMeridian) {
    if (!setupranges::accepts(p)) RefuseParameters();
}

Projection::~Projection() = default;

void Projection::RefuseParameters() { throw erc(TELLUS_E_PARAMETERS, kSeverityError, &geodesyFacility()); }

erc Projection::Deliver(double first, double second, double& out1, double& out2, int code) {
    if (!std::isfinite(first) || !std::isfinite(second)) return Failure(code);
    out1 = first;
    out2 = second;
    return Success();
}

erc Projection::PointScale(double x, double y, double& k) const {
    double lat = 0, lon = 0;
    erc status = Inverse(x, y, lat, lon);
    if (status) return status;
    double s1 = 0, s2 = 0;
    try {
        s2 = PrincipalScale2(lat, lon);
        s1 = PrincipalScale1(lat, lon);
    } catch (erc& thrown) {
        int code = thrown.getCode();
        short severity = thrown.getSeverity();
        errfac* facility = thrown.getFacility();
        thrown.release();
        return erc(code, severity, facility);
    }
    const double scale = std::sqrt(s2 * s1);
    if (!std::isfinite(scale)) return Failure(TELLUS_E_CANNOT_PROJECT);
    k = scale;
    return Success();
}

double Projection::PrincipalScale1(double, double) const { return 1.0; }

double Projection::PrincipalScale2(double lat, double lon) const { return PrincipalScale1(lat, lon); }

double Projection::Convergence(double, double) const { return 0.0; }

erc Projection::ConvergenceAt(double lat, double lon, double& conv) const {
    double x = 0, y = 0;
    erc status = Forward(lat, lon, x, y);
    if (status) return status;
    const double c = Convergence(lat, lon);
    if (!std::isfinite(c)) return Failure(TELLUS_E_CANNOT_PROJECT);
    conv = c;
    return Success();
}

GeodesyParams Projection::Params() const {
    GeodesyParams p{};
    p.semiMajorAxis = a;
    p.inverseFlattening = 1 / f;
    p.projectionId = Id();
    p.unitFactor = unit;
    p.scaleFactor = k0;
    p.centralMeridian = statedCentralMeridian;
    p.referenceLatitude = referenceLatitude;
    p.northParallel = northParallel;
    p.southParallel = southParallel;
    p.skewAzimuth = skewAzimuth;
    p.falseEasting = falseEasting;
    p.falseNorthing = falseNorthing;
    return p;
}
