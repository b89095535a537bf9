// A small suite folder of the tests' own: KVT_PELAGIX points at it while it lives, with a datum
// folder for grids, a VDatum area, projects and "pelagix.ini". The grid writers make tiny files
// in the formats the library reads, for what no public sample covers.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"
#include "tools/GridFileWriter.h"

// A binary grid (geoid model or shift grid) whose every node holds `values`; the other header
// fields as given (degrees).
gridwriter::BinGrid constantBinGrid(const std::vector<float>& values, float southDeg, int rows);
void writeBinGrid(const std::string& path, const gridwriter::BinGrid& grid);

// A GTX grid of one value everywhere.
void writeGtxGrid(const std::string& path, double southDeg, double westDeg, int rows, int columns, float value);

// KTD table: rows, columns, minimum x, minimum y, maximum x, maximum y, then the values.
void writeKtdTable(const std::string& path, int rows, int columns, double minX, double minY,
                   double maxX, double maxY, const std::vector<double>& values);

// A double field of a packed record, by value: the test macros bind references, which a double
// at a 4-byte offset must not take.
inline double unpacked(double field) { return field; }

// Keys of a geodesy parameter file, in order; std::nullopt stands for "no such key".
using Keys = std::vector<std::pair<std::string, std::optional<std::string>>>;
// The section "Geodesy" of the base file B (WGS 84, transverse Mercator on 3 degrees east, scale
// 0.9996, version 2001) with `changes` replacing its keys or appended in order.
std::string parameterFile(const Keys& changes);

class SuiteFolder {
public:
    SuiteFolder();
    ~SuiteFolder();
    SuiteFolder(const SuiteFolder&) = delete;
    SuiteFolder& operator=(const SuiteFolder&) = delete;

    const std::string& path() const { return folder.path(); }
    std::string datum(const std::string& name) const { return path() + "/datum/" + name; }
    std::string file(const std::string& name) const { return folder.file(name); }
    // Creates a folder (and its parents) under the suite folder; returns its path.
    std::string makeFolder(const std::string& relative) const;
    // "pelagix.ini" with [General] LastProject=<value>.
    void setLastProject(const std::string& value) const;
    // Copies a file of proj-data into the datum folder; false when it is not installed.
    bool copyProjData(const std::string& name) const;

private:
    TempFolder folder;
    std::string savedSuite;
    bool hadSuite = false;
};

// A test on its own suite folder that creates coordinate systems from parameter files and
// destroys them at its end.
class SuiteTest : public ::testing::Test {
protected:
    ~SuiteTest() override;
    // Writes parameterFile(changes) as `name` in the suite folder and opens it; null on failure.
    GeodesyHandle create(const Keys& changes, const std::string& name = "geo.ini");

    SuiteFolder suite;
    std::vector<GeodesyHandle> handles;
};
