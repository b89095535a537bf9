// Packed sexagesimal angles: DDMM.mm and DDMMSS.ss numbers, as surveyors and the EPSG dataset
// write them. Every part carries the sign of the value.
#pragma once

double ddmmToDegrees(double v);
double ddmmssToDegrees(double v);
double degreesToDdmm(double v);
