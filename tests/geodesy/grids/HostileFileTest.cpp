// Every reader against damaged files: each small sample cut at every byte, and random bytes in
// every header field. Nothing may crash or read outside the data (the sanitizer build checks);
// only the readers' own error codes may come out, and a file that opens must answer lookups.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <random>
#include <set>
#include <sstream>

#include "tools/GridFileWriter.h"
#include "GridTestSupport.h"
#include "Ntv2TestGrids.h"
#include "TestSupport.h"
#include "geodesy/grids/BinFile.h"
#include "geodesy/grids/GtxFile.h"
#include "geodesy/grids/KTDFile.h"
#include "geodesy/grids/Ntv2Reader.h"
#include "geodesy/grids/Ntv2Shift.h"

namespace {

constexpr int kTrialsPerField = 48;

// Lookups over and around an extent, corners and limits included.
template <typename F>
void probe(double south, double north, double west, double east, F lookup) {
    const double fractions[] = {-0.5, 0.0, 0.001, 0.3, 0.5, 0.999, 1.0, 1.5};
    for (double fy : fractions)
        for (double fx : fractions) lookup(south + (north - south) * fy, west + (east - west) * fx);
    lookup(north, east);
    lookup(south, west);
}

void probeGrid(InterpFile& grid) {
    probe(grid.south, grid.north, grid.west, grid.east, [&](double lat, double lon) {
        double v[3];
        int count = -1;
        int code = grid.Lookup(lat, lon, &count, v).release();
        EXPECT_TRUE(code == 0 || code == 4) << code;
    });
}

// ---- NTv2 ----

const std::set<int> kNtv2Errors = {0, 2, 301, 302, 303, 304, 305, 307, 308, 309, 310};

void openAndProbeNtv2(const std::string& path, const std::string& what) {
    for (bool load : {false, true}) {
        int error = -1;
        ntv2_handle* h = ntv2_open(path.c_str(), true, load, nullptr, &error);
        ASSERT_NE(h, nullptr) << what;
        EXPECT_TRUE(kNtv2Errors.count(error)) << what << " error " << error;
        if (error != 0) {
            EXPECT_EQ(h->firstTopLevel, nullptr) << what;
        } else {
            probe(h->south, h->north, h->west, h->east, [&](double lat, double lon) {
                double p[2] = {lon, lat};
                ntv2_forward(h, 1.0, 1, p);
                ntv2_inverse(h, 1.0, 1, p);
            });
        }
        ntv2_close(h);
    }
}

std::string ntv2Sample(bool bigEndian, bool padded) {
    gridwriter::Ntv2Layout layout;
    layout.bigEndian = bigEndian;
    layout.padded = padded;
    return gridwriter::ntv2Bytes(layout, {parentGrid(), childGrid()});
}

TEST(HostileFiles, Ntv2CutAtEveryByte) {
    TempFolder folder;
    for (bool padded : {true, false}) {
        std::string bytes = ntv2Sample(!padded, padded);
        for (size_t n = 0; n < bytes.size(); ++n) {
            writeFile(folder.file("cut.gsb"), bytes.substr(0, n));
            openAndProbeNtv2(folder.file("cut.gsb"), "cut at " + std::to_string(n));
            if (HasFatalFailure()) return;
        }
    }
}

TEST(HostileFiles, Ntv2RandomHeaderFields) {
    TempFolder folder;
    std::mt19937 random(301);
    for (bool padded : {true, false}) {
        std::string bytes = ntv2Sample(false, padded);
        // Header records: the overview and both sub-file headers; integer records are 12 bytes
        // when unpadded.
        std::vector<std::pair<size_t, size_t>> fields;  // offset and length of each value
        size_t at = 0;
        auto integer = [&] {
            fields.push_back({at + 8, 4});
            at += padded ? 16 : 12;
        };
        auto value = [&] {
            fields.push_back({at + 8, 8});
            at += 16;
        };
        for (int i = 0; i < 3; ++i) integer();
        for (int i = 0; i < 8; ++i) value();
        for (const auto& g : {parentGrid(), childGrid()}) {
            for (int i = 0; i < 10; ++i) value();
            integer();
            at += size_t(g.rows() * g.columns()) * 16;
        }
        for (const auto& [offset, length] : fields)
            for (int trial = 0; trial < kTrialsPerField; ++trial) {
                std::string damaged = bytes;
                for (size_t k = 0; k < length; ++k) damaged[offset + k] = char(random() & 0xFF);
                writeFile(folder.file("field.gsb"), damaged);
                openAndProbeNtv2(folder.file("field.gsb"), "field at " + std::to_string(offset));
                if (HasFatalFailure()) return;
            }
    }
}

// ---- binary, GTX and KTD ----

template <typename Make>
void openAndProbe(Make make, const std::string& what) {
    try {
        auto grid = make();
        probeGrid(*grid);
    } catch (erc& e) {
        EXPECT_EQ(e.getCode(), 2) << what;
    }
}

// A binary sample cut at every byte (each cut must raise code 2), then random bytes in each
// header field (offset, length).
template <typename Make>
void cutAndDamage(const std::string& path, const std::string& bytes,
                  const std::vector<std::pair<size_t, size_t>>& fields, unsigned seed, Make make) {
    for (size_t n = 0; n < bytes.size(); ++n) {
        writeFile(path, bytes.substr(0, n));
        EXPECT_EQ(raisedCode(make), 2) << n;
    }
    std::mt19937 random(seed);
    for (const auto& [offset, length] : fields)
        for (int trial = 0; trial < kTrialsPerField; ++trial) {
            std::string damaged = bytes;
            for (size_t k = 0; k < length; ++k) damaged[offset + k] = char(random() & 0xFF);
            writeFile(path, damaged);
            openAndProbe(make, "field at " + std::to_string(offset));
        }
}

TEST(HostileFiles, BinaryGridCutAndRandomFields) {
    TempFolder folder;
    std::string path = folder.file("g.geo");
    gridwriter::BinGrid grid;
    grid.values = 2;
    grid.rows = 4;
    cutAndDamage(path, gridwriter::binGridBytes(grid),
                 {{30, 8}, {38, 8}, {64, 4}, {68, 4}, {72, 4}, {76, 4}, {80, 4}, {84, 4}, {88, 4}}, 143,
                 [&] { return std::make_unique<BinFile>(path.c_str(), false); });
}

TEST(HostileFiles, GtxCutAndRandomFields) {
    TempFolder folder;
    std::string path = folder.file("g.gtx");
    gridwriter::GtxGrid grid;
    grid.rows = 4;
    grid.columns = 5;
    cutAndDamage(path, gridwriter::gtxBytes(grid), {{0, 8}, {8, 8}, {16, 8}, {24, 8}, {32, 4}, {36, 4}}, 144,
                 [&] { return std::make_unique<GtxFile>(path.c_str()); });
}

TEST(HostileFiles, RowsCutAfterOpening) {
    // Rows are read as lookups first need them: rows the file lost after opening give code 1 (the
    // file cannot be read; not "outside"), never unread memory; rows already read keep their values.
    TempFolder folder;
    // Rows far beyond the stream's buffer, so the cut is seen.
    gridwriter::BinGrid bin;
    bin.rows = 40;
    bin.columns = 400;
    bin.lonSpacing = 0.1f;
    gridwriter::GtxGrid gtx;
    gtx.rows = 40;
    gtx.columns = 400;
    gtx.lonSpacing = 0.1;
    struct Case {
        const char* what;
        std::string path, bytes;
        size_t header;
        std::function<std::unique_ptr<InterpFile>(const std::string&)> make;
    } cases[] = {
        {"binary grid", folder.file("g.geo"), gridwriter::binGridBytes(bin), 96,
         [](const std::string& p) { return std::make_unique<BinFile>(p.c_str(), false); }},
        {"GTX", folder.file("g.gtx"), gridwriter::gtxBytes(gtx), 40,
         [](const std::string& p) { return std::make_unique<GtxFile>(p.c_str()); }},
    };
    constexpr double kDeg = 3.141592653589793 / 180;
    for (const Case& c : cases) {
        writeFile(c.path, c.bytes);
        auto grid = c.make(c.path);
        double first = NAN, again = NAN, v = NAN;
        ASSERT_EQ(grid->Lookup(0.5 * kDeg, 0.5 * kDeg, nullptr, &first).release(), 0) << c.what;
        rewriteInPlace(c.path, c.bytes.substr(0, c.header));
        EXPECT_EQ(grid->Lookup(30.5 * kDeg, 1.5 * kDeg, nullptr, &v).release(), 1) << c.what;
        ASSERT_EQ(grid->Lookup(0.5 * kDeg, 0.5 * kDeg, nullptr, &again).release(), 0) << c.what;
        EXPECT_EQ(again, first) << c.what;
    }
}

TEST(HostileFiles, KtdCutAndRandomFields) {
    TempFolder folder;
    std::string path = folder.file("t.ktd");
    const std::vector<std::string> tokens = {"3", "4", "-3.5", "0", "7", "100", "1", "2", "3", "4",
                                             "5", "6", "7", "8", "9", "10", "11", "12.25"};
    std::string text;
    for (const std::string& t : tokens) text += t + " ";
    auto make = [&] { return std::make_unique<KTDFile>(path.c_str()); };
    for (size_t n = 0; n < text.size(); ++n) {
        writeFile(path, text.substr(0, n));
        openAndProbe(make, "cut at " + std::to_string(n));
    }
    const std::vector<std::string> hostile = {"0", "-1", "1", "2147483647", "-2147483648", "99999999999",
                                              "nan", "inf", "-inf", "1e308", "-1e308", "1e-320", "x",
                                              "", "0x10", "2.5", "+", "-"};
    for (size_t field = 0; field < tokens.size(); ++field)
        for (const std::string& value : hostile) {
            std::string damaged;
            for (size_t k = 0; k < tokens.size(); ++k) damaged += (k == field ? value : tokens[k]) + " ";
            writeFile(path, damaged);
            openAndProbe(make, "field " + std::to_string(field) + " = " + value);
        }
}

// A node that is not a number, or a value no grid could mean (an NTv2 shift of more than a few
// degrees; a height, separation or binary shift beyond 10 km), is no value: the points whose cell
// touches it get code 4, the rest of the grid serves as before; a KTD table read whole is refused.
TEST(HostileFiles, NodesNoGridCouldMeanAreNoValue) {
    TempFolder folder;
    constexpr double kDeg = 3.141592653589793 / 180;
    const float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();
    for (float bad : {kNaN, kInf, 3e38f, 1e5f}) {
        SCOPED_TRACE(bad);
        // NTv2 in seconds (1e5" is 28 degrees): node (row 2, column 2) is 0.5 E, 0.5 N.
        gridwriter::Ntv2SubGrid parent = parentGrid();
        for (int r = 0; r < parent.rows(); ++r)
            for (int c = 0; c < parent.columns(); ++c) parent.nodes.push_back(gridwriter::nodeValue(r, c));
        for (int component : {0, 1}) {
            gridwriter::Ntv2SubGrid g = parent;
            g.nodes[2 * 5 + 2][size_t(component)] = bad;
            writeFile(folder.file("n.gsb"), gridwriter::ntv2Bytes({}, {g}));
            for (bool load : {false, true}) {
                int error = -1;
                ntv2_handle* h = ntv2_open(folder.file("n.gsb").c_str(), false, load, nullptr, &error);
                ASSERT_EQ(error, 0);
                double near[2] = {0.55, 0.55}, far[2] = {0.1, 0.1}, dLat = NAN, dLon = NAN;
                EXPECT_EQ(ntv2_point_shift(h, near, &dLat, &dLon), 0) << component << load;
                EXPECT_EQ(ntv2_forward(h, 1.0, 1, near), 0);
                EXPECT_EQ(ntv2_point_shift(h, far, &dLat, &dLon), 1);
                ntv2_close(h);
            }
        }
        // Binary grid of two values per node over 0..23 E, 0..2 N: node (1, 5) is 1 N, 5 E.
        gridwriter::BinGrid bin;
        bin.values = 2;
        for (int r = 0; r < bin.rows; ++r)
            for (int c = 0; c < bin.columns; ++c)
                for (int k = 0; k < bin.values; ++k) bin.nodes.push_back(gridwriter::binValue(r, c, k));
        bin.nodes[(1 * 24 + 5) * 2 + 1] = bad;
        writeFile(folder.file("b.lls"), gridwriter::binGridBytes(bin));
        // GTX over 0..3 N, 0..3 E: node (1, 1).
        gridwriter::GtxGrid gtx;
        gtx.rows = gtx.columns = 4;
        for (int r = 0; r < gtx.rows; ++r)
            for (int c = 0; c < gtx.columns; ++c) gtx.nodes.push_back(gridwriter::gtxValue(r, c));
        gtx.nodes[1 * 4 + 1] = bad;
        writeFile(folder.file("g.gtx"), gridwriter::gtxBytes(gtx));
        BinFile binFile(folder.file("b.lls").c_str(), false);
        GtxFile gtxFile(folder.file("g.gtx").c_str());
        struct Probe {
            InterpFile* grid;
            double nearLat, nearLon, farLat, farLon;
        };
        for (const Probe& p : {Probe{&binFile, 0.5, 4.5, 1.5, 20.5}, Probe{&gtxFile, 0.5, 0.5, 2.5, 2.5}}) {
            double v[3] = {-1, -1, -1};
            int count = -1;
            EXPECT_EQ(p.grid->Lookup(p.nearLat * kDeg, p.nearLon * kDeg, &count, v).release(), 4);
            EXPECT_EQ(count, 0);
            EXPECT_EQ(v[0], -1.0) << "nothing written";
            EXPECT_EQ(p.grid->Lookup(p.farLat * kDeg, p.farLon * kDeg, &count, v).release(), 0);
        }
        // KTD: the table is read whole, so it is refused at once.
        std::ostringstream value;
        value << bad;
        writeFile(folder.file("t.ktd"), "2 2 0 0 100 100 1 2 3 " + value.str());
        EXPECT_EQ(raisedCode([&] { KTDFile ktd(folder.file("t.ktd").c_str()); }), 2);
    }
}

}  // namespace
