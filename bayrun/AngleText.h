// Angles as the suite shows them: decimal degrees, degrees and minutes, or degrees, minutes and
// seconds, each with a hemisphere letter (N/S for latitudes, E/W for longitudes).
//
//   format 0  "36.500000000°N"      9 decimals of a degree   (0.1 mm on the ground)
//   format 1  "36°30.0000000'N"     7 decimals of a minute   (0.2 mm)
//   format 2  "36°30'00.00000\"N"  5 decimals of a second   (0.3 mm)
//   any other format reads as 2 (3 is "no setting").
//
// Parsing takes any of these, with blanks, '°', ''' and '"' (or d, m, s) as separators, the
// hemisphere letter before or after the number, or a signed decimal number in degrees. Numbers
// are read in the C locale whatever the process locale is.
#pragma once

#include <string>

namespace angletext {

enum class Axis { Latitude, Longitude };

// "invalid" for NaN, infinities and magnitudes beyond a million degrees, which no format can
// write digit for digit.
std::u16string format(double degrees, int format, Axis axis);
// False for text that is not an angle, or an angle beyond 90 (latitude) or 180 (longitude)
// degrees; `degrees` is set only on success.
bool parse(const std::u16string& text, Axis axis, double& degrees);

}  // namespace angletext
