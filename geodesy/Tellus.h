/* Tellus geodesy library: the C interface for host programs.
 *
 * Link with -lTellus64 (or -lTellus32 for 32-bit hosts). Every function stores a code in the
 * calling thread's slot, read with GetGeodesyError(): 0 on success, 2 for a null handle,
 * otherwise the failure's code. Angles are radians; grid coordinates are in the projection unit;
 * heights and earth-centred coordinates are metres. Records are packed to 4 bytes.
 *
 * A null record or output pointer where the function needs one is refused: the function returns
 * 0 (or null), writes nothing and sets code 1 (GetLocalName 12, IsValidModel 18,
 * CreateFileGeodesy 5, as their own rows say). Pointers the rows call optional may be null.
 *
 * Return convention: the int exports return 1 for success and 0 for failure (not the C habit of
 * 0 for success); the double exports return their value and a neutral value on failure. After any
 * call, GetGeodesyError() gives the calling thread's code: TELLUS_E_OK, or one of the codes below.
 *
 * Numbers in records and parameter files must be finite: NaN or an infinity is refused with the
 * code of that value's failure (inverse flattening 3, unit factors 4, projection, datum and local
 * grid parameters 7, the geoid's ortho correction 9, the chart datum 15).
 *
 * Threads: different handles are independent. One handle may serve several threads at once in
 * the calls that only read it: GeoXY, XYGeo, GeoECEF, ECEFGeo, GCircLL, RLineLL, Scale,
 * Convergence, HConvert, VConvert, GetLocalName, GetGeodesyParams, GetAdjustment, WGS84Conv,
 * InvWGS84Conv, EllConv, InvEllConv, GetEllDiff, GetEllModel, GetChartDatum, GetGeoid,
 * GetVDatumModel, DatumSeparation1, DatumSeparation and Undulation (the datum-shift, geoid, VDatum
 * and KTD grids included; they take no lock once a grid row has been read). Every other call on a
 * handle (the Set calls, GetEpsgCode, which keeps the code it finds, and DestroyGeodesy) needs it
 * to itself: no other call on that handle may run meanwhile.
 */
#ifndef TELLUS_H
#define TELLUS_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#if defined(__i386__)
#define TELLUS_CALL __attribute__((stdcall))
#else
#define TELLUS_CALL
#endif

#ifdef __cplusplus
#define TELLUS_EXTERN extern "C"
#else
#define TELLUS_EXTERN extern
#endif

#define TELLUS_API TELLUS_EXTERN __attribute__((visibility("default")))

/* GetGeodesyVersion(): major * 100 + minor, 2001 for 20.01. */
#define TELLUS_VERSION 2001

#include "TellusCodes.h"
#include "TellusRecords.h"

typedef void* GeodesyHandle;

/* ---- Frame ---- */
TELLUS_API int TELLUS_CALL GetGeodesyError(void);
TELLUS_API int TELLUS_CALL GetGeodesyVersion(void);

/* ---- Creation, conversions, units (one coordinate system per handle) ---- */
/* Builds a coordinate system from the record; null on failure: code 3 for an inverse flattening
   outside [290, 1e12] (0, the sphere, included), 4 for a unit factor outside [0.001, 10000] m,
   5 for an unknown projection id, 7 for other refused parameters. Accepted:
   semi-major axis 6e6 to 7e6 m; scale factor 0.1 to 10 (0 is 1); false easting and northing up
   to 4e8 m each after the unit factor; reference latitude and standard parallels within +-pi/2;
   central meridian and skew azimuth within +-2 pi. A class refuses besides what it cannot map
   (7): Lambert a standard parallel at a pole or an origin more than 4e8 m from the apex (at or
   next to the far pole), Mercator a latitude of true scale whose equator scale is below 0.1
   (beyond about 84.3 degrees), polar stereographic a latitude of true scale implying a pole
   scale outside [0.1, 10], Albers a standard parallel within 1e-4 rad of a pole, Hotine and RSO
   a centre within 1e-6 rad of one.
   What the classes use and reach: Mercator (2) takes no scale factor, its reference latitude
   fixes the scale; spherical Mercator (9) takes only the unit (no central meridian, false origin,
   scale factor or ellipsoid). Transverse Mercator (3) is within 0.1 mm of the exact projection
   to 4.1 degrees from the central meridian (Redfearn's series; 3.2 on an ellipsoid larger than
   6500 km) and within 1 mm beyond (Krueger's series), out to 66 degrees on the equator and the
   whole quarter turn from 24 degrees of latitude; further out it fails with 10. Cassini (11) and
   polyconic (17) follow their meridian-arc series to e^6, within 2.5 mm of PROJ's cass and poly. */
TELLUS_API GeodesyHandle TELLUS_CALL CreateGeodesy(const GeodesyParams* params);
/* Frees the handle; it must not be used again. */
TELLUS_API int TELLUS_CALL DestroyGeodesy(GeodesyHandle h);
/* Geographic (rad) <-> grid (projection unit), through the local grid adjustment. Outputs are
   written only on success. Every class takes and gives grid coordinates, false origin included,
   in the projection unit. A grid point that no geographic point maps to (beyond the wedge of a
   cone, the width of a Mercator or oblique Mercator strip, the image of the last latitude short
   of a pole the forward cannot map) fails with 11 or 10, so an XYGeo success maps back within a
   millimetre on the ground. A success never returns NaN or an infinity (GeoXY 6, XYGeo 10). */
TELLUS_API int TELLUS_CALL GeoXY(GeodesyHandle h, double* x, double* y, double lat, double lon);
TELLUS_API int TELLUS_CALL XYGeo(GeodesyHandle h, double x, double y, double* lat, double* lon);
/* Geographic <-> earth-centred cartesian (m) on the projection's ellipsoid, within 0.1 mm of the
   exact conversion from 5 km below the ellipsoid to beyond the geostationary orbit. A coordinate
   that is no point (NaN, infinite, a latitude beyond +-pi/2), or a result that is not finite,
   gives code 10 and leaves the outputs untouched. ECEFGeo gives 10 too for a point within 43 km of
   the earth's centre (several positions have it on their normal) and where its latitude does
   not settle (only within 300 km of the centre). */
TELLUS_API int TELLUS_CALL GeoECEF(GeodesyHandle h, double* X, double* Y, double* Z, double lat, double lon,
                                   double hgt);
TELLUS_API int TELLUS_CALL ECEFGeo(GeodesyHandle h, double X, double Y, double Z, double* lat, double* lon,
                                   double* hgt);
/* Great-circle and rhumb-line distance in projection units (0.0 for a null handle) and, when
   azimuth is not null, the azimuth at the first point (rad). An end that is no point (NaN or
   infinite, latitude beyond +-pi/2) gives 0.0 with code 10 and leaves azimuth untouched.
   GCircLL is the geodesic: within 0.1 mm of it by the mid-latitude series for ends less than
   2.5e-3 rad (about 16 km) apart in latitude and in longitude, exact (GeographicLib, nanometres)
   beyond, antipodes and lines over a pole included; the azimuth errs by less than 0.1 mm across
   the line's length. RLineLL is within 1 mm of the exact rhumb line everywhere; an end at a pole
   (the double nearest +-pi/2) has no longitude, and the line to it is the meridian. */
TELLUS_API double TELLUS_CALL GCircLL(GeodesyHandle h, double lat1, double lon1, double lat2, double lon2,
                                      double* azimuth);
TELLUS_API double TELLUS_CALL RLineLL(GeodesyHandle h, double lat1, double lon1, double lat2, double lon2,
                                      double* azimuth);
/* Point scale factor at a grid point; 1.0 for a null handle or a failure. */
TELLUS_API double TELLUS_CALL Scale(GeodesyHandle h, double x, double y);
/* Grid convergence (rad) at a geographic point. */
TELLUS_API int TELLUS_CALL Convergence(GeodesyHandle h, double lat, double lon, double* conv);
/* In place: toMetres -> value * unit factor, else value / unit factor. Only the low byte of
   toMetres counts (256 reads as false). */
TELLUS_API int TELLUS_CALL HConvert(GeodesyHandle h, double* value, int toMetres);
TELLUS_API int TELLUS_CALL VConvert(GeodesyHandle h, double* value, int toMetres);
/* UTF-8 name of item 1..10 (horizontal unit singular, plural, abbreviation; vertical unit the
   same; X axis name, letter; Y axis name, letter) in lang "fra", "esp" or English, into buf of len
   bytes (never cut inside a character). Code 12 when there is no name, or buf is null or len < 1. */
TELLUS_API int TELLUS_CALL GetLocalName(GeodesyHandle h, int item, const char* lang, char* buf, int len);
/* The record of the projection; when given, the ellipsoid table name (buffer of 24 bytes, empty
   when no row matches) and the three-letter projection code (buffer of 4 bytes). */
TELLUS_API int TELLUS_CALL GetGeodesyParams(GeodesyHandle h, GeodesyParams* out, char* ellipsoidName,
                                            char* projectionCode);
/* The local grid adjustment; a scale of 0 or a value that is not finite is refused (code 7) and
   the old record kept. */
TELLUS_API int TELLUS_CALL SetAdjustment(GeodesyHandle h, const AdjustParams* adjust);
TELLUS_API int TELLUS_CALL GetAdjustment(GeodesyHandle h, AdjustParams* adjust);

/* ---- EPSG (the suite's predefined-parameter database "datum/corvane.db") ----
   The database is read through per-thread sessions: read-only connections with their prepared
   statements, at most 4 kept idle between calls, each holding one file descriptor, all closed
   when the library unloads. A session is reused while the file keeps its device, inode, size and
   times; a file replaced, rewritten or removed is opened anew on the next call. Before answering,
   a path that is not a regular file (a pipe, a folder) is refused, and each open checks that the
   stored schema of the tables read has the digest the database was built with and checks its
   small tables; the whole file's structure is checked once per process for each state of the
   file, by the first call that reads it (some tens of milliseconds). Each of these fails with
   11, SQLite's code for a malformed database. */
/* Builds a coordinate system from the EPSG code of a projected system; null on failure (code
   16 when the code, its ellipsoid, method, unit or a parameter is not resolved, or a parameter
   is outside the set-up ranges; the database's result code, 14 when it cannot be opened, 11 when
   it is damaged; the construction's codes). */
TELLUS_API GeodesyHandle TELLUS_CALL CreateEpsgGeodesy(int crsCode);
/* The EPSG code of a handle: the one it was created from, else its predefined zone's (code 16
   when there is none). */
TELLUS_API int TELLUS_CALL GetEpsgCode(GeodesyHandle h, int* code);
/* Kind and ellipsoid of any non-deprecated system. record->size must be sizeof(EpsgParams)
   (code 1, nothing written, otherwise; code 16 for an ellipsoid outside the set-up ranges). On
   success the thread's code is left as it was. */
TELLUS_API int TELLUS_CALL GetEpsgParams(int crsCode, EpsgParams* record);

/* ---- Creation from a geodesy parameter file ---- */
/* section null means "Geodesy". A missing file, or a null path, gives null with code 5. A key
   whose number is not finite fails with its key's code (Flattening 3; Unit, VertUnit 4; the
   projection, Delta and Adjust keys 7; OrthoHCorr 9; ChartDatum, also when it overflows in
   metres, 15). Data files are looked up by name only: "DynDatum" and "Geoid" in the suite's
   datum folder, "VDatum" in its datum/vdatum folder, "VSurface" in the VDatum area. With no suite
   folder (no marker beside the host and no KVT_PELAGIX) none of them is found, and a missing
   "KTDFile" has no fallback to the last project.
   A model the file asks for and the library cannot load (missing, unreadable, damaged, of a kind
   it cannot read) never gives a value as if it had not been asked for:
   - the geoid of modes 2-4 fails the build with 9, the VDatum area or its "VSurface" in mode 3
     with 14, the KTD table of modes 1 and 2 with 17;
   - the "DynDatum" grid does not fail the build (a host that only projects keeps working): the
     handle's WGS84Conv and InvWGS84Conv fail with 18, and GetEllModel names the grid with 18.
   A "KTDFile" found only in the last project's folder is used in its place and, when its path
   is shorter than 256 bytes, stored in the file's entry (one replacement of the file, none when
   the value is unchanged). */
TELLUS_API GeodesyHandle TELLUS_CALL CreateFileGeodesy(const char* path, const char* section);
/* The same with a UTF-16 path. */
TELLUS_API GeodesyHandle TELLUS_CALL CreateFileGeodesyW(const char16_t* path, const char* section);

/* ---- Datum transformations and datum-shift grids ---- */
/* WGS 84 -> local datum, and back; hgt (metres) may be null. Code 4: outside the grid. Code 18:
   the datum-shift grid set (by SetEllModel or "DynDatum") did not load (no point is converted
   until SetEllDiff or SetEllModel replaces it), or its file no longer gives its values here. */
TELLUS_API int TELLUS_CALL WGS84Conv(GeodesyHandle h, double* lat, double* lon, double* hgt);
TELLUS_API int TELLUS_CALL InvWGS84Conv(GeodesyHandle h, double* lat, double* lon, double* hgt);
/* Seven parameters from the ellipsoid (a, f) to the local one, and back; f is the flattening.
   With a datum-shift grid set, loaded or not, they leave the point as it is. */
TELLUS_API int TELLUS_CALL EllConv(GeodesyHandle h, double* lat, double* lon, double* hgt, double a,
                                   double f);
TELLUS_API int TELLUS_CALL InvEllConv(GeodesyHandle h, double* lat, double* lon, double* hgt, double a,
                                      double f);
/* Sets the seven parameters and drops any datum-shift grid; a value that is not finite, or a
   scale of 0 with any other value set, is refused (code 7) and nothing changes. The conversion
   is on when any value differs from the identity's (shifts and rotations 0, scale 1), the scale
   included; an all-zero record means none. */
TELLUS_API int TELLUS_CALL SetEllDiff(GeodesyHandle h, const EllDiffParams* params);
TELLUS_API int TELLUS_CALL GetEllDiff(GeodesyHandle h, EllDiffParams* params);
/* Datum-shift grid by extension (gsb: NTv2; others: binary grid); null for none. Code 18 when the
 * file cannot be used: the grid still stands in place of the seven parameters, and the WGS 84
 * conversions fail with 18 (see WGS84Conv). */
TELLUS_API int TELLUS_CALL SetEllModel(GeodesyHandle h, const char* path);
/* The grid's path, at most len - 1 bytes and a NUL; empty without a grid. A grid that was set and
   did not load: its path, and 0 with code 18 (the way to ask which grid is missing). */
TELLUS_API int TELLUS_CALL GetEllModel(GeodesyHandle h, char* buf, int len);
/* 1 when the datum-shift file leads to or from the ellipsoid (a, 1/inverseFlattening) within a
 * millimetre on both axes; code 18 when the file cannot be read. */
TELLUS_API int TELLUS_CALL IsValidModel(const char* path, double a, double inverseFlattening);

/* ---- Vertical reference ---- */
/* Codes 9 (geoid), 14 (VDatum grid), 17 (KTD table): a grid cannot be loaded. A value the mode
   uses that is not finite is refused before anything changes: orthoHCorr in modes 2-4 (code 9),
   chartDatum in modes 4 and 5 (code 15). */
TELLUS_API int TELLUS_CALL SetChartDatum(GeodesyHandle h, const ChartDatumParams* params);
/* Name buffers of 256 bytes: at most 255 bytes and a NUL are written into any of them. Null
 * buffers are skipped. The KTD buffer is as long as the longest path the host set (by
 * SetChartDatum or a file's "KTDFile"), which comes back whole. The last project's table, loaded
 * in place of the one the file named (or stored by the library in the file, at a path of that
 * form), may have a longer path: one of 256 bytes or more is never cut, the KTD buffer is left
 * untouched, and the call returns 0 with code 1 after filling the rest of the record. */
TELLUS_API int TELLUS_CALL GetChartDatum(GeodesyHandle h, ChartDatumParams* params);
TELLUS_API int TELLUS_CALL GetGeoid(GeodesyHandle h, char* buf, int len, double* orthoCorrection);
/* surface: a buffer of 256 bytes, left untouched when no VDatum grid is loaded. */
TELLUS_API int TELLUS_CALL GetVDatumModel(GeodesyHandle h, char* region, int len, char* surface);
/* Separation K - N and undulation N (metres) at (lat, lon). Code 15: none here (mode 0, or
 * outside a vertical grid); 9, 14 or 17: the geoid's, a VDatum grid's or the KTD table's file no
 * longer gives its values (cut short or gone after it was loaded). Outputs are written as far as
 * they were computed, even on failure. */
TELLUS_API int TELLUS_CALL DatumSeparation1(GeodesyHandle h, double lat, double lon, double* separation,
                                            double* undulation);
TELLUS_API int TELLUS_CALL DatumSeparation(GeodesyHandle h, double lat, double lon, double* separation);
TELLUS_API int TELLUS_CALL Undulation(GeodesyHandle h, double lat, double lon, double* undulation);

#endif /* TELLUS_H */
