// The VDatum to XYZ export on a suite folder of the test's own: a geoid model, a VDatum area
// with its tidal surface and a chart-datum surface, a parameter file in mode 3.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "editor/TVDatum2XYZDlg.h"
#include "tests/TestSupport.h"
#include "tests/editor/DialogTestSupport.h"
#include "tests/editor/EditorTestSupport.h"
#include "tools/GridFileWriter.h"

namespace {

constexpr float kNoData = -88.8888f;

// The surface grid: rows from 52.0 N by 0.25 degrees, columns from 3.0 E by 0.5 degrees. Nodes
// without data in the last row and column keep every exported node off the grid's limits.
gridwriter::GtxGrid surfaceGrid() {
    gridwriter::GtxGrid g;
    g.south = 52.0;
    g.west = 3.0;
    g.latSpacing = 0.25;
    g.lonSpacing = 0.5;
    g.rows = 3;
    g.columns = 4;
    g.nodes = {0.25f, kNoData, 0.5f, kNoData,    // 52.00 N
               0.75f, 1.0f, 1.25f, kNoData,      // 52.25 N
               kNoData, kNoData, kNoData, kNoData};
    return g;
}

struct Node {
    double x, y, z;
};

// x and y: made once with PROJ 9.1.1,
//   printf "3.0 52.0\n4.0 52.0\n3.0 52.25\n3.5 52.25\n4.0 52.25\n" | cs2cs -f "%.4f" +proj=longlat
//   +ellps=WGS84 +to +proj=tmerc +lat_0=0 +lon_0=3 +k=0.9996 +x_0=500000 +y_0=0 +ellps=WGS84
// z: minus the separation and the undulation, -((tss - surface - N) + N) = surface - tss, with
// tss 1.5 m everywhere.
const Node kExpected[] = {
    {500000.0000, 5761038.2126, -1.25},  // 52.00 N 3.0 E
    {568649.7049, 5761510.3166, -1.00},  // 52.00 N 4.0 E
    {500000.0000, 5788844.5173, -0.75},  // 52.25 N 3.0 E
    {534133.6237, 5788962.2808, -0.50},  // 52.25 N 3.5 E
    {568266.5988, 5789315.5825, -0.25},  // 52.25 N 4.0 E
};
// Printed to the centimetre; the projections agree far below that.
constexpr double kPrintTolerance = 0.0051;

std::vector<Node> readXyz(const std::string& path, std::vector<std::string>* lines = nullptr) {
    std::vector<Node> nodes;
    std::istringstream in(readFile(path));
    in.imbue(std::locale::classic());
    std::string line;
    while (std::getline(in, line)) {
        if (lines) lines->push_back(line);
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        Node n{};
        fields >> n.x >> n.y >> n.z;
        nodes.push_back(n);
    }
    return nodes;
}

class VDatumExport : public testing::Test {
protected:
    VDatumExport() {
        const std::string& root = suiteFolder();
        makeFolders(root + "/datum/vdatum/Harbour");
        // Geoid 30 m over 51..53 N, 0..23 E.
        gridwriter::BinGrid geoid;
        geoid.south = 51;
        geoid.nodes.assign(size_t(geoid.rows * geoid.columns), 30.0f);
        writeFile(root + "/datum/geoid.geo", gridwriter::binGridBytes(geoid));
        gridwriter::GtxGrid tss;
        tss.south = 51.5;
        tss.west = 2.0;
        tss.latSpacing = tss.lonSpacing = 0.25;
        tss.rows = tss.columns = 12;
        tss.nodes.assign(size_t(tss.rows * tss.columns), 1.5f);
        writeFile(root + "/datum/vdatum/Harbour/tss.gtx", gridwriter::gtxBytes(tss));
        writeFile(root + "/datum/vdatum/Harbour/mllw.gtx", gridwriter::gtxBytes(surfaceGrid()));
        writeFile(root + "/export.ini",
                  "[Geodesy]\r\nVer=2001\r\nProjection=TME\r\nSemiMajorAxis=6378137\r\n"
                  "Flattening=298.257223563\r\nScaleFactor=0.9996\r\nCentralMeridian=3\r\n"
                  "FalseEasting=500000\r\nUnit=1\r\nRTKMode=3\r\nGeoid=geoid.geo\r\n"
                  "VDatum=Harbour\r\nVSurface=mllw\r\n");
        handle = CreateFileGeodesy((root + "/export.ini").c_str(), nullptr);
        EXPECT_NE(handle, nullptr) << "code " << GetGeodesyError();
        output = work.file("out.xyz");
    }
    ~VDatumExport() override {
        unsetenv("BAYRUN_FILE_DIALOG_ANSWERS");
        if (handle) DestroyGeodesy(handle);
    }
    std::unique_ptr<TVDatum2XYZDlg> open(GeodesyHandle h) { return std::make_unique<TVDatum2XYZDlg>(nullptr, h); }
    // Export with the file dialog answering `path` (empty: cancelled).
    void exportTo(TVDatum2XYZDlg& dialog, const std::string& path) {
        setenv("BAYRUN_FILE_DIALOG_ANSWERS", path.c_str(), 1);
        dialog.findChild<QPushButton*>("btnExport")->click();
    }
    void clipTo(TVDatum2XYZDlg& dialog, const std::string& borderPath) {
        dialog.findChild<QCheckBox*>("ckClipToBorder")->click();
        setenv("BAYRUN_FILE_DIALOG_ANSWERS", borderPath.c_str(), 1);
        dialog.findChild<QPushButton*>("btnBrowse")->click();
    }

    GeodesyHandle handle = nullptr;
    TempFolder work;
    std::string output;
    std::unique_ptr<MessageBoxWatcher> watcher = std::make_unique<MessageBoxWatcher>();
};

TEST_F(VDatumExport, WritesEveryNodeWithDataAndNothingElse) {
    auto dialog = open(handle);
    EXPECT_EQ(dialog->InputPath(), suiteFolder() + "/datum/vdatum/Harbour/mllw.gtx");
    exportTo(*dialog, output);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(watcher->seen().empty());
    std::vector<std::string> lines;
    const std::vector<Node> nodes = readXyz(output, &lines);
    ASSERT_EQ(nodes.size(), std::size(kExpected));
    for (size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        EXPECT_NEAR(nodes[i].x, kExpected[i].x, kPrintTolerance);
        EXPECT_NEAR(nodes[i].y, kExpected[i].y, kPrintTolerance);
        EXPECT_EQ(nodes[i].z, kExpected[i].z);
    }
    // "%.2lf %.2lf %.2lf\n": two decimals, one blank, a line end after the last node too.
    EXPECT_EQ(lines[0], "500000.00 5761038.21 -1.25");
    EXPECT_EQ(readFile(output).back(), '\n');
}

TEST_F(VDatumExport, SurfaceNamesFromDataMatchWithoutRegardToCase) {
    makeFolders(suiteFolder() + "/datum/vdatum/Bay");
    writeFile(suiteFolder() + "/datum/vdatum/Bay/MLLW.gtx", "");
    EXPECT_EQ(TVDatum2XYZDlg::SurfacePath(suiteFolder(), "bay", "mllw"), suiteFolder() + "/datum/vdatum/Bay/MLLW.gtx");
    EXPECT_EQ(TVDatum2XYZDlg::SurfacePath(suiteFolder(), "Bay", "none"), suiteFolder() + "/datum/vdatum/Bay/none.gtx");
}

TEST_F(VDatumExport, BorderCountsTheNodesLeftOut) {
    // Around the three western nodes only.
    const std::string border = work.file("west.brd");
    writeFile(border, "490000 5750000\n540000 5750000\n540000 5800000\n490000 5800000\n");
    auto dialog = open(handle);
    clipTo(*dialog, border);
    EXPECT_EQ(dialog->findChild<QLineEdit*>("edBorderName")->text().toStdString(), border);
    exportTo(*dialog, output);
    EXPECT_EQ(readXyz(output).size(), 3u);
    ASSERT_EQ(watcher->seen().size(), 1u);
    EXPECT_EQ(watcher->seen()[0].text, "Finished. 2 points not saved");
    EXPECT_EQ(watcher->seen()[0].caption, "Export VDatum to XYZ");
    EXPECT_EQ(watcher->seen()[0].icon, QMessageBox::Information);

    // A border that holds no node: every node with data is counted.
    watcher = std::make_unique<MessageBoxWatcher>();
    writeFile(border, "0 0\n10 0\n10 10\n0 10\n");
    auto again = open(handle);
    clipTo(*again, border);
    exportTo(*again, output);
    EXPECT_TRUE(readXyz(output).empty());
    ASSERT_EQ(watcher->seen().size(), 1u);
    EXPECT_EQ(watcher->seen()[0].text, "Finished. 5 points not saved");
}

TEST_F(VDatumExport, MissingBorderFileExportsEverything) {
    auto dialog = open(handle);
    clipTo(*dialog, work.file("nowhere.brd"));
    exportTo(*dialog, output);
    EXPECT_EQ(readXyz(output).size(), std::size(kExpected));
    EXPECT_TRUE(watcher->seen().empty());
}

TEST_F(VDatumExport, ClipBoxEnablesTheBorderControls) {
    auto dialog = open(handle);
    auto* box = dialog->findChild<QCheckBox*>("ckClipToBorder");
    auto* name = dialog->findChild<QLineEdit*>("edBorderName");
    auto* browse = dialog->findChild<QPushButton*>("btnBrowse");
    EXPECT_FALSE(name->isEnabled());
    EXPECT_FALSE(browse->isEnabled());
    box->click();
    EXPECT_TRUE(name->isEnabled());
    EXPECT_TRUE(browse->isEnabled());
    box->click();
    EXPECT_FALSE(name->isEnabled());
}

TEST_F(VDatumExport, CancelledSaveDialogClosesWithoutWriting) {
    auto dialog = open(handle);
    exportTo(*dialog, "");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(fileExists(output));
}

TEST_F(VDatumExport, HeadersAndFilesThatCannotBeRead) {
    gridwriter::GtxGrid g = surfaceGrid();
    const struct {
        const char* name;
        std::string bytes;
        const char* message;  // null: the export succeeds
        size_t lines;
    } cases[] = {
        {"header only", gridwriter::gtxHeader(g), nullptr, 0},
        {"latitude 90", [] {
             gridwriter::GtxGrid h;
             h.south = 90.0;
             return gridwriter::gtxHeader(h);
         }(), nullptr, 0},
        {"latitude 90.5", [] {
             gridwriter::GtxGrid h;
             h.south = 90.5;
             return gridwriter::gtxHeader(h);
         }(), "Invalid input file header", 0},
        {"longitude 600", [] {
             gridwriter::GtxGrid h;
             h.west = 600.0;
             return gridwriter::gtxHeader(h);
         }(), "Invalid input file header", 0},
        {"no columns", [] {
             gridwriter::GtxGrid h;
             h.columns = 0;
             return gridwriter::gtxHeader(h);
         }(), "Invalid input file header", 0},
        {"short header", gridwriter::gtxHeader(g).substr(0, 39), "Failed to read input file header", 0},
        // A last node cut short is not read.
        {"cut node", gridwriter::gtxBytes(g).substr(0, 40 + 4 * 2 + 3), nullptr, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        watcher = std::make_unique<MessageBoxWatcher>();
        const std::string input = work.file("input.gtx");
        writeFile(input, c.bytes);
        auto dialog = open(handle);
        dialog->SetInputPath(input);
        exportTo(*dialog, output);
        if (c.message) {
            ASSERT_EQ(watcher->seen().size(), 1u);
            EXPECT_EQ(watcher->seen()[0].text, c.message);
            EXPECT_EQ(watcher->seen()[0].caption, "VDatum2XYZ");
            EXPECT_EQ(watcher->seen()[0].icon, QMessageBox::Critical);
        } else {
            EXPECT_TRUE(watcher->seen().empty());
            EXPECT_EQ(readXyz(output).size(), c.lines);
        }
    }
}

TEST_F(VDatumExport, FirstLongitudeAboveHalfATurnCountsWestward) {
    // 280 E is 80 W: the two nodes at 25 N project in the zone of 81 W. Made once with PROJ 9.1.1:
    //   printf -- "-80.0 25.0\n-79.5 25.0\n" | cs2cs -f "%.4f" +proj=longlat +ellps=WGS84 +to
    //   +proj=tmerc +lat_0=0 +lon_0=-81 +k=0.9996 +x_0=500000 +y_0=0 +ellps=WGS84
    const std::string root = suiteFolder();
    makeFolders(root + "/datum/vdatum/Keys");
    gridwriter::BinGrid geoid;
    geoid.south = 24;
    geoid.west = -82;
    geoid.nodes.assign(size_t(geoid.rows * geoid.columns), -25.0f);
    writeFile(root + "/datum/keys.geo", gridwriter::binGridBytes(geoid));
    gridwriter::GtxGrid tss;
    tss.south = 24.0;
    tss.west = 278.0;
    tss.rows = tss.columns = 4;
    tss.nodes.assign(16, 0.5f);
    writeFile(root + "/datum/vdatum/Keys/tss.gtx", gridwriter::gtxBytes(tss));
    gridwriter::GtxGrid surface;
    surface.south = 25.0;
    surface.west = 280.0;
    surface.latSpacing = surface.lonSpacing = 0.5;
    surface.rows = 2;
    surface.columns = 3;
    surface.nodes = {0.25f, 0.75f, kNoData, kNoData, kNoData, kNoData};
    writeFile(root + "/datum/vdatum/Keys/mlw.gtx", gridwriter::gtxBytes(surface));
    writeFile(root + "/keys.ini",
              "[Geodesy]\r\nVer=2001\r\nProjection=TME\r\nSemiMajorAxis=6378137\r\n"
              "Flattening=298.257223563\r\nScaleFactor=0.9996\r\nCentralMeridian=-81\r\n"
              "FalseEasting=500000\r\nUnit=1\r\nRTKMode=3\r\nGeoid=keys.geo\r\n"
              "VDatum=Keys\r\nVSurface=mlw\r\n");
    GeodesyHandle keys = CreateFileGeodesy((root + "/keys.ini").c_str(), nullptr);
    ASSERT_NE(keys, nullptr) << "code " << GetGeodesyError();
    auto dialog = open(keys);
    exportTo(*dialog, output);
    DestroyGeodesy(keys);
    const std::vector<Node> nodes = readXyz(output);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_NEAR(nodes[0].x, 600913.0267, kPrintTolerance);
    EXPECT_NEAR(nodes[0].y, 2765319.9440, kPrintTolerance);
    EXPECT_EQ(nodes[0].z, -0.25);
    EXPECT_NEAR(nodes[1].x, 651375.7586, kPrintTolerance);
    EXPECT_NEAR(nodes[1].y, 2765785.2952, kPrintTolerance);
    EXPECT_EQ(nodes[1].z, 0.25);
}

TEST_F(VDatumExport, FailuresToOpenAreReported) {
    // A coordinate system that failed to build gives no area: the input names no file.
    auto none = open(nullptr);
    exportTo(*none, output);
    ASSERT_EQ(watcher->seen().size(), 1u);
    EXPECT_EQ(watcher->seen()[0].text, "Failed to open input file");
    EXPECT_EQ(watcher->seen()[0].caption, "VDatum2XYZ");

    watcher = std::make_unique<MessageBoxWatcher>();
    auto dialog = open(handle);
    exportTo(*dialog, work.file("no such folder/out.xyz"));
    ASSERT_EQ(watcher->seen().size(), 1u);
    EXPECT_EQ(watcher->seen()[0].text, "Failed to open output file");
}

TEST_F(VDatumExport, NeverWritesOverItsInputs) {
    const std::string input = work.file("input.gtx");
    const std::string border = work.file("west.brd");
    const std::string grid = gridwriter::gtxBytes(surfaceGrid());
    const std::string polygon = "490000 5750000\n540000 5750000\n540000 5800000\n490000 5800000\n";
    std::filesystem::create_symlink(input, work.file("link.xyz"));
    const struct {
        const char* name;
        std::string target;
    } cases[] = {
        {"the input", input},
        {"the input spelt otherwise", work.file("./input.gtx")},
        {"a link to the input", work.file("link.xyz")},
        {"the border", border},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(input, grid);
        writeFile(border, polygon);
        watcher = std::make_unique<MessageBoxWatcher>();
        auto dialog = open(handle);
        dialog->SetInputPath(input);
        clipTo(*dialog, border);
        exportTo(*dialog, c.target);
        ASSERT_EQ(watcher->seen().size(), 1u);
        EXPECT_EQ(watcher->seen()[0].text, "Failed to open output file");
        EXPECT_EQ(readFile(input), grid);
        EXPECT_EQ(readFile(border), polygon);
    }
    // An export replaces its output whole and leaves nothing else beside it.
    writeFile(output, "old text that is longer than the export of the western nodes\n");
    auto dialog = open(handle);
    dialog->SetInputPath(input);
    clipTo(*dialog, border);
    exportTo(*dialog, output);
    EXPECT_EQ(readXyz(output).size(), 3u);
    // Through a link, the file it names takes the export and the link stays.
    writeFile(output, "old\n");
    std::filesystem::create_symlink("out.xyz", work.file("out-link.xyz"));
    dialog = open(handle);
    dialog->SetInputPath(input);
    exportTo(*dialog, work.file("out-link.xyz"));
    EXPECT_EQ(readXyz(output).size(), 5u);
    EXPECT_TRUE(std::filesystem::is_symlink(work.file("out-link.xyz")));
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(work.file(""))) ++entries;
    EXPECT_EQ(entries, 5u);  // input, border, two links, output
}

TEST_F(VDatumExport, OutputThatIsNoRegularFileIsRefusedBeforeOpening) {
    // A pipe would block the editor until a reader came; the test's reader only keeps a
    // blocking open from freezing the test. Nothing may reach either.
    const std::string pipe = work.file("pipe.xyz");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    for (const std::string& target : {pipe, std::string("/dev/null")}) {
        SCOPED_TRACE(target);
        watcher = std::make_unique<MessageBoxWatcher>();
        auto dialog = open(handle);
        exportTo(*dialog, target);
        ASSERT_EQ(watcher->seen().size(), 1u);
        EXPECT_EQ(watcher->seen()[0].text, "Failed to open output file");
    }
    char byte;
    EXPECT_LE(read(reader, &byte, 1), 0);
    close(reader);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

TEST_F(VDatumExport, FullDiskIsNotAFinishedExport) {
    // A file size limit below the export's size stands for a full disk.
    auto dialog = open(handle);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const rlimit small{64, old.rlim_max};
    auto* const previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    exportTo(*dialog, output);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    ASSERT_EQ(watcher->seen().size(), 1u);
    EXPECT_EQ(watcher->seen()[0].text, "Failed to write output file");
    EXPECT_TRUE(std::filesystem::is_empty(work.path()));
}

}  // namespace
