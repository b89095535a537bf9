// Local grid transformations. The fixed and tabled grids are polynomial fits published with
// their grids; their inverse polynomials are separate fits, so a forward and an inverse pass
// return near, not exactly to, the start.
#include "geodesy/LocalGrid.h"

#include <cmath>

#include "geodesy/LocalGridTables.h"

namespace {

// Origins of the fixed grids' polynomials (metres): forward from the projection grid, inverse
// from the local grid.
constexpr double kGridAForwardOriginX = 678360.656;
constexpr double kGridAForwardOriginY = 6140437.158;
constexpr double kGridAInverseOriginX = 118719.224;
constexpr double kGridAInverseOriginY = 106063.866;
constexpr double kGridBForwardOriginX = 540369.219;
constexpr double kGridBForwardOriginY = 6219828.218;
constexpr double kGridBInverseOriginX = 255147.479;
constexpr double kGridBInverseOriginY = 188195.605;

// The tabled grids work in Sears chains.
constexpr double kSearsChain = 20.1167651216;
// Their polynomials take offsets in units of 10000 chains.
constexpr double kTabledScale = 10000;
// Coefficient offsets within a tabled row.
constexpr int kOutNorth = 0, kOutEast = 1, kInNorth = 2, kInEast = 3, kNorthPoly = 4, kEastPoly = 10;
constexpr int kTabledOrder = 2;

bool isTabled(uint32_t type) { return type >= kAdjustFirstTabled && type <= kAdjustLastTabled; }

// Both results from the same (u, v): the new x does not feed the y polynomial.
void applyPolynomials(double& x, double& y, double originX, double originY, const double* px, const double* py,
                      int order) {
    double u = x - originX;
    double v = y - originY;
    x = EvalPolynomial(u, v, px, order);
    y = EvalPolynomial(u, v, py, order);
}

// One pass of a tabled grid: offsets from the `from` origin, polynomial corrections added with
// `sign` (subtracted forward, added inverse) at the `to` origin.
void tabledStep(const double* d, int fromNorth, int fromEast, int toNorth, int toEast, double sign, double& east,
                double& north) {
    double dE = east - d[fromEast];
    double dN = north - d[fromNorth];
    double u = dN / kTabledScale;
    double v = dE / kTabledScale;
    east = d[toEast] + dE + sign * EvalPolynomial(u, v, d + kEastPoly, kTabledOrder);
    north = d[toNorth] + dN + sign * EvalPolynomial(u, v, d + kNorthPoly, kTabledOrder);
}

// Projection units <-> Sears chains around a tabled grid.
template <typename Step>
void inSearsChains(double unit, double& x, double& y, Step step) {
    double east = unit * x / kSearsChain;
    double north = unit * y / kSearsChain;
    step(east, north);
    x = east * kSearsChain / unit;
    y = north * kSearsChain / unit;
}

}  // namespace

double EvalPolynomial(double u, double v, const double* c, int order) {
    if (order < 1) return c[0];
    // Horner in u from the highest power down; each group of coefficients by Horner in v.
    double result = 0;
    int groupEnd = (order + 1) * (order + 2) / 2;
    for (int j = order; j >= 0; --j) {
        int groupSize = order - j + 1;
        int groupStart = groupEnd - groupSize;
        double inner = 0;
        for (int i = groupSize - 1; i >= 0; --i) inner = inner * v + c[groupStart + i];
        result = result * u + inner;
        groupEnd = groupStart;
    }
    return result;
}

void FixedGridAForward(double& x, double& y) {
    applyPolynomials(x, y, kGridAForwardOriginX, kGridAForwardOriginY, kGridAForwardX, kGridAForwardY, kGridAOrder);
}

void FixedGridAInverse(double& x, double& y) {
    applyPolynomials(x, y, kGridAInverseOriginX, kGridAInverseOriginY, kGridAInverseX, kGridAInverseY, kGridAOrder);
}

void FixedGridBForward(double& x, double& y) {
    applyPolynomials(x, y, kGridBForwardOriginX, kGridBForwardOriginY, kGridBForwardX, kGridBForwardY, kGridBOrder);
}

void FixedGridBInverse(double& x, double& y) {
    applyPolynomials(x, y, kGridBInverseOriginX, kGridBInverseOriginY, kGridBInverseX, kGridBInverseY, kGridBOrder);
}

void TabledGridForward(int row, double& east, double& north) {
    tabledStep(LocalGridTable[row], kInNorth, kInEast, kOutNorth, kOutEast, -1.0, east, north);
}

void TabledGridInverse(int row, double& east, double& north) {
    tabledStep(LocalGridTable[row], kOutNorth, kOutEast, kInNorth, kInEast, 1.0, east, north);
}

void LocalGridForward(const AdjustParams& adjust, double unit, double& x, double& y) {
    uint32_t type = adjust.type & kAdjustTypeMask;
    if (type == kAdjustSimilarity) {
        double s = std::sin(adjust.rotation) * adjust.scale;
        double c = std::cos(adjust.rotation) * adjust.scale;
        double dx = x - adjust.originX;
        double dy = y - adjust.originY;
        double lx = dx * c + dy * s + adjust.translationX;
        double ly = dy * c - dx * s + adjust.translationY;
        x = (adjust.type & kAdjustReverseX) ? -lx : lx;
        y = (adjust.type & kAdjustReverseY) ? -ly : ly;
    } else if (type == kAdjustFixedGridA) {
        FixedGridAForward(x, y);
        x = -x;
    } else if (type == kAdjustFixedGridB) {
        FixedGridBForward(x, y);
        x = -x;
    } else if (isTabled(type)) {
        int row = static_cast<int>(type - kAdjustFirstTabled);
        inSearsChains(unit, x, y, [row](double& e, double& n) { TabledGridForward(row, e, n); });
    }
}

void LocalGridInverse(const AdjustParams& adjust, double unit, double& x, double& y) {
    uint32_t type = adjust.type & kAdjustTypeMask;
    if (type == kAdjustSimilarity) {
        double lx = (adjust.type & kAdjustReverseX) ? -x : x;
        double ly = (adjust.type & kAdjustReverseY) ? -y : y;
        double s = -std::sin(adjust.rotation) / adjust.scale;
        double c = std::cos(adjust.rotation) / adjust.scale;
        double tx = lx - adjust.translationX;
        double ty = ly - adjust.translationY;
        x = tx * c + ty * s + adjust.originX;
        y = ty * c - tx * s + adjust.originY;
    } else if (type == kAdjustFixedGridA) {
        x = -x;
        FixedGridAInverse(x, y);
    } else if (type == kAdjustFixedGridB) {
        x = -x;
        FixedGridBInverse(x, y);
    } else if (isTabled(type)) {
        int row = static_cast<int>(type - kAdjustFirstTabled);
        inSearsChains(unit, x, y, [row](double& e, double& n) { TabledGridInverse(row, e, n); });
    }
}
