#include "link/TovarinProtocol.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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

// Every reply layout, read from a table: the kind of each line and what each
// reader takes from it.
TEST(TovarinProtocol, ReplyLayoutsReadFromTheirPositions) {
    struct Row {
        const char* line;
        TReplyKind kind;
        std::optional<int> state;
        std::optional<std::string> name;
    };
    const Row rows[] = {
        {"STA 0 057", TReplyKind::State, 57, std::nullopt},
        {"ATT 0 935", TReplyKind::State, 935, std::nullopt},
        {"STA 0 05", TReplyKind::State, 5, std::nullopt},
        {"STA 0 0x5", TReplyKind::State, std::nullopt, std::nullopt},
        {"STA", TReplyKind::State, std::nullopt, std::nullopt},
        {"NAM 0 RUD2xyz", TReplyKind::Name, std::nullopt, std::string("RUD2")},
        {"NAM 0 AB", TReplyKind::Name, std::nullopt, std::string("AB")},
        {"MOD AUTO", TReplyKind::Mode, std::nullopt, std::nullopt},
        {"IDN ABC123,935,info", TReplyKind::Ident, std::nullopt, std::nullopt},
        {"sta 0 057", TReplyKind::Other, std::nullopt, std::nullopt},
        {"", TReplyKind::Other, std::nullopt, std::nullopt},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ReplyKind(r.line), r.kind) << r.line;
        EXPECT_EQ(ReadStateReply(r.line), r.state) << r.line;
        EXPECT_EQ(ReadNameReply(r.line), r.name) << r.line;
    }
    EXPECT_TRUE(ModeIsAuto("MOD AUTO"));
    EXPECT_FALSE(ModeIsAuto("MOD MANU"));
}

TEST(TovarinProtocol, IdentReplyFieldsNeedTheirSeparators) {
    struct Row {
        const char* line;
        std::string id;
        std::optional<int> max;
        std::optional<std::string> info;
    };
    const Row rows[] = {
        {"IDN ABC123,935,rack 2,extra", "ABC123", 935, std::string("rack 2")},
        {"IDN ABC123,110,v1", "ABC123", 110, std::string("v1")},
        {"IDN ABC123,110", "ABC123", 110, std::nullopt},
        {"IDN ABC123,xyz,v1", "ABC123", 0, std::string("v1")},
        {"IDN ABC123", "ABC123", std::nullopt, std::nullopt},
        {"IDN AB", "AB", std::nullopt, std::nullopt},
    };
    for (const Row& r : rows) {
        const TIdentReply ident = ReadIdentReply(r.line);
        EXPECT_EQ(ident.Id, r.id) << r.line;
        EXPECT_EQ(ident.MaxAtt, r.max) << r.line;
        EXPECT_EQ(ident.Info, r.info) << r.line;
    }
}

TEST(TovarinProtocol, PostedTextsAndCommands) {
    EXPECT_EQ(ClassifyPosted("ATT 0 057"), TPostedKind::DeviceCommand);
    EXPECT_EQ(ClassifyPosted("IDS 1"), TPostedKind::DeviceCommand);
    EXPECT_EQ(ClassifyPosted(FormatNameCommand("AB12")), TPostedKind::DeviceCommand);
    EXPECT_EQ(ClassifyPosted(ReadAttRequest), TPostedKind::ReadAtt);
    EXPECT_EQ(ClassifyPosted(RefreshRequest), TPostedKind::Refresh);
    EXPECT_EQ(ClassifyPosted(ReconfigRequest), TPostedKind::Reconfig);
    EXPECT_EQ(ClassifyPosted("XYZ"), TPostedKind::Unknown);
    EXPECT_EQ(FormatNameCommand("AB12"), "N0 AB12");
    EXPECT_EQ(FormatAttCommandText("0", "057"), "ATT 0 057");
}

TEST(TovarinProtocol, AttCommandSettingsInSixCharacterGroups) {
    EXPECT_EQ(ReadAttCommand("ATT 0 057"), (std::vector<TAttSetting>{{0, 57}}));
    EXPECT_EQ(ReadAttCommand("ATT 0 057 1 120 x 999 3 0y0 4 935"),
              (std::vector<TAttSetting>{{0, 57}, {1, 120}, {4, 935}}));
    EXPECT_TRUE(ReadAttCommand("STA 0 057").empty());
    EXPECT_TRUE(ReadAttCommand("ATT").empty());
    EXPECT_TRUE(IsAttCommand("ATT 0 057"));
    EXPECT_FALSE(IsAttCommand("STA 0 057"));
}
