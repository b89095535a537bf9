#include "geodesy/UnitTable.h"

const UnitEntry kUnitTable[kUnitCount] = {
    {1, 1.0, "m", "meter", "meters", "mètre", "mètres", "metro", "metros"},
    {2, 0.3048006096, "ftUS", "foot (US)", "feet (US)", "pied (US)", "pieds (US)", "pie (US)", "pies (US)"},
    {3, 0.3048, "ft", "foot (int.)", "feet (int.)", "pied (int.)", "pieds (int.)", "pie (int.)", "pies (int.)"},
    {4, 0.914402, "yd", "yard", "yards", "verge", "verges", "yarda", "yardas"},
    {5, 20.11678249, "ch", "chain", "chains", "chaîne", "chaînes", "cadena", "cadenas"},
    {6, 1852.0, "NM", "nautical mile", "nautical miles", "mille marin", "milles marins", "milla nautica",
     "millas nauticas"},
    {7, 1.8288, "f", "fathom", "fathoms", "brasse", "brasses", "braza", "brazas"},
    {8, 0.3047972654, "ftCla", "foot (Clarke)", "feet (Clarke)", "pied (Clarke)", "pieds (Clarke)",
     "pie (Clarke)", "pies (Clarke)"},
    {9, 0.3047995142, "ftInd", "foot (Indian)", "feet (Indian)", "pied (Indian)", "pieds (Indian)",
     "pie (Indian)", "pies (Indian)"},
    {10, 0.91439841, "ydSea", "yard (Sears)", "yards (Sears)", "verge (Sears)", "verges (Sears)",
     "yarda (Sears)", "yardas (Sears)"},
    {11, 0.91439855, "ydInd", "yard (Indian)", "yards (Indian)", "verge (Indian)", "verges (Indian)",
     "yarda (Indian)", "yardas (Indian)"},
    {12, 0.2011678249, "lkBen", "link (Benoit)", "links (Benoit)", "maille (Benoit)", "mailles (Benoit)",
     "link (Benoit)", "links (Benoit)"},
    {13, 0.201166195, "lkCla", "link (Clarke)", "links (Clarke)", "maille (Clarke)", "mailles (Clarke)",
     "link (Clarke)", "links (Clarke)"},
    // One hundredth of the Sears chain.
    {14, 0.201167651216, "lkSea", "link (Sears)", "links (Sears)", "maille (Sears)", "mailles (Sears)",
     "link (Sears)", "links (Sears)"},
    {15, 20.1167651216, "chSea", "chain (Sears)", "chains (Sears)", "chaîne (Sears)", "chaînes (Sears)",
     "cadena (Sears)", "cadenas (Sears)"},
};

const AxisEntry kAxisTable[kAxisCount] = {
    {kAxisEasting, "X", "easting", "est", "este"},
    {kAxisNorthing, "Y", "northing", "nord", "norte"},
    {kAxisWesting, "Y", "westing", "ouest", "oeste"},
    {kAxisSouthing, "X", "southing", "sud", "sur"},
};

int unitCodeOf(double metresPerUnit) {
    for (const UnitEntry& u : kUnitTable)
        if (u.metresPerUnit == metresPerUnit) return u.code;
    return 0;
}

const char* unitString(int id) {
    int language = 0;
    if (id > kSpanishId) {
        language = kSpanishId;
    } else if (id > kFrenchId) {
        language = kFrenchId;
    }
    int base = id - language;
    for (const UnitEntry& u : kUnitTable) {
        if (base == u.code) return language ? nullptr : u.abbreviation;
        if (base == u.code + kSingularId)
            return language == kFrenchId ? u.frenchSingular : language == kSpanishId ? u.spanishSingular : u.singular;
        if (base == u.code + kPluralId)
            return language == kFrenchId ? u.frenchPlural : language == kSpanishId ? u.spanishPlural : u.plural;
    }
    for (const AxisEntry& a : kAxisTable) {
        if (base == a.code) return language ? nullptr : a.letter;
        if (base == a.code + kSingularId)
            return language == kFrenchId ? a.frenchName : language == kSpanishId ? a.spanishName : a.name;
    }
    return nullptr;
}
