#pragma once
// SIGTERM, SIGINT and SIGHUP turned into calls on the event loop of
// context's thread (a self-pipe read by a socket notifier), so that the
// handler may do anything that thread does. The handler is told which
// signal came, once per signal, and decides itself what a second one means.

#include <functional>

class QObject;

void CallOnSignals(QObject* context, std::function<void(int signal)> onSignal);
