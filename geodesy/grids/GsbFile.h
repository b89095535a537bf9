// An NTv2 grid-shift file as a grid file: lookups give the shift at a point in arc-seconds, and
// Forward / Inverse shift a geodetic position between the file's two datums.
//
// Uses one NTv2 handle opened for on-demand reading (the handle owns the file), shared with every
// other object of the same file (SharedGridFiles): each sub-grid is read into memory under the
// handle's mutex the first time a point of any of them needs it, and served from memory without a
// lock after that. One object may serve several threads.
#pragma once

#include <cmath>
#include <memory>

#include "geodesy/grids/InterpFile.h"
#include "geodesy/grids/Ntv2Reader.h"
#include "geodesy/grids/Ntv2Shift.h"

class GsbFile : public InterpFile {
public:
    // Raises code 1 when the file cannot be opened. A file whose headers fail still constructs;
    // it then serves no point (code 4) and ToEllipsoid answers 1e9 when its overview was bad.
    explicit GsbFile(const char* path);
    ~GsbFile() override;

    // Latitude and longitude in radians; values[0] the latitude shift and values[1] the longitude
    // shift (positive east), arc-seconds. The count (when given) is 2, also for code 4.
    erc Lookup(double latitude, double longitude, int* count, double* values) override;
    double NullValue() override;
    // The target ellipsoid of the file: semi-major axis (metres) and flattening.
    void ToEllipsoid(double* a, double* f) override;
    // The source ellipsoid of the file.
    void FromEllipsoid(double* a, double* f) override;

    // Shift a position (radians, in place) from the source datum to the target datum (forward)
    // or back. False when no grid serves the point or the way back does not settle (the point
    // is then unchanged). Builds no error value: the conversions' hot path.
    bool Shift(bool forward, double* latitude, double* longitude) {
        const ntv2_point p = ntv2_shifted(handle, kDegreesPerRadian, forward, *longitude, *latitude);
        if (std::isnan(p.lon)) return false;
        *longitude = p.lon;
        *latitude = p.lat;
        return true;
    }
    // Shift forward; code 4 when no grid serves the point (the point is unchanged).
    erc Forward(double* latitude, double* longitude) {
        return Shift(true, latitude, longitude) ? gridSuccess() : gridOutside();
    }
    // Shift back; code 4 when the iteration does not settle (the point is unchanged).
    erc Inverse(double* latitude, double* longitude) {
        return Shift(false, latitude, longitude) ? gridSuccess() : gridOutside();
    }

    // The open handle (error numbers, flags, sub-grids).
    const ntv2_handle* Handle() const { return handle; }

private:
    // Radians to degrees for the shifts, as the library has always converted them.
    static constexpr double kDegreesPerRadian = 57.295779513093144;

    void Ellipsoid(int majorRecord, double* a, double* f);

    std::shared_ptr<ntv2_handle> shared;
    ntv2_handle* handle = nullptr;  // shared's, for the lookups
};
