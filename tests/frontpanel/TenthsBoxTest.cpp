// A tenths attenuator's box against the simulator: it moves in the
// half-decibel steps the attenuator takes, shows what was sent, and ends
// every set showing what the attenuator read back.

#include "MainFormFixture.h"

#include "controls/SlideBar.h"
#include "frontpanel/RemotePanel.h"

#include <QLabel>
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

TEST_F(TenthsBoxTest, AScriptsSetWhileTheOperatorTypesWaitsForTheirEnterOrEscape) {
    Serve({{935, "SCR1", 100}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "SCR1"));
    ASSERT_TRUE(WaitSettled(1));
    TFrontPanelRemote remote(*form);
    struct TCase {
        const char* typed;
        const char* script;     // dB, as a script sends it
        const char* scriptLine;
        Qt::Key key;            // what the operator presses then
        const char* shown;      // the box after the key
        int held;               // the attenuator after the key
    };
    const TCase cases[] = {
        {"22.5", "40", "ATT 0 400", Qt::Key_Return, "22.5", 225},  // Enter sends the operator's value
        {"33", "45", "ATT 0 450", Qt::Key_Escape, "45.0", 450},    // Escape shows what the script set
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(WaitSettled(1));
        const int bar = Box(1)->SlideBar()->Position();
        FocusEdit(1);
        Box(1)->SpinEdit()->selectAll();
        QTest::keyClicks(Box(1)->SpinEdit(), c.typed);
        const int sets = CountOnWire(0, c.scriptLine);
        EXPECT_FALSE(remote.Core().SetAttenuation(1, c.script).Refusal);
        ASSERT_TRUE(WaitUntil([&] { return CountOnWire(0, c.scriptLine) == sets + 1 && SetEnded(1); }));
        PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
        EXPECT_EQ(Text(1), c.typed);  // the operator's text, caret and all
        EXPECT_EQ(Box(1)->SlideBar()->Position(), bar);
        QTest::keyClick(Box(1)->SpinEdit(), c.key);
        EXPECT_EQ(Text(1), c.shown);
        EXPECT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == c.held && SetEnded(1); }));
        PumpEvents(2 * TAttGroupBox::kChangeDelayMs);
        EXPECT_EQ(Text(1), c.shown);
        EXPECT_EQ(Box(1)->SlideBar()->Position(), Box(1)->Value());
    }
    EXPECT_EQ(CountOnWire(0, "ATT 0 225"), 1);
    EXPECT_EQ(CountOnWire(0, "ATT 0 330"), 0);  // the dropped entry is never sent
}

TEST_F(TenthsBoxTest, RefusedCharactersAreToldInTheStatusBarAndACommaIsTheTenthsPoint) {
    Serve({{935, "TEN1", 0}, {63, "DB01", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "TEN1"));
    ASSERT_TRUE(WaitUsable(2, "DB01"));
    struct TCase {
        int box;
        const char* typed;
        const char* shown;   // after Enter
        const char* status;  // status panel 0 after typing
        const char* line;    // sent on Enter
    };
    const TCase cases[] = {
        {1, "57,5", "57.5", "", "ATT 0 575"},
        {2, "20.5", "20", "Whole decibels only", "ATT 0 020"},  // never 205 (sent as the maximum, 063)
        {2, "31,5", "31", "Whole decibels only", "ATT 0 031"},
        {2, "4x2", "42", "Digits only", "ATT 0 042"},
        {1, "1a2", "12.0", "Digits only", "ATT 0 120"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.typed);
        ASSERT_TRUE(WaitSettled(c.box));
        form->StatusPanels[0]->clear();
        FocusEdit(c.box);
        Box(c.box)->SpinEdit()->selectAll();
        QTest::keyClicks(Box(c.box)->SpinEdit(), c.typed);
        EXPECT_EQ(form->StatusPanels[0]->text().toStdString(), c.status);
        QTest::keyClick(Box(c.box)->SpinEdit(), Qt::Key_Return);
        EXPECT_EQ(Text(c.box), c.shown);
        ASSERT_TRUE(WaitUntil([&] { return CountOnWire(c.box - 1, c.line) == 1 && SetEnded(c.box); }));
    }
    EXPECT_EQ(CountOnWire(1, "ATT 0 063"), 0);
    EXPECT_EQ(CountOnWire(0, "ATT 0 935"), 0);
    EXPECT_TRUE(WaitUntil([&] { return form->StatusPanels[0]->text().isEmpty(); }, 2 * TMainForm::kHintMs));
}

}  // namespace
