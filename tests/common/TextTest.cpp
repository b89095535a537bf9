#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "common/CommandLine.h"
#include "common/PackedAngle.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "tests/TestSupport.h"

namespace {

TEST(Text, Utf8Utf16RoundTrip) {
    const std::string s = "m\xC3\xA8tre \xE2\x82\xAC \xF0\x9F\x8C\x8A";  // mètre € 🌊
    std::u16string w = toUtf16(s);
    EXPECT_EQ(w, u"m\u00e8tre \u20ac \U0001F30A");
    EXPECT_EQ(toUtf8(w), s);
    EXPECT_EQ(toUtf8(w.c_str()), s);
    EXPECT_EQ(toUtf16(""), u"");
    EXPECT_EQ(toUtf16(static_cast<const char*>(nullptr)), u"");
}

TEST(Text, InvalidInputBecomesReplacement) {
    EXPECT_EQ(toUtf16(std::string("a\xFF" "b")), u"a\uFFFDb");
    EXPECT_EQ(toUtf16(std::string("\xC0\xAF")), u"\uFFFD");    // overlong '/'
    EXPECT_EQ(toUtf16(std::string("\xE2\x82")), u"\uFFFD");    // truncated
    EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(Text, BoundedCopyKeepsCharactersWhole) {
    char buf[3];
    EXPECT_EQ(copyUtf8Bounded("m\xC3\xA8tre", buf, sizeof buf), 1u);
    EXPECT_STREQ(buf, "m");
    char big[16];
    EXPECT_EQ(copyUtf8Bounded("m\xC3\xA8tre", big, sizeof big), 6u);
    // Bytes that are no character (Latin-1 "\xB1" is '+-') are cut at the limit, not dropped.
    EXPECT_EQ(copyUtf8Bounded("ab\xB1\xB1\xB1\xB1\xB1", big, 7), 6u);
    EXPECT_EQ(copyUtf8Bounded("\xB1\xB1\xB1\xB1", big, 3), 2u);
}

TEST(Text, CommandLine) {
    std::vector<std::string> all = args();
    ASSERT_FALSE(all.empty());
    EXPECT_NE(all[0].find("test_common"), std::string::npos);
    int argc = -1;
    char** list = argv(&argc);
    ASSERT_EQ(size_t(argc), all.size());
    for (int i = 0; i < argc; ++i) EXPECT_EQ(all[size_t(i)], list[i]);
    freeArgv(argc, list);
}

TEST(PackedAngle, ValuesAndSigns) {
    EXPECT_NEAR(ddmmToDegrees(4530.5), 45.508333333, 1e-9);
    EXPECT_NEAR(ddmmToDegrees(-4530.5), -45.508333333, 1e-9);
    EXPECT_NEAR(ddmmssToDegrees(453030.0), 45.508333333, 1e-9);
    EXPECT_NEAR(degreesToDdmm(45.508333333333), 4530.5, 1e-8);
    // A packed value a hair below its decimal must not lose a unit of minutes.
    EXPECT_NEAR(ddmmssToDegrees(1.13 * 10000), 1.216666667, 1e-9);
    EXPECT_NEAR(ddmmssToDegrees(-1.13 * 10000), -1.216666667, 1e-9);
    EXPECT_NEAR(ddmmToDegrees(52.3045 * 100), 52.5075, 1e-12);
    // No angle: a NaN, an infinity or a whole part beyond 32 bits gives NaN.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {nan, inf, -inf, 1e300})
        for (auto f : {ddmmToDegrees, ddmmssToDegrees, degreesToDdmm}) EXPECT_TRUE(std::isnan(f(v))) << v;
    EXPECT_TRUE(std::isnan(ddmmToDegrees(2147483648.0 * 100)));
    EXPECT_TRUE(std::isnan(ddmmToDegrees(-2147483649.0 * 100)));
    EXPECT_TRUE(std::isnan(ddmmssToDegrees(2147483648.0 * 10000)));
    EXPECT_TRUE(std::isnan(degreesToDdmm(2147483648.0)));
    // The largest whole parts that fit still convert.
    EXPECT_NEAR(ddmmToDegrees(2147483647.0 * 100), 2147483647.0, 1e-3);
    EXPECT_EQ(degreesToDdmm(-2147483648.0), -214748364800.0);
}

TEST(ProgramFolder, MarkerX64AndVariable) {
    TempFolder suite;
    namespace fs = std::filesystem;
    fs::create_directories(suite.file("X64"));
    fs::create_directories(suite.file("bin"));
    writeFile(suite.file("pelagix"), "");
    EXPECT_EQ(resolveProgramFolder(suite.file("host"), "/elsewhere"), suite.path());
    EXPECT_EQ(resolveProgramFolder(suite.file("X64/host"), "/elsewhere"), suite.path());
    EXPECT_EQ(resolveProgramFolder(suite.file("bin/host"), "/elsewhere"), "/elsewhere");
    EXPECT_EQ(resolveProgramFolder(suite.file("bin/host"), ""), "");
}

}  // namespace
