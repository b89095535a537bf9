#include <gtest/gtest.h>

#include <array>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "tools/GridFileWriter.h"
#include "GridTestSupport.h"
#include "Ntv2TestGrids.h"
#include "TestSupport.h"
#include "geodesy/grids/Ntv2Reader.h"

namespace {

using gridwriter::Ntv2Layout;
using gridwriter::Ntv2SubGrid;
using gridwriter::ntv2Bytes;

#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Opens bytes written to a temporary file; the handle is closed at the end of the scope.
struct Opened {
    TempFolder folder;
    ntv2_handle* h = nullptr;
    int error = -1;
    Opened(const std::string& bytes, bool load = false, const double* extent = nullptr) {
        writeFile(folder.file("t.gsb"), bytes);
        h = ntv2_open(folder.file("t.gsb").c_str(), true, load, extent, &error);
    }
    ~Opened() { ntv2_close(h); }
};

TEST(Ntv2Reader, RealFilesOpen) {
    struct Case {
        const char* file;
        const char* subName;
    } cases[] = {
        {"BETA2007.gsb", "DHDN90  "},
        {"ntf_r93.gsb", "FRANCE  "},
        {"nzgd2kgrid0005.gsb", "NZNAT   "},
        {"CHENYX06.gsb", "CHENyx06"},
    };
    int found = 0;
    for (const Case& c : cases) {
        std::string path = projGrid(c.file);
        if (path.empty()) continue;
        ++found;
        for (bool load : {false, true}) {
            int error = -1;
            ntv2_handle* h = ntv2_open(path.c_str(), false, load, nullptr, &error);
            ASSERT_NE(h, nullptr) << c.file;
            EXPECT_EQ(error, 0) << c.file;
            EXPECT_EQ(h->subFileCount, 1);
            EXPECT_EQ(h->topLevelCount, 1);
            EXPECT_TRUE(h->padded);
            EXPECT_FALSE(h->swapped);
            EXPECT_STREQ(h->gsType, "SECONDS ");
            EXPECT_STREQ(h->subFiles[0].name, c.subName);
            EXPECT_EQ(h->status & ~kNtv2EndValueNotZero, 0) << c.file;
            EXPECT_EQ(h->file != nullptr, !load);
            ntv2_close(h);
        }
    }
    if (found == 0) GTEST_SKIP() << "the NTv2 grids of Debian's proj-data are missing";
}

TEST(Ntv2Reader, HeaderAndTree) {
    Opened o(ntv2Bytes({}, {parentGrid(), childGrid()}));
    ASSERT_EQ(o.error, 0);
    const ntv2_handle* h = o.h;
    EXPECT_TRUE(h->padded);
    EXPECT_EQ(h->status, 0);
    EXPECT_EQ(h->toSeconds, 1.0);
    ASSERT_EQ(h->subFiles.size(), 2u);
    const ntv2_subfile& p = h->subFiles[0];
    const ntv2_subfile& c = h->subFiles[1];
    EXPECT_EQ(h->firstTopLevel, &p);
    EXPECT_EQ(p.firstChild, &c);
    EXPECT_EQ(c.parent, &p);
    EXPECT_EQ(p.childCount, 1);
    EXPECT_EQ(p.rows, 5);
    EXPECT_EQ(p.columns, 5);
    EXPECT_EQ(c.rows, 4);
    EXPECT_DOUBLE_EQ(c.west, 0.25);
    EXPECT_DOUBLE_EQ(c.east, 0.5);
    EXPECT_DOUBLE_EQ(h->east, 1.0);
    EXPECT_DOUBLE_EQ(h->west, 0.0);
    EXPECT_EQ(p.dataPosition, 11 * 16 + 11 * 16);
}

TEST(Ntv2Reader, RowsComeFromRounding) {
    Ntv2SubGrid g = parentGrid();
    g.latInc = 300;  // 0..3600" at 300": 13 rows
    Opened o(ntv2Bytes({}, {g}));
    ASSERT_EQ(o.error, 0);
    EXPECT_EQ(o.h->subFiles[0].rows, 13);
}

TEST(Ntv2Reader, LayoutsOpenAlike) {
    Opened reference(ntv2Bytes({}, {parentGrid(), childGrid()}), true);
    ASSERT_EQ(reference.error, 0);
    struct Case {
        bool bigEndian, padded;
    } cases[] = {{true, true}, {false, false}, {true, false}};
    for (const Case& c : cases) {
        Ntv2Layout layout;
        layout.bigEndian = c.bigEndian;
        layout.padded = c.padded;
        Opened o(ntv2Bytes(layout, {parentGrid(), childGrid()}), true);
        ASSERT_EQ(o.error, 0);
        EXPECT_EQ(o.h->swapped, c.bigEndian);
        EXPECT_EQ(o.h->padded, c.padded);
        EXPECT_EQ(o.h->keptOverview, reference.h->keptOverview);
        EXPECT_EQ(o.h->keptSubHeaders, reference.h->keptSubHeaders);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(o.h->subFiles[i].shifts, reference.h->subFiles[i].shifts);
            EXPECT_EQ(o.h->subFiles[i].accuracies, reference.h->subFiles[i].accuracies);
        }
    }
}

TEST(Ntv2Reader, ErrorsAndFlags) {
    auto with = [](auto change) {
        Ntv2Layout layout;
        std::vector<Ntv2SubGrid> grids = {parentGrid(), childGrid()};
        change(layout, grids);
        return ntv2Bytes(layout, grids);
    };
    struct Case {
        const char* what;
        std::string bytes;
        int error;
        int32_t status;
    } cases[] = {
        {"lower-case seconds", with([](Ntv2Layout& l, auto&) { l.gsType = "seconds "; }), 0, 2},
        {"digit in GS_TYPE", with([](Ntv2Layout& l, auto&) { l.gsType = "SEC0NDS "; }), 304, 4},
        {"byte above 0x7F in a name", with([](auto&, auto& g) { g[1].name = "CH\xC3ILD"; }), 0, 1},
        {"0x7F kept in a name", with([](auto&, auto& g) { g[1].name = "CH\x7FILD"; }), 0, 0},
        {"blank parent", with([](auto&, auto& g) { g[1].parent = ""; }), 0, 8},
        {"blank name", with([](auto&, auto& g) { g[1].name = ""; }), 0, 16},
        {"missing parent", with([](auto&, auto& g) { g[1].parent = "NOSUCH"; }), 308, 0},
        {"names itself", with([](auto&, auto& g) { g[1].parent = "child001"; }), 307, 0},
        {"two naming each other alone",
         with([](auto&, auto& g) {
             g[0].parent = "CHILD001";
         }),
         309, 0},
        {"two naming each other beside a top-level grid",
         with([](auto&, auto& g) {
             Ntv2SubGrid top = parentGrid();
             top.name = "TOP";
             g[0].parent = "CHILD001";
             g.push_back(top);
         }),
         310, 0},
        {"no end record", with([](Ntv2Layout& l, auto&) { l.endRecord = false; }), 0, 32},
        {"other end key", with([](Ntv2Layout& l, auto&) { l.endKey = "end"; }), 0, 64},
        {"NUM_OREC 12", with([](Ntv2Layout& l, auto&) { l.numOrec = 12; }), 301, 0},
        {"NUM_SREC 10", with([](Ntv2Layout& l, auto&) { l.numSrec = 10; }), 302, 0},
        {"NUM_FILE 0", with([](Ntv2Layout& l, auto&) { l.numFile = 0; }), 303, 0},
        {"NUM_FILE above the grids", with([](Ntv2Layout& l, auto&) { l.numFile = 3; }), 2, 0},
        {"GS_COUNT 0", with([](auto&, auto& g) { g[1].gsCount = 0; }), 305, 0},
        {"GS_COUNT not rows x columns", with([](auto&, auto& g) { g[1].gsCount = 15; }), 305, 0},
        {"zero spacing", with([](auto&, auto& g) { g[0].latInc = 0; }), 305, 0},
        {"negative spacing", with([](auto&, auto& g) { g[0].lonInc = -900; }), 305, 0},
        {"north below south",
         with([](auto&, auto& g) {
             g[0].nLat = -900;
             g[0].gsCount = 5;
         }),
         305, 0},
        {"east below west",
         with([](auto&, auto& g) {
             g[0].eLong = 900;
             g[0].gsCount = 5;
         }),
         305, 0},
        {"one row, north on south", with([](auto&, auto& g) { g[0].nLat = 0; }), 0, 0},
        {"one column, east on west", with([](auto&, auto& g) { g[0].eLong = 0; }), 0, 0},
        {"one row short of a cell",
         with([](auto&, auto& g) {
             g[0].nLat = 400;
             g[0].gsCount = 5;
         }),
         305, 0},
    };
    for (const Case& c : cases) {
        Opened o(c.bytes);
        ASSERT_NE(o.h, nullptr) << c.what;
        EXPECT_EQ(o.error, c.error) << c.what;
        EXPECT_EQ(o.h->status & ~kNtv2EndValueNotZero, c.status) << c.what;
        if (c.error) {
            EXPECT_EQ(o.h->firstTopLevel, nullptr) << c.what;
            EXPECT_EQ(o.h->file, nullptr) << c.what;
        }
    }
}

TEST(Ntv2Reader, BlankParentBecomesNoneInTheKeptHeader) {
    Ntv2SubGrid child = childGrid();
    child.parent = "";
    Ntv2SubGrid top = parentGrid();
    Opened o(ntv2Bytes({}, {top, child}));
    ASSERT_EQ(o.error, 0);
    EXPECT_EQ(o.h->topLevelCount, 2);
    EXPECT_EQ(std::memcmp(&o.h->keptSubHeaders[176 + 16 + 8], "NONE    ", 8), 0);
}

TEST(Ntv2Reader, TruncatedFileIsRefused) {
    std::string bytes = ntv2Bytes({}, {parentGrid(), childGrid()});
    // Cut inside the child's nodes: every sub-file's nodes must be in the file.
    Opened o(bytes.substr(0, bytes.size() - 16 - 20));
    EXPECT_EQ(o.error, 2);
    // Cut exactly after the last node: only the end record is missing.
    Opened p(bytes.substr(0, bytes.size() - 16));
    EXPECT_EQ(p.error, 0);
    EXPECT_EQ(p.h->status, 32);
}

TEST(Ntv2Reader, Clipping) {
    std::string bytes = ntv2Bytes({}, {parentGrid(), childGrid()});
    for (const auto& empty : {std::array{0.3, 0.0, 0.3, 1.0}, std::array{0.0, 0.3, 1.0, 0.3}}) {
        // An extent of zero width or zero height clips nothing.
        Opened unchanged(bytes, true, empty.data());
        ASSERT_EQ(unchanged.error, 0);
        for (const ntv2_subfile& s : unchanged.h->subFiles) {
            EXPECT_EQ(s.rows * s.columns, s.nodeCount);
            EXPECT_EQ(s.skipSouth + s.skipNorth + s.skipWest + s.skipEast, 0);
        }
        EXPECT_EQ(unchanged.h->subFiles[0].columns, 5);
        EXPECT_EQ(unchanged.h->subFiles[0].rows, 5);
    }

    const double beside[4] = {2.0, 0.0, 3.0, 1.0};
    Opened away(bytes, false, beside);
    EXPECT_EQ(away.error, 313);

    // West half of the parent: the child (0.25..0.5) stays, the parent loses two columns.
    const double westHalf[4] = {-1.0, -1.0, 0.5, 2.0};
    Opened loaded(bytes, true, westHalf);
    ASSERT_EQ(loaded.error, 0);
    const ntv2_subfile& p = loaded.h->subFiles[0];
    EXPECT_EQ(p.columns, 3);
    EXPECT_DOUBLE_EQ(p.east, 0.5);
    EXPECT_EQ(p.nodeCount, 15);
    // Node (row 0, column 0) is now the file's column 2 (columns run from the east).
    EXPECT_EQ(p.shifts[1], gridwriter::nodeValue(0, 2)[0]);
    EXPECT_EQ(p.shifts[0], gridwriter::nodeValue(0, 2)[1]);
}

TEST(Ntv2Reader, ManySubGridsOpenQuickly) {
    // 150,000 sub-grids of 2 x 2 nodes over the same degree, each the child of the one before.
    constexpr int kGrids = 150000;
    const std::string one = ntv2Bytes({}, {parentGrid()});
    Ntv2SubGrid cell = parentGrid();
    cell.latInc = cell.lonInc = 3600;
    const std::string sub = ntv2Bytes({}, {cell}).substr(kNtv2KeptHeaderSize, kNtv2KeptHeaderSize + 4 * 16);
    std::string bytes = one.substr(0, kNtv2KeptHeaderSize);
    bytes.reserve(bytes.size() + size_t(kGrids) * sub.size() + 16);
    const int32_t count = kGrids;
    std::memcpy(&bytes[2 * 16 + 8], &count, 4);
    char name[9], parent[9];
    for (int i = 0; i < kGrids; ++i) {
        std::snprintf(name, sizeof name, "G%07d", i);
        std::snprintf(parent, sizeof parent, i ? "G%07d" : "NONE    ", i - 1);
        size_t at = bytes.size();
        bytes += sub;
        std::memcpy(&bytes[at + 8], name, 8);
        std::memcpy(&bytes[at + 16 + 8], parent, 8);
    }
    bytes += one.substr(one.size() - 16);

    TempFolder folder;
    const std::string path = folder.file("many.gsb");
    writeFile(path, bytes);
    auto openWith = [&](const double* extent) {
        int error = -1;
        ntv2_close(ntv2_open(path.c_str(), false, false, extent, &error));
        return error;
    };
    auto rename = [&](size_t subFile, const char* parentName) {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(std::streamoff(kNtv2KeptHeaderSize + subFile * sub.size() + 16 + 8));
        f.write(parentName, 8);
    };

    int error = -1;
    // Processor time, not wall time: a loaded machine must not fail a test of the algorithm.
    const std::clock_t start = std::clock();
    ntv2_handle* h = ntv2_open(path.c_str(), false, false, nullptr, &error);
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    ASSERT_EQ(error, 0);
    EXPECT_EQ(h->topLevelCount, 1);
    EXPECT_EQ(h->subFiles.back().parent, &h->subFiles[kGrids - 2]);
    EXPECT_EQ(h->subFiles[kGrids - 2].firstChild, &h->subFiles.back());
    ntv2_close(h);
    // Well below a second natively; the sanitizers slow the reading several times over.
    EXPECT_LT(seconds, kSanitized ? 10.0 : 1.0) << seconds;

    // Clipping the top grid away drops the whole chain, without a stack frame per level.
    const double beside[4] = {5.0, 5.0, 6.0, 6.0};
    EXPECT_EQ(openWith(beside), 313);
    // A cycle through all but the first seven, beside a top-level grid.
    rename(7, "G0149999");
    EXPECT_EQ(openWith(nullptr), 310);
}

TEST(Ntv2Reader, FileType) {
    struct Case {
        const char* path;
        int type;
    } cases[] = {{"a/b.gsb", 1}, {"B.GSB", 1}, {"x.Gsa", 2}, {"x.gtx", 0}, {"gsb", 0},
                 {"", 0},        {nullptr, 0}, {"a.gsb.bak", 0}, {"C:\\grids\\ntf.GsB", 1}};
    for (const Case& c : cases) EXPECT_EQ(ntv2_file_type(c.path), c.type) << (c.path ? c.path : "null");
}

TEST(Ntv2Reader, UnopenablePathGivesNoHandle) {
    TempFolder folder;
    int error = 12345;
    EXPECT_EQ(ntv2_open(folder.file("none.gsb").c_str(), false, false, nullptr, &error), nullptr);
    EXPECT_EQ(ntv2_open(folder.path().c_str(), false, false, nullptr, &error), nullptr);
    EXPECT_EQ(error, 12345);
}

}  // namespace
