#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"
#include "tests/TestSupport.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

namespace {

constexpr double kHalfPi = std::numbers::pi / 2;

// A handle that closes itself.
class Handle {
public:
    explicit Handle(const GeodesyParams& p) : h(CreateGeodesy(&p)) {}
    ~Handle() {
        if (h) DestroyGeodesy(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    operator GeodesyHandle() const { return h; }

private:
    GeodesyHandle h;
};

TEST(GeodesyExports, UtmZone31) {
    Handle h(utmParams(31));
    ASSERT_NE(static_cast<GeodesyHandle>(h), nullptr);
    // echo "5 45" | proj -f %.4f +proj=utm +zone=31 +ellps=WGS84 (PROJ 9.1.1)
    double x = 0, y = 0;
    ASSERT_EQ(GeoXY(h, &x, &y, 45 * kDeg, 5 * kDeg), 1);
    EXPECT_EQ(GetGeodesyError(), 0);
    EXPECT_NEAR(x, 657630.6407, 1e-3);
    EXPECT_NEAR(y, 4984896.1713, 1e-3);
    double lat = 0, lon = 0;
    ASSERT_EQ(XYGeo(h, x, y, &lat, &lon), 1);
    EXPECT_NEAR(lat, 45 * kDeg, 1e-11);
    EXPECT_NEAR(lon, 5 * kDeg, 1e-11);
    EXPECT_NEAR(Scale(h, x, y), 0.99990554, 1e-8);
    double conv = 0;
    ASSERT_EQ(Convergence(h, 45 * kDeg, 5 * kDeg, &conv), 1);
    // echo "45 5" | TransverseMercatorProj -l 3 -k 0.9996 (GeographicLib 2.1.2): 1.41450370 deg.
    EXPECT_NEAR(conv, -0.0246877469037, 1e-12);

    // The north pole cannot be projected; nothing is written.
    double fx = -1, fy = -1;
    EXPECT_EQ(GeoXY(h, &fx, &fy, kHalfPi, 5 * kDeg), 0);
    EXPECT_EQ(GetGeodesyError(), 6);
    EXPECT_EQ(fx, -1);
    EXPECT_EQ(fy, -1);
    // The south pole goes through; proj gives 500000, -9997964.9430.
    ASSERT_EQ(GeoXY(h, &x, &y, -kHalfPi, 5 * kDeg), 1);
    EXPECT_EQ(GetGeodesyError(), 0);
    EXPECT_NEAR(x, 500000, 1e-3);
    EXPECT_NEAR(y, -9997964.943, 1e-3);
    double x2 = 0, y2 = 0;
    ASSERT_EQ(GeoXY(h, &x, &y, 45 * kDeg, 353 * kDeg), 1);
    ASSERT_EQ(GeoXY(h, &x2, &y2, 45 * kDeg, -7 * kDeg), 1);
    EXPECT_NEAR(x, x2, 1e-6);
    EXPECT_NEAR(y, y2, 1e-6);
    // Beyond the pole: code 10, nothing written, and Scale gives 1.0 with the same code.
    lat = -1, lon = -1;
    EXPECT_EQ(XYGeo(h, 500000, 10100000, &lat, &lon), 0);
    EXPECT_EQ(GetGeodesyError(), 10);
    EXPECT_EQ(lat, -1);
    EXPECT_EQ(lon, -1);
    EXPECT_EQ(Scale(h, 500000, 10100000), 1.0);
    EXPECT_EQ(GetGeodesyError(), 10);
    // Convergence refuses what GeoXY refuses, and writes nothing.
    conv = -1;
    EXPECT_EQ(Convergence(h, 91 * kDeg, 5 * kDeg, &conv), 0);
    EXPECT_EQ(GetGeodesyError(), 10);
    EXPECT_EQ(Convergence(h, kHalfPi, 5 * kDeg, &conv), 0);
    EXPECT_EQ(GetGeodesyError(), 6);
    EXPECT_EQ(conv, -1);
}

TEST(GeodesyExports, EarthCentredAndDistances) {
    Handle h(utmParams(31));
    double lat = 0, lon = 1, hgt = 0;
    ASSERT_EQ(ECEFGeo(h, 0, 0, 0, &lat, &lon, &hgt), 1);
    EXPECT_EQ(lat, -kHalfPi);
    EXPECT_EQ(lon, 0);
    EXPECT_NEAR(hgt, -6356752.314245, 1e-6);
    double X, Y, Z;
    ASSERT_EQ(GeoECEF(h, &X, &Y, &Z, 52 * kDeg, -4 * kDeg, 250), 1);
    ASSERT_EQ(ECEFGeo(h, X, Y, Z, &lat, &lon, &hgt), 1);
    EXPECT_NEAR(lat, 52 * kDeg, 1e-9);
    EXPECT_NEAR(lon, -4 * kDeg, 1e-9);
    EXPECT_NEAR(hgt, 250, 1e-3);

    double azimuth = 0;
    // echo "45 0 46 1" | GeodSolve -i -p 6 (GeographicLib 2.1.2): 135869.091247 m, 34.76040696 deg.
    EXPECT_NEAR(GCircLL(h, 45 * kDeg, 0, 46 * kDeg, 1 * kDeg, &azimuth), 135869.091247, 1e-6);
    EXPECT_NEAR(azimuth / kDeg, 34.76040696, 1e-8);
    // echo "0 179 0 -179" | GeodSolve -i -p 6 (GeographicLib 2.1.2): 222638.981587 m.
    EXPECT_NEAR(GCircLL(h, 0, 179 * kDeg, 0, -179 * kDeg, nullptr), 222638.98, 1e-2);
    // echo "10 179 11 -179" | RhumbSolve -i -p 6 (GeographicLib 2.1.2): 63.19571603785 deg,
    // 245287.926040 m.
    EXPECT_NEAR(RLineLL(h, 10 * kDeg, 179 * kDeg, 11 * kDeg, -179 * kDeg, &azimuth), 245287.926, 1e-3);
    EXPECT_NEAR(azimuth / kDeg, 63.195716, 1e-6);
    EXPECT_EQ(GetGeodesyError(), 0);
    // A point that is no point: 10 and the neutral 0, not a NaN distance with success.
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (auto distance : {GCircLL, RLineLL}) {
        const std::array<double, 4> points[] = {{nan, 0, 0.1, 0.1}, {0, inf, 0.1, 0.1}, {0, 0, 1.6, 0.1}, {0, 0, 0.1, -inf}};
        for (const auto& bad : points) {
            azimuth = 7;
            EXPECT_EQ(distance(h, bad[0], bad[1], bad[2], bad[3], &azimuth), 0.0);
            EXPECT_EQ(GetGeodesyError(), 10);
            EXPECT_EQ(azimuth, 7);
        }
    }

    // A longitude of -DBL_MAX is finite, but not in degrees: the distance came back NaN with code 0.
    azimuth = 7;
    EXPECT_EQ(GCircLL(h, 0, -std::numeric_limits<double>::max(), 0.1, 0.1, &azimuth), 0.0);
    EXPECT_EQ(GetGeodesyError(), 10);
    EXPECT_EQ(azimuth, 7);

    // A local grid that carries a point beyond the doubles: no infinite coordinates with success.
    AdjustParams blowUp{};
    blowUp.type = 1;
    blowUp.scale = 1e308;
    ASSERT_EQ(SetAdjustment(h, &blowUp), 1);
    double x = 5, y = 5;
    EXPECT_EQ(GeoXY(h, &x, &y, 0.5, 0.05), 0);
    EXPECT_EQ(GetGeodesyError(), 6);
    EXPECT_EQ(x, 5);
    double toMetres = 1e305;
    GeodesyParams big = utmParams(31);
    big.unitFactor = 1e4;
    big.falseEasting = 0;
    Handle hb(big);
    EXPECT_EQ(HConvert(hb, &toMetres, 1), 0);
    EXPECT_EQ(GetGeodesyError(), 10);
    EXPECT_EQ(toMetres, 1e305);

    // Distances come in the projection unit.
    GeodesyParams feet = utmParams(31);
    feet.unitFactor = 0.3048;
    Handle hf(feet);
    EXPECT_NEAR(RLineLL(hf, 10 * kDeg, 179 * kDeg, 11 * kDeg, -179 * kDeg, nullptr), 245287.926 / 0.3048, 1e-2);
}

TEST(GeodesyExports, CreationCodesAndRecord) {
    struct Case {
        double invF, unit;
        int id;
        int code;
    };
    for (Case c : {Case{0, 0, 3, 3}, Case{kWgs84InvF, 0, 3, 4}, Case{kWgs84InvF, 1, 0, 5}, Case{kWgs84InvF, 1, 14, 5}}) {
        GeodesyParams p = utmParams(31);
        p.inverseFlattening = c.invF;
        p.unitFactor = c.unit;
        p.projectionId = c.id;
        EXPECT_EQ(CreateGeodesy(&p), nullptr);
        EXPECT_EQ(GetGeodesyError(), c.code);
    }
    GeodesyParams p = utmParams(31);
    p.scaleFactor = 0;
    Handle h(p);
    ASSERT_NE(static_cast<GeodesyHandle>(h), nullptr);
    EXPECT_EQ(GetGeodesyError(), 0);

    GeodesyParams out{};
    char name[32], code[8];
    std::memset(name, '#', sizeof name);
    std::memset(code, '#', sizeof code);
    ASSERT_EQ(GetGeodesyParams(h, &out, name, code), 1);
    EXPECT_EQ(double(out.scaleFactor), 1.0);
    EXPECT_EQ(out.projectionId, 3);
    EXPECT_EQ(double(out.falseEasting), 500000);
    EXPECT_STREQ(name, "WGS-84");
    EXPECT_STREQ(code, "TME");
    EXPECT_EQ(code[4], '#');
    // Both text pointers null: only the record.
    ASSERT_EQ(GetGeodesyParams(h, &out, nullptr, nullptr), 1);

    // An ellipsoid outside the table has an empty name.
    p.semiMajorAxis = 6378000;
    Handle other(p);
    std::memset(name, '#', sizeof name);
    ASSERT_EQ(GetGeodesyParams(other, &out, name, nullptr), 1);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(name[1], '#');
}

std::string localName(GeodesyHandle h, int item, const char* lang, int len = 64) {
    char buf[64];
    std::memset(buf, '#', sizeof buf);
    if (!GetLocalName(h, item, lang, buf, len)) return "<code " + std::to_string(GetGeodesyError()) + ">";
    return buf;
}

TEST(GeodesyExports, NamesAndUnits) {
    Handle metre(utmParams(31));
    EXPECT_EQ(localName(metre, 3, "fra"), "m");
    EXPECT_EQ(localName(metre, 1, "FRA"), "m\xC3\xA8tre");
    EXPECT_EQ(localName(metre, 2, "esp"), "metros");
    EXPECT_EQ(localName(metre, 1, "jpn"), "meter");
    EXPECT_EQ(localName(metre, 1, nullptr), "meter");
    EXPECT_EQ(localName(metre, 7, "esp"), "este");
    EXPECT_EQ(localName(metre, 11, "fra"), "<code 12>");
    EXPECT_EQ(localName(metre, 0, "fra"), "<code 12>");
    // A buffer that cannot hold the whole name holds whole characters only.
    EXPECT_EQ(localName(metre, 1, "fra", 3), "m");
    EXPECT_EQ(localName(metre, 1, "fra", 4), "m\xC3\xA8");
    // No buffer: code 12 and nothing written.
    char buf[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(GetLocalName(metre, 1, "fra", nullptr, 32), 0);
    EXPECT_EQ(GetGeodesyError(), 12);
    for (int len : {0, -5}) {
        EXPECT_EQ(GetLocalName(metre, 1, "fra", buf, len), 0);
        EXPECT_EQ(GetGeodesyError(), 12);
        EXPECT_EQ(buf[0], '#');
    }

    GeodesyParams p = utmParams(31);
    p.unitFactor = 0.201167651216;
    Handle links(p);
    EXPECT_EQ(localName(links, 3, "fra"), "lkSea");
    p.unitFactor = 0.3048006;
    Handle odd(p);
    EXPECT_EQ(localName(odd, 3, ""), "<code 12>");
    EXPECT_EQ(localName(odd, 1, ""), "<code 12>");

    // Only the low byte of the flag counts: 256 divides.
    p.unitFactor = 0.3048;
    Handle feet(p);
    double v = 3.048;
    ASSERT_EQ(HConvert(feet, &v, 256), 1);
    EXPECT_NEAR(v, 10, 1e-12);
    ASSERT_EQ(HConvert(feet, &v, 1), 1);
    EXPECT_NEAR(v, 3.048, 1e-12);
    ASSERT_EQ(VConvert(feet, &v, 0x101), 1);
    EXPECT_NEAR(v, 3.048 * 0.3048, 1e-12);
}

TEST(GeodesyExports, AdjustmentThroughTheHandle) {
    Handle h(utmParams(31));
    AdjustParams a{};
    a.type = 1 | 0x10000 | 0x20000;
    a.originX = 1000;
    a.originY = 2000;
    a.scale = 1;
    a.translationX = 10;
    a.translationY = 20;
    ASSERT_EQ(SetAdjustment(h, &a), 1);
    EXPECT_EQ(localName(h, 7, "eng"), "westing");
    EXPECT_EQ(localName(h, 8, "eng"), "Y");
    EXPECT_EQ(localName(h, 9, "eng"), "southing");
    EXPECT_EQ(localName(h, 10, "eng"), "X");
    // The adjustment follows the projection: -(x - 1000 + 10), -(y - 2000 + 20).
    double x = 0, y = 0;
    ASSERT_EQ(GeoXY(h, &x, &y, 45 * kDeg, 5 * kDeg), 1);
    EXPECT_NEAR(x, -(657630.6407 - 990), 1e-3);
    EXPECT_NEAR(y, -(4984896.1713 - 1980), 1e-3);
    double lat = 0, lon = 0;
    ASSERT_EQ(XYGeo(h, x, y, &lat, &lon), 1);
    EXPECT_NEAR(lat, 45 * kDeg, 1e-11);

    AdjustParams zero = a;
    zero.scale = 0;
    EXPECT_EQ(SetAdjustment(h, &zero), 0);
    EXPECT_EQ(GetGeodesyError(), 7);
    AdjustParams back{};
    ASSERT_EQ(GetAdjustment(h, &back), 1);
    EXPECT_EQ(std::memcmp(&back, &a, sizeof a), 0);
}

TEST(GeodesyExports, NullHandleTouchesNothing) {
    const double sentinel = -12345.5;
    double a = sentinel, b = sentinel, c = sentinel;
    GeodesyParams params{};
    AdjustParams adjust{};
    adjust.scale = 1;
    char buf[8] = "#######";
    struct Call {
        const char* name;
        std::function<double()> run;
        double neutral;
    };
    const Call calls[] = {
        {"DestroyGeodesy", [&] { return DestroyGeodesy(nullptr); }, 0},
        {"GeoXY", [&] { return GeoXY(nullptr, &a, &b, 0, 0); }, 0},
        {"XYGeo", [&] { return XYGeo(nullptr, 0, 0, &a, &b); }, 0},
        {"GeoECEF", [&] { return GeoECEF(nullptr, &a, &b, &c, 0, 0, 0); }, 0},
        {"ECEFGeo", [&] { return ECEFGeo(nullptr, 1, 1, 1, &a, &b, &c); }, 0},
        {"GCircLL", [&] { return GCircLL(nullptr, 0, 0, 1, 1, &a); }, 0.0},
        {"RLineLL", [&] { return RLineLL(nullptr, 0, 0, 1, 1, &a); }, 0.0},
        {"Scale", [&] { return Scale(nullptr, 0, 0); }, 1.0},
        {"Convergence", [&] { return Convergence(nullptr, 0, 0, &a); }, 0},
        {"HConvert", [&] { return HConvert(nullptr, &a, 1); }, 0},
        {"VConvert", [&] { return VConvert(nullptr, &a, 1); }, 0},
        {"GetLocalName", [&] { return GetLocalName(nullptr, 1, "fra", buf, 8); }, 0},
        {"GetGeodesyParams", [&] { return GetGeodesyParams(nullptr, &params, buf, buf); }, 0},
        {"SetAdjustment", [&] { return SetAdjustment(nullptr, &adjust); }, 0},
        {"GetAdjustment", [&] { return GetAdjustment(nullptr, &adjust); }, 0},
    };
    Handle valid(utmParams(31));
    for (const Call& call : calls) {
        double v = 1;
        ASSERT_EQ(HConvert(valid, &v, 1), 1);  // code 0 before each call
        EXPECT_EQ(call.run(), call.neutral) << call.name;
        EXPECT_EQ(GetGeodesyError(), 2) << call.name;
    }
    EXPECT_EQ(a, sentinel);
    EXPECT_EQ(b, sentinel);
    EXPECT_EQ(c, sentinel);
    EXPECT_STREQ(buf, "#######");
    EXPECT_EQ(double(params.semiMajorAxis), 0);
    EXPECT_EQ(double(adjust.scale), 1);
}

TEST(GeodesyExports, EntryTraceLines) {
    DebugCapture capture;
    GeodesyParams p = utmParams(31);
    GeodesyHandle h = CreateGeodesy(&p);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(DestroyGeodesy(h), 1);
    EXPECT_EQ(DestroyGeodesy(nullptr), 0);
    if (kTraceBuild) {
        const std::string prefix = threadPrefix();
        const std::vector<std::string> expected = {
            prefix + "CreateGeodesy entered\n", prefix + "Geodesy::Geodesy entered\n",
            prefix + "DestroyGeodesy entered\n", prefix + "Geodesy::~Geodesy entered\n",
            prefix + "DestroyGeodesy entered\n"};
        EXPECT_EQ(capture.lines(), expected);
    } else {
        EXPECT_TRUE(capture.lines().empty());
    }
}

}  // namespace

// A null record or output pointer is refused with a code (the export's own code for a missing
// argument, else 1) and nothing is written, rather than ending the host.
TEST(GeodesyExports, NullPointersAreRefused) {
    const double sentinel = -12345.5;
    double a = sentinel, b = sentinel, c = sentinel;
    GeodesyParams params{};
    Handle h(utmParams(31));
    ASSERT_NE(static_cast<GeodesyHandle>(h), nullptr);
    struct Call {
        const char* name;
        std::function<long()> run;
        int code;
    };
    const Call calls[] = {
        {"CreateGeodesy", [&] { return CreateGeodesy(nullptr) != nullptr; }, 1},
        {"GeoXY x", [&] { return GeoXY(h, nullptr, &b, 0.9, 0.05); }, 1},
        {"GeoXY y", [&] { return GeoXY(h, &a, nullptr, 0.9, 0.05); }, 1},
        {"XYGeo lat", [&] { return XYGeo(h, 500000, 5e6, nullptr, &b); }, 1},
        {"XYGeo lon", [&] { return XYGeo(h, 500000, 5e6, &a, nullptr); }, 1},
        {"GeoECEF", [&] { return GeoECEF(h, &a, &b, nullptr, 0.9, 0.05, 0); }, 1},
        {"ECEFGeo", [&] { return ECEFGeo(h, 4e6, 3e5, 4.9e6, &a, nullptr, &c); }, 1},
        {"Convergence", [&] { return Convergence(h, 0.9, 0.05, nullptr); }, 1},
        {"HConvert", [&] { return HConvert(h, nullptr, 1); }, 1},
        {"VConvert", [&] { return VConvert(h, nullptr, 0); }, 1},
        {"GetLocalName", [&] { return GetLocalName(h, 1, "fra", nullptr, 8); }, 12},
        {"GetGeodesyParams", [&] { return GetGeodesyParams(h, nullptr, nullptr, nullptr); }, 1},
        {"SetAdjustment", [&] { return SetAdjustment(h, nullptr); }, 1},
        {"GetAdjustment", [&] { return GetAdjustment(h, nullptr); }, 1},
        {"GetEpsgCode", [&] { return GetEpsgCode(h, nullptr); }, 1},
        {"GetEpsgParams", [&] { return GetEpsgParams(32631, nullptr); }, 1},
        {"CreateFileGeodesy", [&] { return CreateFileGeodesy(nullptr, nullptr) != nullptr; }, 5},
        {"WGS84Conv", [&] { return WGS84Conv(h, nullptr, &b, &c); }, 1},
        {"InvWGS84Conv", [&] { return InvWGS84Conv(h, &a, nullptr, nullptr); }, 1},
        {"EllConv", [&] { return EllConv(h, nullptr, &b, &c, 6378388.0, 1 / 297.0); }, 1},
        {"InvEllConv", [&] { return InvEllConv(h, &a, nullptr, &c, 6378388.0, 1 / 297.0); }, 1},
        {"SetEllDiff", [&] { return SetEllDiff(h, nullptr); }, 1},
        {"GetEllDiff", [&] { return GetEllDiff(h, nullptr); }, 1},
        {"IsValidModel", [&] { return IsValidModel(nullptr, 6378137.0, 298.257223563); }, 18},
        {"SetChartDatum", [&] { return SetChartDatum(h, nullptr); }, 1},
        {"GetChartDatum", [&] { return GetChartDatum(h, nullptr); }, 1},
    };
    for (const Call& call : calls) {
        double v = 1;
        ASSERT_EQ(HConvert(h, &v, 1), 1);  // code 0 before each call
        EXPECT_EQ(call.run(), 0) << call.name;
        EXPECT_EQ(GetGeodesyError(), call.code) << call.name;
        EXPECT_EQ(a, sentinel) << call.name;
        EXPECT_EQ(b, sentinel) << call.name;
        EXPECT_EQ(c, sentinel) << call.name;
    }
    // The handle still works after all of them, and the pointers the interface calls optional
    // may be null.
    EXPECT_EQ(GetGeodesyParams(h, &params, nullptr, nullptr), 1);
    const std::function<long()> optional[] = {
        [&] { return GCircLL(h, 0.9, 0.05, 0.8, 0.04, nullptr) > 0; },
        [&] {
            a = 0.9, b = 0.05;  // the geographic point, not the grid coordinates
            return GeoXY(h, &c, &c, a, b) && WGS84Conv(h, &a, &b, nullptr);
        },
        [&] { return DatumSeparation1(h, 0.9, 0.05, nullptr, nullptr) || GetGeodesyError() == 15; },
        [&] { return GetGeoid(h, nullptr, 0, nullptr); },
        [&] { return GetVDatumModel(h, nullptr, 0, nullptr); },
        [&] { return GetEllModel(h, nullptr, 0); },
        [&] { return SetEllModel(h, nullptr); },
    };
    for (const auto& call : optional) EXPECT_EQ(call(), 1);
}
