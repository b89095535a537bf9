// Cost of one conversion through the exported interface, as a host pays it: GeoXY and XYGeo on
// UTM zone 31, beside two yardsticks on the same points in the same run:
// - "Inline": the same transverse Mercator series written out in the loop, with no handle, no
//   virtual call and no error code: the floor of what an export can cost;
// - "Proj": PROJ's +proj=utm through proj_trans, one point a call (where libproj is installed).
// Two point sets: a survey line (consecutive positions a metre apart) and points scattered over
// the zone. The "per_point" column is the time of one point (with an SI prefix: 40n is 40
// nanoseconds); the summary at the end gives the ratios, from each benchmark's fastest run (pass
// --benchmark_repetitions=5 on a busy machine).
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <string>

#include "geodesy/Tellus.h"

#if TELLUS_WITH_PROJ
#include <proj.h>
#endif

namespace {

constexpr double kDeg = std::numbers::pi / 180;
constexpr int kPoints = 256;

// UTM zone 31 north on WGS 84.
constexpr double kA = 6378137.0;
constexpr double kInverseFlattening = 298.257223563;
constexpr double kK0 = 0.9996;
constexpr double kCentralMeridian = 3 * kDeg;
constexpr double kFalseEasting = 500000;

// The library's transverse Mercator series, written out: the same constants and the same
// operations in the same order, so it gives the same bits as GeoXY and XYGeo.
class InlineTransverseMercator {
public:
    InlineTransverseMercator() {
        double f = 1 / kInverseFlattening;
        e2 = 2 * f - f * f;
        double n = f / (2 - f);
        double n2 = n * n, n3 = n2 * n, n4 = n3 * n;
        cosPowers(-3.0 / 2 * n + 9.0 / 16 * n3, 15.0 / 16 * n2 - 15.0 / 32 * n4, -35.0 / 48 * n3,
                  315.0 / 512 * n4, A);
        cosPowers(3.0 / 2 * n - 27.0 / 32 * n3, 21.0 / 16 * n2 - 55.0 / 32 * n4, 151.0 / 96 * n3,
                  1097.0 / 512 * n4, B);
        r = kA * (1 - n) * (1 - n2) * (1 + 9.0 / 4 * n2 + 225.0 / 64 * n4);
        y0 = -(0.0 * kK0 * r);
        ep2 = e2 / (1 - e2);
    }

    void forward(double lat, double lon, double& x, double& y) const {
        double c = std::cos(lat);
        double eta2 = ep2 * c * c;
        double dlon = lon - kCentralMeridian;
        if (dlon > std::numbers::pi)
            dlon -= 2 * std::numbers::pi;
        else if (dlon < -std::numbers::pi)
            dlon += 2 * std::numbers::pi;
        double l = dlon * c;
        double s = std::sin(lat);
        double mu = series(lat, s, c, A);
        double t = std::tan(lat);
        double T = t * t;
        double nu = kA / std::sqrt(1 - e2 * s * s);
        double l2 = l * l, l4 = l2 * l2, l6 = l4 * l2;
        x = kFalseEasting + kK0 * nu * l *
                                (1 + l2 * (1 - T + eta2) / 6 + l4 * (5 - 18 * T + T * T + (14 - 58 * T) * eta2) / 120 +
                                 l6 * (61 - 479 * T + 179 * T * T - T * T * T) / 5040);
        y = 0 + y0 +
            kK0 * (r * mu + nu * t * l2 / 2 *
                                (1 + l2 * (5 - T + 9 * eta2 + 4 * eta2 * eta2) / 12 +
                                 l4 * (61 - 58 * T + T * T + 270 * eta2 - 330 * T * eta2) / 360));
    }

    void inverse(double x, double y, double& lat, double& lon) const {
        double mu = (y - 0 - y0) / (r * kK0);
        double lat1 = series(mu, std::sin(mu), std::cos(mu), B);
        double c1 = std::cos(lat1);
        double eta2 = ep2 * c1 * c1;
        double t = std::tan(lat1);
        double T = t * t;
        double s1 = std::sin(lat1);
        double nu = kA / std::sqrt(1 - e2 * s1 * s1);
        double D = (x - kFalseEasting) / (kK0 * nu);
        double D2 = D * D, D4 = D2 * D2, D6 = D4 * D2;
        lat = lat1 - (1 + eta2) * t * D2 / 2 *
                         (1 - D2 * (5 + 3 * T + eta2 - 9 * T * eta2 - 4 * eta2 * eta2) / 12 +
                          D4 * (61 + 90 * T + 45 * T * T + 46 * eta2 - 252 * T * eta2 - 90 * T * T * eta2) / 360);
        lon = kCentralMeridian + D / c1 *
                                     (1 - D2 * (1 + 2 * T + eta2) / 6 +
                                      D4 * (5 + 28 * T + 24 * T * T + (6 + 8 * T) * eta2) / 120 -
                                      D6 * (61 + 662 * T + 1320 * T * T + 720 * T * T * T) / 5040);
    }

private:
    static void cosPowers(double s2, double s4, double s6, double s8, double* c) {
        c[0] = 2 * (s2 - 2 * s4 + 3 * s6 - 4 * s8);
        c[1] = 8 * (s4 - 4 * s6 + 10 * s8);
        c[2] = 32 * (s6 - 6 * s8);
        c[3] = 128 * s8;
    }
    static double series(double phi, double s, double c, const double* k) {
        double cc = c * c;
        return phi + s * c * (k[0] + k[1] * cc + k[2] * cc * cc + k[3] * cc * cc * cc);
    }

    double e2, ep2, r, y0;
    double A[4], B[4];
};

struct PointSet {
    std::array<double, kPoints> lat{}, lon{}, x{}, y{};
};

// Reproducible pseudo-random numbers in [0, 1).
class Random {
public:
    double next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return double(state >> 11) * 0x1p-53;
    }

private:
    uint64_t state = 1;
};

struct Fixture {
    GeodesyHandle handle = nullptr;
    InlineTransverseMercator tm;
    PointSet line, scattered;
#if TELLUS_WITH_PROJ
    PJ_CONTEXT* context = proj_context_create();
    PJ* utm = proj_create(context, "+proj=utm +zone=31 +ellps=WGS84");
#endif

    Fixture() {
        GeodesyParams p{};
        p.semiMajorAxis = kA;
        p.inverseFlattening = kInverseFlattening;
        p.projectionId = 3;
        p.unitFactor = 1.0;
        p.scaleFactor = kK0;
        p.centralMeridian = kCentralMeridian;
        p.falseEasting = kFalseEasting;
        handle = CreateGeodesy(&p);
        // A line of soundings heading north-east from 52 N 2.5 E, a metre apart.
        for (int i = 0; i < kPoints; ++i) {
            line.lat[i] = 52 * kDeg + i * 0.7 / kA;
            line.lon[i] = 2.5 * kDeg + i * 0.7 / (kA * std::cos(52 * kDeg));
        }
        // Anywhere in the zone between 80 S and 84 N.
        Random random;
        for (int i = 0; i < kPoints; ++i) {
            scattered.lat[i] = (-80 + 164 * random.next()) * kDeg;
            scattered.lon[i] = 6 * random.next() * kDeg;
        }
        for (PointSet* set : {&line, &scattered})
            for (int i = 0; i < kPoints; ++i) {
                GeoXY(handle, &set->x[i], &set->y[i], set->lat[i], set->lon[i]);
                double x, y;
                tm.forward(set->lat[i], set->lon[i], x, y);
                if (x != set->x[i] || y != set->y[i])
                    std::fprintf(stderr, "the inline series differs from GeoXY at point %d\n", i);
            }
    }
    ~Fixture() {
        DestroyGeodesy(handle);
#if TELLUS_WITH_PROJ
        proj_destroy(utm);
        proj_context_destroy(context);
#endif
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

const PointSet& points(bool scattered) { return scattered ? fixture().scattered : fixture().line; }

void perPoint(benchmark::State& state) {
    state.counters["per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Runs `convert(set, i)` for every point of the set in each iteration.
template <typename Convert>
void overPoints(benchmark::State& state, bool scattered, Convert convert) {
    const PointSet& s = points(scattered);
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) convert(s, i);
    perPoint(state);
}

void keep(double a, double b) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
}

void BM_GeoXY(benchmark::State& state, bool scattered) {
    GeodesyHandle h = fixture().handle;
    overPoints(state, scattered, [h](const PointSet& s, int i) {
        double x, y;
        GeoXY(h, &x, &y, s.lat[i], s.lon[i]);
        keep(x, y);
    });
}

void BM_XYGeo(benchmark::State& state, bool scattered) {
    GeodesyHandle h = fixture().handle;
    overPoints(state, scattered, [h](const PointSet& s, int i) {
        double lat, lon;
        XYGeo(h, s.x[i], s.y[i], &lat, &lon);
        keep(lat, lon);
    });
}

void BM_InlineGeoXY(benchmark::State& state, bool scattered) {
    const InlineTransverseMercator& tm = fixture().tm;
    overPoints(state, scattered, [&tm](const PointSet& s, int i) {
        double x, y;
        tm.forward(s.lat[i], s.lon[i], x, y);
        keep(x, y);
    });
}

void BM_InlineXYGeo(benchmark::State& state, bool scattered) {
    const InlineTransverseMercator& tm = fixture().tm;
    overPoints(state, scattered, [&tm](const PointSet& s, int i) {
        double lat, lon;
        tm.inverse(s.x[i], s.y[i], lat, lon);
        keep(lat, lon);
    });
}

#if TELLUS_WITH_PROJ
void BM_ProjGeoXY(benchmark::State& state, bool scattered) {
    PJ* utm = fixture().utm;
    overPoints(state, scattered, [utm](const PointSet& s, int i) {
        PJ_COORD c = proj_trans(utm, PJ_FWD, proj_coord(s.lon[i], s.lat[i], 0, 0));
        keep(c.xy.x, c.xy.y);
    });
}

void BM_ProjXYGeo(benchmark::State& state, bool scattered) {
    PJ* utm = fixture().utm;
    overPoints(state, scattered, [utm](const PointSet& s, int i) {
        PJ_COORD c = proj_trans(utm, PJ_INV, proj_coord(s.x[i], s.y[i], 0, 0));
        keep(c.lp.lam, c.lp.phi);
    });
}
#endif

#define CONVERSION_BENCHMARK(fn) \
    BENCHMARK_CAPTURE(fn, line, false); \
    BENCHMARK_CAPTURE(fn, scattered, true)

CONVERSION_BENCHMARK(BM_GeoXY);
CONVERSION_BENCHMARK(BM_InlineGeoXY);
CONVERSION_BENCHMARK(BM_XYGeo);
CONVERSION_BENCHMARK(BM_InlineXYGeo);
#if TELLUS_WITH_PROJ
CONVERSION_BENCHMARK(BM_ProjGeoXY);
CONVERSION_BENCHMARK(BM_ProjXYGeo);
#endif

void BM_GCircLL(benchmark::State& state) {
    const Fixture& f = fixture();
    double azimuth;
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) {
            int j = (i * 37 + 11) % kPoints;
            benchmark::DoNotOptimize(
                GCircLL(f.handle, f.scattered.lat[i], f.scattered.lon[i], f.scattered.lat[j], f.scattered.lon[j], &azimuth));
        }
    perPoint(state);
}
BENCHMARK(BM_GCircLL);

// The console report, keeping each benchmark's fastest CPU time per point for the summary.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            double ns = run.GetAdjustedCPUTime() / kPoints;
            std::string name = run.benchmark_name();
            auto [at, added] = fastest.emplace(name, ns);
            if (!added && ns < at->second) at->second = ns;
        }
    }

    void summary() const {
        std::printf("\nns per point (fastest run) and ratios:\n");
        for (const char* op : {"GeoXY", "XYGeo"})
            for (const char* set : {"line", "scattered"}) {
                double ours = find(std::string("BM_") + op + "/" + set);
                double floor = find(std::string("BM_Inline") + op + "/" + set);
                double proj = find(std::string("BM_Proj") + op + "/" + set);
                if (ours <= 0) continue;
                std::printf("%-6s %-9s  %6.1f ns", op, set, ours);
                if (floor > 0) std::printf("   inline %6.1f ns  x%.2f", floor, ours / floor);
                if (proj > 0) std::printf("   PROJ %6.1f ns  x%.2f", proj, ours / proj);
                std::printf("\n");
            }
    }

private:
    double find(const std::string& name) const {
        auto at = fastest.find(name);
        return at == fastest.end() ? 0 : at->second;
    }

    std::map<std::string, double> fastest;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.summary();
    benchmark::Shutdown();
    return 0;
}
