// Cost of one conversion through the exported interface, as a host pays it: GeoXY and XYGeo on
// UTM zone 31 over a fixed set of points, and GCircLL. The "per_point" column is the time of
// one point (shown with an SI prefix: 40n is 40 nanoseconds).
#include <benchmark/benchmark.h>

#include <array>
#include <numbers>

#include "geodesy/Tellus.h"

namespace {

constexpr double kDeg = std::numbers::pi / 180;
constexpr int kPoints = 256;

struct Fixture {
    GeodesyHandle handle = nullptr;
    std::array<double, kPoints> lat{}, lon{}, x{}, y{};

    Fixture() {
        GeodesyParams p{};
        p.semiMajorAxis = 6378137.0;
        p.inverseFlattening = 298.257223563;
        p.projectionId = 3;
        p.unitFactor = 1.0;
        p.scaleFactor = 0.9996;
        p.centralMeridian = 3 * kDeg;
        p.falseEasting = 500000;
        handle = CreateGeodesy(&p);
        // A fixed grid of points over the zone: 0..80 N, 0..6 E.
        for (int i = 0; i < kPoints; ++i) {
            lat[i] = (i / 16) * 5.0 * kDeg;
            lon[i] = (i % 16) * 0.4 * kDeg;
            GeoXY(handle, &x[i], &y[i], lat[i], lon[i]);
        }
    }
    ~Fixture() { DestroyGeodesy(handle); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void perPoint(benchmark::State& state) {
    state.counters["per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_GeoXY(benchmark::State& state) {
    Fixture& f = fixture();
    double x, y;
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) {
            GeoXY(f.handle, &x, &y, f.lat[i], f.lon[i]);
            benchmark::DoNotOptimize(x);
            benchmark::DoNotOptimize(y);
        }
    perPoint(state);
}
BENCHMARK(BM_GeoXY);

void BM_XYGeo(benchmark::State& state) {
    Fixture& f = fixture();
    double lat, lon;
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) {
            XYGeo(f.handle, f.x[i], f.y[i], &lat, &lon);
            benchmark::DoNotOptimize(lat);
            benchmark::DoNotOptimize(lon);
        }
    perPoint(state);
}
BENCHMARK(BM_XYGeo);

void BM_GCircLL(benchmark::State& state) {
    Fixture& f = fixture();
    double azimuth;
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) {
            int j = (i * 37 + 11) % kPoints;
            benchmark::DoNotOptimize(GCircLL(f.handle, f.lat[i], f.lon[i], f.lat[j], f.lon[j], &azimuth));
        }
    perPoint(state);
}
BENCHMARK(BM_GCircLL);

}  // namespace

BENCHMARK_MAIN();
