// The benchmarks' one way of timing the library against PROJ: each row is a pair of contenders
// run over the same batch of points. In every Google Benchmark iteration the two run one after
// the other, the first of the pair alternating, so a busy machine slows both alike; each
// repetition (15 unless --benchmark_repetitions says otherwise) gives one time per point for each
// and their ratio, and the program prints one table of medians with their spread.
#pragma once

#include <proj.h>

#include <functional>
#include <string>
#include <vector>

namespace contest {

// One side of a row: `run` is timed, `prepare` (may be empty) runs untimed before each `run`,
// e.g. to restore the input that an in-place transformation overwrote.
struct Contender {
    std::function<void()> run;
    std::function<void()> prepare = {};
};

// PROJ over a batch as a host would call it: one reused PJ, proj_trans_generic in place on copies
// of the input (x, y, and z = 0 when `heights`). Must outlive its contender.
class ProjBatch {
public:
    ProjBatch(PJ* pj, PJ_DIRECTION direction, const std::vector<double>& x, const std::vector<double>& y,
              bool heights = false);

    void restore();
    void transform();
    Contender contender() {
        return {[this] { transform(); }, [this] { restore(); }};
    }

    std::vector<double> x, y, z;  // the outputs after transform()

private:
    PJ* pj;
    PJ_DIRECTION direction;
    const std::vector<double>& x0;
    const std::vector<double>& y0;
};

// Reproducible points, radians: scattered over a box or along a track (degrees given).
struct Points {
    std::vector<double> lat, lon;
};
Points scattered(int count, double south, double north, double west, double east);
Points track(int count, double lat, double lon, double stepDegrees);

// Adds a row "ours / theirs"; `items` is the number of points (or codes) one run handles.
void addRow(const std::string& name, double items, Contender ours, Contender theirs);

// A line printed under the table (a skipped row, a figure that is no ratio).
void addNote(const std::string& line);

// Pins the process to the core it runs on (unless the caller pinned it already, e.g. with
// taskset), runs the rows and prints the table with the notes. Returns main's exit status.
int run(int argc, char** argv, const char* title);

}  // namespace contest
