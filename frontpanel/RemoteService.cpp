#include "frontpanel/RemoteService.h"

#include "frontpanel/AttGroupBox.h"
#include "controls/SpinNumValue.h"
#include "frontpanel/FrontPanelRules.h"
#include "frontpanel/MainForm.h"

#include <QDBusMessage>
#include <QFile>

namespace {

QString Text(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }

}  // namespace

TRemoteService::TRemoteService(TMainForm& form) : form_(form), sequences_(form) {
    status_.fill("No attenuator");
    form_.SetBoxWatcher([this](int n, TBoxFact fact, const std::string& text) { BoxShown(n, fact, text); });
}

TRemoteService::~TRemoteService() { form_.SetBoxWatcher({}); }

bool TRemoteService::Offer(QDBusConnection bus) {
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(QString::fromLatin1(ObjectPath), this,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals))
        return false;
    if (!bus.registerService(QString::fromLatin1(ServiceName))) {
        bus.unregisterObject(QString::fromLatin1(ObjectPath));
        return false;
    }
    return true;
}

QString TRemoteService::Refuse(const std::string& message) {
    if (calledFromDBus()) sendErrorReply(QString::fromLatin1(RemoteErrorName), Text(message));
    return {};
}

bool TRemoteService::BadBox(int box) {
    const auto problem = RemoteBoxProblem(box, TMainForm::SlotCount);
    if (problem) Refuse(*problem);
    return problem.has_value();
}

void TRemoteService::RefreshLink(int box) { form_.RequestLinkRefresh(box); }

QString TRemoteService::SetAttenuation(int box, const QString& dB) {
    if (BadBox(box)) return {};
    if (form_.HoldsInput()) return Refuse(RemoteClosingMessage);
    if (form_.SequencerOpen()) return Refuse(RemoteSequencerOpenMessage);
    TAttGroupBox* attBox = form_.AttGroupBoxes[box - 1];
    if (!attBox->isEnabled()) return Refuse(RemoteNotReadyMessage(box, status_[box - 1]));
    const TRemoteAttenuation wanted =
        ParseRemoteAttenuation(dB.toLocal8Bit().toStdString(), attBox->Decimal(), attBox->MaxValue(), box);
    if (!wanted.Value) return Refuse(wanted.Problem);
    // As if the operator had typed the value and pressed Enter: the box
    // shows it and the change goes out at once as a verified set, so the
    // box's own delayed report of this write is dropped.
    attBox->SetValue(*wanted.Value);
    attBox->CancelPendingChange();
    form_.SetAttenuator(box, "0", *wanted.Value);
    const int sent = AttenuatorSetValue(*wanted.Value, form_.Link(box - 1)->MaxAtt(), form_.CommonMaxAtt());
    return Text(SpinFormat(sent, attBox->Decimal()));
}

QString TRemoteService::Fact(int box, const std::array<std::string, 8>& facts) {
    if (BadBox(box)) return {};
    return Text(facts[box - 1]);
}

QString TRemoteService::Attenuation(int box) { return Fact(box, attenuation_); }
QString TRemoteService::Status(int box) { return Fact(box, status_); }
QString TRemoteService::Name(int box) { return Fact(box, name_); }

void TRemoteService::RunSequences(const QStringList& files) {
    if (!calledFromDBus()) return;
    std::vector<std::string> paths;
    for (const QString& f : files) paths.push_back(QFile::encodeName(f).toStdString());
    setDelayedReply(true);
    sequences_.Run(paths, message(), connection());
}

void TRemoteService::StopSequences() {
    if (!calledFromDBus()) return;
    setDelayedReply(true);
    sequences_.Stop(message(), connection());
}

void TRemoteService::BoxShown(int n, TBoxFact fact, const std::string& text) {
    if (n < 1 || n > TMainForm::SlotCount) return;
    switch (fact) {
    case TBoxFact::Status:
        if (status_[n - 1] == text) return;
        status_[n - 1] = text;
        emit StatusChanged(n, Text(text));
        return;
    case TBoxFact::Attenuation:
        if (attenuation_[n - 1] == text) return;
        attenuation_[n - 1] = text;
        emit AttenuationChanged(n, Text(text));
        return;
    case TBoxFact::Name: name_[n - 1] = text; return;
    }
}
