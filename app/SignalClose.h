#pragma once
#include <functional>

class QObject;

// Turns SIGTERM and SIGINT into a call of onSignal on the GUI thread (the
// main window's close), so that a program told to end by its session still
// parks its attenuators and writes its settings.
void InstallCloseOnSignal(QObject* context, std::function<void()> onSignal);
