#pragma once
// Every way in for test scripts, wired to the main window: the remote core
// over the front panel, its D-Bus adaptor on the session bus and its SCPI
// server on TCP. Made once the window exists, so that the core sees the
// boxes from the start; GUI thread only.

#include "frontpanel/RemotePanel.h"
#include "frontpanel/RemoteService.h"
#include "remote/ScpiServer.h"

class TMainForm;

class TRemoteAccess {
public:
    explicit TRemoteAccess(TMainForm& form);

    TRemoteCore& Core() { return panel_.Core(); }
    TRemoteService& DBus() { return dbus_; }
    TScpiServer& Scpi() { return scpi_; }

    // Offers the D-Bus interface; false, without a word, when there is no
    // bus or another program holds the name.
    bool OfferDBus(QDBusConnection bus) { return dbus_.Offer(bus); }
    // Starts the SCPI server as the [Remote] section of the window's
    // settings file says (anyPort: tests only, a port the system picks).
    // What keeps it from listening is said once on standard error and in
    // the help window's troubleshooting section, and returned; the program
    // runs on without it.
    std::string StartScpi(bool anyPort = false);

private:
    TMainForm& form_;
    TFrontPanelRemote panel_;
    TRemoteService dbus_;
    TScpiServer scpi_;
};
