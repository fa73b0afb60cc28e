// A tenths attenuator's box against the simulator: it moves in the
// half-decibel steps the attenuator takes, shows what was sent, and ends
// every set showing what the attenuator read back.

#include "MainFormFixture.h"

#include <QTest>

namespace {

class TenthsBoxTest : public MainFormTest {
protected:
    std::string Text(int n) const { return Box(n)->SpinEdit()->text().toStdString(); }
    bool SetEnded(int n) const { return !form->Link(n - 1)->Verifying(); }
    // Every attenuation command an attenuator received took a multiple of 5.
    bool AllHalfSteps(int att) const {
        for (const auto& l : sim.Lines(simIndex[att]))
            if (l.line.rfind("ATT 0 ", 0) == 0 && std::stoi(l.line.substr(6)) % 5 != 0) return false;
        return true;
    }
    // The operator's keyboard goes to box n's edit.
    void FocusEdit(int n) {
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        Box(n)->SpinEdit()->setFocus();
        ASSERT_TRUE(WaitUntil([&] { return Box(n)->SpinEdit()->hasFocus(); }));
    }
};

TEST_F(TenthsBoxTest, MovesInHalfStepsAndShowsWhatIsSent) {
    Serve({{935, "TEN1", 0}, {63, "DB01", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "TEN1"));
    ASSERT_TRUE(WaitUsable(2, "DB01"));
    ASSERT_TRUE(WaitUntil([&] { return Text(1) == "0.0"; }));
    ASSERT_TRUE(WaitSettled(1));
    ASSERT_TRUE(WaitSettled(2));

    // One click on the up arrow: half a decibel, shown and sent.
    QTest::mouseClick(Box(1)->SpinEdit()->Arrows()->UpButton(), Qt::LeftButton);
    EXPECT_EQ(Text(1), "0.5");
    ASSERT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == 5 && SetEnded(1); }));
    EXPECT_EQ(CountOnWire(0, "ATT 0 005"), 1);
    // The whole-decibel box steps by 1 dB as ever.
    QTest::mouseClick(Box(2)->SpinEdit()->Arrows()->UpButton(), Qt::LeftButton);
    EXPECT_EQ(Text(2), "1");
    ASSERT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[1]) == 1 && SetEnded(2); }));
    EXPECT_EQ(CountOnWire(1, "ATT 0 001"), 1);

    // 57.3 typed: 57.5 is shown as Enter sends it.
    ASSERT_TRUE(WaitSettled(1));
    FocusEdit(1);
    Box(1)->SpinEdit()->selectAll();
    QTest::keyClicks(Box(1)->SpinEdit(), "57.3");
    QTest::keyClick(Box(1)->SpinEdit(), Qt::Key_Return);
    EXPECT_EQ(Text(1), "57.5");
    ASSERT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == 575 && SetEnded(1); }));
    PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
    EXPECT_EQ(Text(1), "57.5");
    EXPECT_EQ(CountOnWire(0, "ATT 0 575"), 1);
    EXPECT_TRUE(AllHalfSteps(0));
}

TEST_F(TenthsBoxTest, EverySetEndsShowingTheReadBackButNeverOverTheOperatorsTyping) {
    Serve({{935, "RB01", 0}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "RB01"));
    ASSERT_TRUE(WaitSettled(1));

    // A confirmed set made by the program rather than from the box: the box
    // shows the read-back, and its echo is not sent again.
    form->SetAttenuator(1, "0", 300);
    ASSERT_TRUE(WaitUntil([&] { return Text(1) == "30.0" && SetEnded(1); }));
    PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
    EXPECT_EQ(CountOnWire(0, "ATT 0 300"), 1);
    EXPECT_FALSE(form->Link(0)->IgnoreNextChange());

    // An attenuator that holds half a decibel less than it is set to: the
    // set fails after three re-sends, and the box shows what it holds.
    TSimFaults low;
    low.readbackOffset = -5;
    sim.SetFaults(simIndex[0], low);
    Box(1)->SetValue(400);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire(0, "ATT 0 400") == 4 && SetEnded(1); }));
    EXPECT_EQ(Text(1), "39.5");
    PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
    EXPECT_EQ(CountOnWire(0, "ATT 0 395"), 0);
    EXPECT_EQ(CountOnWire(0, "ATT 0 400"), 4);

    // While the operator types, a set that ends leaves the typed text alone;
    // Enter sends what was typed.
    ASSERT_TRUE(WaitSettled(1, 2));
    FocusEdit(1);
    Box(1)->SpinEdit()->selectAll();
    QTest::keyClicks(Box(1)->SpinEdit(), "12");
    form->SetAttenuator(1, "0", 200);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire(0, "ATT 0 200") == 4 && SetEnded(1); }));
    PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
    EXPECT_EQ(Text(1), "12");
    QTest::keyClick(Box(1)->SpinEdit(), Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return CountOnWire(0, "ATT 0 120") == 1; }));
}

}  // namespace
