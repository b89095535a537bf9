// One complete coordinate system: a projection on the local ellipsoid (which also carries the
// horizontal unit and the false origin), an optional local grid adjustment after the projection,
// the horizontal and vertical units and the names of units and axes.
//
// A Geodesy is what a host's handle points to. It takes no lock: one object serves one thread at
// a time; different objects are independent.
#pragma once

#include <memory>

#include "common/erc.h"
#include "geodesy/Tellus.h"
#include "geodesy/projections/Projection.h"

class Geodesy {
public:
    // Throws erc 3 for an inverse flattening of 0, else 4 for a unit factor of 0, else 5 for a
    // projection id that names no class; a projection's own refusal (7) passes through.
    explicit Geodesy(const GeodesyParams& params);
    ~Geodesy();
    Geodesy(const Geodesy&) = delete;
    Geodesy& operator=(const Geodesy&) = delete;

    // ---- Geographic <-> grid ----
    // Projection forward, then the local grid. On failure the code of the projection (6, 10, 11),
    // and x, y are unspecified.
    erc GeoXY(double& x, double& y, double lat, double lon) const;
    // Local grid inverse, then the projection inverse; its status unchanged.
    erc XYGeo(double x, double y, double& lat, double& lon) const;

    const Projection& GetProjection() const { return *projection; }
    // The record of the projection: ellipsoid, id, unit and projection parameters.
    void GetGeodesyParams(GeodesyParams& out) const;

    // ---- Local grid ----
    void GetAdjustment(AdjustParams& out) const { out = adjustment; }
    // Refuses a scale of 0 (erc 7), keeping the previous record; a similarity with reversed axes
    // renames the axes (westing, southing). Other types keep the axis names as they are.
    erc SetAdjustment(const AdjustParams& adjust);
    void GridToLocal(double& x, double& y) const;
    void LocalToGrid(double& x, double& y) const;

    // ---- Units and names ----
    double HorzUnit() const { return projection->UnitFactor(); }
    double VertUnit() const { return vertUnit; }
    // 0 means "the same as the horizontal unit".
    void SetVertUnit(double factor);
    // String id of the name of item 1..10 (units: singular, plural, abbreviation of the
    // horizontal then the vertical unit; axes: name and letter of X then Y); 0 for other items.
    int LocalNameId(int item) const;

    // Cached EPSG code of the coordinate reference system and id of the predefined zone the
    // parameters came from; -1 = none. Set by the builders that know them.
    int epsgCode = -1;
    int zoneId = -1;

private:
    std::unique_ptr<Projection> projection;
    AdjustParams adjustment;

    double vertUnit;     // metres per vertical unit
    int horzUnitCode;    // unit table codes, 0 = not in the table
    int vertUnitCode;
    int xAxisCode;       // easting or westing
    int yAxisCode;       // northing or southing
};
