// The checks of the predefined-parameter database. The schema digest is the 32-bit FNV-1a hash
// (Fowler, Noll, Vo) of the stored schema rows of the digested tables in name order, each as its
// type, name, table name and SQL (empty for an automatic index), each ended by a line feed, as
// UTF-8: the generator computes the same in SQL, with nothing but sqlite3 at hand. It guards
// against damage, not against a forger.
#include "geodesy/PredefinedDatabase.h"

#include <cstdint>
#include <mutex>
#include <vector>

#include "common/Query.h"
#include "geodesy/TellusCodes.h"

namespace {

[[noreturn]] void malformed() {
    erc damaged = sqliteRefusal(TELLUS_E_DATABASE_CORRUPT);
    damaged.getFacility()->handle(damaged);
    throw damaged;
}

// FNV-1a, 32 bits: offset basis and prime of the published parameters.
constexpr uint32_t kFnvOffsetBasis = 2166136261u;
constexpr uint32_t kFnvPrime = 16777619u;

uint32_t fnv1a(const std::string& bytes) {
    uint32_t hash = kFnvOffsetBasis;
    for (unsigned char b : bytes) hash = (hash ^ b) * kFnvPrime;
    return hash;
}

std::string digestQuery() {
    std::string sql = "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE tbl_name IN (";
    for (const char* table : kDigestedTables) sql += std::string(sql.back() == '(' ? "'" : ", '") + table + "'";
    return sql + ") ORDER BY name;";
}

// Whether the stored schema of the digested tables has the digest the generator wrote. A
// digest table that cannot be read (gone, renamed) counts as a different digest.
bool schemaAsGenerated(Database& db) {
    std::string text;
    Query schema(db, digestQuery());
    while (schema.next())
        for (int column = 0; column < 4; ++column) text += schema.getString(column) + "\n";
    int64_t stored = -1;
    try {
        Query digest(db, "SELECT digest FROM schema_digest;");
        if (digest.next()) stored = digest.getInt64(0);
        if (digest.next()) stored = -1;  // one digest, or none
    } catch (erc& e) {
        e.release();
    }
    return stored == int64_t(fnv1a(text));
}

// Tables checked whole, with their indexes, at each open: small enough to take well under a
// millisecond together, and read through keys whose damage no single row shows (an index entry
// that names another ellipsoid), also when the whole file was found sound before.
constexpr const char* kCheckedAtOpen[] = {"gp_ellipsoids", "gp_projections_epsg", "epsg_unitofmeasure",
                                          "epsg_datum", "epsg_coordinateaxis"};

bool passes(Database& db, const std::string& check) {
    Query q(db, check);
    return q.next() && q.getString(0) == "ok";
}

// The stamps of the files this process found sound: a file is checked whole once while it stays
// the same, whichever session reads it.
class SoundFiles {
public:
    bool contains(const platform::FileStamp& stamp) {
        std::lock_guard<std::mutex> lock(mutex);
        for (const platform::FileStamp& s : sound)
            if (s == stamp) return true;
        return false;
    }
    void add(const platform::FileStamp& stamp) {
        std::lock_guard<std::mutex> lock(mutex);
        if (sound.size() == kKept) sound.erase(sound.begin());
        sound.push_back(stamp);
    }

private:
    // A few program folders or versions of the file in one process; the oldest is checked again.
    static constexpr size_t kKept = 8;
    std::mutex mutex;
    std::vector<platform::FileStamp> sound;
};

SoundFiles& soundFiles() {
    static SoundFiles files;
    return files;
}

}  // namespace

PredefinedDatabase::PredefinedDatabase(const std::string& path) : Database(path, Database::kReadOnly) {
    exec("PRAGMA cell_size_check = ON;");  // a failure is raised when the status is dropped
    if (!schemaAsGenerated(*this)) malformed();
    for (const char* table : kCheckedAtOpen)
        if (!passes(*this, std::string("PRAGMA integrity_check(") + table + ");")) malformed();
}

void PredefinedDatabase::checkFile(const std::string& path, const platform::FileStamp& stamp, bool stamped) {
    if (stamped && soundFiles().contains(stamp)) return;
    // The first problem is enough to refuse the file.
    if (!passes(*this, "PRAGMA integrity_check(1);")) malformed();
    platform::FileStamp after;
    if (stamped && platform::fileStamp(path, after) && after == stamp) soundFiles().add(stamp);
}
