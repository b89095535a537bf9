// Plate carrée, the equirectangular projection (code "PLC"; no projection id creates it), true to
// scale along the meridians and along the standard parallel lat0. Spherical, on the radius a.
//
// Parameters (GeodesyParams): a; reference latitude lat0 (the standard parallel) and central
// meridian (rad); false easting and northing. Lengths are computed in metres from a and the false
// origin is added to them as it stands (the unit factor does not enter).
// Scales: along the parallel cos lat0 / cos lat, along the meridian 1.
// Failures: constructor 7 for a standard parallel at a pole or a = 0; Inverse 10 for a northing
// beyond a pole.
#pragma once

#include "geodesy/projections/Projection.h"

class PlateCarree : public Projection {
public:
    explicit PlateCarree(const GeodesyParams& params);

    const char* Code() const override { return kPlateCarreeKind.code; }
    int Id() const override { return kPlateCarreeKind.id; }
    double PrincipalScale1(double lat, double lon) const override;
    double PrincipalScale2(double lat, double lon) const override;

protected:
    erc GridToGeo(double x, double y, double& lat, double& lon) const override;
    erc GeoToGrid(double lat, double lon, double& x, double& y) const override;

private:
    double parallelRadius;  // a cos lat0, metres
};
