// Packed sexagesimal angles: DDMM.mm and DDMMSS.ss numbers, as surveyors and the EPSG dataset
// write them. Every part carries the sign of the value. A NaN, an infinity or a value whose
// degrees do not fit 32 bits is no angle and gives NaN.
#pragma once

double ddmmToDegrees(double v);
double ddmmssToDegrees(double v);
double degreesToDdmm(double v);
