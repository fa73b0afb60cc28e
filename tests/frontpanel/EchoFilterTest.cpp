// The echo decision of an attenuator box, without widgets.

#include "frontpanel/EchoFilter.h"

#include <gtest/gtest.h>

TEST(EchoFilter, OnlyTheChangeOfAReadBackIsReportedAsEcho) {
    TEchoFilter f;
    EXPECT_FALSE(f.ValueWritten(false));  // the operator's change: no echo
    EXPECT_FALSE(f.BeginReport());
    EXPECT_FALSE(f.IsEcho());
    f.EndReport();

    EXPECT_FALSE(f.ValueWritten(true));  // a read-back schedules its echo
    EXPECT_TRUE(f.Pending());
    EXPECT_TRUE(f.BeginReport());
    EXPECT_TRUE(f.IsEcho());  // while the change is being reported
    EXPECT_FALSE(f.Pending());
    f.EndReport();
    EXPECT_FALSE(f.IsEcho());
    // The next change is the operator's again.
    EXPECT_FALSE(f.BeginReport());
}

TEST(EchoFilter, AnOperatorChangeOrAbandonReplacesAPendingEcho) {
    TEchoFilter f;
    f.ValueWritten(true);
    EXPECT_TRUE(f.ValueWritten(false));  // replaced: the owner is told
    EXPECT_FALSE(f.Pending());
    EXPECT_FALSE(f.BeginReport());  // and the change is sent
    f.EndReport();

    f.ValueWritten(true);
    EXPECT_TRUE(f.Drop());   // abandoned while typing
    EXPECT_FALSE(f.Drop());  // nothing left to drop
    EXPECT_FALSE(f.BeginReport());
    f.EndReport();
    f.ValueWritten(true);
    EXPECT_FALSE(f.ValueWritten(true));  // a second read-back keeps the echo
    EXPECT_TRUE(f.Pending());
}
