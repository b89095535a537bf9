// The projection base: parameters from the record and the shared point scale.
#include "geodesy/projections/Projection.h"

#include <cmath>

namespace {
double flatteningOf(double inverseFlattening) { return inverseFlattening == 0 ? 0.0 : 1 / inverseFlattening; }
double oneIfZero(double v) { return v == 0 ? 1.0 : v; }
}  // namespace

Projection::Projection(const GeodesyParams& p)
    : Ellipsoid(p.semiMajorAxis, flatteningOf(p.inverseFlattening)),
      k0(oneIfZero(p.scaleFactor)),
      centralMeridian(p.centralMeridian),
      referenceLatitude(p.referenceLatitude),
      northParallel(p.northParallel),
      southParallel(p.southParallel),
      skewAzimuth(p.skewAzimuth),
      unit(oneIfZero(p.unitFactor)),
      falseEasting(p.falseEasting),
      falseNorthing(p.falseNorthing) {}

Projection::~Projection() = default;

void Projection::RefuseParameters() { throw erc(kInvalidParameters, kSeverityError, &geodesyFacility()); }

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
    k = std::sqrt(s2 * s1);
    return Success();
}

double Projection::PrincipalScale1(double, double) const { return 1.0; }

double Projection::PrincipalScale2(double lat, double lon) const { return PrincipalScale1(lat, lon); }

double Projection::Convergence(double, double) const { return 0.0; }

GeodesyParams Projection::Params() const {
    GeodesyParams p{};
    p.semiMajorAxis = a;
    p.inverseFlattening = 1 / f;
    p.projectionId = Id();
    p.unitFactor = unit;
    p.scaleFactor = k0;
    p.centralMeridian = centralMeridian;
    p.referenceLatitude = referenceLatitude;
    p.northParallel = northParallel;
    p.southParallel = southParallel;
    p.skewAzimuth = skewAzimuth;
    p.falseEasting = falseEasting;
    p.falseNorthing = falseNorthing;
    return p;
}
