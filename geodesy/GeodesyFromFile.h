// Building a complete Geodesy from one section of a geodesy parameter file: projection,
// vertical unit, datum transformation, local grid, vertical reference and zone.
#pragma once

#include "common/erc.h"

namespace Pelagix {
class Profile;
}
class Geodesy;

// Builds the Geodesy described by `section` of `profile` into `created` (null on failure) and
// returns the status: code 0, or the failure's code (3, 5, a projection's code, 9, 14, 17; 1 for
// anything that is not an error value). A datum-shift grid that cannot be loaded is only logged.
// May rewrite the section's "KTDFile" when the table is found in the last project's folder.
erc DoGeoCreation(Pelagix::Profile& profile, const char* section, Geodesy*& created);
