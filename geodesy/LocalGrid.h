// Local grid transformations applied after the projection: a similarity transformation with
// optional reversed axes (type 1), two fixed polynomial grids (types 2 and 3) and thirteen tabled
// second-order grids (types 4 to 16), chosen by the low 16 bits of AdjustParams::type.
// None of them fails; types 0 and 17 and up change nothing.
#pragma once

#include <cstdint>

#include "geodesy/TellusRecords.h"

// Bits of AdjustParams::type.
inline constexpr uint32_t kAdjustTypeMask = 0xFFFF;
inline constexpr uint32_t kAdjustReverseX = 0x10000;
inline constexpr uint32_t kAdjustReverseY = 0x20000;

// Types of the low 16 bits.
inline constexpr uint32_t kAdjustNone = 0;
inline constexpr uint32_t kAdjustSimilarity = 1;
inline constexpr uint32_t kAdjustFixedGridA = 2;
inline constexpr uint32_t kAdjustFixedGridB = 3;
inline constexpr uint32_t kAdjustFirstTabled = 4;
inline constexpr uint32_t kAdjustLastTabled = 16;

// Whether the record names a local grid; type 0 leaves the coordinates as they are, in both
// directions.
inline bool LocalGridApplies(const AdjustParams& adjust) { return (adjust.type & kAdjustTypeMask) != kAdjustNone; }

// Projection grid (x, y in projection units, `unit` metres each) to the local grid, in place.
void LocalGridForward(const AdjustParams& adjust, double unit, double& x, double& y);
// The mirror: local grid to projection grid, in place.
void LocalGridInverse(const AdjustParams& adjust, double unit, double& x, double& y);

// Bivariate polynomial of order n: sum over j of u^j (sum over i <= n - j of c_k v^i), the
// coefficients running through all powers of v for u^0, then for u^1, and so on
// ((n + 1)(n + 2) / 2 of them). Below order 1 the value is the first coefficient.
double EvalPolynomial(double u, double v, const double* coefficients, int order);

// The two fixed polynomial grids, in place (metres).
void FixedGridAForward(double& x, double& y);
void FixedGridAInverse(double& x, double& y);
void FixedGridBForward(double& x, double& y);
void FixedGridBInverse(double& x, double& y);

// A tabled grid (row = type - 4), in place, in Sears chains.
void TabledGridForward(int row, double& east, double& north);
void TabledGridInverse(int row, double& east, double& north);
