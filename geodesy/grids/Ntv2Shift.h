// Shifts through an open NTv2 handle: the sub-grid that serves a point and how well (its match
// rank), the interpolated shift at a point, and forward and inverse shifts of point arrays.
//
// Points are (longitude, latitude) pairs, longitude positive east, in any angular unit; a unit
// factor converts them to degrees (value x factor = degrees; 0 or less means 1). Nodes come from
// memory: an on-demand handle reads a sub-grid whole at the first point that needs it (under its
// mutex, once) and from then on shifts there take no lock and allocate nothing. Several threads
// may shift through one handle.
#pragma once

#include "geodesy/grids/Ntv2Reader.h"

// Match ranks of a point in a sub-grid; lower is better.
enum : int {
    kNtv2RankNone = 0,
    kNtv2RankInside = 1,     // south <= lat < north and west < lon <= east
    kNtv2RankNorthEdge = 2,  // lat = north
    kNtv2RankWestEdge = 3,   // lon = west
    kNtv2RankCorner = 4,     // the north-west corner node
    kNtv2RankFade = 5,       // within one cell outside a top-level grid: fades to zero
};

// Component of a node value.
enum : int { kNtv2Longitude = 0, kNtv2Latitude = 1 };

// The sub-grid serving (lon, lat) in degrees, and its rank; null and rank 0 when none does.
const ntv2_subfile* ntv2_find_grid(const ntv2_handle* h, int* rank, double lon, double lat);

// Shift at a point served by `grid` at `rank`: longitude shift (positive east) and latitude
// shift in degrees. False when a node cannot be read (the point is then not served).
bool ntv2_shift_at(ntv2_handle* h, const ntv2_subfile* grid, int rank, double* lonShift,
                   double* latShift, double lon, double lat);

// Shift at point[0] = lon, point[1] = lat (degrees): 1 with both shifts in degrees (longitude
// positive east), 0 when something is missing or no grid serves the point.
int ntv2_point_shift(ntv2_handle* h, const double* point, double* latShift, double* lonShift);

// Shift n points in place; return how many were shifted. Points no grid serves stay unchanged.
int ntv2_forward(ntv2_handle* h, double factor, int n, double* points);
// Shift n points back by fixed-point iteration; points that do not settle stay unchanged.
int ntv2_inverse(ntv2_handle* h, double factor, int n, double* points);
// One point as ntv2_shifted returns it, in the unit of the factor.
struct ntv2_point {
    double lon, lat;  // lon is NaN when the point is not shifted
};
// (lon, lat) shifted forward or back as ntv2_forward or ntv2_inverse shift it, returned by value:
// a caller that keeps the point in registers need not store it for the shift.
ntv2_point ntv2_shifted(ntv2_handle* h, double factor, bool forward, double lon, double lat);
// forward != 0: ntv2_forward; else ntv2_inverse.
int ntv2_transform(ntv2_handle* h, int n, double* points, int forward, double factor);
