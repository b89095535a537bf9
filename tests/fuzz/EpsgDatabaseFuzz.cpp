// Damaged predefined-parameter databases through the EPSG exports. The input names one system of
// every method the library maps and up to four damaged bytes of the suite's real corvane.db:
//
//   byte 0: the system; then 5 bytes per damage: a little-endian offset (taken modulo the file's
//   size) and a value to exclusive-or into the byte there (0 counts as 0xFF).
//
// Every request on the damaged copy either fails with a code or answers exactly as the undamaged
// file does, unless damage that SQLite cannot see gives that answer; anything else aborts. Damage
// inside a stored value that leaves a valid database (an ellipsoid code 7001 read as 7005) cannot
// be told from an edited file by any reader. A differing answer is therefore asked for again on a
// copy with only those damages that each leave a file PRAGMA integrity_check finds valid: when
// that copy gives the same answer, the value damage explains it, and it is counted (its input
// printed); otherwise the damage SQLite sees gave a wrong answer, and the run stops. The counts
// are printed when the run ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/Database.h"
#include "common/Platform.h"
#include "common/Query.h"
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

using Damage = std::vector<std::pair<size_t, uint8_t>>;

// Copies of the suite's file, the undamaged answers, and copies for judging a differing answer.
struct Setup {
    DamagedDatabase copies{suiteDatabase()};
    DamagedDatabase probes{suiteDatabase()};
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

void printInput(const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) std::fprintf(stderr, " %02x", data[i]);
    std::fprintf(stderr, "\n");
}

// What the run saw: inputs, inputs with a failed request, answers that differ by damage that
// SQLite cannot see.
struct Counts {
    long inputs = 0, failed = 0, valueDamage = 0;
    ~Counts() {
        std::fprintf(stderr,
                     "epsg_database_fuzz: %ld inputs, %ld with a failed request, %ld answers differing by damage "
                     "that integrity_check finds valid, none by damage it finds\n",
                     inputs, failed, valueDamage);
    }
} counts;

// Whether SQLite's full check finds the database of the current program folder intact.
bool intact() {
    Database db(platform::environment("KVT_PELAGIX") + "/datum/corvane.db", Database::kReadOnly);
    Query check(db, "PRAGMA integrity_check;");
    return check.next() && check.getString(0) == "ok";
}

// An answer that differs from the undamaged one, judged as the head comment says.
void differs(Setup& setup, const Damage& damage, int system, const EpsgAnswer& a, bool created,
             const uint8_t* data, size_t size) {
    Damage unseen;
    for (const auto& d : damage) {
        setup.probes.damage({d});
        if (intact()) unseen.push_back(d);
    }
    setup.probes.damage(unseen);
    const EpsgAnswer v = epsgAnswerFor(system);
    const bool explained = created ? v.createCode == 0 && std::memcmp(&v.record, &a.record, sizeof a.record) == 0
                                   : v.describeCode == 0 &&
                                         std::memcmp(&v.description, &a.description, sizeof a.description) == 0;
    std::fprintf(stderr, "EPSG %d %s differs from the undamaged answer, %s; input:", system,
                 created ? "created" : "described",
                 explained ? "as with only the damage integrity_check finds valid" : "by damage integrity_check finds");
    printInput(data, size);
    if (!explained) std::abort();
    ++counts.valueDamage;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    if (size == 0) return 0;
    const size_t system = data[0] % kSystemCount;
    Damage damage;
    for (size_t at = 1; at + kDamageBytes <= size && damage.size() < kMostDamages; at += kDamageBytes) {
        uint32_t offset = 0;
        std::memcpy(&offset, data + at, sizeof offset);
        damage.emplace_back(offset % setup.copies.size(), data[at + 4] ? data[at + 4] : 0xFF);
    }
    setup.copies.damage(damage);

    const EpsgAnswer a = epsgAnswerFor(kSystems[system]);
    const EpsgAnswer& u = setup.undamaged[system];
    ++counts.inputs;
    if (a.createCode != 0 || a.describeCode != 0) ++counts.failed;
    if (a.createCode == 0 && std::memcmp(&a.record, &u.record, sizeof a.record) != 0)
        differs(setup, damage, kSystems[system], a, true, data, size);
    if (a.describeCode == 0 && std::memcmp(&a.description, &u.description, sizeof a.description) != 0)
        differs(setup, damage, kSystems[system], a, false, data, size);
    return 0;
}
