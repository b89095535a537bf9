#include "tests/geodesy/SuiteFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/ProgramFolder.h"

namespace {

constexpr const char* kSuiteVariable = "KVT_PELAGIX";
constexpr const char* kProjData = "/usr/share/proj/";

}  // namespace

gridwriter::BinGrid constantBinGrid(const std::vector<float>& values, float southDeg, int rows) {
    gridwriter::BinGrid grid;
    grid.values = int32_t(values.size());
    grid.rows = rows;
    grid.south = southDeg;
    for (int node = 0; node < grid.rows * grid.columns; ++node)
        grid.nodes.insert(grid.nodes.end(), values.begin(), values.end());
    return grid;
}

void writeBinGrid(const std::string& path, const gridwriter::BinGrid& grid) {
    writeFile(path, gridwriter::binGridBytes(grid));
}

void writeGtxGrid(const std::string& path, double southDeg, double westDeg, int rows, int columns, float value) {
    gridwriter::GtxGrid grid;
    grid.south = southDeg;
    grid.west = westDeg;
    grid.rows = rows;
    grid.columns = columns;
    grid.nodes.assign(size_t(rows) * size_t(columns), value);
    writeFile(path, gridwriter::gtxBytes(grid));
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
