// Milliseconds per EPSG request on the sample suite's database: each call opens the database
// anew, so this is mostly the cost of the open and the prepared statements.
#include <benchmark/benchmark.h>

#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "geodesy/Tellus.h"

namespace {

void CreateEpsgGeodesyBench(benchmark::State& state) {
    for (auto _ : state) {
        GeodesyHandle h = CreateEpsgGeodesy(27700);
        if (!h) state.SkipWithError("CreateEpsgGeodesy(27700) failed");
        DestroyGeodesy(h);
    }
}
BENCHMARK(CreateEpsgGeodesyBench)->Unit(benchmark::kMillisecond);

void GetEpsgParamsBench(benchmark::State& state) {
    EpsgParams record{sizeof(EpsgParams), 0, 0, 0, 0};
    for (auto _ : state) {
        if (!GetEpsgParams(27700, &record)) state.SkipWithError("GetEpsgParams(27700) failed");
        benchmark::DoNotOptimize(record);
    }
}
BENCHMARK(GetEpsgParamsBench)->Unit(benchmark::kMillisecond);

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
    return 0;
}
