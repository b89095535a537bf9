// EPSG codes resolved against the predefined-parameter database (<program folder>/datum/
// corvane.db): a projected system's record, a zone's EPSG code, the kind and ellipsoid of any
// system. Read-only connections and their prepared statements are kept between requests while the
// file stays the same (a replaced, rewritten or removed file is opened anew), and closed when the
// library unloads; SQLite failures raise the SQLite facility's error values (14 for a missing
// file, 11 for a damaged one: the checks of PredefinedDatabase.h). A system is resolved only from
// every row it needs: its own, its base's, the base's datum, the ellipsoid, and each parameter its
// method takes, once; and only inside the set-up ranges.
#pragma once

#include <string>

#include "common/erc.h"
#include "geodesy/TellusRecords.h"

class Database;
class Geodesy;

// The database file under the program folder.
std::string predefinedDatabasePath();

// Converts an EPSG angle in unit uomCode to radians in place. Sexagesimal DDD.MMSSsss (9110) by
// the packed-angle rule; otherwise by the unit's factor_b / factor_c: the unit's target must be
// the radian and both factors non-zero. False (value unchanged) for a unit it cannot convert.
bool EpsgAngleToRadians(double& value, int uomCode, Database& db);
// Converts an EPSG length in unit uomCode to metres in place: the unit's target must be the metre
// and both factors non-zero. False (value unchanged) otherwise.
bool EpsgLengthToMetres(double& value, int uomCode, Database& db);

// The record of projected system crsCode: ellipsoid, projection id, unit factor and parameters,
// false easting and northing in the system's unit. Returns code 16 (after its debug line, on
// the 32-bit build) for anything it cannot resolve, a missing row included.
erc EpsgGeodesyParams(Database& db, int crsCode, GeodesyParams& params);

// A Geodesy for projected system crsCode, its EPSG code cached. Throws the error values of the
// database and of the construction; returns 16 when the system does not resolve.
erc CreateEpsgGeodesyObject(int crsCode, Geodesy*& created);

// The EPSG code of a Geodesy: its cached code, else its zone's (cached afterwards). A zone
// without a code sets the zone id to -1, so later calls fail at once.
erc EpsgCodeOf(Geodesy& geodesy, int& code);

// Kind and ellipsoid of any non-deprecated system into the record (its size member unchecked);
// 16, the record untouched, when a base, datum or ellipsoid that the system names is missing.
erc DescribeEpsg(int crsCode, EpsgParams& record);
