// One complete coordinate system: a projection on the local ellipsoid (which also carries the
// horizontal unit and the false origin), an optional local grid adjustment after the projection,
// the horizontal and vertical units and the names of units and axes.
//
// A Geodesy is what a host's handle points to. It takes no lock: its const members and its
// conversions and lookups (WGS84Conv, InvWGS84Conv, LocalShift, DatumSeparation)
// change nothing and may run on several threads at once; the setters need the object to themselves.
// Different objects are independent.
#pragma once

#include <memory>
#include <string>

#include "common/erc.h"
#include "geodesy/LocalGrid.h"
#include "geodesy/TellusCodes.h"
#include "geodesy/TellusRecords.h"
#include "geodesy/grids/GsbFile.h"
#include "geodesy/grids/InterpFile.h"
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
    // The same two as a bare code (0 on success), for the exports: inline, and a conversion that
    // succeeds builds no error value of its own.
    int GeoXYCode(double& x, double& y, double lat, double lon) const {
        int code = projection->Forward(lat, lon, x, y).release();
        if (code == 0) GridToLocal(x, y);
        return code;
    }
    int XYGeoCode(double x, double y, double& lat, double& lon) const {
        LocalToGrid(x, y);
        return projection->Inverse(x, y, lat, lon).release();
    }

    const Projection& GetProjection() const { return *projection; }
    // The record of the projection: ellipsoid, id, unit and projection parameters.
    void GetGeodesyParams(GeodesyParams& out) const;

    // ---- Local grid ----
    void GetAdjustment(AdjustParams& out) const { out = adjustment; }
    // Refuses a scale of 0 (erc 7), keeping the previous record; a similarity with reversed axes
    // renames the axes (westing, southing). Other types keep the axis names as they are.
    erc SetAdjustment(const AdjustParams& adjust);
    // Most systems carry no local grid: they skip the call.
    void GridToLocal(double& x, double& y) const {
        if (LocalGridApplies(adjustment)) LocalGridForward(adjustment, HorzUnit(), x, y);
    }
    void LocalToGrid(double& x, double& y) const {
        if (LocalGridApplies(adjustment)) LocalGridInverse(adjustment, HorzUnit(), x, y);
    }

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

    // ---- Datum transformations (DatumTransform.cpp) ----
    // WGS 84 -> local datum, and back, in place (radians, metres). A point that the datum-shift
    // grid does not serve (outside it, or an NTv2 inverse that fails) is raised as erc 4, as a
    // code: logged as a raised error is, and returned (0 on success) without an exception, so that
    // a failing point costs what a shifted one does.
    int WGS84Conv(double* lat, double* lon, double* hgt) { return DatumConv(true, lat, lon, hgt); }
    int InvWGS84Conv(double* lat, double* lon, double* hgt) { return DatumConv(false, lat, lon, hgt); }
    // Seven parameters from `source` to the local ellipsoid, and from it to `target`. Nothing
    // with a datum-shift grid, with the conversion off, or for the local ellipsoid itself.
    void EllConv(const Ellipsoid& source, double* lat, double* lon, double* hgt) const;
    void InvEllConv(const Ellipsoid& target, double* lat, double* lon, double* hgt) const;
    // The seven parameters of a binary shift grid at a point; outside it erc 4 is raised as a code
    // (as WGS84Conv raises it) and `out` holds the stored parameters.
    int LocalShift(double lat, double lon, double hgt, EllDiffParams& out);
    // The datum-shift grid by the path's extension; null drops it. A grid that cannot be used is
    // logged and the result is its reader's code (2 for a grid of a kind or layout the conversions
    // cannot use). The grid still stands in place of the seven parameters: until another grid or
    // parameters are set, the WGS 84 conversions fail with TELLUS_E_DATUM_GRID rather than convert
    // without the shift that was asked for.
    erc SetEllModel(const char* path);
    // The seven parameters; the conversion is on when any of them is not the identity's (the
    // scale included; a zeroed record means none). Drops the datum-shift grid. A scale of 0 with
    // any other value set is refused (erc 7, nothing changes): the inverse would divide by it.
    erc SetEllDiff(const EllDiffParams& p);
    // Without a grid the stored parameters; with one (loaded or not) six zeros and scale -1.
    void GetEllDiff(EllDiffParams& p) const;
    // The grid's path as set, at most len - 1 bytes and a NUL; empty without a grid. A grid that
    // did not load gives its path too, and TELLUS_E_DATUM_GRID; 0 otherwise.
    int GetEllModel(char* buf, int len) const;

    // ---- Vertical reference (VerticalReference.cpp) ----
    // Replaces the vertical reference by the record's mode and grids; erc 9, 14 or 17 when the
    // geoid, a VDatum grid or the KTD table cannot be loaded (the mode is then 0).
    erc SetChartDatum(const ChartDatumParams& p);
    // Fills the record; the name buffers hold 256 bytes, the KTD buffer as many as the longest
    // path the host set. Code 1 when a KTD path the library put in place of the one set does not
    // fit 256 bytes (that buffer then gets the empty string: a cut path would name another file).
    erc GetChartDatum(ChartDatumParams& p) const;
    // The KTD table loaded is the last project's, found in place of the one the host named (its
    // path may be longer than any the host set). Cleared by SetChartDatum.
    void KtdPathSubstituted() { ktdSubstituted = true; }
    // Separation K - N and undulation N in metres (each may be null), written as far as they
    // were computed. Status 15 (severity 1) when there is none: mode 0, a mode outside 0..5, or
    // a point outside a vertical grid; another failure's code otherwise.
    erc DatumSeparation(double lat, double lon, double* separation, double* undulation);

private:
    bool EllConvApplies(const Ellipsoid& other) const;
    // Inline, so that a caller's point can stay in registers through an NTv2 shift.
    int DatumConv(bool toLocal, double* lat, double* lon, double* hgt) {
        if (!datumOn) return 0;
        if (ntv2Grid) {
            // The grid leads to its target ellipsoid: when that is the local one, WGS 84 to local
            // is the grid's forward shift; otherwise its inverse. The height is not touched.
            if (ntv2Grid->Shift(toLocal != gridDiffers, lat, lon)) return 0;
            return OutsideGridCode();
        }
        return ParameterConv(toLocal, lat, lon, hgt);
    }
    // DatumConv by the seven parameters or a binary shift grid of them; a grid that did not load
    // fails it.
    int ParameterConv(bool toLocal, double* lat, double* lon, double* hgt);
    // A point the datum-shift grid does not serve, raised as a code (see WGS84Conv).
    static int OutsideGridCode();
    int VDatumSeparationCode(double lat, double lon, double& separation);

    // Datum: at most one of the grid and the seven parameters is in force.
    bool datumOn = false;
    std::unique_ptr<InterpFile> datumGrid;
    // A grid was set and did not load (the conversion is then on and fails), and its path.
    bool gridMissing = false;
    std::string missingGrid;
    GsbFile* ntv2Grid = nullptr;  // datumGrid, when it is an NTv2 grid
    int gridKind = 0;          // datum::GridKind, read only with a grid
    bool gridDiffers = false;  // the grid's target ellipsoid is not the local one
    EllDiffParams ellDiff{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};

    // Vertical reference.
    int vertMode = 0;
    std::unique_ptr<InterpFile> geoidGrid;
    double orthoCorrection = 0.0;  // metres, added to every geoid value
    std::unique_ptr<InterpFile> tssGrid;
    std::unique_ptr<InterpFile> surfaceGrid;
    std::unique_ptr<InterpFile> ktdGrid;
    bool ktdSubstituted = false;
    double chartDatum = 0.0;  // metres
    std::unique_ptr<Projection> projection;
    AdjustParams adjustment;

    double vertUnit;     // metres per vertical unit
    int horzUnitCode;    // unit table codes, 0 = not in the table
    int vertUnitCode;
    int xAxisCode;       // easting or westing
    int yAxisCode;       // northing or southing
};
