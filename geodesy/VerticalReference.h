// The vertical reference of a Geodesy: which grids each vertical mode loads and how the
// separation S = K - N (ellipsoid above chart datum) and the undulation N (geoid above
// ellipsoid) are formed. The Geodesy members are in VerticalReference.cpp.
#pragma once

namespace vertical {

// Vertical modes (the parameter file's "RTKMode").
enum Mode : int {
    kNoTide = 0,          // no separation (status 15)
    kKtdOnly = 1,         // S = KTD(y, x) in vertical units, N = 0
    kGeoidAndKtd = 2,     // N = geoid, S = KTD(y, x) - N
    kGeoidAndVdatum = 3,  // N = geoid, S = tss - surface - N
    kGeoidAndUser = 4,    // N = geoid, S = chart datum - N
    kUserSeparation = 5,  // N = 0, S = chart datum
};
inline constexpr int kModeCount = 6;

// Names and the KTD path the library copies into a caller's buffer hold at most this many bytes
// with the NUL.
inline constexpr int kNameBufferSize = 256;

// The region's tidal surface grid, and the name that stands for "no other surface".
inline constexpr const char* kTssFile = "tss.gtx";
inline constexpr const char* kTssSurface = "TSS";
inline constexpr const char* kGtxExtension = ".gtx";

}  // namespace vertical
