// The extent and resolution of a regular grid, as every grid reader takes them from its header:
// the outer nodes, the node spacings and the node counts (PROJ's grids keep the same as
// ExtentAndRes).
#pragma once

#include <cstdint>

struct GridExtent {
    // The outer nodes, in the unit the grid's lookups take.
    double south = 0.0;
    double north = 0.0;
    double west = 0.0;
    double east = 0.0;
    // Node spacings, same unit (0 where the grid gives none).
    double latSpacing = 0.0;
    double lonSpacing = 0.0;
    int rows = 0;
    int columns = 0;

    // A geographic grid from its header, in radians: the south-west node and the spacings in
    // degrees, and the node counts. False when the south-west node lies off the earth (south
    // outside +-90 degrees, west outside +-180), there are fewer than 2 rows or columns (no cell,
    // and a zero spacing would make every index undefined), or a spacing is not above 0 or the
    // north or east limit not finite (checked in radians: a spacing finite in degrees may
    // overflow in the conversion, and so may the limits); `extent` is then unchanged.
    static bool FromDegrees(double southDegrees, double westDegrees, double latStepDegrees, double lonStepDegrees,
                            int32_t rows, int32_t columns, GridExtent& extent);
};
