#include "frontpanel/RemoteService.h"

#include <QDBusMessage>
#include <QFile>
#include <QPointer>

#include <cmath>

namespace {

QString Text(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }

}  // namespace

TRemoteService::TRemoteService(TRemoteCore& core) : core_(core) {
    status_.fill("No attenuator");
    listener_ = core_.AddBoxListener([this](int n, TBoxFact fact, const std::string& text) { BoxShown(n, fact, text); });
}

TRemoteService::~TRemoteService() { core_.Forget(listener_); }

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

QString TRemoteService::Answer(const TRemoteAnswer& answer) {
    return answer.Refusal ? Refuse(answer.Refusal->Message) : Text(answer.Text);
}

// Any other box number is ignored, as by the refresh hook.
void TRemoteService::RefreshLink(int box) { core_.Refresh(box); }

QString TRemoteService::SetAttenuation(int box, const QString& dB) {
    const TRemoteSetResult result = core_.SetAttenuation(box, dB.toLocal8Bit().toStdString());
    return result.Refusal ? Refuse(result.Refusal->Message) : Text(result.Sent);
}

QString TRemoteService::Attenuation(int box) { return Answer(core_.Attenuation(box)); }
QString TRemoteService::Status(int box) { return Answer(core_.Status(box)); }
QString TRemoteService::Name(int box) { return Answer(core_.Name(box)); }
QString TRemoteService::Floor(int box) { return Answer(core_.Floor(box)); }

namespace {

// Answers a delayed call once the core is done with it.
TRemoteDone ReplyWhenDone(const QDBusMessage& call, QDBusConnection bus) {
    return [call, bus](std::optional<TRemoteRefusal> refusal) {
        bus.send(refusal ? call.createErrorReply(QString::fromLatin1(RemoteErrorName), Text(refusal->Message))
                         : call.createReply());
    };
}

std::vector<std::string> Paths(const QStringList& files) {
    std::vector<std::string> paths;
    for (const QString& f : files) paths.push_back(QFile::encodeName(f).toStdString());
    return paths;
}

}  // namespace

void TRemoteService::RunSequences(const QStringList& files) {
    if (!calledFromDBus()) return;
    setDelayedReply(true);
    QPointer<TRemoteService> self(this);
    core_.RunSequences(Paths(files), ReplyWhenDone(message(), connection()), [self](const std::string& text) {
        if (self) emit self->RecordFailed(Text(text));
    });
}

void TRemoteService::LoadSequences(const QStringList& files) {
    if (!calledFromDBus()) return;
    setDelayedReply(true);
    QPointer<TRemoteService> self(this);
    core_.LoadSequences(Paths(files), ReplyWhenDone(message(), connection()), [self](const std::string& text) {
        if (self) emit self->RecordFailed(Text(text));
    });
}

void TRemoteService::StartSequences() {
    if (const auto refusal = core_.StartSequences(std::nullopt)) Refuse(refusal->Message);
}

void TRemoteService::StartSequencesAt(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e12) return (void)Refuse("The start time is no instant.");
    const auto at = std::chrono::system_clock::time_point(std::chrono::microseconds(std::llround(seconds * 1e6)));
    if (const auto refusal = core_.StartSequences(at)) Refuse(refusal->Message);
}

void TRemoteService::StopSequences() {
    if (!calledFromDBus()) return;
    setDelayedReply(true);
    core_.StopSequences(ReplyWhenDone(message(), connection()));
}

void TRemoteService::BoxShown(int n, TBoxFact fact, const std::string& text) {
    // Signals only for changes; the core keeps the facts themselves.
    auto& last = fact == TBoxFact::Status ? status_ : attenuation_;
    if (fact == TBoxFact::Name || last[n - 1] == text) return;
    last[n - 1] = text;
    if (fact == TBoxFact::Status) emit StatusChanged(n, Text(text));
    else emit AttenuationChanged(n, Text(text));
}
