#include "tests/geodesy/SuiteFolder.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ProgramFolder.h"

namespace {

constexpr const char* kSuiteVariable = "KVT_PELAGIX";
constexpr const char* kProjData = "/usr/share/proj/";
// BinFile header: 96 bytes, fields at fixed offsets.
constexpr size_t kBinHeaderSize = 96;

template <typename T>
void putLittle(std::string& out, size_t offset, T value) {
    static_assert(std::endian::native == std::endian::little, "tests run on little-endian hosts");
    std::memcpy(out.data() + offset, &value, sizeof value);
}

template <typename T>
void appendBig(std::string& out, T value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    for (size_t i = sizeof value; i > 0; --i) out.push_back(bytes[i - 1]);
}

}  // namespace

void writeBinGrid(const std::string& path, const BinGridSpec& spec) {
    const size_t record = size_t(4 * spec.values * spec.columns + 4);
    std::string bytes(record * size_t(spec.rows + 1), '\0');
    putLittle(bytes, 30, spec.a);
    putLittle(bytes, 38, spec.inverseFlattening);
    putLittle(bytes, 64, int32_t(spec.columns));
    putLittle(bytes, 68, int32_t(spec.rows));
    putLittle(bytes, 72, int32_t(spec.values));
    putLittle(bytes, 76, spec.westDeg);
    putLittle(bytes, 80, spec.lonSpacingDeg);
    putLittle(bytes, 84, spec.southDeg);
    putLittle(bytes, 88, spec.latSpacingDeg);
    if (record < kBinHeaderSize) std::abort();  // the header would overlap the first row
    for (int r = 0; r < spec.rows; ++r)
        for (int c = 0; c < spec.columns; ++c)
            for (int k = 0; k < spec.values; ++k) {
                float v = spec.constants[size_t(k) % spec.constants.size()];
                putLittle(bytes, record * size_t(r + 1) + 4 + size_t(4 * (c * spec.values + k)), v);
            }
    writeFile(path, bytes);
}

void writeGtxGrid(const std::string& path, double southDeg, double westDeg, double latSpacingDeg,
                  double lonSpacingDeg, int rows, int columns, float value) {
    std::string bytes;
    appendBig(bytes, southDeg);
    appendBig(bytes, westDeg);
    appendBig(bytes, latSpacingDeg);
    appendBig(bytes, lonSpacingDeg);
    appendBig(bytes, int32_t(rows));
    appendBig(bytes, int32_t(columns));
    for (int i = 0; i < rows * columns; ++i) appendBig(bytes, value);
    writeFile(path, bytes);
}

void writeKtdTable(const std::string& path, int rows, int columns, double minX, double minY,
                   double maxX, double maxY, const std::vector<double>& values) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text.precision(17);
    text << rows << ' ' << columns << '\n'
         << minX << ' ' << minY << ' ' << maxX << ' ' << maxY << '\n';
    for (double v : values) text << v << '\n';
    writeFile(path, text.str());
}

SuiteFolder::SuiteFolder() {
    if (const char* old = std::getenv(kSuiteVariable)) {
        hadSuite = true;
        savedSuite = old;
    }
    makeFolder("datum/vdatum");
    makeFolder("Projects");
    setenv(kSuiteVariable, path().c_str(), 1);
    resetProgramFolder();
}

SuiteFolder::~SuiteFolder() {
    if (hadSuite)
        setenv(kSuiteVariable, savedSuite.c_str(), 1);
    else
        unsetenv(kSuiteVariable);
    resetProgramFolder();
}

std::string SuiteFolder::makeFolder(const std::string& relative) const {
    std::string full = path() + "/" + relative;
    std::filesystem::create_directories(full);
    return full;
}

void SuiteFolder::setLastProject(const std::string& value) const {
    writeFile(file("pelagix.ini"), "[General]\r\nLastProject=" + value + "\r\n");
}

bool SuiteFolder::copyProjData(const std::string& name) const {
    std::error_code ec;
    return std::filesystem::copy_file(std::string(kProjData) + name, datum(name),
                                      std::filesystem::copy_options::overwrite_existing, ec);
}

std::string parameterFile(const Keys& changes) {
    Keys keys = {{"Ver", "2001"},           {"Projection", "TME"}, {"SemiMajorAxis", "6378137"},
                 {"Flattening", "298.257223563"}, {"ScaleFactor", "0.9996"}, {"CentralMeridian", "3"}};
    for (const auto& change : changes) {
        bool replaced = false;
        for (auto& key : keys)
            if (key.first == change.first) {
                key.second = change.second;
                replaced = true;
            }
        if (!replaced) keys.push_back(change);
    }
    std::string text = "[Geodesy]\r\n";
    for (const auto& [key, value] : keys)
        if (value) text += key + "=" + *value + "\r\n";
    return text;
}

SuiteTest::~SuiteTest() {
    for (GeodesyHandle h : handles) DestroyGeodesy(h);
}

GeodesyHandle SuiteTest::create(const Keys& changes, const std::string& name) {
    writeFile(suite.file(name), parameterFile(changes));
    GeodesyHandle h = CreateFileGeodesy(suite.file(name).c_str(), nullptr);
    if (h) handles.push_back(h);
    return h;
}
