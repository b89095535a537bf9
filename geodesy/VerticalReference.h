#include "geodesy/Tellus.h"
// The vertical reference of a Geodesy: which grids each vertical mode loads and how the
#include "geodesy/Tellus.h"
// separation S = K - N (ellipsoid above chart datum) and the undulation N (geoid above
#include "geodesy/Tellus.h"
// ellipsoid) are formed. The Geodesy members are in VerticalReference.cpp.
#include "geodesy/Tellus.h"
#pragma once
#include "geodesy/Tellus.h"

#include "geodesy/Tellus.h"
namespace vertical {
#include "geodesy/Tellus.h"

#include "geodesy/Tellus.h"
// Vertical modes (the parameter file's "RTKMode").
#include "geodesy/Tellus.h"
enum Mode : int {
#include "geodesy/Tellus.h"
    kNoTide = 0,          // no separation (status 15)
#include "geodesy/Tellus.h"
    kKtdOnly = 1,         // S = KTD(y, x) in vertical units, N = 0
#include "geodesy/Tellus.h"
    kGeoidAndKtd = 2,     // N = geoid, S = KTD(y, x) - N
#include "geodesy/Tellus.h"
    kGeoidAndVdatum = 3,  // N = geoid, S = tss - surface - N
#include "geodesy/Tellus.h"
    kGeoidAndUser = 4,    // N = geoid, S = chart datum - N
#include "geodesy/Tellus.h"
    kUserSeparation = 5,  // N = 0, S = chart datum
#include "geodesy/Tellus.h"
};
#include "geodesy/Tellus.h"
inline constexpr int kModeCount = 6;
#include "geodesy/Tellus.h"

#include "geodesy/Tellus.h"
// Codes of grids that cannot be loaded, and of a separation that cannot be given.
#include "geodesy/Tellus.h"

#include "geodesy/Tellus.h"
// Names and the KTD path the library copies into a caller's buffer hold at most this many bytes
#include "geodesy/Tellus.h"
// with the NUL.
#include "geodesy/Tellus.h"
inline constexpr int kNameBufferSize = 256;
#include "geodesy/Tellus.h"
// Code of a KTD path that does not fit that buffer.
#include "geodesy/Tellus.h"

#include "geodesy/Tellus.h"
// The region's tidal surface grid, and the name that stands for "no other surface".
#include "geodesy/Tellus.h"
inline constexpr const char* kTssFile = "tss.gtx";
#include "geodesy/Tellus.h"
inline constexpr const char* kTssSurface = "TSS";
#include "geodesy/Tellus.h"
inline constexpr const char* kGtxExtension = ".gtx";
#include "geodesy/Tellus.h"

#include "geodesy/Tellus.h"
}  // namespace vertical
