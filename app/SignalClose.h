#pragma once
#include <functional>

class QObject;

// Turns SIGTERM, SIGINT and SIGHUP into a call of onSignal on the GUI thread
// (the main window's close for the program's end), so that a program told to
// end by its session, its terminal or Ctrl+C still parks its attenuators and
// writes its settings. onSignal runs once per signal; it decides itself what
// a second one means.
void InstallCloseOnSignal(QObject* context, std::function<void()> onSignal);
