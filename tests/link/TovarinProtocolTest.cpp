#include "link/TovarinProtocol.h"

#include <gtest/gtest.h>

TEST(TovarinProtocol, AttCommandsHaveAtLeastThreeDigits) {
    EXPECT_EQ(FormatAttCommand("0", 57), "ATT 0 057");
    EXPECT_EQ(FormatAttCommand("0", 0), "ATT 0 000");
    EXPECT_EQ(FormatAttCommand("0", 935), "ATT 0 935");
    EXPECT_EQ(FormatAttCommand("0", 1200), "ATT 0 1200");
}

TEST(TovarinProtocol, RoundToHalfStep) {
    const int cases[][2] = {{572, 570}, {573, 575}, {577, 575}, {578, 580}, {935, 935},
                            {0, 0}, {9, 10}, {2, 0}, {3, 5}, {999, 1000}};
    for (const auto& c : cases) EXPECT_EQ(RoundToHalfStep(c[0]), c[1]) << c[0];
}
