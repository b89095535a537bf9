#include <gtest/gtest.h>

#include <string>

#include "geodesy/UnitTable.h"

namespace {

TEST(UnitTable, ExactFactorsOnly) {
    EXPECT_EQ(unitCodeOf(1.0), 1);
    EXPECT_EQ(unitCodeOf(0.3048006096), 2);
    EXPECT_EQ(unitCodeOf(0.3048), 3);
    EXPECT_EQ(unitCodeOf(0.201167651216), 14);
    EXPECT_EQ(unitCodeOf(20.1167651216), 15);
    EXPECT_EQ(unitCodeOf(0.3048006), 0);
    EXPECT_EQ(unitCodeOf(0.0), 0);
}

TEST(UnitTable, StringsByIdAndLanguage) {
    EXPECT_STREQ(unitString(1), "m");
    EXPECT_STREQ(unitString(1 + kSingularId), "meter");
    EXPECT_STREQ(unitString(1 + kPluralId + kSpanishId), "metros");
    EXPECT_STREQ(unitString(1 + kSingularId + kFrenchId), "m\xC3\xA8tre");
    EXPECT_STREQ(unitString(14), "lkSea");
    EXPECT_STREQ(unitString(15 + kPluralId + kFrenchId), "cha\xC3\xAEnes (Sears)");
    // Abbreviations and letters exist in English only.
    EXPECT_EQ(unitString(1 + kFrenchId), nullptr);
    EXPECT_STREQ(unitString(kAxisWesting + kSingularId), "westing");
    EXPECT_STREQ(unitString(kAxisWesting), "Y");
    EXPECT_STREQ(unitString(kAxisSouthing), "X");
    EXPECT_STREQ(unitString(kAxisNorthing + kSingularId + kSpanishId), "norte");
    // No axis plural, no unit 0.
    EXPECT_EQ(unitString(kAxisEasting + kPluralId), nullptr);
    EXPECT_EQ(unitString(0), nullptr);
    EXPECT_EQ(unitString(kSingularId), nullptr);
}

}  // namespace
