// The three rules and the mapping between configurations and link links.

#include <gtest/gtest.h>

#include "config/RackConfiguration.h"
#include "RecordingHost.h"

namespace {

RackConfiguration Make(const std::string& ip1, std::array<bool, 4> on1, const std::string& ip2,
                       std::array<bool, 4> on2) {
    RackConfiguration c = RackConfiguration::Defaults();
    c.Racks[0].IPAddress = ip1;
    c.Racks[0].AttEnabled = on1;
    c.Racks[1].IPAddress = ip2;
    c.Racks[1].AttEnabled = on2;
    return c;
}

using Msgs = std::vector<std::string>;
constexpr std::array<bool, 4> None{};
constexpr std::array<bool, 4> All{true, true, true, true};

}  // namespace

TEST(ConfigRules, EachRuleWithItsMessage) {
    EXPECT_EQ(ConfigErrors(Make("", None, "", None)), Msgs{});
    EXPECT_EQ(ConfigErrors(Make("10.0.0.1", All, "10.0.0.2", All)), Msgs{});
    EXPECT_TRUE(CheckAttCount(Make("10.0.0.1", All, "10.0.0.2", All)));

    // Texts are compared exactly as typed.
    EXPECT_EQ(ConfigErrors(Make("10.0.0.1", None, "10.0.0.1", {false, true})), Msgs{"Error on rack IP address."});
    EXPECT_TRUE(CheckRackIPs(Make("10.0.0.1", None, "10.0.0.1 ", None)));
    EXPECT_TRUE(CheckRackIPs(Make("", None, "", None)));
    EXPECT_TRUE(CheckRackIPs(Make("host", None, "", None)));
    EXPECT_FALSE(CheckRackIPs(Make("host", None, "host", None)));
    EXPECT_TRUE(CheckRackIPs(Make("Host", None, "host", None)));

    // An enabled attenuator needs its rack's IP, whatever the other rack.
    EXPECT_EQ(ConfigErrors(Make("10.0.0.1", All, "", {false, false, false, true})),
              Msgs{"Error: Attenuators with no IP."});
    EXPECT_EQ(ConfigErrors(Make("", {true}, "", None)), Msgs{"Error: Attenuators with no IP."});
    EXPECT_TRUE(CheckAttsHaveIP(Make("10.0.0.1", All, "", None)));

}

TEST(ConfigSlots, EnabledAttenuatorsArePackedIntoTheLowestSlots) {
    TRecordingHost host;
    // Slots left enabled by an earlier configuration are reset first.
    for (int s = 0; s < LinkSlotCount; ++s) host.links[s] = {"old", "10001", true};
    ApplyConfig(Make("10.0.0.1", {false, true, false, false}, "10.0.0.2", {true, false, false, true}), host);
    EXPECT_EQ(host.SlotSummary(), (std::vector<std::string>{"10.0.0.1:10002", "10.0.0.2:10001", "10.0.0.2:10004",
                                                            "-", "-", "-", "-", "-"}));
    EXPECT_EQ(host.log, (std::vector<std::string>{"ResetLinks", "SetAttIP 0 10.0.0.1", "SetAttPort 0 10002",
                                                  "Enabled 0 on", "SetAttIP 1 10.0.0.2", "SetAttPort 1 10001",
                                                  "Enabled 1 on", "SetAttIP 2 10.0.0.2", "SetAttPort 2 10004",
                                                  "Enabled 2 on"}));

    host.log.clear();
    ApplyConfig(Make("", None, "", None), host);
    EXPECT_EQ(host.log, std::vector<std::string>{"ResetLinks"});
    EXPECT_EQ(host.SlotSummary(), std::vector<std::string>(8, "-"));

    ApplyConfig(Make("a", All, "b", All), host);
    EXPECT_EQ(host.SlotSummary(),
              (std::vector<std::string>{"a:10001", "a:10002", "a:10003", "a:10004", "b:10001", "b:10002", "b:10003",
                                        "b:10004"}));
}

TEST(ConfigSlots, RebuildingFromSlotsGivesTheSameSlotsBack) {
    const RackConfiguration applied = Make("10.0.0.1", {false, true, true, false}, "10.0.0.2", {true, false, false, true});
    TRecordingHost host;
    ApplyConfig(applied, host);
    const auto links = host.SlotSummary();

    RackConfiguration rebuilt;
    FillFromLinks(host, rebuilt);
    EXPECT_EQ(rebuilt.Racks[0].IPAddress, "10.0.0.1");
    EXPECT_EQ(rebuilt.Racks[1].IPAddress, "10.0.0.2");
    EXPECT_EQ(rebuilt.Racks[0].AttEnabled, applied.Racks[0].AttEnabled);
    EXPECT_EQ(rebuilt.Racks[1].AttEnabled, applied.Racks[1].AttEnabled);
    EXPECT_EQ(rebuilt.Racks[0].Name, "");

    TRecordingHost again;
    ApplyConfig(rebuilt, again);
    EXPECT_EQ(again.SlotSummary(), links);
}

TEST(ConfigSlots, ThirdAddressAndUnknownPortsAreDropped) {
    TRecordingHost host;
    host.links[0] = {"first", "10001", true};
    host.links[1] = {"second", "10002", true};
    host.links[2] = {"first", "10004", true};
    host.links[3] = {"third", "10003", true};
    host.links[4] = {"second", "9999", true};
    host.links[5] = {"second", "10003", false};  // disabled: ignored
    RackConfiguration c;
    FillFromLinks(host, c);
    EXPECT_EQ(c.Racks[0].IPAddress, "first");
    EXPECT_EQ(c.Racks[0].AttEnabled, (std::array<bool, 4>{true, false, false, true}));
    EXPECT_EQ(c.Racks[1].IPAddress, "second");
    EXPECT_EQ(c.Racks[1].AttEnabled, (std::array<bool, 4>{false, true, false, false}));

    // Flags are only ever set by a placement.
    PlaceAttenuator(c, "first", "10004");
    PlaceAttenuator(c, "third", "10001");
    EXPECT_EQ(c.Racks[0].AttEnabled, (std::array<bool, 4>{true, false, false, true}));
    EXPECT_EQ(c.Racks[1].AttEnabled, (std::array<bool, 4>{false, true, false, false}));
}
