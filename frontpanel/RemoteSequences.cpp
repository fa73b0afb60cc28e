#include "frontpanel/RemoteSequences.h"

#include "frontpanel/MainForm.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequencerForm.h"
#include "support/FilePaths.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QTimer>

namespace {

constexpr int kPollMs = 20;
constexpr int kWaitMs = 10000;  // the list window showing, a record completing

TRemoteRefusal Refused(TRemoteRefusalKind kind, const char* message) { return {kind, message}; }

}  // namespace

TRemoteSequences::TRemoteSequences(TMainForm& form) : form_(form), bench_(form.Bench()) {}

void TRemoteSequences::Answer(const TCall& call) {
    if (call.Done) call.Done(call.Error);
}

bool TRemoteSequences::Running() const {
    return bench_.SequencesRunning() || (closing_ && openedHere_ && OpenList() != nullptr);
}

TSequencerForm* TRemoteSequences::OpenList() const {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* list = qobject_cast<TSequencerForm*>(w); list && list->isVisible()) return list;
    return nullptr;
}

void TRemoteSequences::WhenListShown(std::function<void(TSequencerForm*)> action) {
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    auto waited = std::make_shared<int>(0);
    connect(timer, &QTimer::timeout, this, [this, timer, waited, action] {
        TSequencerForm* list = OpenList();
        *waited += kPollMs;
        if (!list && *waited < kWaitMs) return;
        timer->deleteLater();
        timer->stop();
        action(list);
    });
    timer->start(kPollMs);
}

void TRemoteSequences::Run(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed,
                           bool arm) {
    using K = TRemoteRefusalKind;
    TCall answer{std::move(done), std::nullopt, arm};
    if (!busy_) recordFailed_ = std::move(recordFailed);
    if (busy_) answer.Error = Refused(K::Conflict, RemoteBusyMessage);
    else if (form_.HoldsInput()) answer.Error = Refused(K::Conflict, RemoteClosingMessage);
    if (answer.Error) return Answer(answer);

    if (TSequencerForm* list = OpenList()) {
        if (list->Running() || list->Analyzing())
            return Answer({answer.Done, Refused(K::Conflict, RemoteAlreadyRunningMessage)});
        if (QApplication::activeModalWidget() != list)
            return Answer({answer.Done, Refused(K::Conflict, RemoteBusyMessage)});
        busy_ = true;
        QPointer<TSequencerForm> guard(list);
        QTimer::singleShot(0, this, [this, guard, files, answer] {
            if (guard) return RunIn(guard, files, answer);
            busy_ = false;
            Answer({answer.Done, Refused(K::Failed, RemoteNotStartedMessage)});
        });
        return;
    }
    if (QApplication::activeModalWidget()) return Answer({answer.Done, Refused(K::Conflict, RemoteBusyMessage)});
    if (bench_.Runs().Busy()) return Answer({answer.Done, Refused(K::Conflict, RemoteAlreadyRunningMessage)});
    if (!form_.miSequencer->isEnabled()) return Answer({answer.Done, Refused(K::Failed, RemoteNoSequencerMessage)});
    busy_ = true;
    QTimer::singleShot(0, this, [this, files, answer] { OpenAndRun(files, answer); });
}

void TRemoteSequences::OpenAndRun(const std::vector<std::string>& files, const TCall& call) {
    WhenListShown([this, files, call](TSequencerForm* list) {
        if (!list) {
            busy_ = false;
            return Answer({call.Done, Refused(TRemoteRefusalKind::Failed, RemoteNotStartedMessage)});
        }
        openedHere_ = true;
        RunIn(list, files, call);
    });
    QPointer<TRemoteSequences> self(this);
    form_.miSequencer->trigger();  // modal: returns once the list window has closed
    if (!self) return;
    openedHere_ = false;
    closing_ = false;
    std::vector<TCall> waiting;
    waiting.swap(afterClose_);
    for (const TCall& c : waiting) Answer(c);
}

void TRemoteSequences::RunIn(TSequencerForm* list, const std::vector<std::string>& files, TCall call) {
    // The window lists the files and selects their rows, to show what runs;
    // the bench runs exactly the files named.
    list->AddFiles(files);
    for (int i = 0; i < list->LBSequence->count(); ++i) {
        QListWidgetItem* row = list->LBSequence->item(i);
        const std::string listed = QFile::encodeName(row->text()).toStdString();
        bool wanted = false;
        for (const std::string& f : files) wanted = wanted || listed == f || SameFile(listed, f);
        row->setSelected(wanted);
    }
    QPointer<TSequencerForm> guard(list);
    TRemoteNotice recordFailed = std::move(recordFailed_);
    recordFailed_ = {};
    TRemoteDone started = [this, guard, done = std::move(call.Done)](std::optional<TRemoteRefusal> error) {
        Started(guard.data(), {done, std::move(error)});
    };
    if (call.Arm) bench_.LoadSequences(files, std::move(started), std::move(recordFailed));
    else bench_.RunSequences(files, std::move(started), std::move(recordFailed));
}

void TRemoteSequences::Started(TSequencerForm* list, TCall call) {
    QPointer<TSequencerForm> guard(list);
    busy_ = false;
    if (!call.Error) {
        if (guard) WatchRun(guard);
        return Answer(call);
    }
    // A window opened for this run closes again (unless it is closing
    // already): the front panel is the script's once more.
    if (guard && openedHere_ && guard->isVisible()) {
        afterClose_.push_back(call);
        guard->reject();
    } else {
        Answer(call);
    }
}

void TRemoteSequences::Stop(TRemoteDone done) {
    TSequencerForm* list = OpenList();
    // Without the window (a run armed by a script) the bench's run stops
    // by itself.
    if (!list) return bench_.StopSequences(std::move(done));
    if (list->Analyzing()) {
        // A start under way is given up; its own request is refused. A
        // window opened for it is closing then.
        list->ButtonStopClick();
        if (!list->isVisible()) return Answer({std::move(done), std::nullopt});
    }
    if (!list->Running() && !bench_.SequencesArmed()) return Finish(list, {std::move(done), std::nullopt});
    // Answered once the run has ended, within about one tick.
    QPointer<TSequencerForm> guard(list);
    bench_.StopSequences([this, guard, done = std::move(done)](std::optional<TRemoteRefusal> error) {
        if (error) return Answer({done, std::move(error)});
        Finish(guard.data(), {done, std::nullopt});
    });
}

void TRemoteSequences::Finish(TSequencerForm* list, TCall call) {
    if (!list || !openedHere_) return Answer(call);
    afterClose_.push_back(std::move(call));
    CloseWhenRecorded(list);
}

void TRemoteSequences::WatchRun(TSequencerForm* list) {
    QObject::disconnect(endWatch_);
    // The window that a script opened is the script's: once its run has
    // ended, the front panel is the script's again. The operator's own
    // window stays open.
    if (!openedHere_) return;
    QPointer<TSequencerForm> guard(list);
    endWatch_ = connect(list, qOverload<>(&TSequencerForm::RunEnded), this, [this, guard] {
        if (guard && openedHere_) CloseWhenRecorded(guard);
    });
}

void TRemoteSequences::CloseWhenRecorded(TSequencerForm* list) {
    closing_ = true;
    QPointer<TSequencerForm> guard(list);
    auto* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    auto waited = std::make_shared<int>(0);
    connect(timer, &QTimer::timeout, this, [this, timer, waited, guard] {
        *waited += kPollMs;
        if (guard && !guard->Running() && guard->Record() && !guard->Record()->Closed() && *waited < kWaitMs) return;
        timer->stop();
        timer->deleteLater();
        // After the record's last notices, which were posted before it closed.
        QTimer::singleShot(0, this, [this, guard] {
            if (guard && guard->isVisible() && !guard->Running() && !busy_) guard->reject();
            else closing_ = false;  // a new run took the window over
        });
    });
    timer->start(kPollMs);
}
