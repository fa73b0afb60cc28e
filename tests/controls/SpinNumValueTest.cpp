#include "controls/SpinNumValue.h"

#include <climits>
#include <gtest/gtest.h>

TEST(SpinNumValue, DecimalParseReadsTenths) {
    EXPECT_EQ(SpinParse("45", true), 450);
    EXPECT_EQ(SpinParse("45.", true), 450);
    EXPECT_EQ(SpinParse("4.56", true), 45);  // digits past the first are ignored
    EXPECT_EQ(SpinParse("12.34", true), 123);
    EXPECT_EQ(SpinParse("1.2.3x", true), 12);
    EXPECT_EQ(SpinParse("45.5", true), 455);
    EXPECT_EQ(SpinParse(".5", true), 5);
    EXPECT_EQ(SpinParse("0.0", true), 0);
    EXPECT_EQ(SpinParse("-1.5", true), -15);
    EXPECT_EQ(SpinParse("+7", true), 70);
}

TEST(SpinNumValue, TextsThatAreNoNumberGiveMinValue) {
    for (const char* text : {"4,5", "", "-", "+", "5-", ".", "-.", "4.x", "1 0"}) {
        EXPECT_FALSE(SpinParse(text, true).has_value()) << text;
        EXPECT_EQ(SpinValueOf(text, true, 7), 7) << text;
    }
    for (const char* text : {"", "-", "5-", "4.5", "1e3", " 5", "99999999999"}) {
        EXPECT_FALSE(SpinParse(text, false).has_value()) << text;
        EXPECT_EQ(SpinValueOf(text, false, -3), -3) << text;
    }
    EXPECT_EQ(SpinValueOf("0050", false, 9), 50);
    EXPECT_EQ(SpinValueOf("-12", false, 9), -12);
}

TEST(SpinNumValue, HugeDecimalTextSaturatesInsteadOfWrapping) {
    EXPECT_EQ(SpinParse("300000000", true), INT_MAX);
    EXPECT_EQ(SpinParse("-300000000", true), INT_MIN);
    EXPECT_EQ(SpinParse("99999999999999999999", true), INT_MAX);
}

TEST(SpinNumValue, FormatShowsOneDecimalInDecimalMode) {
    EXPECT_EQ(SpinFormat(1100, true), "110.0");
    EXPECT_EQ(SpinFormat(5, true), "0.5");
    EXPECT_EQ(SpinFormat(0, true), "0.0");
    EXPECT_EQ(SpinFormat(7, true), "0.7");
    EXPECT_EQ(SpinFormat(-15, true), "-1.5");
    EXPECT_EQ(SpinFormat(INT_MIN, true), "-214748364.8");
    EXPECT_EQ(SpinFormat(1100, false), "1100");
    EXPECT_EQ(SpinFormat(-42, false), "-42");
    // What is formatted reads back as itself.
    for (int v : {0, 1, 9, 10, 455, 935, 1100, INT_MAX})
        EXPECT_EQ(SpinParse(SpinFormat(v, true), true), v) << v;
}

TEST(SpinNumValue, ClampHasNoBoundWhenMinEqualsMax) {
    EXPECT_EQ(SpinClamp(5000, 0, 0), 5000);
    EXPECT_EQ(SpinClamp(-5000, 3, 3), -5000);
    EXPECT_EQ(SpinClamp(2000, 0, 1100), 1100);
    EXPECT_EQ(SpinClamp(-1, 0, 1100), 0);
    EXPECT_EQ(SpinClamp(50, 0, 1100), 50);
}

TEST(SpinNumValue, StepSaturatesAtTheLimits) {
    EXPECT_EQ(SpinStep(5, 1), 6);
    EXPECT_EQ(SpinStep(5, -10), -5);
    EXPECT_EQ(SpinStep(INT_MAX, 1), INT_MAX);
    EXPECT_EQ(SpinStep(INT_MIN, -1), INT_MIN);
}

TEST(SpinNumValue, CharacterFilter) {
    for (unsigned char c : {'0', '9', '+', '-'}) {
        EXPECT_TRUE(SpinIsValidChar(c, false, true)) << c;
        EXPECT_TRUE(SpinIsValidChar(c, true, true)) << c;
    }
    EXPECT_FALSE(SpinIsValidChar('.', false, true));
    EXPECT_TRUE(SpinIsValidChar('.', true, true));
    for (int c : {int('a'), int(','), int(' '), int('e'), 127, 200}) EXPECT_FALSE(SpinIsValidChar(static_cast<unsigned char>(c), true, true)) << c;
    EXPECT_TRUE(SpinIsValidChar(8, false, true));    // backspace
    EXPECT_TRUE(SpinIsValidChar(22, false, true));   // paste shortcut
    EXPECT_FALSE(SpinIsValidChar(13, false, true));  // Enter never reaches the text
}

TEST(SpinNumValue, FilterWithEditorDisabledKeepsOnlyControlCharacters) {
    for (unsigned char c : {'0', '5', '+', '-', '.'}) EXPECT_FALSE(SpinIsValidChar(c, true, false)) << c;
    EXPECT_FALSE(SpinIsValidChar(8, true, false));   // backspace refused
    EXPECT_FALSE(SpinIsValidChar(13, true, false));
    EXPECT_TRUE(SpinIsValidChar(22, true, false));   // the paste itself is then ignored
    EXPECT_TRUE(SpinIsValidChar(3, false, false));   // copy
}

TEST(SpinNumValue, RaiseToFloorStopsAtTheFloorCappedAtTheMaximum) {
    const struct {
        int v;
        std::optional<int> floor;
        int max;
        int expected;
    } cases[] = {{50, std::nullopt, 935, 50}, {50, 200, 935, 200}, {200, 200, 935, 200},
                 {300, 200, 935, 300},       {50, 2000, 935, 935}, {-5, 0, 935, 0}};
    for (const auto& c : cases) EXPECT_EQ(RaiseToFloor(c.v, c.floor, c.max), c.expected) << c.v << " " << c.max;
}
