/* Tellus geodesy library: the codes left by the exports, shared by the core and the C interface
 * (Tellus.h includes this header; hosts include Tellus.h). */
#ifndef TELLUS_CODES_H
#define TELLUS_CODES_H

/* Codes left by the exports (GetGeodesyError). One value may carry two meanings, named apart. */
#define TELLUS_E_OK 0
#define TELLUS_E_GENERAL 1          /* null record or output pointer, wrong record size, a buffer
                                       too small, a failure that is not the library's own */
#define TELLUS_E_NULL_HANDLE 2
#define TELLUS_E_FLATTENING 3       /* inverse flattening refused */
#define TELLUS_E_UNIT 4             /* unit factor refused */
#define TELLUS_E_OUTSIDE_GRID 4     /* a point outside a datum-shift grid, or no inverse shift */
#define TELLUS_E_PROJECTION 5       /* projection id or name not recognised; no parameter file */
#define TELLUS_E_CANNOT_PROJECT 6   /* the point has no image (Mercator at a pole, ...) */
#define TELLUS_E_PARAMETERS 7       /* projection, datum or local grid parameters refused */
#define TELLUS_E_GEOID 9            /* geoid model cannot be loaded */
#define TELLUS_E_OUT_OF_RANGE 10    /* a coordinate that is no point, or out of the class's range */
#define TELLUS_E_NOT_CONVERGED 11   /* an inverse projection failed to converge */
#define TELLUS_E_DATABASE_CORRUPT 11 /* the parameter database is damaged (SQLite's code) */
#define TELLUS_E_NO_NAME 12         /* GetLocalName: no name for the item */
#define TELLUS_E_VDATUM 14          /* a VDatum grid cannot be loaded */
#define TELLUS_E_DATABASE_CANTOPEN 14 /* the parameter database cannot be opened (SQLite's code) */
#define TELLUS_E_NO_SEPARATION 15   /* no vertical separation here (mode 0, outside a grid) */
#define TELLUS_E_EPSG 16            /* EPSG code, ellipsoid, method, unit or parameter not resolved */
#define TELLUS_E_KTD 17             /* KTD table cannot be loaded */
#define TELLUS_E_DATUM_GRID 18      /* datum-shift grid file cannot be opened or read; also every
                                       conversion that needs a grid that did not load */

#endif /* TELLUS_CODES_H */
