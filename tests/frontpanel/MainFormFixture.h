#pragma once
// The main window against two simulated racks on loopback addresses of the
// test's own, with a private settings folder and a configuration file.

#include "frontpanel/AttGroupBox.h"
#include "controls/SpinNum.h"
#include "config/ConfigForm.h"
#include "tests/testsupport/FastLinkTimings.h"
#include "frontpanel/MainForm.h"
#include "tools/simulator/RackSimulator.h"
#include "tests/testsupport/TestSupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

// Runs action on the first visible top-level widget of type T, as soon as
// one shows up (a modal dialog runs its own event loop meanwhile).
template <typename T>
void WhenShown(std::function<void(T*)> action, int timeoutMs = 10000) {
    auto* timer = new QTimer;
    auto started = std::make_shared<long long>(MonotonicMs());
    QObject::connect(timer, &QTimer::timeout, [timer, action, started, timeoutMs] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* t = qobject_cast<T*>(w); t != nullptr && t->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action(t);
                return;
            }
        }
        if (MonotonicMs() - *started > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// The main window, counting the read-back values that its links show in
// each box.
class TCountingMainForm : public TMainForm {
public:
    explicit TCountingMainForm(const TMainFormOptions& options) : TMainForm(options) { Bench().AddObserver(&counter_); }
    ~TCountingMainForm() override { Bench().RemoveObserver(&counter_); }
    std::array<int, SlotCount> readBacks{};

private:
    struct TCounter : TBenchObserver {
        explicit TCounter(TCountingMainForm& f) : form(f) {}
        void ValueAnswered(int n, int) override { ++form.readBacks[n - 1]; }
        TCountingMainForm& form;
    } counter_{*this};
};

struct TRackAtt {
    int maxAtt;
    std::string name;
    int attenuation;
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
        ip1 = TRackSimulator::FreeLoopbackAddress(10001, 4);
        ip2 = TRackSimulator::FreeLoopbackAddress(10001, 4);
    }
    void TearDown() override {
        form.reset();
        sim.Stop();
    }

    // Serves the given attenuators: index 0..3 in rack 1, 4..7 in rack 2.
    void Serve(const std::vector<TRackAtt>& atts) {
        for (std::size_t i = 0; i < atts.size(); ++i) {
            TSimAttenuator a;
            a.ip = i < 4 ? ip1 : ip2;
            a.port = 10001 + static_cast<int>(i % 4);
            a.maxAtt = atts[i].maxAtt;
            a.name = atts[i].name;
            a.attenuation = atts[i].attenuation;
            simIndex.push_back(sim.Add(a));
        }
        sim.Start();
    }

    // A configuration file enabling the given attenuators (index as Serve).
    std::string WriteConfig(const std::vector<int>& enabled, const std::string& file = "bench.cfg") {
        auto on = [&](int i) { return std::find(enabled.begin(), enabled.end(), i) != enabled.end() ? 1 : 0; };
        const std::string path = (home.path() + "/" + QString::fromStdString(file)).toStdString();
        std::ofstream f(path, std::ios::binary);
        for (int r = 0; r < 2; ++r) {
            f << "[rack" << r + 1 << "]\r\n";
            for (int k = 0; k < 4; ++k) f << "Att" << k + 1 << " Enable=" << on(r * 4 + k) << "\r\n";
            f << "IP address=" << (r == 0 ? ip1 : ip2) << "\r\nname rack=Rack " << r + 1 << "\r\n";
        }
        return path;
    }

    // The settings file the program reads at start-up.
    void WriteSettings(const std::string& lastConfig) {
        const QString dir = home.path() + "/config/ORVELT/Quadrell 2x4 Atts Lintera";
        QDir().mkpath(dir);
        std::ofstream f((dir + "/" + SettingsFileName()).toStdString(), std::ios::binary);
        // Sequences dir: run records stay in the test's own folder.
        f << "[Config]\nLast config file=" << lastConfig << "\n[DIR]\nConfig dir=" << home.path().toStdString()
          << "/\nSequences dir=" << home.path().toStdString() << "/\n";
    }
    static QString SettingsFileName() {
        return QCoreApplication::applicationName() + QStringLiteral(".ini");
    }

    static TLinkTimings Timings() {
        TLinkTimings t = FastTimings();
        t.ReadTimeout = 400;  // a little more room for the slow attenuator
        return t;
    }

    // Creates the window and runs its start-up, answering the configuration
    // dialog with OK (or Cancel); beforeStart runs once the window exists.
    bool Start(bool accept = true, const std::function<void()>& beforeStart = {}) {
        TMainFormOptions options;
        options.LinkTimings = Timings();
        auto counting = std::make_unique<TCountingMainForm>(options);
        counting_ = counting.get();
        form = std::move(counting);
        form->show();
        if (beforeStart) beforeStart();
        WhenShown<TConfigForm>([accept](TConfigForm* d) { (accept ? d->OkBtn : d->CancelBtn)->click(); });
        return form->FormCreate();
    }

    TAttGroupBox* Box(int n) const { return form->AttGroupBoxes[n - 1]; }
    std::string Caption(int n) const { return Box(n)->title().toStdString(); }
    // Waits until box n shows the attenuator's value after connecting.
    bool WaitUsable(int n, const std::string& name, int timeoutMs = 10000) {
        return WaitUntil([&] { return Box(n)->isEnabled() && Caption(n) == name; }, timeoutMs);
    }
    // Waits until the link of box n has shown its readBacks-th read-back
    // value in the box and its echo is consumed, so that a change made now
    // is the operator's and no read-back on its way can overwrite it.
    bool WaitSettled(int n, int readBacks = 1, int timeoutMs = 10000) {
        return WaitUntil([&] { return counting_->readBacks[n - 1] >= readBacks && !Box(n)->ChangePending() &&
                                      form->Link(n - 1)->LinkStatus() == 4 && !form->Link(n - 1)->Verifying(); },
                         timeoutMs);
    }
    int CountOnWire(int att, const std::string& line) const {
        int c = 0;
        for (const auto& l : sim.Lines(simIndex[att])) c += l.line == line;
        return c;
    }

    QTemporaryDir home;
    std::string ip1, ip2;
    TRackSimulator sim;
    std::vector<int> simIndex;
    std::unique_ptr<TMainForm> form;
    TCountingMainForm* counting_ = nullptr;  // form, once started
};
