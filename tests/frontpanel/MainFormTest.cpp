// The front panel against simulated racks: start-up, link reports, hand
// changes with read-back, naming, refresh, and parking at close.

#include "MainFormFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "frontpanel/HelpViewer.h"
#include "controls/SlideBar.h"
#include "frontpanel/NameAttForm.h"
#include "controls/SpinNumValue.h"

namespace {

TEST_F(MainFormTest, CancelAtStartUpEndsTheProgramAndStillWritesTheSettings) {
    Serve({{935, "LAB1", 0}});
    WriteSettings(WriteConfig({0}));
    EXPECT_FALSE(Start(false));
    // The window closes through the normal close path once events run.
    ASSERT_TRUE(WaitUntil([&] { return !form->isVisible(); }));
    const QString settings = home.path() + "/config/ORVELT/Quadrell 2x4 Atts Lintera/" + SettingsFileName();
    QFile::remove(settings);
    form.reset();
    EXPECT_TRUE(QFile::exists(settings));
    EXPECT_EQ(sim.Accepted(simIndex[0]), 0);  // no link was ever allowed to connect
}

TEST_F(MainFormTest, BoxesFollowTheirLinksPackedIntoTheLowestSlots) {
    // Rack 1 Att 2, rack 2 Att 1 and Att 4 (rack 2 Att 4 refuses connections).
    Serve({{935, "R1A1", 0}, {935, "R1A2", 100}, {935, "R1A3", 0}, {935, "R1A4", 0},
           {63, "R2A1", 13}, {935, "R2A2", 0}, {935, "R2A3", 0}, {935, "R2A4", 0}});
    TSimFaults refuse;
    refuse.refuseConnections = true;
    sim.SetFaults(simIndex[7], refuse);
    WriteSettings(WriteConfig({1, 4, 7}));
    ASSERT_TRUE(Start());
    EXPECT_EQ(form->ConfigHost().SlotIP(0), ip1);
    EXPECT_EQ(form->ConfigHost().SlotPort(0), "10002");
    EXPECT_EQ(form->ConfigHost().SlotIP(1), ip2);
    EXPECT_EQ(form->ConfigHost().SlotPort(1), "10001");
    EXPECT_EQ(form->ConfigHost().SlotPort(2), "10004");
    ASSERT_TRUE(WaitUsable(1, "R1A2"));
    ASSERT_TRUE(WaitUsable(2, "R2A1"));
    ASSERT_TRUE(WaitUntil([&] { return Caption(3) == "Connection refused"; }));
    for (int n = 4; n <= 8; ++n) {
        EXPECT_EQ(Caption(n), "disabled.") << n;
        EXPECT_FALSE(Box(n)->isEnabled());
        EXPECT_FALSE(form->NameButtons[n - 1]->isEnabled());
    }
    // Tenths and whole decibels, each with its read value.
    ASSERT_TRUE(WaitUntil([&] { return Box(1)->Value() == 100 && Box(2)->Value() == 13; }));
    EXPECT_EQ(Box(1)->MaxValue(), 935);
    EXPECT_TRUE(Box(1)->Decimal());
    EXPECT_EQ(Box(2)->MaxValue(), 63);
    EXPECT_FALSE(Box(2)->Decimal());
    EXPECT_FALSE(Box(3)->isEnabled());
    EXPECT_EQ(form->CommonMaxAtt(), 63);
    EXPECT_EQ(form->StatusPanels[2]->text(), "Configuration: bench");
}

TEST_F(MainFormTest, HandChangesAreRoundedForTenthsAndSentWithReadBack) {
    Serve({{935, "TEN1", 0}, {63, "DB01", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "TEN1"));
    ASSERT_TRUE(WaitUsable(2, "DB01"));
    ASSERT_TRUE(WaitUntil([&] { return Box(1)->SpinEdit()->text() == "0.0"; }));
    ASSERT_TRUE(WaitSettled(1));
    ASSERT_TRUE(WaitSettled(2));
    Box(1)->SetValue(573);  // 57.3 dB
    Box(2)->SetValue(13);
    ASSERT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == 575 && sim.Attenuation(simIndex[1]) == 13; }));
    EXPECT_EQ(CountOnWire(0, "ATT 0 575"), 1);
    EXPECT_EQ(CountOnWire(1, "ATT 0 013"), 1);
    // Each set is read back.
    ASSERT_TRUE(WaitUntil([&] { return !form->Link(0)->Verifying() && !form->Link(1)->Verifying(); }));
    EXPECT_EQ(CountOnWire(0, "STA?"), 2);
}

// Hears what the bench tells after the window and notes what the box shows
// at that moment: whoever else listens (the remote control) learns of a
// status, a read-back or a set's end only once the box shows it.
struct TBoxOrderWatch : TBenchObserver {
    explicit TBoxOrderWatch(TMainForm& f) : form(f) {}
    void BoxShown(int n, TBoxFact fact, const std::string& text) override {
        const TAttGroupBox* box = form.AttGroupBoxes[n - 1];
        if (fact == TBoxFact::Attenuation) {
            ++values;
            if (box->SpinEdit()->text().toStdString() != text) late.push_back("value " + text);
        } else if (box->title().toStdString() != text) {
            late.push_back("caption " + text);
        } else if (fact == TBoxFact::Status && box->isEnabled() != form.Bench().BoxState(n).Usable) {
            late.push_back("usable " + text);
        }
    }
    void SetEnded(int n, const TSetOutcome& outcome) override {
        ++ends;
        const std::string shown = form.AttGroupBoxes[n - 1]->SpinEdit()->text().toStdString();
        if (outcome.ReadBack && outcome.End != TSetOutcome::TEnd::Superseded &&
            SpinFormat(*outcome.ReadBack, true) != shown) late.push_back("set end " + shown);
    }
    TMainForm& form;
    int values = 0;
    int ends = 0;
    std::vector<std::string> late;
};

TEST_F(MainFormTest, OthersHearOfStatusesReadBacksAndSetEndsOnlyOnceTheBoxShowsThem) {
    Serve({{935, "ORD1", 120}});
    WriteSettings(WriteConfig({0}));
    std::unique_ptr<TBoxOrderWatch> watch;
    ASSERT_TRUE(Start(true, [&] {
        watch = std::make_unique<TBoxOrderWatch>(*form);
        form->Bench().AddObserver(watch.get());
    }));
    ASSERT_TRUE(WaitUsable(1, "ORD1"));
    ASSERT_TRUE(WaitSettled(1));
    Box(1)->SetValue(300);
    ASSERT_TRUE(WaitUntil([&] { return watch->ends == 1; }));
    form->RequestLinkRefresh(1);
    ASSERT_TRUE(WaitSettled(1, 2));
    EXPECT_GE(watch->values, 3);  // the first read-back, the set's, the refresh's
    EXPECT_EQ(watch->late, std::vector<std::string>{});
    form->Bench().RemoveObserver(watch.get());
}

TEST_F(MainFormTest, ReadBackEchoIsSwallowedAndNotSentBack) {
    Serve({{935, "ECHO", 250}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "ECHO"));
    ASSERT_TRUE(WaitUntil([&] { return Box(1)->Value() == 250; }));
    // The value written by the read-back raises a change 300 ms later: it is
    // recognised as the echo and nothing is sent.
    PumpEvents(700);
    EXPECT_EQ(CountOnWire(0, "ATT 0 250"), 0);
    // The next real change is sent.
    Box(1)->SetValue(300);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire(0, "ATT 0 300") == 1; }));
}

TEST_F(MainFormTest, ReadBackThatOnlyReformatsTheTextIsNotSentBack) {
    // At start-up a box shows "0"; the read value 0 of a tenths attenuator
    // is the same value but turns the text into "0.0".
    Serve({{935, "ZERO", 0}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "ZERO"));
    ASSERT_TRUE(WaitUntil([&] { return Box(1)->SpinEdit()->text() == "0.0"; }));
    PumpEvents(700);
    EXPECT_EQ(CountOnWire(0, "ATT 0 000"), 0);
    // Nothing is left to swallow the operator's next change.
    Box(1)->SetValue(300);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire(0, "ATT 0 300") == 1; }));
}

TEST_F(MainFormTest, EchoFlagLeftWhileTypingDoesNotSwallowTheNextChange) {
    Serve({{935, "TYPE", 100}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "TYPE"));
    ASSERT_TRUE(WaitSettled(1));
    // The operator starts typing; meanwhile the link reconnects and writes
    // the read value into the box, which reports nothing while typing.
    Box(1)->SpinEdit()->setFocus();
    QTest::keyClick(Box(1)->SpinEdit(), Qt::Key_End);
    QTest::keyClicks(Box(1)->SpinEdit(), "5");
    sim.SetAttenuation(simIndex[0], 200);
    form->RequestLinkRefresh(1);
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(simIndex[0]) == 2 && CountOnWire(0, "STA?") == 2; }));
    PumpEvents(500);
    // The operator's next change is sent.
    Box(1)->SpinEdit()->clear();
    QTest::keyClicks(Box(1)->SpinEdit(), "42.5");
    QTest::keyClick(Box(1)->SpinEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire(0, "ATT 0 425") >= 1; }));
}

TEST_F(MainFormTest, OperatorChangeThatDropsOrReplacesAPendingEchoIsSent) {
    Serve({{935, "ECHO", 100}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "ECHO"));
    ASSERT_TRUE(WaitSettled(1));
    TSpinNumEdit* edit = Box(1)->SpinEdit();
    // A reconnection writes a new read-back into the box; its echo is pending.
    auto echoPending = [&](int value) {
        sim.SetAttenuation(simIndex[0], value);
        form->RequestLinkRefresh(1);
        return WaitUntil([&] { return Box(1)->Value() == value && Box(1)->ChangePending(); });
    };
    // The operator starts typing at once: the echo is dropped while typing,
    // and Return sends what was typed.
    ASSERT_TRUE(echoPending(200));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "42");
    PumpEvents(400);
    QTest::keyClicks(edit, ".5");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == 425; }, 3000));
    // A move made while the echo is pending replaces it and is sent.
    ASSERT_TRUE(WaitUntil([&] { return !form->Link(0)->Verifying(); }));
    ASSERT_TRUE(echoPending(300));
    Box(1)->SlideBar()->SetPosition(555);
    EXPECT_TRUE(WaitUntil([&] { return sim.Attenuation(simIndex[0]) == 555; }, 3000));
    // Nothing is left to swallow the operator's next change.
    ASSERT_TRUE(WaitUntil([&] { return !form->Link(0)->Verifying() && !Box(1)->ChangePending(); }));
    Box(1)->SetValue(600);
    EXPECT_TRUE(WaitUntil([&] { return CountOnWire(0, "ATT 0 600") == 1; }, 3000));
}

TEST_F(MainFormTest, CommonMaximumIsTheSmallestUsableMaximum) {
    Serve({{935, "A935", 0}, {630, "A630", 0}, {63, "AD63", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    EXPECT_EQ(form->CommonMaxAtt(), 935);  // none usable yet
    ASSERT_TRUE(WaitUsable(1, "A935"));
    ASSERT_TRUE(WaitUsable(2, "A630"));
    EXPECT_EQ(form->CommonMaxAtt(), 630);
}

TEST_F(MainFormTest, WholeDecibelMaximumComparesAsAPlainNumberButParksEachInItsOwnUnit) {
    Serve({{935, "A935", 500}, {63, "AD63", 10}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "A935"));
    ASSERT_TRUE(WaitUsable(2, "AD63"));
    EXPECT_EQ(form->CommonMaxAtt(), 63);
    form->close();
    form.reset();
    EXPECT_EQ(CountOnWire(0, "ATT 0 630"), 2);  // 63.0 dB, not 6.5 dB
    EXPECT_EQ(CountOnWire(1, "ATT 0 063"), 2);
}

TEST_F(MainFormTest, RefreshIsLockedOutForFiveSecondsAndReconnectsEveryLink) {
    Serve({{935, "REF1", 0}, {935, "REF2", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "REF1"));
    ASSERT_TRUE(WaitUsable(2, "REF2"));
    form->miRefresh->trigger();
    EXPECT_FALSE(form->miRefresh->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(simIndex[0]) == 2 && sim.Accepted(simIndex[1]) == 2; }));
    EXPECT_FALSE(form->miRefresh->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return form->miRefresh->isEnabled(); }, 8000));
}

TEST_F(MainFormTest, ConfigurationFromTheMenuReconnectsWithTheNewSlots) {
    Serve({{935, "CF01", 0}, {935, "CF02", 0}});
    WriteSettings(WriteConfig({1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "CF02"));
    EXPECT_EQ(Caption(2), "disabled.");
    // Enable rack 1 Att 1 as well: it takes slot 0, and Att 2 moves to slot 1.
    WhenShown<TConfigForm>([](TConfigForm* d) {
        d->EnableAttRack1[0]->setChecked(true);
        d->OkBtn->click();
    });
    form->miConfiguration->trigger();
    EXPECT_EQ(form->ConfigHost().SlotPort(0), "10001");
    EXPECT_EQ(form->ConfigHost().SlotPort(1), "10002");
    ASSERT_TRUE(WaitUsable(1, "CF01"));
    ASSERT_TRUE(WaitUsable(2, "CF02"));
    EXPECT_EQ(sim.Accepted(simIndex[1]), 2);  // dropped and reconnected
}

TEST_F(MainFormTest, RefreshEventRefreshesOneLinkAndIgnoresOtherNumbers) {
    Serve({{935, "EV01", 0}, {935, "EV02", 0}});
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "EV01"));
    ASSERT_TRUE(WaitUsable(2, "EV02"));
    QCoreApplication::postEvent(form.get(), new TLinkRefreshEvent(9));
    QCoreApplication::postEvent(form.get(), new TLinkRefreshEvent(0));
    QCoreApplication::postEvent(form.get(), new TLinkRefreshEvent(2));
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(simIndex[1]) == 2; }));
    PumpEvents(300);
    EXPECT_EQ(sim.Accepted(simIndex[0]), 1);
}

TEST_F(MainFormTest, ClosingParksEveryUsableAttenuatorTwiceAtTheCommonMaximum) {
    Serve({{935, "PK01", 0}, {630, "PK02", 0}, {63, "PK03", 0}, {935, "PK04", 0}});
    TSimFaults slow;
    slow.replyDelayMs = 250;  // one attenuator slow to answer
    sim.SetFaults(simIndex[1], slow);
    WriteSettings(WriteConfig({0, 1, 3}));
    ASSERT_TRUE(Start());
    for (int n = 1; n <= 3; ++n) ASSERT_TRUE(WaitUsable(n, std::vector<std::string>{"PK01", "PK02", "PK04"}[n - 1]));
    EXPECT_EQ(form->CommonMaxAtt(), 630);
    // A second close request made while parking parks nothing again.
    bool secondDuringParking = false;
    QMetaObject::invokeMethod(form.get(), [&] {
        secondDuringParking = form->Parking();
        form->close();
    }, Qt::QueuedConnection);
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(secondDuringParking);
    EXPECT_FALSE(form->isVisible());
    form.reset();
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(CountOnWire(i, "ATT 0 630"), 2) << "attenuator " << i;
        EXPECT_EQ(sim.Attenuation(simIndex[i]), 630);
    }
    EXPECT_EQ(CountOnWire(2, "ATT 0 630"), 0);  // not configured
}

// The attenuation commands an attenuator received, in order.
std::vector<std::string> AttCommands(const std::vector<TSimLine>& lines) {
    std::vector<std::string> atts;
    for (const auto& l : lines)
        if (l.line.rfind("ATT", 0) == 0) atts.push_back(l.line);
    return atts;
}

TEST_F(MainFormTest, ChangeOrRefreshPendingAtExitNeverReachesTheAttenuatorAroundItsParking) {
    Serve({{935, "LAST", 0}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "LAST"));
    ASSERT_TRUE(WaitSettled(1));
    TSimFaults slow;
    slow.replyDelayMs = 150;  // parking outlasts the change delay
    sim.SetFaults(simIndex[0], slow);
    Box(1)->SetValue(500);  // moved just before "&Exit"
    // and another program asks for a refresh that arrives while parking
    QCoreApplication::postEvent(form.get(), new TLinkRefreshEvent(1));
    const int idents = CountOnWire(0, "IDN?");
    form->miExit->trigger();
    form.reset();
    EXPECT_EQ(AttCommands(sim.Lines(simIndex[0])), (std::vector<std::string>{"ATT 0 935", "ATT 0 935"}));
    EXPECT_EQ(CountOnWire(0, "IDN?"), idents);
}

TEST_F(MainFormTest, ClosingSkipsALinkThatIsNotReadyAndEndsWithinTwoSeconds) {
    Serve({{935, "GOOD", 0}, {935, "MUTE", 0}});
    TSimFaults mute;
    mute.silentIdn = true;  // connected, but never gets past identification
    sim.SetFaults(simIndex[1], mute);
    WriteSettings(WriteConfig({0, 1}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "GOOD"));
    ASSERT_TRUE(WaitSettled(1));
    ASSERT_TRUE(WaitUntil([&] { return form->Link(1)->Connected() && CountOnWire(1, "IDN?") >= 1; }));
    TSimFaults never;
    never.readbackOffset = -5;  // and the ready one never confirms a set
    sim.SetFaults(simIndex[0], never);
    const long long start = MonotonicMs();
    form->close();
    const long long closeMs = MonotonicMs() - start;
    EXPECT_TRUE(form->Link(1)->PendingCommand().empty());
    EXPECT_FALSE(form->Link(1)->Verifying());
    form.reset();
    EXPECT_LT(closeMs, 2000);
    const auto parks = AttCommands(sim.Lines(simIndex[0]));
    EXPECT_GE(parks.size(), 2u);
    for (const auto& p : parks) EXPECT_EQ(p, "ATT 0 935");
    EXPECT_TRUE(AttCommands(sim.Lines(simIndex[1])).empty());
}

TEST_F(MainFormTest, RenameSendsTheNameAndShowsItAfterReconnecting) {
    Serve({{935, "OLD1", 0}});
    WriteSettings(WriteConfig({0}));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(WaitUsable(1, "OLD1"));
    ASSERT_TRUE(form->NameButtons[0]->isEnabled());
    WhenShown<TNameAttForm>([](TNameAttForm* d) {
        EXPECT_EQ(d->MaskEdit->EditText(), "OLD1");  // starts from the caption
        d->MaskEdit->SetEditText("____");
        QTest::keyClick(d->MaskEdit, Qt::Key_Home);
        QTest::keyClicks(d->MaskEdit, "ne5");
        d->BitBtn1->click();
    });
    form->NameButtons[0]->click();
    EXPECT_EQ(Caption(1), "NE5 ");
    ASSERT_TRUE(WaitUntil([&] { return CountOnWire(0, "N0 NE5 ") == 1; }));
    EXPECT_EQ(sim.Name(simIndex[0]), "NE5 ");
    // Cancel changes nothing.
    WhenShown<TNameAttForm>([](TNameAttForm* d) { d->BitBtn2->click(); });
    form->NameButtons[0]->click();
    EXPECT_EQ(Caption(1), "NE5 ");
    form->miRefresh->trigger();
    ASSERT_TRUE(WaitUntil([&] { return sim.Accepted(simIndex[0]) == 2 && Caption(1) == "NE5 "; }));
}

TEST_F(MainFormTest, HelpFollowsTheFileAndItsWindowsCloseWithTheProgram) {
    Serve({{935, "HLP1", 0}});
    WriteSettings(WriteConfig({0}));
    // Without the help file the item is disabled.
    TMainFormOptions options;
    options.LinkTimings = Timings();
    options.HelpFile = (home.path() + "/none.html").toStdString();
    {
        TMainForm missing(options);
        WhenShown<TConfigForm>([](TConfigForm* d) { d->OkBtn->click(); });
        missing.FormCreate();
        EXPECT_FALSE(missing.miHelpIndex->isEnabled());
        missing.HelpRequest(1, 2);
        EXPECT_EQ(THelpViewer::OpenWindows(), 0);
    }
    const QString file = home.path() + "/help.html";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><h1><a name=\"1\">One</a></h1><h2><a name=\"2\">Two</a></h2></body></html>");
    f.close();
    options.HelpFile = file.toStdString();
    form = std::make_unique<TMainForm>(options);
    WhenShown<TConfigForm>([](TConfigForm* d) { d->OkBtn->click(); });
    ASSERT_TRUE(form->FormCreate());
    EXPECT_TRUE(form->miHelpIndex->isEnabled());
    form->miHelpIndex->trigger();
    EXPECT_EQ(THelpViewer::OpenWindows(), 1);
    EXPECT_TRUE(form->HelpRequest(1, 2));  // a context request, shown at anchor 2
    EXPECT_FALSE(form->HelpRequest(2, 2));  // anything else is left to the toolkit
    EXPECT_EQ(THelpViewer::OpenWindows(), 1);
    form->close();
    PumpEvents(50);
    EXPECT_EQ(THelpViewer::OpenWindows(), 0);
}

}  // namespace
