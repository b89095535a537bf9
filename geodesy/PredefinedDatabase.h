// The predefined-parameter database as the EPSG requests read it: opened read-only and checked
// before it answers, so that every answer comes from a sound file or fails with SQLite's code for
// a malformed database (11).
#pragma once

#include <string>

#include "common/Database.h"
#include "common/Platform.h"

// One read-only connection (a path that is not a regular file is refused by `Database`), with
// SQLite checking each page's cells as it reads the page. Opening it checks
// - that the stored SQL of every table the library reads, with their indexes, has the digest the
//   generator wrote into "schema_digest": two column names swapped in a stored CREATE TABLE read
//   one column's values as the other's, and SQLite's own checks find nothing wrong;
// - the five small tables whole, with their indexes.
// `checkFile` checks the structure of the whole file. Used by one thread at a time.
class PredefinedDatabase : public Database {
public:
    explicit PredefinedDatabase(const std::string& path);

    // Checks the whole file (PRAGMA integrity_check: every page, every reference between pages,
    // every index against its table) unless this process found the file of that stamp sound
    // already; a file that keeps its stamp through the check is remembered as sound. Call it in
    // the read transaction of the request that follows, which then reads what was checked.
    void checkFile(const std::string& path, const platform::FileStamp& stamp, bool stamped);
};

// The tables whose stored SQL the digest covers, with their indexes: those the library reads,
// and the digest's own. The generator's datum/digest.sql names the same.
inline constexpr const char* kDigestedTables[] = {
    "epsg_coordinateaxis", "epsg_coordinatereferencesystem", "epsg_corvane", "epsg_datum",
    "epsg_unitofmeasure",  "gp_ellipsoids", "gp_projections_epsg", "gp_zones", "schema_digest"};
