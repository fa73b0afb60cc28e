#pragma once
// The link refresh request, offered to other programs on the session D-Bus:
//
//   service   org.orvelt.Quadrell2x4Atts
//   object    /FrontPanel
//   interface org.orvelt.Quadrell2x4Atts.FrontPanel
//   method    RefreshLink(int32 box)
//
// Box 1..8 makes that attenuator's link drop and re-open its connection, as
// the refresh event does; any other number is ignored.

#include <QDBusConnection>
#include <QObject>

class TMainForm;

class TRefreshService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.orvelt.Quadrell2x4Atts.FrontPanel")

public:
    static constexpr const char* ServiceName = "org.orvelt.Quadrell2x4Atts";
    static constexpr const char* ObjectPath = "/FrontPanel";
    static constexpr const char* InterfaceName = "org.orvelt.Quadrell2x4Atts.FrontPanel";

    explicit TRefreshService(TMainForm& form) : form_(form) {}

    // Publishes the request on bus. Returns false, without a word, when
    // there is no bus or another program holds the service name: the
    // program then runs without the hook.
    bool Offer(QDBusConnection bus);

public Q_SLOTS:
    void RefreshLink(int box);

private:
    TMainForm& form_;
};
