#pragma once
// The sequence windows against a host of the tests' own: a plain window as
// the main window, named attenuators, a graph host, and a bench run whose
// links are a recorder of what the run sends.

#include "SequenceTestSupport.h"
#include "sequencer/SequencerForm.h"
#include "tests/testsupport/TestSupport.h"
#include "graph/SequencerGraphForm.h"
#include "sequencer/SequencerThread.h"
#include "benchcore/BenchRun.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// What a run handed to the links, box by box, and how many ticks it made.
struct TRecordingDelivery {
    int ticks = 0;
    std::map<int, std::vector<std::string>> sent;
};

class TTestSequencerHost;

// A window's run: every box has an attenuator that takes each command at
// once, and the commands are recorded instead of sent.
class TRecordingRun : public TBenchRunHost, private TBenchRunObserver {
public:
    explicit TRecordingRun(const TTestSequencerHost& host) : host_(host) { run.AddObserver(this); }
    ~TRecordingRun() override { run.RemoveObserver(this); }
    TTovarinThread* RunLink(int) const override { return nullptr; }
    int CommonMaxAtt() const override;
    TProfileAtt ProfileAtt(int n) const override;
    TRecordedAtt RecordedAtt(int n) const override;
    std::string ConfigFile() const override;
    std::string RecordsDir() const override;
    bool RunLinkEnabled(int) const override { return true; }
    bool RunLinkReady(int) const override { return true; }
    int RunLinkMaxAtt(int) const override { return 0; }
    void RunPost(int n, const std::string& command, TPostTicket) override { recorder.sent[n].push_back(command); }
    void RunWithdraw(int) override {}
    void RunTicked(int) override { ++recorder.ticks; }

    TRecordingDelivery recorder;
    TBenchRun run{*this};  // goes first: its engine posts into the recorder

private:
    const TTestSequencerHost& host_;
};

// Each window gets a run of its own, as each got a delivery of its own.
class TTestSequencerHost : public TSequencerHost, public TSequencerGraphHost {
public:
    int CommonMaxAtt() const override { return maxAtt; }
    std::string AttCaption(int n) const override { return "ATT" + std::to_string(n); }
    std::string SequencesDir() const override { return dir; }
    void SetSequencesDir(const std::string& d) override { dir = d; }
    std::string DocumentsFolder() const override { return dir; }
    TSequencerGraphHost& GraphHost() override { return *this; }
    bool MainVisible() const override { return main.isVisible(); }
    void SetMainVisible(bool visible) override { main.setVisible(visible); }
    TBenchRun& Run() override {
        runs.push_back(std::make_unique<TRecordingRun>(*this));
        delivery = &runs.back()->recorder;
        return runs.back()->run;
    }

    int maxAtt = 935;
    TProfileBench profiles = UniformProfileBench(935);
    std::string dir;
    std::string config;
    QWidget main;
    TRecordingDelivery* delivery = nullptr;  // of the newest window's run
    std::vector<std::unique_ptr<TRecordingRun>> runs;
};

inline int TRecordingRun::CommonMaxAtt() const { return host_.maxAtt; }
inline TProfileAtt TRecordingRun::ProfileAtt(int n) const { return host_.profiles[static_cast<std::size_t>(n)]; }
inline TRecordedAtt TRecordingRun::RecordedAtt(int n) const { return {host_.AttCaption(n), {}, {}, 0, {}}; }
inline std::string TRecordingRun::ConfigFile() const { return host_.config; }
inline std::string TRecordingRun::RecordsDir() const { return host_.dir; }

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
