#pragma once
// The front panel offered to test scripts on the session D-Bus:
//
//   service   org.orvelt.Quadrell2x4Atts
//   object    /FrontPanel
//   interface org.orvelt.Quadrell2x4Atts.FrontPanel
//   RefreshLink(int32 box)              box 1..8 re-opens that link; others ignored
//   SetAttenuation(int32 box, string dB) -> string   the value sent, after rounding
//   Attenuation(int32 box) -> string    the last value read back ("" before any)
//   Status(int32 box) -> string         the box's caption (its name once known)
//   Name(int32 box) -> string           the attenuator's name ("" before any)
//   RunSequences(array of string files) the sequence list window runs the files
//   StopSequences()                     stops the run, closes a window a script opened;
//                                       disarms an armed run
//   LoadSequences(array of string files) reads and checks the files and arms a run
//   StartSequences()                    the armed run's first tick now
//   StartSequencesAt(double seconds)    its first tick at that instant (UTC
//                                       seconds since 1970), 50 ms to 24 h ahead
//   signal AttenuationChanged(int32 box, string dB)
//   signal StatusChanged(int32 box, string status)  the box's caption
//   signal RecordFailed(string message) the record of a run that RunSequences
//                                       started cannot be written
//
// A call that cannot be carried out gets the error
// org.orvelt.Quadrell2x4Atts.FrontPanel.Refused with the program's message.
// Calls arrive on the GUI thread and go to the remote core, which the SCPI
// server shares: a set takes the path of a hand change, and the front panel
// shows it.

#include "remote/RemoteCore.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QStringList>

#include <array>
#include <string>

class TRemoteService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.orvelt.Quadrell2x4Atts.FrontPanel")

public:
    static constexpr const char* ServiceName = "org.orvelt.Quadrell2x4Atts";
    static constexpr const char* ObjectPath = "/FrontPanel";
    static constexpr const char* InterfaceName = "org.orvelt.Quadrell2x4Atts.FrontPanel";

    explicit TRemoteService(TRemoteCore& core);
    ~TRemoteService() override;

    // Publishes the interface on bus. Returns false, without a word, when
    // there is no bus or another program holds the service name: the
    // program then runs without it.
    bool Offer(QDBusConnection bus);

public Q_SLOTS:
    void RefreshLink(int box);
    QString SetAttenuation(int box, const QString& dB);
    QString Attenuation(int box);
    QString Status(int box);
    QString Name(int box);
    QString Floor(int box);  // in dB, "0" when it has none
    void RunSequences(const QStringList& files);
    void StopSequences();
    void LoadSequences(const QStringList& files);
    void StartSequences();
    void StartSequencesAt(double seconds);

Q_SIGNALS:
    void AttenuationChanged(int box, const QString& dB);
    void StatusChanged(int box, const QString& status);
    void RecordFailed(const QString& message);

private:
    void BoxShown(int n, TBoxFact fact, const std::string& text);
    // Answers the call in progress with the error; the slot's own return
    // value is then not sent.
    QString Refuse(const std::string& message);
    QString Answer(const TRemoteAnswer& answer);

    TRemoteCore& core_;
    int listener_ = 0;
    std::array<std::string, TRemoteCore::BoxCount> status_;
    std::array<std::string, TRemoteCore::BoxCount> attenuation_;
};
