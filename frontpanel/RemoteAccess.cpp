#include "frontpanel/RemoteAccess.h"

#include "frontpanel/HelpViewer.h"
#include "frontpanel/MainForm.h"

#include <cstdio>

TRemoteAccess::TRemoteAccess(TMainForm& form)
    : form_(form), panel_(form), dbus_(panel_.Core()), scpi_(panel_.Core()) {}

std::string TRemoteAccess::StartScpi(bool anyPort) {
    const TScpiSettings settings = ReadScpiSettings(form_.Settings().Ini());
    std::string problem = settings.Problem;
    const std::string listen = scpi_.Start(settings, anyPort);
    if (!listen.empty()) problem += (problem.empty() ? "" : "\n") + listen;
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        THelpViewer::AddStartNote(QString::fromLocal8Bit(problem.c_str()));
    }
    return problem;
}
