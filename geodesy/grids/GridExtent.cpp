#include "geodesy/grids/GridExtent.h"

#include <cmath>

#include "geodesy/projections/Angles.h"

namespace {

constexpr double kDegreesPerHalfTurn = 180.0;

// The library's conversion of header degrees: multiply by pi, then divide by 180.
double toRadians(double degrees) { return degrees * kPi / kDegreesPerHalfTurn; }

}  // namespace

bool GridExtent::FromDegrees(double southDegrees, double westDegrees, double latStepDegrees, double lonStepDegrees,
                             int32_t rows, int32_t columns, GridExtent& extent) {
    const double south = toRadians(southDegrees), west = toRadians(westDegrees);
    if (!(south >= -kHalfPi && south <= kHalfPi) || !(west >= -kPi && west <= kPi)) return false;
    if (rows < 2 || columns < 2) return false;
    const double latSpacing = toRadians(latStepDegrees), lonSpacing = toRadians(lonStepDegrees);
    const double north = south + (rows - 1) * latSpacing, east = west + (columns - 1) * lonSpacing;
    if (!(latSpacing > 0.0) || !(lonSpacing > 0.0) || !std::isfinite(north) || !std::isfinite(east)) return false;
    extent = {south, north, west, east, latSpacing, lonSpacing, rows, columns};
    return true;
}
