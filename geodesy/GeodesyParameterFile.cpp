#include "geodesy/GeodesyParameterFile.h"

#include "common/ProgramFolder.h"
#include "common/Text.h"


namespace geodesyfile {

// Tried in this order; the ids are those of the projection classes.
const ProjectionName kProjectionNames[kProjectionNameCount] = {
    {"Lambert", 1}, {"LCC", 1},   {"LC1", 1}, {"Mercator", 2}, {"MER", 2}, {"TransMerc", 3},
    {"TME", 3},     {"UTM", 3},   {"OST", 4}, {"HOM", 6},      {"RSO", 7}, {"AZD", 8},
    {"OCY", 5},     {"SMERC", 9}, {"CME", 9}, {"ALA", 10},     {"CAS", 11}, {"PST", 12},
    {"POL", 17},    {"AZA", 13},
};

int projectionIdOf(const char* name) {
    if (!name || !*name) return 0;
    for (const ProjectionName& entry : kProjectionNames)
        if (equalsIgnoringAsciiCase(entry.name, name)) return entry.id;
    return 0;
}

std::string fileNameOf(const std::string& value) {
    size_t separator = value.find_last_of("\\/");
    return separator == std::string::npos ? value : value.substr(separator + 1);
}

std::string datumFilePath(const std::string& programFolder, const std::string& value) {
    return suitePath(programFolder, "datum/" + fileNameOf(value));
}

std::string vdatumRegionFolder(const std::string& programFolder, const std::string& value) {
    return suitePath(programFolder, "datum/vdatum/" + fileNameOf(value));
}

}  // namespace geodesyfile
