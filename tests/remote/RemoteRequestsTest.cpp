// The remote control's reading of box numbers, attenuation texts and file
// names, and its answers for what it refuses.

#include "remote/RemoteRequests.h"

#include <gtest/gtest.h>

namespace {

TEST(RemoteRequests, AttenuationTextsReadInTheAttenuatorsUnit) {
    struct Case {
        const char* text;
        bool decimal;
        int max;
        int value;
    };
    for (const Case& c : {Case{"57.3", true, 935, 573}, Case{" 20 ", true, 935, 200}, Case{"93.5", true, 935, 935},
                          Case{"12.30", true, 935, 123}, Case{"0", true, 935, 0}, Case{"13", false, 63, 13},
                          Case{"13.0", false, 63, 13}, Case{"63", false, 63, 63}}) {
        const TRemoteAttenuation r = ParseRemoteAttenuation(c.text, c.decimal, c.max, 4);
        EXPECT_EQ(r.Value, c.value) << c.text << ": " << r.Problem;
    }
}

TEST(RemoteRequests, BadTextsAndNumbersAreRefusedInWords) {
    auto problem = [](const char* text, bool decimal, int max) {
        const TRemoteAttenuation r = ParseRemoteAttenuation(text, decimal, max, 3);
        EXPECT_FALSE(r.Value.has_value()) << text;
        return r.Problem;
    };
    for (const char* text : {"", "abc", "1e3", "5,5", "inf", "12.", ".5", "--1", "0x10", "1 2"})
        EXPECT_EQ(problem(text, true, 935), "\"" + std::string(text) + "\" is not an attenuation in dB.");
    EXPECT_EQ(problem("93.6", true, 935), "93.6 dB is outside 0..93.5 dB for attenuator 3.");
    EXPECT_EQ(problem("-1", true, 935), "-1 dB is outside 0..93.5 dB for attenuator 3.");
    EXPECT_EQ(problem("99999999999", false, 63), "99999999999 dB is outside 0..63 dB for attenuator 3.");
    EXPECT_EQ(problem("57.35", true, 935), "\"57.35\" has more than one decimal for attenuator 3: write tenths of a "
                                           "dB at most; they are rounded to its 0.5 dB step.");
    EXPECT_EQ(problem("13.5", false, 63), "\"13.5\" is finer than the 1 dB step for attenuator 3.");

    EXPECT_FALSE(RemoteBoxProblem(1, 8));
    EXPECT_FALSE(RemoteBoxProblem(8, 8));
    EXPECT_EQ(RemoteBoxProblem(0, 8), "There is no attenuator 0 (1..8).");
    EXPECT_EQ(RemoteBoxProblem(9, 8), "There is no attenuator 9 (1..8).");
    EXPECT_FALSE(RemoteFilesProblem({"/a/b.sqc", "/c.sqc"}));
    EXPECT_EQ(RemoteFilesProblem({"/a/b.sqc", "c.sqc"}), "\"c.sqc\" is not an absolute path.");
}

TEST(RemoteRequests, NamesAreFilledLikeTheDialogsAndSetEndsToldInWords) {
    EXPECT_EQ(ParseRemoteName("x1", 2).Name, "X1  ");
    EXPECT_EQ(ParseRemoteName("", 2).Name, "    ");
    EXPECT_EQ(ParseRemoteName("A B", 2).Name, "A B ");
    EXPECT_EQ(ParseRemoteName("ABCDE", 2).Problem,
              "\"ABCDE\" is longer than the 4 characters of a name for attenuator 2.");
    EXPECT_EQ(ParseRemoteName("A-1", 2).Problem, "\"A-1\" is not a name: only letters A..Z, digits and blanks.");

    using E = TSetOutcome::TEnd;
    auto problem = [](E end, std::optional<int> readBack, bool decimal) {
        return RemoteSetProblem(3, TSetOutcome{7, decimal ? 575 : 13, readBack, end, {}}, decimal);
    };
    EXPECT_FALSE(problem(E::Confirmed, 575, true));
    EXPECT_FALSE(problem(E::Superseded, std::nullopt, true));
    EXPECT_EQ(problem(E::Mismatch, 570, true), "Attenuator 3 was set to 57.5 dB but read back 57.0 dB.");
    EXPECT_EQ(problem(E::Mismatch, 12, false), "Attenuator 3 was set to 13 dB but read back 12 dB.");
    EXPECT_EQ(problem(E::Unreadable, std::nullopt, true), "Attenuator 3 gave no readable value back after a set to 57.5 dB.");
    EXPECT_EQ(problem(E::LinkLost, std::nullopt, false), "Attenuator 3 lost its link before it confirmed 13 dB.");
    EXPECT_EQ(RemoteReplacedProblem(3, TSetOutcome{7, 200, {}, E::Superseded, 450}, true),
              "Attenuator 3 was set to 20.0 dB but 45.0 dB replaced it before it was confirmed.");
    EXPECT_FALSE(RemoteReplacedProblem(3, TSetOutcome{7, 200, 200, E::Confirmed, {}}, true));
    // What a box that did not end parked holds, or why it is not known.
    const std::string head = "Attenuator 3 was not parked at 63 dB: ";
    EXPECT_FALSE(RemoteParkProblem(3, 63, false, true, TSetOutcome{7, 63, 63, E::Confirmed, {}}, "LAB3"));
    EXPECT_EQ(RemoteParkProblem(3, 63, false, true, TSetOutcome{7, 63, 60, E::Mismatch, {}}, "LAB3"), head + "it holds 60 dB.");
    EXPECT_EQ(RemoteParkProblem(3, 63, false, true, std::nullopt, "LAB3"), head + "it did not confirm the value in time.");
    EXPECT_EQ(RemoteParkProblem(3, 63, false, false, std::nullopt, "TCP link Closed."),
              head + "its link is down (TCP link Closed.).");
}

}  // namespace
