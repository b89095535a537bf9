// EPSG requests on the sample suite's database, beside PROJ making the same systems in the same
// process where libproj is installed: proj_create("EPSG:<code>") and the system's conversion
// (proj_crs_get_coordoperation), and, as the heavier reference, proj_create_crs_to_crs from the
// system's base geographic system. After the Google Benchmark entries the program prints the
// ratios of ours to PROJ's, timed in alternation so that a noisy machine affects both alike.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>

#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "geodesy/Tellus.h"

#if TELLUS_WITH_PROJ
#include <proj.h>
#endif

namespace {

// Transverse Mercator (British National Grid, UTM 31N), Lambert 2SP in US survey feet, Lambert
// azimuthal equal area, Mercator, oblique and polar stereographic, Albers.
constexpr int kSystems[] = {27700, 2227, 32631, 3035, 3395, 28992, 5041, 3577};
constexpr const char* kProjCodes[] = {"EPSG:27700", "EPSG:2227", "EPSG:32631", "EPSG:3035",
                                      "EPSG:3395",  "EPSG:28992", "EPSG:5041", "EPSG:3577"};
constexpr const char* kProjBases[] = {"EPSG:4277", "EPSG:4269", "EPSG:4326", "EPSG:4258",
                                      "EPSG:4326", "EPSG:4289", "EPSG:4326", "EPSG:4283"};

bool createOurs() {
    bool ok = true;
    for (int code : kSystems) {
        GeodesyHandle h = CreateEpsgGeodesy(code);
        ok = ok && h;
        DestroyGeodesy(h);
    }
    return ok;
}

void CreateEpsgGeodesy8(benchmark::State& state) {
    for (auto _ : state)
        if (!createOurs()) state.SkipWithError("CreateEpsgGeodesy failed");
}
BENCHMARK(CreateEpsgGeodesy8)->Unit(benchmark::kMicrosecond);

void GetEpsgParamsBench(benchmark::State& state) {
    EpsgParams record{sizeof(EpsgParams), 0, 0, 0, 0};
    for (auto _ : state) {
        if (!GetEpsgParams(27700, &record)) state.SkipWithError("GetEpsgParams(27700) failed");
        benchmark::DoNotOptimize(record);
    }
}
BENCHMARK(GetEpsgParamsBench)->Unit(benchmark::kMicrosecond);

#if TELLUS_WITH_PROJ
PJ_CONTEXT* projContext() {
    static PJ_CONTEXT* ctx = proj_context_create();
    return ctx;
}

bool createProj() {
    bool ok = true;
    for (const char* code : kProjCodes) {
        PJ* crs = proj_create(projContext(), code);
        PJ* op = crs ? proj_crs_get_coordoperation(projContext(), crs) : nullptr;
        ok = ok && op;
        proj_destroy(op);
        proj_destroy(crs);
    }
    return ok;
}

bool createProjCrsToCrs() {
    bool ok = true;
    for (size_t i = 0; i < std::size(kProjCodes); ++i) {
        PJ* op = proj_create_crs_to_crs(projContext(), kProjBases[i], kProjCodes[i], nullptr);
        ok = ok && op;
        proj_destroy(op);
    }
    return ok;
}

void ProjCreateAndOperation8(benchmark::State& state) {
    for (auto _ : state)
        if (!createProj()) state.SkipWithError("proj_create failed");
}
BENCHMARK(ProjCreateAndOperation8)->Unit(benchmark::kMicrosecond);

void ProjCreateCrsToCrs8(benchmark::State& state) {
    for (auto _ : state)
        if (!createProjCrsToCrs()) state.SkipWithError("proj_create_crs_to_crs failed");
}
BENCHMARK(ProjCreateCrsToCrs8)->Unit(benchmark::kMicrosecond);

// Microseconds per round of eight, the best of `rounds` batches.
template <typename Body>
double bestMicroseconds(Body body, int batch) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < batch; ++i) body();
    std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / batch;
}

void printRatios() {
    constexpr int kRounds = 7, kBatch = 50;
    double ours = 1e300, proj = 1e300, crsToCrs = 1e300;
    for (int r = 0; r < kRounds; ++r) {
        ours = std::min(ours, bestMicroseconds(createOurs, kBatch));
        proj = std::min(proj, bestMicroseconds(createProj, kBatch));
        crsToCrs = std::min(crsToCrs, bestMicroseconds(createProjCrsToCrs, kBatch / 5));
    }
    std::printf("\nEight systems, best of %d alternating batches:\n", kRounds);
    std::printf("  CreateEpsgGeodesy                          %9.1f us\n", ours);
    std::printf("  PROJ proj_create + conversion              %9.1f us  ours / PROJ %.2f\n", proj, ours / proj);
    std::printf("  PROJ proj_create_crs_to_crs from the base  %9.1f us  ours / PROJ %.2f\n", crsToCrs,
                ours / crsToCrs);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    // The suite folder of this build tree, unless the caller names another.
    if (!platform::hasEnvironment("KVT_PELAGIX")) {
        platform::setEnvironment("KVT_PELAGIX", TELLUS_SUITE_DIR);
        resetProgramFolder();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
#if TELLUS_WITH_PROJ
    printRatios();
#endif
    return 0;
}
