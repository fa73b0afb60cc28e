// Program entry: creates the main window, runs its start-up, and runs the
// event loop until the window closes.

#include "support/GuiThread.h"
#include "frontpanel/MainForm.h"
#include "frontpanel/RemoteAccess.h"
#include "sequencer/InterruptedRecords.h"
#include "support/SignalEvents.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace {

void ReportInterruptedRecords(const TInterruptedRecords& records) {
    for (const TInterruptedRecord& r : records.Closed)
        std::fprintf(stderr, "Run record %s closed as interrupted at %s\n", r.Description.c_str(), r.EndTime.c_str());
    for (const TRecordLeftAlone& r : records.LeftAlone)
        std::fprintf(stderr, "Run record %s left as it is: %s\n", r.Description.c_str(), r.Reason.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The desktop's menu entry and icon (installed under share/applications
    // and share/icons): the session matches the windows to the entry, and
    // the installed icon becomes the windows' icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvelt.Quadrell2x4Atts"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.orvelt.Quadrell2x4Atts")));
    int rc = 0;
    {
        TMainForm form;
        form.show();
        // Told to end by the session (or Ctrl+C), the program ends whatever
        // window is open: a run ends, the attenuators are parked as at
        // "&Exit", the settings written.
        CallOnSignals(&form, [&form](int) { form.CloseOnSignal(); });
        // Other programs and test scripts drive the front panel over the
        // session bus; without a bus the program runs without that hook.
        TRemoteAccess remote(form);
        if (form.FormCreate()) {  // a cancelled configuration closes the window again
            // Records that a killed run left open, where runs write them,
            // are closed before a run can start.
            ReportInterruptedRecords(CloseInterruptedRecords(form.SequencesDir()));
            remote.OfferDBus(QDBusConnection::sessionBus());
            // Test automation over TCP (SCPI); a port that cannot be opened
            // is said on standard error, and the program runs without it.
            remote.StartScpi();
        }
        // A signal during the start-up's configuration dialog has closed the
        // program already: no event loop is left to end.
        if (!form.SignalClosed()) rc = app.exec();
    }  // the window's destruction ends the links and writes the settings
    // Release any worker still waiting for the GUI thread.
    TGuiGate::CloseAll();
    return rc;
}
