#pragma once
// The sequence windows against a host of the tests' own: a plain window as
// the main window, named attenuators, a graph host, and a delivery that
// records what a run sends.

#include "SequenceTestSupport.h"
#include "sequencer/SequencerForm.h"
#include "tests/testsupport/TestSupport.h"
#include "graph/SequencerGraphForm.h"
#include "sequencer/SequencerThread.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>

class TRecordingDelivery : public TSequencerDelivery {
public:
    void AdvanceTime(int) override { ++ticks; }
    bool GraphVisible() const override { return false; }
    void AddAttCommand(int, const std::string&) override {}
    bool AttEnabled(int) const override { return true; }
    void SetPendingCommand(int att, const std::string& command, bool) override { sent[att].push_back(command); }
    bool MainVisible() const override { return false; }
    void ShowLinkAnswer(int, const std::string&) override {}
    int ticks = 0;
    std::map<int, std::vector<std::string>> sent;
};

class TTestSequencerHost : public TSequencerHost, public TSequencerGraphHost {
public:
    int CommonMaxAtt() const override { return maxAtt; }
    std::string AttCaption(int n) const override { return "ATT" + std::to_string(n); }
    std::string SequencesDir() const override { return dir; }
    std::string ConfigFile() const override { return config; }
    void SetSequencesDir(const std::string& d) override { dir = d; }
    std::string DocumentsFolder() const override { return dir; }
    TSequencerGraphHost& GraphHost() override { return *this; }
    bool MainVisible() const override { return main.isVisible(); }
    void SetMainVisible(bool visible) override { main.setVisible(visible); }
    std::unique_ptr<TSequencerDelivery> MakeDelivery(TSequencerGraphForm&) override {
        auto d = std::make_unique<TRecordingDelivery>();
        delivery = d.get();
        return d;
    }
    TProfileAtt ProfileAtt(int n) const override { return profiles[static_cast<std::size_t>(n)]; }
    int maxAtt = 935;
    TProfileBench profiles = UniformProfileBench(935);
    std::string dir;
    std::string config;
    QWidget main;
    TRecordingDelivery* delivery = nullptr;
};

// Runs action once on the active modal widget of type T (a modal dialog
// runs its own event loop meanwhile).
template <typename T>
void WhenModal(std::function<void(T*)> action, int timeoutMs = 10000) {
    auto* timer = new QTimer;
    const long long started = MonotonicMs();
    QObject::connect(timer, &QTimer::timeout, [timer, action, started, timeoutMs] {
        if (auto* t = qobject_cast<T*>(QApplication::activeModalWidget()); t != nullptr && t->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(t);
        } else if (MonotonicMs() - started > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

// "&Run", then the wait while the files are read and compiled off the GUI
// thread, until the run has started or was refused (its message answered).
inline void ClickRun(TSequencerForm& form) {
    form.ButtonRun->click();
    WaitUntil([&] { return !form.Analyzing(); }, 20000);
}

// Answers the next message box, keeping its text.
inline void AnswerMessage(std::string& text) {
    WhenModal<QMessageBox>([&text](QMessageBox* box) {
        text = box->text().toStdString();
        box->accept();
    });
}
