// Coefficients of the local grids: the four polynomials of each fixed grid and the rows of the
// tabled grids. They are data of the grids themselves, fitted once by their publishers.
#pragma once

#include <cstddef>

// Order and coefficient count of the fixed-grid polynomials.
inline constexpr int kGridAOrder = 5;
inline constexpr int kGridBOrder = 7;
inline constexpr size_t kGridACount = (kGridAOrder + 1) * (kGridAOrder + 2) / 2;
inline constexpr size_t kGridBCount = (kGridBOrder + 1) * (kGridBOrder + 2) / 2;

extern const double kGridAForwardX[];
extern const double kGridAForwardY[];
extern const double kGridAInverseX[];
extern const double kGridAInverseY[];
extern const double kGridBForwardX[];
extern const double kGridBForwardY[];
extern const double kGridBInverseX[];
extern const double kGridBInverseY[];

// Tabled grids, one row per type 4..16: d0, d1 output origin (north, east); d2, d3 input origin
// (north, east); d4..d9 the north polynomial; d10..d15 the east polynomial (order 2).
inline constexpr int kTabledGridCount = 13;
inline constexpr int kTabledGridRowSize = 16;
extern const double LocalGridTable[][kTabledGridRowSize];
