// The geodesy parameter file: one INI section ("Geodesy" unless the caller names another) that
// describes a complete coordinate system. The editor writes it and the library reads it; this is
// the one place where its keys, their units and conversions, the projection names and the legacy
// rule are defined. Nothing here reads or writes a file.
#pragma once

#include <cstddef>
#include <string>

#include "geodesy/projections/Angles.h"

namespace geodesyfile {

inline constexpr char kDefaultSection[] = "Geodesy";

// Keys the library reads, in the order it reads them. Key names match without regard to case;
// a missing key and an empty value both give the default.
inline constexpr char kVer[] = "Ver";                          // int, version of the writer
inline constexpr char kScaleFactor[] = "ScaleFactor";          // k0; 0 becomes 1.0
inline constexpr char kRefLatitude[] = "RefLatitude";          // degrees
inline constexpr char kCentralMeridian[] = "CentralMeridian";  // degrees
inline constexpr char kNorthParallel[] = "NorthParallel";      // degrees
inline constexpr char kSouthParallel[] = "SouthParallel";      // degrees
inline constexpr char kUnit[] = "Unit";                        // metres per horizontal unit; 0 becomes 1.0
inline constexpr char kFalseEasting[] = "FalseEasting";        // horizontal unit
inline constexpr char kFalseNorthing[] = "FalseNorthing";      // horizontal unit
inline constexpr char kSkewAzimuth[] = "SkewAzimuth";          // degrees
inline constexpr char kSemiMajorAxis[] = "SemiMajorAxis";      // metres
inline constexpr char kFlattening[] = "Flattening";            // the INVERSE flattening 1/f
inline constexpr char kProjection[] = "Projection";            // name, see projectionIdOf
inline constexpr char kVertUnit[] = "VertUnit";                // metres per vertical unit; 0: as horizontal
inline constexpr char kDynDatum[] = "DynDatum";                // datum-shift grid; its file name counts
inline constexpr char kDeltaX[] = "DeltaX";                    // metres
inline constexpr char kDeltaY[] = "DeltaY";                    // metres
inline constexpr char kDeltaZ[] = "DeltaZ";                    // metres
inline constexpr char kDeltaScale[] = "DeltaScale";            // ppm
inline constexpr char kDeltaRX[] = "DeltaRX";                  // arc-seconds
inline constexpr char kDeltaRY[] = "DeltaRY";                  // arc-seconds
inline constexpr char kDeltaRZ[] = "DeltaRZ";                  // arc-seconds
inline constexpr char kAdjustType[] = "AdjustType";            // local grid type word
inline constexpr char kReverseX[] = "ReverseX";                // bool, bit 16 of the type word
inline constexpr char kReverseY[] = "ReverseY";                // bool, bit 17 of the type word
inline constexpr char kAdjustRotation[] = "AdjustRotation";    // degrees (exact pi / 180)
inline constexpr char kAdjustScale[] = "AdjustScale";          // 0 becomes 1.0
inline constexpr char kAdjustX[] = "AdjustX";                  // local units
inline constexpr char kAdjustY[] = "AdjustY";                  // local units
inline constexpr char kAdjustOrigX[] = "AdjustOrigX";          // horizontal unit
inline constexpr char kAdjustOrigY[] = "AdjustOrigY";          // horizontal unit
inline constexpr char kRTKMode[] = "RTKMode";                  // vertical mode 0..5
inline constexpr char kGeoid[] = "Geoid";                      // geoid model; its file name counts
inline constexpr char kOrthoHCorr[] = "OrthoHCorr";            // metres; read only with "Geoid"
inline constexpr char kVDatum[] = "VDatum";                    // VDatum region; its last name counts
inline constexpr char kVSurface[] = "VSurface";                // surface; read only with "VDatum"
inline constexpr char kChartDatum[] = "ChartDatum";            // horizontal unit
inline constexpr char kKTDFile[] = "KTDFile";                  // tide-separation table, a full path
inline constexpr char kZoneId[] = "ZoneId";                    // predefined zone id

// Keys only the editor uses.
inline constexpr char kGrid[] = "Grid";
inline constexpr char kZoneName[] = "ZoneName";
inline constexpr char kUnitsName[] = "UnitsName";
inline constexpr char kEllipsoid[] = "Ellipsoid";
inline constexpr char kElevation[] = "Elevation";
inline constexpr char kCustomName[] = "CustomName";

// Defaults that are not 0.
inline constexpr int kDefaultZoneId = -1;
inline constexpr char kDefaultSurface[] = "TSS";
inline constexpr char kDefaultCustomName[] = "User-Defined";
// Extension of custom grid files, kept in the suite's datum folder.
inline constexpr char kCustomGridExtension[] = ".cgeo";

// Longest values the library reads; longer ones are cut.
inline constexpr size_t kProjectionNameLength = 79;
inline constexpr size_t kPathValueLength = 255;
inline constexpr size_t kSurfaceNameLength = 19;

// Files written before version 1600 (or without "Ver") take the vertical mode from the keys
// present.
inline constexpr int kFirstCurrentVersion = 1600;

// Angle factors to radians. The degree keys use the suite's historical truncated value of pi/180,
// deliberately kept so that files give the same radians as they always did; the local grid
// rotation and the arc-second rotations use the exact factors (kPi and kArcSecondToRadian of
// Angles.h).
inline constexpr double kFileDegreeToRadian = 0.01745329251994;
inline constexpr double kAdjustDegreeToRadian = kPi / 180;
// "DeltaScale" is in parts per million.
inline constexpr double kPartsPerMillion = 1e6;

// Flags of the local grid type word that "ReverseX" and "ReverseY" set.
inline constexpr int kReverseXBit = 0x10000;
inline constexpr int kReverseYBit = 0x20000;

// Vertical modes the legacy rule gives.
inline constexpr int kModeGeoidAndUserValue = 4;
inline constexpr int kModeGeoidAndVDatum = 3;

// Projection id of the Lambert conformal conic, whose zero parallels take the reference latitude.
inline constexpr int kLambertProjectionId = 1;

// The degree keys ("RefLatitude", "CentralMeridian", the parallels, "SkewAzimuth") to radians.
constexpr double degreesToRadians(double degrees) { return degrees * kFileDegreeToRadian; }
constexpr double radiansToDegrees(double radians) { return radians / kFileDegreeToRadian; }
// "AdjustRotation" to radians.
constexpr double adjustRotationToRadians(double degrees) { return degrees * kAdjustDegreeToRadian; }
// "DeltaRX", "DeltaRY", "DeltaRZ" to radians.
constexpr double arcSecondsToRadians(double arcSeconds) { return arcSeconds * kArcSecondToRadian; }
// "DeltaScale" in ppm to a scale factor: 0 gives 1.0.
constexpr double ppmToScale(double ppm) { return ppm / kPartsPerMillion + 1.0; }
// "ScaleFactor", "Unit" and "AdjustScale": 0 (missing) means 1.0.
constexpr double zeroMeansOne(double value) { return value == 0.0 ? 1.0 : value; }
// "ChartDatum" in the horizontal unit to metres.
constexpr double chartDatumToMetres(double chartDatum, double unitFactor) { return chartDatum * unitFactor; }
// A standard parallel as the projection uses it: 0 takes the reference latitude for Lambert.
constexpr double standardParallel(int projectionId, double parallel, double refLatitude) {
    return projectionId == kLambertProjectionId && parallel == 0.0 ? refLatitude : parallel;
}
// The local grid type word with the reverse flags ORed in.
constexpr int adjustTypeWord(int adjustType, bool reverseX, bool reverseY) {
    return adjustType | (reverseX ? kReverseXBit : 0) | (reverseY ? kReverseYBit : 0);
}

constexpr bool isLegacyVersion(int version) { return version < kFirstCurrentVersion; }
// The vertical mode: "RTKMode" in a current file; in a legacy file "VDatum" present gives 3,
// else "Geoid" present gives 4, else "RTKMode" stands.
constexpr int verticalMode(int version, int rtkMode, bool hasGeoid, bool hasVDatum) {
    if (!isLegacyVersion(version)) return rtkMode;
    if (hasVDatum) return kModeGeoidAndVDatum;
    if (hasGeoid) return kModeGeoidAndUserValue;
    return rtkMode;
}

// One name of the projection table.
struct ProjectionName {
    const char* name;
    int id;
};
inline constexpr size_t kProjectionNameCount = 20;
extern const ProjectionName kProjectionNames[kProjectionNameCount];

// The projection id of a "Projection" value, compared without regard to case; 0 when the name
// is empty or not in the table (the build then fails with code 5).
int projectionIdOf(const char* name);

// The file-name part of a stored path value: the text after its last '\' or '/'.
std::string fileNameOf(const std::string& value);
// "DynDatum" and "Geoid": the file of that name in the suite's datum folder.
std::string datumFilePath(const std::string& programFolder, const std::string& value);
// "VDatum": the region folder of that name under the suite's VDatum folder.
std::string vdatumRegionFolder(const std::string& programFolder, const std::string& value);

}  // namespace geodesyfile
