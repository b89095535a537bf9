// Damaged predefined-parameter databases through the EPSG exports. The input names one system of
// every method the library maps and up to four damaged bytes of the suite's real corvane.db:
//
//   byte 0: the system; then 5 bytes per damage: a little-endian offset (taken modulo the file's
//   size) and a value to exclusive-or into the byte there (0 counts as 0xFF).
//
// Every request on the damaged copy either fails with a code or answers exactly as the undamaged
// file does; anything else aborts. Long runs also find damage inside a stored value that leaves a
// valid database (an ellipsoid code 7001 read as 7005): no reader can tell that from an edited
// file, so such a report is judged by hand from its crash-input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"
#include "tests/geodesy/DamagedDatabase.h"

namespace {

// One system of every method, the British National Grid first.
constexpr int kSystems[] = {27700, 5559, 2227, 3395, 3068, 32631, 28992, 5041, 5880, 3035, 3577, 3295};
constexpr size_t kSystemCount = sizeof kSystems / sizeof kSystems[0];
constexpr size_t kDamageBytes = 5;
constexpr size_t kMostDamages = 4;

std::string suiteDatabase() {
    std::string bytes = readFile(std::string(TELLUS_SUITE_DIR) + "/datum/corvane.db");
    if (bytes.empty()) {
        std::fprintf(stderr, "the suite's corvane.db was not built\n");
        std::abort();
    }
    return bytes;
}

// Copies of the suite's file and the undamaged answers.
struct Setup {
    DamagedDatabase copies{suiteDatabase()};
    EpsgAnswer undamaged[kSystemCount];

    Setup() {
        copies.damage({});
        for (size_t i = 0; i < kSystemCount; ++i) {
            undamaged[i] = epsgAnswerFor(kSystems[i]);
            if (undamaged[i].createCode != 0 || undamaged[i].describeCode != 0) {
                std::fprintf(stderr, "EPSG %d fails on the undamaged file\n", kSystems[i]);
                std::abort();
            }
        }
    }
};

// Names the input that broke the rule, then stops.
[[noreturn]] void fail(const char* what, int code, const uint8_t* data, size_t size) {
    std::fprintf(stderr, "EPSG %d %s; input:", code, what);
    for (size_t i = 0; i < size; ++i) std::fprintf(stderr, " %02x", data[i]);
    std::fprintf(stderr, "\n");
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    if (size == 0) return 0;
    const size_t system = data[0] % kSystemCount;
    std::vector<std::pair<size_t, uint8_t>> damage;
    for (size_t at = 1; at + kDamageBytes <= size && damage.size() < kMostDamages; at += kDamageBytes) {
        uint32_t offset = 0;
        std::memcpy(&offset, data + at, sizeof offset);
        damage.emplace_back(offset % setup.copies.size(), data[at + 4] ? data[at + 4] : 0xFF);
    }
    setup.copies.damage(damage);

    const EpsgAnswer a = epsgAnswerFor(kSystems[system]);
    const EpsgAnswer& u = setup.undamaged[system];
    if (a.createCode == 0 && std::memcmp(&a.record, &u.record, sizeof a.record) != 0)
        fail("created from a damaged file differs from the undamaged record", kSystems[system], data, size);
    if (a.describeCode == 0 && std::memcmp(&a.description, &u.description, sizeof a.description) != 0)
        fail("described from a damaged file differs from the undamaged answer", kSystems[system], data, size);
    return 0;
}
