// Datum transformations of a Geodesy: the seven-parameter (Helmert) transformation through
// earth-centred cartesian coordinates, coordinate-frame rotation convention in small-angle form,
// and the kinds of datum-shift grid. The Geodesy members that use them are in DatumTransform.cpp.
#pragma once

#include <memory>

#include "geodesy/TellusRecords.h"
#include "geodesy/grids/InterpFile.h"

namespace datum {

// Datum-shift grid kinds, by the file name's extension (compared without regard to case).
enum GridKind : int {
    kBinaryShiftGrid = 0,  // anything else (".lls"): per-point seven parameters from a BinFile
    kNtv2Grid = 1,         // ".gsb"
    kAsciiNtv2Grid = 2,    // ".gsa": not readable, refused when set
};
GridKind gridKindOf(const char* path);

// Opens a datum-shift grid by its kind, with the one set of rules that both Geodesy::SetEllModel
// and the editor's check (IsValidModel) apply: a regular file, an NTv2 file or a binary grid of
// two (angular) or three (cartesian) values per node; ASCII NTv2 and an NTv2 file whose headers
// fail or whose nodes are not all in it are refused. Raises code 1 when there is no such file, 2
// for a grid the conversions cannot use, or the reader's own code.
std::unique_ptr<InterpFile> openShiftGrid(const char* path, GridKind& kind);

// The identity: no shift, no rotation, scale 1.
EllDiffParams identity();

// Forward (WGS 84 or another ellipsoid to the local datum), X, Y, Z in metres:
//   X' = dX + s (X + rZ Y - rY Z), Y' = dY + s (-rZ X + Y + rX Z), Z' = dZ + s (rY X - rX Y + Z).
void helmertForward(const EllDiffParams& p, double& X, double& Y, double& Z);
// Inverse as the system has always computed it: rotate by the transposed matrix, divide by the
// scale, then subtract the shifts. Not the algebraic inverse of the forward one.
void helmertInverse(const EllDiffParams& p, double& X, double& Y, double& Z);

// Both semi-axes of (a1, f1) and (a2, f2) agree within a millimetre.
bool sameEllipsoid(double a1, double f1, double a2, double f2);

}  // namespace datum
