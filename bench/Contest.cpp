#include "bench/Contest.h"

#include <benchmark/benchmark.h>
#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <numbers>
#include <random>

namespace contest {
namespace {

struct Row {
    std::string name;
    double items;
    Contender sides[2];  // ours, theirs
};

std::vector<std::unique_ptr<Row>>& rows() {
    static std::vector<std::unique_ptr<Row>> r;
    return r;
}

std::vector<std::string>& notes() {
    static std::vector<std::string> n;
    return n;
}

// One Google Benchmark iteration runs both sides once, the first of them alternating; the
// iteration's time is the pair's, the counters keep each side's seconds per item.
void timeRow(benchmark::State& state, Row& row) {
    using Clock = std::chrono::steady_clock;
    double spent[2] = {0, 0};
    int first = 0;
    for (auto _ : state) {
        double pair = 0;
        for (int k = 0; k < 2; ++k) {
            int side = (first + k) % 2;
            Contender& c = row.sides[side];
            if (c.prepare) c.prepare();
            Clock::time_point start = Clock::now();
            c.run();
            double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            spent[side] += seconds;
            pair += seconds;
        }
        first ^= 1;
        state.SetIterationTime(pair);
    }
    double perItem = double(state.iterations()) * row.items;
    state.counters["ours"] = spent[0] / perItem;
    state.counters["theirs"] = spent[1] / perItem;
}

// The value at fraction p of the sorted samples, interpolated between neighbours.
double quantile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    double at = p * double(v.size() - 1);
    size_t below = size_t(at);
    if (below + 1 >= v.size()) return v.back();
    return v[below] + (at - double(below)) * (v[below + 1] - v[below]);
}

// Prints nothing while the rows run; at the end, one line per row from its repetitions.
class TableReporter : public benchmark::BenchmarkReporter {
public:
    explicit TableReporter(std::string heading) : heading(std::move(heading)) {}

    bool ReportContext(const Context&) override { return true; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            if (run.error_occurred) {
                failed[run.run_name.function_name] = run.error_message;
                continue;
            }
            Samples& s = samples[run.run_name.function_name];
            s.ours.push_back(run.counters.at("ours"));
            s.theirs.push_back(run.counters.at("theirs"));
            s.ratio.push_back(run.counters.at("ours") / run.counters.at("theirs"));
        }
    }

    void Finalize() override {
        size_t repetitions = samples.empty() ? 0 : samples.begin()->second.ratio.size();
        std::printf("%s\nratio = our time / PROJ's on the same items, medians of %zu interleaved repetitions\n\n",
                    heading.c_str(), repetitions);
        std::printf("%-56s %10s %10s %7s %15s %15s\n", "operation", "ours ns", "PROJ ns", "ratio", "quartiles",
                    "min-max");
        for (const auto& row : rows()) {
            auto at = samples.find(row->name);
            if (at == samples.end()) {
                auto why = failed.find(row->name);
                std::printf("%-56s %s\n", row->name.c_str(), why == failed.end() ? "not run" : why->second.c_str());
                continue;
            }
            const Samples& s = at->second;
            std::printf("%-56s %10.1f %10.1f %7.2f %7.2f-%-7.2f %7.2f-%-7.2f\n", row->name.c_str(),
                        quantile(s.ours, 0.5) * 1e9, quantile(s.theirs, 0.5) * 1e9, quantile(s.ratio, 0.5),
                        quantile(s.ratio, 0.25), quantile(s.ratio, 0.75), quantile(s.ratio, 0), quantile(s.ratio, 1));
        }
        if (!notes().empty()) std::printf("\n");
        for (const std::string& line : notes()) std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }

private:
    struct Samples {
        std::vector<double> ours, theirs, ratio;
    };
    std::string heading;
    std::map<std::string, Samples> samples;
    std::map<std::string, std::string> failed;
};

// One core for the whole run, so that neither side pays for a migration the other escapes.
std::string pinToOneCore() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0) return "not pinned (sched_getaffinity failed)";
    if (CPU_COUNT(&set) == 1) {
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
            if (CPU_ISSET(cpu, &set)) return "pinned by the caller to core " + std::to_string(cpu);
    }
    int cpu = sched_getcpu();
    if (cpu < 0) return "not pinned (sched_getcpu failed); use taskset -c <core>";
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    if (sched_setaffinity(0, sizeof set, &set) != 0) return "not pinned (sched_setaffinity failed); use taskset -c <core>";
    return "pinned to core " + std::to_string(cpu) + " (choose a quiet one with taskset -c <core>)";
}

}  // namespace

ProjBatch::ProjBatch(PJ* pj, PJ_DIRECTION direction, const std::vector<double>& x, const std::vector<double>& y,
                     bool heights)
    : x(x.size()), y(y.size()), z(heights ? x.size() : 0), pj(pj), direction(direction), x0(x), y0(y) {}

void ProjBatch::restore() {
    std::copy(x0.begin(), x0.end(), x.begin());
    std::copy(y0.begin(), y0.end(), y.begin());
    std::fill(z.begin(), z.end(), 0.0);
}

void ProjBatch::transform() {
    proj_trans_generic(pj, direction, x.data(), sizeof(double), x.size(), y.data(), sizeof(double), y.size(),
                       z.empty() ? nullptr : z.data(), sizeof(double), z.size(), nullptr, 0, 0);
}

Points scattered(int count, double south, double north, double west, double east) {
    constexpr double kDeg = std::numbers::pi / 180;
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> lat(south, north), lon(west, east);
    Points p;
    for (int i = 0; i < count; ++i) {
        p.lat.push_back(lat(random) * kDeg);
        p.lon.push_back(lon(random) * kDeg);
    }
    return p;
}

Points track(int count, double lat, double lon, double stepDegrees) {
    constexpr double kDeg = std::numbers::pi / 180;
    Points p;
    for (int i = 0; i < count; ++i) {
        p.lat.push_back((lat + i * stepDegrees) * kDeg);
        p.lon.push_back((lon + i * stepDegrees) * kDeg);
    }
    return p;
}

void addRow(const std::string& name, double items, Contender ours, Contender theirs) {
    rows().push_back(std::make_unique<Row>(Row{name, items, {std::move(ours), std::move(theirs)}}));
    Row* row = rows().back().get();
    benchmark::RegisterBenchmark(name.c_str(), [row](benchmark::State& state) { timeRow(state, *row); })
        ->UseManualTime();
}

void addNote(const std::string& line) { notes().push_back(line); }

int run(int argc, char** argv, const char* title) {
    // Defaults first, so that the caller's own flags override them.
    std::vector<char*> args{argv[0]};
    char repetitions[] = "--benchmark_repetitions=15";
    char minTime[] = "--benchmark_min_time=0.2";
    args.push_back(repetitions);
    args.push_back(minTime);
    args.insert(args.end(), argv + 1, argv + argc);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    TableReporter reporter(std::string(title) + ", " + pinToOneCore());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace contest
