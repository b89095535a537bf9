// Damaged predefined-parameter databases through the EPSG exports. The input names one system of
// every method the library maps and up to four damaged bytes of the suite's real corvane.db:
//
//   byte 0: the system; then 5 bytes per damage: a little-endian offset (taken modulo the file's
//   size) and a value to exclusive-or into the byte there (0 counts as 0xFF).
//
// Every request on the damaged copy either fails with a code or answers exactly as the undamaged
// file does; anything else aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"
#include "tests/geodesy/EpsgAnswer.h"

namespace {

// One system of every method, the British National Grid first.
constexpr int kSystems[] = {27700, 5559, 2227, 3395, 3068, 32631, 28992, 5041, 5880, 3035, 3577, 3295};
constexpr size_t kSystemCount = sizeof kSystems / sizeof kSystems[0];
constexpr size_t kDamageBytes = 5;
constexpr size_t kMostDamages = 4;

// The undamaged file, a suite folder of the target's own and the undamaged answers.
struct Setup {
    std::string original;
    TempFolder suite;
    std::filesystem::path folder{suite.path()};
    EpsgAnswer undamaged[kSystemCount];

    Setup() {
        std::ifstream in(std::string(TELLUS_SUITE_DIR) + "/datum/corvane.db", std::ios::binary);
        original.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (original.empty()) {
            std::fprintf(stderr, "the suite's corvane.db was not built\n");
            std::abort();
        }
        std::filesystem::create_directories(folder / "datum");
        platform::setEnvironment("KVT_PELAGIX", folder.c_str());
        resetProgramFolder();
        install(original);
        for (size_t i = 0; i < kSystemCount; ++i) {
            undamaged[i] = epsgAnswerFor(kSystems[i]);
            if (undamaged[i].createCode != 0 || undamaged[i].describeCode != 0) {
                std::fprintf(stderr, "EPSG %d fails on the undamaged file\n", kSystems[i]);
                std::abort();
            }
        }
    }
    // A new file each time, as a delivery replaces it.
    void install(const std::string& bytes) const {
        const std::filesystem::path fresh = folder / "datum" / "new.db";
        std::ofstream(fresh, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        std::filesystem::rename(fresh, folder / "datum" / "corvane.db");
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
    std::string damaged = setup.original;
    for (size_t at = 1, n = 0; at + kDamageBytes <= size && n < kMostDamages; at += kDamageBytes, ++n) {
        uint32_t offset = 0;
        std::memcpy(&offset, data + at, sizeof offset);
        const uint8_t mask = data[at + 4] ? data[at + 4] : 0xFF;
        damaged[offset % damaged.size()] = char(damaged[offset % damaged.size()] ^ mask);
    }
    setup.install(damaged);

    const EpsgAnswer a = epsgAnswerFor(kSystems[system]);
    const EpsgAnswer& u = setup.undamaged[system];
    if (a.createCode == 0 && std::memcmp(&a.record, &u.record, sizeof a.record) != 0)
        fail("created from a damaged file differs from the undamaged record", kSystems[system], data, size);
    if (a.describeCode == 0 && std::memcmp(&a.description, &u.description, sizeof a.description) != 0)
        fail("described from a damaged file differs from the undamaged answer", kSystems[system], data, size);
    return 0;
}
