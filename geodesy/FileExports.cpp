// Creation from a geodesy parameter file.
#include <cstdint>
#include <string>

#include "common/Platform.h"
#include "common/Profile.h"
#include "common/Text.h"
#include "geodesy/ExportFrame.h"
#include "geodesy/Geodesy.h"
#include "geodesy/GeodesyFromFile.h"
#include "geodesy/GeodesyParameterFile.h"
#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"

TELLUS_API GeodesyHandle TELLUS_CALL CreateFileGeodesy(const char* path, const char* section) {
    trace("CreateFileGeodesy entered");
    Geodesy* created = nullptr;
    // A file that could not be opened for lack of a descriptor only looked missing, and would have
    // read as a file without keys (or without a grid): the build is refused as a file that cannot
    // be opened.
    const uint32_t shortages = platform::descriptorShortages();
    int code = exportframe::runCaught([&]() {
        // No file at all reads like a file without keys: no projection.
        if (!path) return erc(TELLUS_E_PROJECTION, kSeverityError, &geodesyFacility());
        Pelagix::Profile profile(path);
        return DoGeoCreation(profile, section ? section : geodesyfile::kDefaultSection, created);
    });
    if (platform::descriptorShortages() != shortages) code = TELLUS_E_GENERAL;
    if (code != 0 && created) {
        delete created;
        created = nullptr;
    }
    exportframe::setError(code);
    return created;
}

TELLUS_API GeodesyHandle TELLUS_CALL CreateFileGeodesyW(const char16_t* path, const char* section) {
    if (!path) return CreateFileGeodesy(nullptr, section);
    std::string narrow;
    int code = exportframe::runCaught([&]() {
        narrow = toUtf8(path);
        return erc();
    });
    if (code != 0) {
        exportframe::setError(code);
        return nullptr;
    }
    return CreateFileGeodesy(narrow.c_str(), section);
}
