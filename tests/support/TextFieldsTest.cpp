#include "support/TextFields.h"

#include <gtest/gtest.h>

TEST(Strings, DecimalIntegersAreWholeTextsOnly) {
    int v = 7;
    EXPECT_TRUE(ParseDecimalInt("057", v));
    EXPECT_EQ(v, 57);
    EXPECT_TRUE(ParseDecimalInt("-12", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(ParseDecimalInt("2147483647", v));
    EXPECT_TRUE(ParseDecimalInt("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    v = 7;
    for (const char* bad : {"", "-", "+", "9x5", " 57", "57 ", "2147483648", "99999999999999999999", "0x10"}) {
        EXPECT_FALSE(ParseDecimalInt(bad, v)) << bad;
        EXPECT_EQ(v, 7) << bad;
    }
}

TEST(Strings, SubTextNeverReadsPastTheEnd) {
    EXPECT_EQ(SubText("STA 0 05", 6, 3), "05");
    EXPECT_EQ(SubText("STA", 6, 3), "");
}

TEST(Misc, TakeFieldSplitsAtTheFirstSeparator) {
    std::string t = "12\t34\t56";
    EXPECT_EQ(TakeField(t, '\t'), "12");
    EXPECT_EQ(t, "34\t56");
    t = "34";
    EXPECT_EQ(TakeField(t, '\t'), "34");
    EXPECT_EQ(t, "");
    t = "\tx";
    EXPECT_EQ(TakeField(t, '\t'), "");
    EXPECT_EQ(t, "x");
}
