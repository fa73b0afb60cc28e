#pragma once
// SIGTERM, SIGINT and SIGHUP turned into calls on the main thread's event
// loop (a self-pipe read by a socket notifier), so that the handlers may do
// anything the main thread does.

#include <functional>

class QObject;

void InstallServiceSignals(QObject* context, std::function<void()> onStop, std::function<void()> onReload);
