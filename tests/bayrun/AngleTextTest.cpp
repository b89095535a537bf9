// Angle texts of the runtime: the three formats, rounding that carries into the next field, and
// the reading of every format back.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bayrun/AngleText.h"
#include "common/Text.h"

using angletext::Axis;

namespace {
std::string fmt(double degrees, int format, Axis axis) { return toUtf8(angletext::format(degrees, format, axis)); }
}  // namespace

// Expected texts worked by hand: 36.5 deg = 36 deg 30 min; 75.25 deg = 75 deg 15 min;
// 10 + 59.9999999/3600 deg is 59.9999999" which rounds to 60.00000" and carries into the minute.
TEST(AngleText, FormatsEachFormatWithHemisphere) {
    struct Case {
        double degrees;
        int format;
        Axis axis;
        const char* text;
    } cases[] = {
        {36.5, 0, Axis::Latitude, "36.500000000°N"},
        {36.5, 1, Axis::Latitude, "36°30.0000000'N"},
        {36.5, 2, Axis::Latitude, "36°30'00.00000\"N"},
        {36.5, 3, Axis::Latitude, "36°30'00.00000\"N"},  // no setting: degrees, minutes, seconds
        {-36.5, 2, Axis::Latitude, "36°30'00.00000\"S"},
        {-75.25, 2, Axis::Longitude, "75°15'00.00000\"W"},
        {-75.25, 1, Axis::Longitude, "75°15.0000000'W"},
        {75.25, 0, Axis::Longitude, "75.250000000°E"},
        {10 + 59.9999999 / 3600, 2, Axis::Latitude, "10°01'00.00000\"N"},
        {10 + 59.99999999 / 60, 1, Axis::Latitude, "11°00.0000000'N"},
        {0.0, 2, Axis::Longitude, "0°00'00.00000\"E"},
    };
    for (const Case& c : cases) EXPECT_EQ(fmt(c.degrees, c.format, c.axis), c.text) << c.degrees << " format " << c.format;
}

TEST(AngleText, ParsesEveryFormatAndPlainNumbers) {
    struct Case {
        const char16_t* text;
        Axis axis;
        double degrees;
    } cases[] = {
        {u"36.500000000°N", Axis::Latitude, 36.5},
        {u"36°30.0000000'S", Axis::Latitude, -36.5},
        {u"36°30'00.00000\"N", Axis::Latitude, 36.5},
        {u"S 36 30 0", Axis::Latitude, -36.5},
        {u"N45 30", Axis::Latitude, 45.5},
        {u"w75 15", Axis::Longitude, -75.25},
        {u"75°15'00.00000\"W", Axis::Longitude, -75.25},
        {u"-75.25", Axis::Longitude, -75.25},
        {u"  12.5  ", Axis::Longitude, 12.5},
        {u"90", Axis::Latitude, 90.0},
        {u"180W", Axis::Longitude, -180.0},
        // A letter right after digits is their unit: 's' here marks seconds, not the south.
        {u"36d30m15s", Axis::Latitude, 36 + 30 / 60.0 + 15 / 3600.0},
        {u"36d30m15sS", Axis::Latitude, -(36 + 30 / 60.0 + 15 / 3600.0)},
        {u"36.5S", Axis::Latitude, -36.5},
        {u"75d15m00s", Axis::Longitude, 75.25},
    };
    for (const Case& c : cases) {
        double v = 1e9;
        ASSERT_TRUE(angletext::parse(c.text, c.axis, v)) << toUtf8(c.text);
        EXPECT_NEAR(v, c.degrees, 1e-12) << toUtf8(c.text);
    }
}

TEST(AngleText, RefusesTextsThatAreNotAngles) {
    const std::pair<const char16_t*, Axis> refused[] = {
        {u"", Axis::Latitude},          {u"abc", Axis::Latitude},        {u"91", Axis::Latitude},
        {u"36 60 0", Axis::Latitude},   {u"36 30 60", Axis::Latitude},   {u"36.5 30", Axis::Latitude},
        {u"-36 N", Axis::Latitude},     {u"12E", Axis::Latitude},        {u"181", Axis::Longitude},
        {u"1 2 3 4", Axis::Longitude},  {u"N", Axis::Latitude},
    };
    for (const auto& [text, axis] : refused) {
        double v = 7.0;
        EXPECT_FALSE(angletext::parse(text, axis, v)) << toUtf8(text);
        EXPECT_EQ(v, 7.0) << toUtf8(text);
    }
}

TEST(AngleText, EveryFormatReadsBackToItsResolution) {
    // Half a unit of the last decimal shown: 0.5e-9 deg, 0.5e-7 min, 0.5e-5 s.
    const double tolerance[] = {0.5e-9, 0.5e-7 / 60, 0.5e-5 / 3600};
    for (double degrees : {-89.123456789, -0.000001, 0.0, 12.3456789012, 45.999999999}) {
        for (int format = 0; format < 3; ++format) {
            double back = 0;
            ASSERT_TRUE(angletext::parse(angletext::format(degrees, format, Axis::Latitude), Axis::Latitude, back));
            EXPECT_NEAR(back, degrees, tolerance[format] * 1.0001) << degrees << " format " << format;
        }
    }
}

// An angle whose text the formatter cannot write digit for digit (its count of the smallest unit
// shown would overflow or lose digits), or no number at all, is shown as invalid, and that text
// is refused when read back: it never becomes a wrong value on OK.
TEST(AngleText, UnshowableAnglesAreShownInvalidAndRefused) {
    const double unshowable[] = {1e11, -1e11, 9.3e9, 1e30, -1e300, 1e7, std::numeric_limits<double>::infinity(),
                                 -std::numeric_limits<double>::infinity(), std::nan("")};
    for (double degrees : unshowable) {
        for (int format = 0; format <= 3; ++format) {
            for (Axis axis : {Axis::Latitude, Axis::Longitude}) {
                const std::u16string text = angletext::format(degrees, format, axis);
                EXPECT_EQ(toUtf8(text), "invalid") << degrees << " format " << format;
                double v = 7.0;
                EXPECT_FALSE(angletext::parse(text, axis, v)) << degrees;
            }
        }
    }
    // The largest angle still shown: whole turns of a site-grid rotation are far below it.
    EXPECT_EQ(fmt(720.5, 2, Axis::Longitude), "720°30'00.00000\"E");
}
