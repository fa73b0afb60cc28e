#include "frontpanel/FrontPanelRules.h"
#include "link/AttenuatorRules.h"
#include "link/AttUnits.h"

#include <gtest/gtest.h>

TEST(FrontPanelLogic, StatusCaptions) {
    EXPECT_EQ(LinkStatusCaption(4, false, "Wait...", ""), "disabled.");
    EXPECT_EQ(LinkStatusCaption(6, false, "Wait...", "Connection refused"), "disabled.");
    EXPECT_EQ(LinkStatusCaption(0, true, "", ""), "TCP Open link.");
    EXPECT_EQ(LinkStatusCaption(1, true, "", ""), "TCP link Closed.");
    EXPECT_EQ(LinkStatusCaption(2, true, "", ""), "No attenuator");
    EXPECT_EQ(LinkStatusCaption(3, true, "", ""), "IDN received Ok.");
    EXPECT_EQ(LinkStatusCaption(4, true, "Wait...", ""), "Wait...");
    EXPECT_EQ(LinkStatusCaption(5, true, "", ""), "Manual mode.");
    EXPECT_EQ(LinkStatusCaption(6, true, "", "Connection refused"), "Connection refused");
    EXPECT_EQ(LinkStatusCaption(7, true, "", ""), "TCP Dialog Error.");
    EXPECT_EQ(LinkStatusCaption(8, true, "", ""), "Unknow state.");
    EXPECT_TRUE(LinkStatusUsable(4, true));
    EXPECT_FALSE(LinkStatusUsable(4, false));
    EXPECT_FALSE(LinkStatusUsable(3, true));
}

TEST(FrontPanelLogic, CommonMaximum) {
    EXPECT_EQ(ComputeCommonMaxAtt({}), 935);
    EXPECT_EQ(ComputeCommonMaxAtt({935, 630}), 630);
    EXPECT_EQ(ComputeCommonMaxAtt({1200}), 1200);  // above 999: the largest
    EXPECT_EQ(ComputeCommonMaxAtt({63, 935}), 63);
    EXPECT_EQ(ComputeCommonMaxAtt({1200, 630}), 630);
}

TEST(FrontPanelLogic, ParkLevelIsTheCommonMaximumInEachAttenuatorsOwnUnit) {
    EXPECT_EQ(ParkLevel({935, 630}, 630, 935), 630);  // one unit: the common maximum
    EXPECT_EQ(ParkLevel({63, 31}, 31, 63), 31);
    // 100 dB beside 63.0 dB: the plain common maximum 100 would be 10.0 dB.
    EXPECT_EQ(ParkLevel({100, 630}, 100, 630), 630);
    EXPECT_EQ(ParkLevel({100, 630}, 100, 100), 63);
    EXPECT_EQ(ParkLevel({31, 935}, 31, 0), 31);  // no maximum of its own: the common unit
    EXPECT_EQ(ParkLevel({63, 633}, 63, 633), 630);  // a half-decibel step, never above
}

TEST(FrontPanelLogic, SequenceValuesTakeEachAttenuatorsUnitWithinItsMaximum) {
    // The wire tests cover both conversions; these are the edges.
    EXPECT_EQ(ToAttUnit(200, true, 63), (TAttValue{20, false}));     // whole tenths stay exact
    EXPECT_EQ(ToAttUnit(940, true, 938), (TAttValue{935, true}));    // a tenths maximum in half-decibel steps
    EXPECT_EQ(ToAttUnit(64, false, 63), (TAttValue{63, true}));
    EXPECT_EQ(ToAttUnit(935, false, 0), (TAttValue{935, false}));    // maximum not known: as it is
}

TEST(FrontPanelLogic, AnswersAreReadByPositionAndSafelyWhenShort) {
    EXPECT_EQ(AnswerValue("STA 0 057"), 57);
    EXPECT_EQ(AnswerValue("ATT 0 935"), 935);
    EXPECT_EQ(AnswerValue("STA 0 05"), 5);
    EXPECT_FALSE(AnswerValue("STA 0 "));
    EXPECT_FALSE(AnswerValue("STA"));
    EXPECT_FALSE(AnswerValue("STA 0 0x7"));
    EXPECT_FALSE(AnswerValue("NAM 0 LAB1"));
    EXPECT_EQ(AnswerName("NAM 0 LAB1"), "LAB1");
    EXPECT_EQ(AnswerName("NAM 0 LAB1XYZ"), "LAB1");
    EXPECT_EQ(AnswerName("NAM 0 AB"), "AB");
    EXPECT_EQ(AnswerName("NAM"), "");
    EXPECT_FALSE(AnswerName("STA 0 100"));
}

TEST(FrontPanelLogic, SetValuesAreRoundedOnlyForTenths) {
    EXPECT_EQ(AttenuatorSetValue(573, 935, 935), 575);
    EXPECT_EQ(AttenuatorSetValue(13, 63, 935), 13);
    EXPECT_EQ(AttenuatorSetValue(63, 935, 63), 65);
    // Without a maximum of its own the common maximum decides.
    EXPECT_EQ(AttenuatorSetValue(572, 0, 935), 570);
    EXPECT_EQ(AttenuatorSetValue(57, 0, 63), 57);
}
