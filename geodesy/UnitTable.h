// The fifteen length units and four axes the library names, with their English, French and
// Spanish texts. String ids: a unit or axis code gives its abbreviation (or axis letter), code +
// 32 its singular (or axis name), code + 64 its plural; French adds 100 and Spanish 200 to the
// name ids.
#pragma once

#include <cstddef>

struct UnitEntry {
    int code;
    double metresPerUnit;
    const char* abbreviation;
    const char* singular;
    const char* plural;
    const char* frenchSingular;
    const char* frenchPlural;
    const char* spanishSingular;
    const char* spanishPlural;
};

struct AxisEntry {
    int code;
    const char* letter;
    const char* name;
    const char* frenchName;
    const char* spanishName;
};

inline constexpr size_t kUnitCount = 15;
inline constexpr size_t kAxisCount = 4;
extern const UnitEntry kUnitTable[kUnitCount];
extern const AxisEntry kAxisTable[kAxisCount];

inline constexpr int kAxisEasting = 16;
inline constexpr int kAxisNorthing = 17;
inline constexpr int kAxisWesting = 18;
inline constexpr int kAxisSouthing = 19;

// Offsets of the string ids.
inline constexpr int kSingularId = 32;
inline constexpr int kPluralId = 64;
inline constexpr int kFrenchId = 100;
inline constexpr int kSpanishId = 200;

// Code of the unit whose factor equals `metresPerUnit` exactly; 0 when none does.
int unitCodeOf(double metresPerUnit);

// The string resource with this id (UTF-8), or null when none exists.
const char* unitString(int id);
