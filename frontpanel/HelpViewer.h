#pragma once
// The program's help viewer: a window that shows the HTML help file. It
// answers the three requests the main window makes of a help viewer: show a
// file, show a file at a context number (the anchor of that number), and
// close every help window.

#include <QString>

class QWidget;

class THelpViewer {
public:
    // Request codes, as the main window's help hook uses them.
    static constexpr int DisplayTopic = 0;
    static constexpr int HelpContext = 15;
    static constexpr int CloseAll = 18;

    // True when the viewer can be used on this system.
    static bool Available();
    // Shows file; with a context number, scrolls to the anchor of that
    // number. Returns the help window, or nullptr when the file is missing.
    static QWidget* Show(const QString& file, int context = -1);
    // Closes every help window.
    static void CloseAllWindows();
    // The help windows now open (for tests).
    static int OpenWindows();

    // What went wrong at start-up and the program runs without (the SCPI
    // server's port, say): shown in the manual's troubleshooting section in
    // place of its line StartNotesPlaceholder.
    static void AddStartNote(const QString& note);
    static constexpr const char* StartNotesPlaceholder = "At this start the program found nothing to report.";
};
