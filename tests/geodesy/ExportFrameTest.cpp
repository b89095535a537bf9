#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "geodesy/ExportFrame.h"
#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"

namespace {

int dummyObject;
const void* const kHandle = &dummyObject;

TEST(ExportFrame, NullHandleGivesCode2AndNeutral) {
    bool ran = false;
    EXPECT_EQ(exportframe::statusExport(nullptr, [&] { ran = true; return erc(); }), 0);
    EXPECT_EQ(GetGeodesyError(), 2);
    EXPECT_EQ(exportframe::valueExport(nullptr, 1.0, [&](double&) { ran = true; return erc(); }), 1.0);
    EXPECT_EQ(GetGeodesyError(), 2);
    EXPECT_FALSE(ran);
}

TEST(ExportFrame, StatusThrownAndForeignFailures) {
    EXPECT_EQ(exportframe::statusExport(kHandle, [] { return erc(); }), 1);
    EXPECT_EQ(GetGeodesyError(), 0);
    // A status is taken with release: not logged.
    DebugCapture capture;
    EXPECT_EQ(exportframe::statusExport(kHandle, [] { return erc(7, 4, &geodesyFacility()); }), 0);
    EXPECT_EQ(GetGeodesyError(), 7);
    EXPECT_TRUE(capture.lines().empty());
    // A thrown error value gives its code, or the export's fixed code.
    auto throwing = []() -> erc { throw erc(11, 4); };
    EXPECT_EQ(exportframe::statusExport(kHandle, throwing), 0);
    EXPECT_EQ(GetGeodesyError(), 11);
    EXPECT_EQ(exportframe::statusExport(kHandle, throwing, 18), 0);
    EXPECT_EQ(GetGeodesyError(), 18);
    // Anything else is 1; nothing escapes.
    EXPECT_EQ(exportframe::statusExport(kHandle, []() -> erc { throw std::runtime_error("x"); }), 0);
    EXPECT_EQ(GetGeodesyError(), 1);
    // A pending value destroyed inside the body throws from its destructor.
    EXPECT_EQ(exportframe::statusExport(kHandle, [] {
                  { erc lost(6, 4); }
                  return erc();
              }),
              0);
    EXPECT_EQ(GetGeodesyError(), 6);
}

TEST(ExportFrame, ValueExportNeutralOnFailure) {
    double v = exportframe::valueExport(kHandle, 1.0, [](double& out) {
        out = 0.5;
        return erc(10, 4);
    });
    EXPECT_EQ(v, 1.0);
    EXPECT_EQ(GetGeodesyError(), 10);
    v = exportframe::valueExport(kHandle, 1.0, [](double& out) {
        out = 0.5;
        return erc();
    });
    EXPECT_EQ(v, 0.5);
    EXPECT_EQ(GetGeodesyError(), 0);
}

TEST(ExportFrame, CodeIsPerThreadAndVersionLeavesIt) {
    exportframe::setError(2);
    int other = -1;
    std::thread t([&] { other = GetGeodesyError(); });
    t.join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(GetGeodesyVersion(), 2001);
    EXPECT_EQ(GetGeodesyError(), 2);
}

}  // namespace
