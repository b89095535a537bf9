#include "geodesy/DataFiles.h"
#include "common/Text.h"

#include <cstdio>

#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "geodesy/GeodesyParameterFile.h"

namespace datafiles {

namespace {

constexpr const char* kDatumFolder = "datum";
constexpr const char* kVdatumFolder = "vdatum";


size_t lastSeparator(const std::string& value) { return value.find_last_of("\\/"); }

}  // namespace

bool hasSeparator(const std::string& value) { return lastSeparator(value) != std::string::npos; }

std::string stem(const std::string& value) {
    std::string name = geodesyfile::fileNameOf(value);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string folderOf(const std::string& path) {
    size_t cut = lastSeparator(path);
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string datumFile(const std::string& name) {
    return findInFolder(findInFolder(programFolder(), kDatumFolder), name);
}

std::string vdatumFolder(const std::string& region) {
    return findInFolder(findInFolder(findInFolder(programFolder(), kDatumFolder), kVdatumFolder), region);
}

bool isReadableFile(const std::string& path) {
    std::FILE* file = platform::openForReading(path);
    if (!file) return false;
    std::fclose(file);
    return true;
}

}  // namespace datafiles
