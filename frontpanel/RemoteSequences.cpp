#include "frontpanel/RemoteSequences.h"

#include "frontpanel/MainForm.h"
#include "sequencer/RunRecord.h"
#include "sequencer/SequencerForm.h"
#include "support/FilePaths.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int kPollMs = 20;
constexpr int kWaitMs = 10000;  // the list window showing, a run ending

TRemoteRefusal Refused(TRemoteRefusalKind kind, const char* message) { return {kind, message}; }

}  // namespace

void TRemoteSequences::Answer(const TCall& call) {
    if (call.Done) call.Done(call.Error);
}

bool TRemoteSequences::Running() const {
    const TSequencerForm* list = OpenList();
    return list != nullptr && (list->Running() || (closing_ && openedHere_));
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

void TRemoteSequences::Run(const std::vector<std::string>& files, TRemoteDone done, TRemoteNotice recordFailed) {
    using K = TRemoteRefusalKind;
    TCall answer{std::move(done), std::nullopt};
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
    list->AddFiles(files);
    // Exactly the files asked for: a.sqc never selects A.sqc, another file;
    // a link to a listed file (not listed again) selects that file.
    for (int i = 0; i < list->LBSequence->count(); ++i) {
        QListWidgetItem* row = list->LBSequence->item(i);
        const std::string listed = QFile::encodeName(row->text()).toStdString();
        bool wanted = false;
        for (const std::string& f : files) wanted = wanted || listed == f || SameFile(listed, f);
        row->setSelected(wanted);
    }
    QPointer<TSequencerForm> guard(list);
    captured_.clear();
    capturing_ = true;
    qApp->installEventFilter(this);
    list->ButtonRunClick();
    if (!guard || !guard->Analyzing()) return Started(guard, std::move(call));
    // The files are read and compiled off the GUI thread: the answer comes
    // once the run has started or was refused, or the window went away.
    auto links = std::make_shared<std::pair<QMetaObject::Connection, QMetaObject::Connection>>();
    auto settle = [this, links, guard, call](bool gone) {
        QObject::disconnect(links->first);
        QObject::disconnect(links->second);
        Started(gone ? nullptr : guard.data(), call);
    };
    links->first = connect(list, &TSequencerForm::StartSettled, this, [settle] { settle(false); });
    links->second = connect(list, &QObject::destroyed, this, [settle] { settle(true); });
}

void TRemoteSequences::Started(TSequencerForm* list, TCall call) {
    QPointer<TSequencerForm> guard(list);
    qApp->removeEventFilter(this);
    capturing_ = false;
    busy_ = false;
    if (guard && guard->Running()) {
        WatchRun(guard);
        return Answer(call);
    }
    // What the window said is a failed run ("Attenuators interferences !",
    // a file that cannot be read).
    call.Error = TRemoteRefusal{TRemoteRefusalKind::Failed, captured_.isEmpty() ? std::string(RemoteNotStartedMessage)
                                                                                : captured_.toLocal8Bit().toStdString()};
    // A window opened for this run closes again (unless it is closing
    // already): the front panel is the script's once more.
    if (guard && openedHere_ && guard->isVisible()) {
        afterClose_.push_back(call);
        guard->reject();
    } else {
        Answer(call);
    }
}

bool TRemoteSequences::eventFilter(QObject* watched, QEvent* event) {
    if (capturing_ && event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            captured_ = box->text();
            QPointer<QMessageBox> guard(box);
            // Dismissed once its own event loop runs, as by its OK button.
            QTimer::singleShot(0, this, [guard] {
                if (!guard) return;
                if (QAbstractButton* ok = guard->button(QMessageBox::Ok)) ok->click();
                else guard->reject();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}

void TRemoteSequences::Stop(TRemoteDone done) {
    TSequencerForm* list = OpenList();
    if (!list) return Answer({std::move(done), std::nullopt});
    if (list->Analyzing()) {
        // A start under way is given up; its own request is refused. A
        // window opened for it is closing then.
        list->ButtonStopClick();
        if (!list->isVisible()) return Answer({std::move(done), std::nullopt});
    }
    if (!list->Running()) return Finish(list, {std::move(done), std::nullopt});
    list->ButtonStopClick();
    // The run ends within about one tick, on its end-of-run notification.
    QPointer<TSequencerForm> guard(list);
    auto* timer = new QTimer(this);
    auto waited = std::make_shared<int>(0);
    connect(timer, &QTimer::timeout, this, [this, timer, waited, guard, done] {
        *waited += kPollMs;
        if (guard && guard->Running() && *waited < kWaitMs) return;
        timer->stop();
        timer->deleteLater();
        if (guard && guard->Running())
            return Answer({done, Refused(TRemoteRefusalKind::Failed, RemoteNotStoppedMessage)});
        Finish(guard, {done, std::nullopt});
    });
    timer->start(kPollMs);
}

void TRemoteSequences::Finish(TSequencerForm* list, TCall call) {
    if (!list || !openedHere_) return Answer(call);
    afterClose_.push_back(std::move(call));
    CloseWhenRecorded(list);
}

void TRemoteSequences::WatchRun(TSequencerForm* list) {
    QObject::disconnect(recordWatch_);
    QObject::disconnect(endWatch_);
    // Only this run's record speaks to the script: a later run in the same
    // window (the operator's) has a record of its own.
    const TRunRecord* record = list->Record();
    QPointer<TSequencerForm> guard(list);
    recordWatch_ = connect(list, &TSequencerForm::RecordFailure, this,
                           [guard, record, notice = recordFailed_](const QString& text) {
                               if (guard && guard->Record() == record && notice) notice(text.toLocal8Bit().toStdString());
                           });
    recordFailed_ = {};
    // The window that a script opened is the script's: once its run has
    // ended, the front panel is the script's again. The operator's own
    // window stays open.
    if (!openedHere_) return;
    endWatch_ = connect(list, &TSequencerForm::RunEnded, this, [this, guard] {
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
