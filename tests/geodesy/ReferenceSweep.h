// The random reference sweeps: how many draws and from which seed. CI runs the default count in
// seconds; TELLUS_SWEEP_DRAWS runs more (millions), TELLUS_SWEEP_SEED another sequence. A failure
// prints the seed and the draw so that it can be replayed.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

namespace sweep {

inline uint64_t environmentNumber(const char* name, uint64_t def) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return def;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    return (end != nullptr && *end == '\0') ? value : def;
}

// Draws per class (or per family) for this run.
inline uint64_t draws(uint64_t def) { return environmentNumber("TELLUS_SWEEP_DRAWS", def); }
inline uint64_t seed() { return environmentNumber("TELLUS_SWEEP_SEED", 20261209); }

// One generator per family, seeded from the run's seed and the family's name, so that adding a
// family does not move the draws of another.
inline std::mt19937_64 generator(const std::string& family) {
    return std::mt19937_64(seed() ^ std::hash<std::string>{}(family));
}

inline double uniform(std::mt19937_64& g, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(g);
}

}  // namespace sweep
