// The editor's binding to the runtime and its number texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

#include "editor/Bayrun.h"
#include "editor/NumberText.h"
#include "editor/StringTable.h"

namespace {
constexpr BayrunStringEntry kOther[] = {{1, "first"}, {7, "seventh"}};
constexpr BayrunStringModule kOtherModule = {kOther, 2};
}  // namespace

TEST(RuntimeBinding, StringsComeFromTheModuleGivenAtLoad) {
    EXPECT_EQ(resString(1841), "Verevuzu Deradazavo");
    EXPECT_EQ(resString(5387), "Select Dynamic Datum Shift File");
    EXPECT_EQ(resString(424242), "");

    UnloadBayrun();
    EXPECT_EQ(bayrun::environment(), nullptr);
    ASSERT_TRUE(LoadBayrun(&kOtherModule));
    EXPECT_EQ(resString(7), "seventh");
    EXPECT_EQ(resString(1841), "");
    UnloadBayrun();
    // A null instance takes the program's own table.
    ASSERT_TRUE(LoadBayrun(nullptr));
    EXPECT_EQ(resString(2998), "user defined");
    // Objects made per use are new each time; the held services are the same.
    auto* a = bayrun::make<IBayrunProfile>(IID_IBayrunProfile);
    auto* b = bayrun::make<IBayrunProfile>(IID_IBayrunProfile);
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, b);
    a->Release();
    b->Release();
    BayrunGuid unknown = IID_IBayrunProfile;
    unknown.data1 ^= 1;
    EXPECT_EQ(bayrun::newObject(unknown), nullptr);

    // The interface ids are the runtime's published ones.
    const std::pair<const BayrunGuid*, const char*> published[] = {
        {&IID_IBayrunStrings, "{F08E1777-6964-4114-9CDF-304451404DBF}"},
        {&IID_IBayrunEnvironment, "{1DA79D59-31DA-4253-A052-74B796309CA8}"},
        {&IID_IBayrunAngles, "{72479219-97ED-43E7-9531-8D6DA400008F}"},
        {&IID_IBayrunNotify, "{C46A0E40-CE74-11D4-9D64-CA9338DA9F78}"},
        {&IID_IBayrunProfile, "{F4492CB3-F6E2-4591-BD4F-83439F06AC8C}"},
        {&IID_IBayrunFileDialog, "{CA0B8A2A-EAE8-4C9E-A8E3-8E0D3EB0075D}"},
        {&IID_IBayrunVersionInfo, "{F452585D-5296-4982-A780-A74549E62912}"},
        {&IID_IBayrunBorderLoader, "{63786B5D-85A0-4AE2-A02E-4A5BBA1DB7A1}"},
        {&IID_IBayrunBorder, "{37B1CF78-6D73-4E3E-806B-E5613E03B7FF}"},
    };
    for (const auto& [id, text] : published) {
        const uint8_t* d = id->data4;
        char shown[40];
        std::snprintf(shown, sizeof shown, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(id->data1),
                      unsigned(id->data2), unsigned(id->data3), d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
        EXPECT_STREQ(shown, text);
    }
}

TEST(NumberText, StoredFormatsAreAppliedSafely) {
    struct Case {
        const char* format;
        double value;
        const char* text;  // null: refused
    } cases[] = {
        {"%.3lf", 1.0005, "1.000"},  // 1.0005 is stored just below the half
        {"%.3lf", -168.0, "-168.000"},
        {"%12.4f", 500000.0, " 500000.0000"},
        {"%12.4f", -1.5, "     -1.5000"},
        {"%.12lf", 0.3048, "0.304800000000"},
        {"%.10lf", 0.9996, "0.9996000000"},
        {"%.2lf", 1.25, "1.25"},
        {"%08.2f", -3.14159, "-0003.14"},
        {"%.3e", 12345.678, "1.235e+04"},
        {"k=%.1f m", 2.25, "k=2.2 m"},
        {"%s", 1.0, nullptr},
        {"%n", 1.0, nullptr},
        {"%d", 1.0, nullptr},
        {"%.1f%s", 1.0, nullptr},
        {"no conversion", 1.0, nullptr},
        {"%999.1f", 1.0, nullptr},
    };
    for (const Case& c : cases) {
        QString out = "unchanged";
        const bool ok = numbertext::format(c.format, c.value, out);
        if (c.text) {
            EXPECT_TRUE(ok) << c.format;
            EXPECT_EQ(out, c.text) << c.format;
        } else {
            EXPECT_FALSE(ok) << c.format;
            EXPECT_EQ(out, "unchanged") << c.format;
        }
    }
    EXPECT_EQ(numbertext::formatOr15("%s", 0.1), "0.1");
    EXPECT_EQ(numbertext::general(6378137.0), "6378137");
    EXPECT_EQ(numbertext::general(298.257223563), "298.257223563");
}

TEST(NumberText, StrictConversionTakesWholeNumbersOnly) {
    // A refusal stays short whatever was pasted.
    EXPECT_LT(ConversionError("Delta X", QString(70000, QLatin1Char('9')) + "x").text().size(), 150);
    const std::pair<const char*, double> good[] = {{"1", 1}, {" -2.5 ", -2.5}, {"+3", 3}, {"1e3", 1000}, {".5", 0.5}};
    for (const auto& [text, value] : good) EXPECT_EQ(numbertext::strict(text), value) << text;
    for (const char* bad : {"", " ", "1,5", "12abc", "abc", "+-1", "nan", "inf", "1 2"}) {
        double v = 9;
        EXPECT_FALSE(numbertext::parse(bad, v)) << bad;
        EXPECT_EQ(v, 9) << bad;
        EXPECT_THROW(numbertext::strict(bad), ConversionError) << bad;
    }
}
