// Where the transverse Mercator's two series hold, against GeographicLib's exact projection
// (TransverseMercatorExact, 8 nm): build/native/bench/tm_reach. For the earth's ellipsoids (1/f at
// least 290, a up to 6.5e6 m: the worst of them at the corners) and for the rest of the accepted
// set-ups (a up to 7e6 m: errors grow with it and with the flattening), it prints
// - Redfearn's series (the forward alone): the worst ground error over all latitudes for each
//   longitude offset up to 10 degrees, which sets kRedfearnReach (0.1 mm);
// - Krueger's series to n^6 (the forward alone): the worst error in bands of eta' (the isometric
//   distance from the central meridian on the conformal sphere), which sets kKruegerReach (1 mm);
// - the class as served: the worst forward and inverse error of every success, the worst jump
//   across the hand-over, and the share of the quarter turn it serves;
// - the inverse series unchecked: on the earth's ellipsoids, the worst miss of the forward of the
//   inverse's point by longitude offset, which sets kSeriesSafeWidth (within it the series' point
//   is kept without a forward; beyond, the refined points miss by 1e-6 m at most).
#include <GeographicLib/TransverseMercatorExact.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "geodesy/projections/Angles.h"
#include "geodesy/projections/TransverseMercator.h"

namespace {

constexpr double kDeg = kPi / 180;
struct Shape {
    double a, inverseFlattening;
};
const Shape kShapes[] = {{6.5e6, 290}, {6.5e6, 1e6}, {6378137, 298.257223563}, {7e6, 290}, {7e6, 1e6}};

GeodesyParams tmParams(double a, double inverseFlattening) {
    GeodesyParams p{};
    p.semiMajorAxis = a;
    p.inverseFlattening = inverseFlattening;
    p.projectionId = 3;
    p.unitFactor = 1;
    p.scaleFactor = 1;
    return p;
}

}  // namespace

int main() {
    constexpr int kFlattenings = std::size(kShapes);
    std::vector<std::vector<double>> redfearn(kFlattenings, std::vector<double>(101, 0.0));  // per 0.1 degree
    constexpr double kBand = 0.05;
    std::vector<std::vector<double>> krueger(kFlattenings, std::vector<double>(40, 0.0));  // per band of eta'
    double forward = 0, inverse = 0, jump = 0, served = 0, asked = 0;
    for (int which = 0; which < kFlattenings; ++which) {
        const double rf = kShapes[which].inverseFlattening, a = kShapes[which].a;
        const GeographicLib::TransverseMercatorExact exact(a, 1 / rf, 1);
        const TransverseMercator tm(tmParams(a, rf));
        for (double latDeg = -89.75; latDeg < 90; latDeg += 0.5) {
            const double lat = latDeg * kDeg;
            for (int i = 1; i < 101; ++i) {
                const double dl = i * 0.1;
                double ex, ey, gx, gy;
                exact.Forward(0, latDeg, dl, ex, ey);
                tm.RedfearnForward(lat, dl * kDeg, gx, gy);
                redfearn[which][i] = std::max(redfearn[which][i], std::hypot(gx - ex, gy - ey));
            }
            for (double dl = 0.25; dl < 90; dl += 0.5) {
                double ex, ey, kx, ky, x, y;
                exact.Forward(0, latDeg, dl, ex, ey);
                const double etap = tm.KruegerForward(lat, dl * kDeg, kx, ky, nullptr, nullptr);
                const std::size_t band = std::min(std::size_t(etap / kBand), krueger[which].size() - 1);
                krueger[which][band] = std::max(krueger[which][band], std::hypot(kx - ex, ky - ey));
                // The class: forward and inverse of every success against the exact projection.
                ++asked;
                if (tm.Forward(lat, dl * kDeg, x, y).release() != 0) continue;
                ++served;
                forward = std::max(forward, std::hypot(x - ex, y - ey));
                double la, lo, ix, iy;
                if (tm.Inverse(ex, ey, la, lo).release() != 0) {
                    std::printf("inverse refused at %.2f %.2f 1/f %g\n", latDeg, dl, rf);
                    continue;
                }
                exact.Forward(0, la / kDeg, lo / kDeg, ix, iy);
                inverse = std::max(inverse, std::hypot(ix - ex, iy - ey));
            }
        }
        // Jumps across the hand-over: the forward at the reach and just beyond.
        for (double latDeg = -89.5; latDeg < 90; latDeg += 0.25) {
            double x1, y1, x2, y2;
            const double reach = tm.RedfearnReach();
            if (tm.Forward(latDeg * kDeg, reach, x1, y1).release() != 0) continue;
            if (tm.Forward(latDeg * kDeg, std::nextafter(reach, 1.0), x2, y2).release() != 0) continue;
            jump = std::max(jump, std::hypot(x2 - x1, y2 - y1));
        }
    }
    // The inverse series where it goes unchecked (D^2 (1 + T) <= kSeriesSafeWidth, about the squared
    // longitude offset): the forward of its point against the grid point asked for.
    std::printf("Inverse, the forward of its point against the grid point (mm), by longitude offset:\n");
    for (double dl = 0.1; dl < 3.55; dl += 0.1) {
        double worst = 0;
        for (const Shape& shape : kShapes) {
            if (shape.inverseFlattening < 290 || shape.a > 6.5e6) continue;
            const TransverseMercator tm(tmParams(shape.a, shape.inverseFlattening));
            for (double latDeg = -89.95; latDeg < 90; latDeg += 0.1) {
                for (double d = dl - 0.1; d < dl; d += 0.005) {
                    double x, y, la, lo, x2, y2;
                    if (tm.Forward(latDeg * kDeg, d * kDeg, x, y).release() != 0) continue;
                    if (tm.Inverse(x, y, la, lo).release() != 0) continue;
                    if (tm.Forward(la, lo, x2, y2).release() != 0) continue;
                    worst = std::max(worst, std::hypot(x2 - x, y2 - y));
                }
            }
        }
        std::printf("  %3.1f-%3.1f deg  %10.5f\n", dl - 0.1, dl, worst * 1e3);
    }
    std::printf("Worst ground error (mm) over all latitudes, for a (km) / (1/f) =\n                 ");
    for (const Shape& shape : kShapes) std::printf(" %4.0f/%-5g", shape.a / 1e3, shape.inverseFlattening);
    std::printf("\nRedfearn's forward by longitude offset:\n");
    for (int i = 1; i < 101; ++i) {
        std::printf("  %4.1f deg       ", i * 0.1);
        for (int k = 0; k < kFlattenings; ++k) std::printf(" %10.4f", redfearn[k][i] * 1e3);
        std::printf("\n");
    }
    std::printf("Krueger's forward by eta':\n");
    for (std::size_t b = 0; b < krueger[0].size(); ++b) {
        std::printf("  eta' %4.2f-%4.2f", b * kBand, (b + 1) * kBand);
        for (int k = 0; k < kFlattenings; ++k) std::printf(" %10.4g", krueger[k][b] * 1e3);
        std::printf("\n");
    }
    std::printf("As served: forward worst %.4f mm, inverse worst %.4f mm, hand-over jump %.4f mm, %.1f%% of "
                "points within a quarter turn served\n",
                forward * 1e3, inverse * 1e3, jump * 1e3, 100 * served / asked);
}
