/* Tellus geodesy library: the packed records of the C interface, shared by the core and the
 * exports (Tellus.h includes this header; hosts include Tellus.h). */
#ifndef TELLUS_RECORDS_H
#define TELLUS_RECORDS_H

#include <stdint.h>

#pragma pack(push, 4)

/* Projection and ellipsoid. */
typedef struct GeodesyParams {
    double semiMajorAxis;     /* a, metres, 6e6 to 7e6 (else code 7) */
    double inverseFlattening; /* 1/f, 290 to 1e12; else, 0 included, code 3 */
    int32_t projectionId;     /* 1..13, 17; others refused (code 5) */
    double unitFactor;        /* metres per horizontal unit, 0.001 to 10000 (else code 4) */
    double scaleFactor;       /* k0, 0.1 to 10; 0 is taken as 1.0 */
    double centralMeridian;   /* rad, within +-2 pi */
    double referenceLatitude; /* rad, within +-pi/2 */
    double northParallel;     /* rad, first standard parallel, within +-pi/2 */
    double southParallel;     /* rad, second standard parallel, within +-pi/2 */
    double skewAzimuth;       /* rad, oblique Mercator only, within +-2 pi */
    double falseEasting;      /* projection unit, at most 4e8 m either way */
    double falseNorthing;     /* projection unit, at most 4e8 m either way */
} GeodesyParams;

/* Local grid transformation. */
typedef struct AdjustParams {
    uint32_t type;      /* bits 0-15 type 0..16; bit 16 reverse X; bit 17 reverse Y */
    double originX;     /* projection unit */
    double originY;     /* projection unit */
    double rotation;    /* rad */
    double scale;       /* 0 is refused (code 7) */
    double translationX;/* projection unit */
    double translationY;/* projection unit */
} AdjustParams;

/* Seven-parameter datum transformation, coordinate-frame convention. */
typedef struct EllDiffParams {
    double shiftX;    /* m */
    double shiftY;    /* m */
    double shiftZ;    /* m */
    double scale;     /* 1 + ppm * 1e-6; -1.0 from GetEllDiff while a grid is in use */
    double rotationX; /* rad */
    double rotationY; /* rad */
    double rotationZ; /* rad */
} EllDiffParams;

/* Vertical reference. Names are caller buffers of at least 256 bytes on GetChartDatum. */
typedef struct ChartDatumParams {
    int32_t mode;          /* 0..5 */
    char* geoidModel;
    double orthoHCorr;     /* m, added to the geoid value */
    char* vdatumRegion;
    char* vdatumSurface;
    char* ktdFile;
    double chartDatum;     /* m */
} ChartDatumParams;

/* Description of an EPSG coordinate reference system. */
typedef struct EpsgParams {
    uintptr_t size;           /* set by the caller to sizeof(EpsgParams) */
    int32_t code;
    int32_t kind;             /* 0 unrecognised, 1 engineering, 2 geographic 2D, 3 geographic 3D,
                                 4 geocentric, 5 projected, 6 vertical, 7 compound */
    double semiMajorAxis;     /* m; 0 when no ellipsoid */
    double inverseFlattening; /* 0 when no ellipsoid */
} EpsgParams;

#pragma pack(pop)

/* The layout is part of the interface: hosts built with other compilers rely on it. */
#ifdef __cplusplus
#include <cstddef>
#define TELLUS_ASSERT(c, m) static_assert(c, m)
#else
#include <stddef.h>
#define TELLUS_ASSERT(c, m) _Static_assert(c, m)
#endif
TELLUS_ASSERT(sizeof(GeodesyParams) == 92, "GeodesyParams size");
TELLUS_ASSERT(offsetof(GeodesyParams, inverseFlattening) == 8, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, projectionId) == 16, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, unitFactor) == 20, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, scaleFactor) == 28, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, centralMeridian) == 36, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, referenceLatitude) == 44, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, northParallel) == 52, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, southParallel) == 60, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, skewAzimuth) == 68, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, falseEasting) == 76, "GeodesyParams layout");
TELLUS_ASSERT(offsetof(GeodesyParams, falseNorthing) == 84, "GeodesyParams layout");
TELLUS_ASSERT(sizeof(AdjustParams) == 52, "AdjustParams size");
TELLUS_ASSERT(offsetof(AdjustParams, originX) == 4, "AdjustParams layout");
TELLUS_ASSERT(offsetof(AdjustParams, originY) == 12, "AdjustParams layout");
TELLUS_ASSERT(offsetof(AdjustParams, rotation) == 20, "AdjustParams layout");
TELLUS_ASSERT(offsetof(AdjustParams, scale) == 28, "AdjustParams layout");
TELLUS_ASSERT(offsetof(AdjustParams, translationX) == 36, "AdjustParams layout");
TELLUS_ASSERT(offsetof(AdjustParams, translationY) == 44, "AdjustParams layout");
TELLUS_ASSERT(sizeof(EllDiffParams) == 56, "EllDiffParams size");
TELLUS_ASSERT(offsetof(EllDiffParams, scale) == 24, "EllDiffParams layout");
TELLUS_ASSERT(offsetof(EllDiffParams, rotationZ) == 48, "EllDiffParams layout");
#if defined(__i386__)
TELLUS_ASSERT(sizeof(ChartDatumParams) == 36, "ChartDatumParams size (32-bit)");
TELLUS_ASSERT(offsetof(ChartDatumParams, geoidModel) == 4, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, orthoHCorr) == 8, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, vdatumRegion) == 16, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, vdatumSurface) == 20, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, ktdFile) == 24, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, chartDatum) == 28, "ChartDatumParams layout");
TELLUS_ASSERT(sizeof(EpsgParams) == 28, "EpsgParams size (32-bit)");
TELLUS_ASSERT(offsetof(EpsgParams, code) == 4, "EpsgParams layout");
TELLUS_ASSERT(offsetof(EpsgParams, kind) == 8, "EpsgParams layout");
TELLUS_ASSERT(offsetof(EpsgParams, semiMajorAxis) == 12, "EpsgParams layout");
TELLUS_ASSERT(offsetof(EpsgParams, inverseFlattening) == 20, "EpsgParams layout");
#else
TELLUS_ASSERT(sizeof(ChartDatumParams) == 52, "ChartDatumParams size (64-bit)");
TELLUS_ASSERT(offsetof(ChartDatumParams, geoidModel) == 4, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, orthoHCorr) == 12, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, vdatumRegion) == 20, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, vdatumSurface) == 28, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, ktdFile) == 36, "ChartDatumParams layout");
TELLUS_ASSERT(offsetof(ChartDatumParams, chartDatum) == 44, "ChartDatumParams layout");
TELLUS_ASSERT(sizeof(EpsgParams) == 32, "EpsgParams size (64-bit)");
TELLUS_ASSERT(offsetof(EpsgParams, code) == 8, "EpsgParams layout");
TELLUS_ASSERT(offsetof(EpsgParams, kind) == 12, "EpsgParams layout");
TELLUS_ASSERT(offsetof(EpsgParams, semiMajorAxis) == 16, "EpsgParams layout");
TELLUS_ASSERT(offsetof(EpsgParams, inverseFlattening) == 24, "EpsgParams layout");
#endif
#undef TELLUS_ASSERT

#endif /* TELLUS_RECORDS_H */
