// Damaged predefined-parameter databases through the EPSG exports. The input names one system of
// every method the library maps and up to four damaged bytes of the suite's real corvane.db:
//
//   byte 0: the system; then 5 bytes per damage: a little-endian offset (taken modulo the file's
//   size) and a value to exclusive-or into the byte there (0 counts as 0xFF).
//
// Every request on the damaged copy either fails with a code or answers exactly as the undamaged
// file does, unless a changed stored number explains the difference: damage inside a stored value
// that leaves a valid database (an ellipsoid code 7001 read as 7005) cannot be told from an
// edited file by any reader. Each damaged byte is classed by what it holds in the undamaged file
// (read from its pages, see `DamageKinds`). A differing answer is asked for again on a copy with
// only the damage to stored values, then with the damage to type bytes as well; the first copy
// that gives the same answer names the kind that explains it. A type byte is part of the number
// it types (the integers 0 and 1 are stored in it whole), so its differences are counted and
// printed with their input; a difference that needs damage of any other kind (the file header,
// the schema, the pages' structure, unused space) is printed and stops the run. The counts by
// kind are printed when the run ends.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/Database.h"
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

const std::string kSuiteDatabase = std::string(TELLUS_SUITE_DIR) + "/datum/corvane.db";

// What a byte of the undamaged file holds, in the order the oracle excuses them: a stored value
// first, then a type byte, then none of the others.
enum Kind : uint8_t { kValue, kTypeByte, kFileHeader, kSchema, kStructure, kUnused, kKindCount };
constexpr const char* kKindNames[kKindCount] = {"stored value", "type byte",      "file header",
                                                "schema",       "page structure", "unused space"};

uint32_t bigEndian(const std::string& f, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | uint8_t(f[at + size_t(i)]);
    return v;
}

// A varint of the SQLite file format at `at`: its value, and its length in `length`.
uint64_t varint(const std::string& f, size_t at, size_t& length) {
    uint64_t v = 0;
    for (length = 1; length <= 9; ++length) {
        const uint8_t b = uint8_t(f[at + length - 1]);
        if (length == 9) return v << 8 | b;
        v = v << 7 | (b & 0x7F);
        if (!(b & 0x80)) return v;
    }
    return v;
}

// The kind of every byte of a valid database, from its b-trees as the SQLite file format lays
// them out (https://sqlite.org/fileformat2.html): page headers, cell pointers, cell lengths, row
// ids, child and overflow page numbers are the pages' structure; a record's header (its length and
// serial types) holds type bytes, its body and overflow content stored values; every byte of the
// schema table's pages is schema; what no b-tree reaches is unused space.
class DamageKinds {
public:
    explicit DamageKinds(const std::string& file) : f(file), kinds(file.size(), kUnused) {
        pageSize = bigEndian(f, 16, 2) == 1 ? 65536 : bigEndian(f, 16, 2);
        usable = pageSize - uint8_t(f[20]);
        visit(1, true);
        Database db(kSuiteDatabase, Database::kReadOnly);
        Query roots(db, "SELECT rootpage FROM sqlite_master WHERE rootpage > 0;");
        while (roots.next()) visit(uint32_t(roots.getInt(0)), false);
        mark(0, 100, kFileHeader);
    }
    Kind at(size_t offset) const { return Kind(kinds[offset]); }

private:
    void mark(size_t from, size_t length, Kind kind) {
        for (size_t i = from; i < from + length && i < kinds.size(); ++i) kinds[i] = kind;
    }
    size_t pageStart(uint32_t page) const { return size_t(page - 1) * pageSize; }

    void visit(uint32_t page, bool schema) {
        if (page == 0 || pageStart(page) >= f.size()) return;
        const size_t base = pageStart(page), header = base + (page == 1 ? 100 : 0);
        const uint8_t type = uint8_t(f[header]);
        const bool interior = type == 0x02 || type == 0x05, table = type == 0x05 || type == 0x0D;
        const size_t headerLength = interior ? 12 : 8, cells = bigEndian(f, header + 3, 2);
        mark(header, headerLength + 2 * cells, schema ? kSchema : kStructure);
        for (size_t free = bigEndian(f, header + 1, 2); free; free = bigEndian(f, base + free, 2))
            mark(base + free, 4, schema ? kSchema : kStructure);  // a freeblock's link and size
        for (size_t i = 0; i < cells; ++i) {
            size_t at = base + bigEndian(f, header + headerLength + 2 * i, 2), n = 0;
            const size_t start = at;
            if (interior) {
                visit(bigEndian(f, at, 4), schema);
                at += 4;
            }
            uint64_t payload = 0;
            if (type != 0x05) {
                payload = varint(f, at, n);
                at += n;
            }
            if (table) {
                varint(f, at, n);  // the row id
                at += n;
            }
            mark(start, at - start, schema ? kSchema : kStructure);
            if (type != 0x05) record(at, payload, table, schema);
        }
        if (interior) visit(bigEndian(f, header + 8, 4), schema);
    }

    // A record of `payload` bytes at `at`: its local part, then its overflow chain.
    void record(size_t at, uint64_t payload, bool table, bool schema) {
        const uint64_t u = usable, most = table ? u - 35 : (u - 12) * 64 / 255 - 23, least = (u - 12) * 32 / 255 - 23;
        uint64_t local = payload;
        if (payload > most) {
            const uint64_t k = least + (payload - least) % (u - 4);
            local = k <= most ? k : least;
        }
        size_t n = 0;
        const uint64_t headerSize = varint(f, at, n);
        const uint64_t typed = std::min(headerSize, local);
        mark(at, typed, schema ? kSchema : kTypeByte);
        mark(at + typed, local - typed, schema ? kSchema : kValue);
        if (local == payload) return;
        uint32_t next = bigEndian(f, at + local, 4);
        mark(at + local, 4, schema ? kSchema : kStructure);
        for (uint64_t left = payload - local; next && left;) {
            const size_t page = pageStart(next);
            const uint64_t here = std::min<uint64_t>(left, u - 4);
            mark(page, 4, schema ? kSchema : kStructure);
            mark(page + 4, here, schema ? kSchema : kValue);
            left -= here;
            next = bigEndian(f, page, 4);
        }
    }

    const std::string& f;
    std::vector<uint8_t> kinds;
    uint32_t pageSize = 0, usable = 0;
};

std::string suiteDatabase() {
    std::string bytes = readFile(kSuiteDatabase);
    if (bytes.empty()) {
        std::fprintf(stderr, "the suite's corvane.db was not built\n");
        std::abort();
    }
    return bytes;
}

using Damage = std::vector<std::pair<size_t, uint8_t>>;

// Copies of the suite's file, the undamaged answers, the kinds of its bytes, and copies for
// judging a differing answer.
struct Setup {
    const std::string original = suiteDatabase();
    const DamageKinds kinds{original};
    DamagedDatabase copies{original};
    DamagedDatabase probes{original};
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

// What the run saw: inputs, inputs with a failed request, answers that differ from the undamaged
// file's by the kind of damage that explains them.
struct Counts {
    long inputs = 0, failed = 0, differing[kKindCount] = {};
    ~Counts() {
        std::fprintf(stderr, "epsg_database_fuzz: %ld inputs, %ld with a failed request; successes differing from "
                             "the undamaged answer, by the damage that explains them:",
                     inputs, failed);
        for (int k = 0; k < kKindCount; ++k) std::fprintf(stderr, " %s %ld%s", kKindNames[k], differing[k],
                                                          k + 1 < kKindCount ? "," : "\n");
    }
} counts;

bool sameAnswer(const EpsgAnswer& a, const EpsgAnswer& b, bool created) {
    return created ? a.createCode == b.createCode && std::memcmp(&a.record, &b.record, sizeof a.record) == 0
                   : a.describeCode == b.describeCode &&
                         std::memcmp(&a.description, &b.description, sizeof a.description) == 0;
}

// An answer that differs from the undamaged one, judged as the head comment says.
void differs(Setup& setup, const Damage& damage, int system, const EpsgAnswer& a, bool created,
             const uint8_t* data, size_t size) {
    Kind explaining = kKindCount;
    for (Kind excused : {kValue, kTypeByte}) {
        Damage only;
        for (const auto& d : damage)
            if (setup.kinds.at(d.first) <= excused) only.push_back(d);
        setup.probes.damage(only);
        if (sameAnswer(epsgAnswerFor(system), a, created)) {
            explaining = excused;
            break;
        }
    }
    if (explaining == kKindCount) {  // the first damage of a kind not excused
        for (const auto& d : damage)
            if (setup.kinds.at(d.first) > kTypeByte) {
                explaining = setup.kinds.at(d.first);
                break;
            }
    }
    ++counts.differing[explaining];
    if (explaining == kValue) return;
    std::fprintf(stderr, "EPSG %d %s differs from the undamaged answer by damage to a %s; input:", system,
                 created ? "created" : "described", kKindNames[explaining]);
    printInput(data, size);
    if (explaining != kTypeByte) std::abort();
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
    if (a.createCode == 0 && !sameAnswer(a, u, true)) differs(setup, damage, kSystems[system], a, true, data, size);
    if (a.describeCode == 0 && !sameAnswer(a, u, false)) differs(setup, damage, kSystems[system], a, false, data, size);
    return 0;
}
