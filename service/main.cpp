// quadrell2x4attsd: the bench as a system service. Reads and checks its
// configuration file, starts the links and the SCPI server, tells systemd
// it is ready, and serves until SIGTERM or SIGINT, which park every usable
// attenuator; SIGHUP reads the configuration file again. No display.

#include "service/BenchService.h"
#include "service/ServiceLog.h"
#include "service/ServiceOptions.h"
#include "support/GuiThread.h"
#include "support/SignalEvents.h"

#include <QCoreApplication>

#include <csignal>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const TServiceArgs args = ParseServiceOptions(app.arguments());
    if (!args.Options) {
        std::fputs(args.Text.c_str(), args.Exit == 0 ? stdout : stderr);
        return args.Exit;
    }
    const TServiceOptions& options = *args.Options;
    // A configuration that fails a rule contacts no attenuator.
    const TServiceConfig config = ReadServiceConfig(options.ConfigFile);
    if (!config.Errors.empty()) {
        for (const auto& error : config.Errors) LogLine(TLogLevel::Error, error);
        return ServiceBadInput;
    }
    const TServiceScpi scpi = ReadServiceScpi(options);
    if (!scpi.Problem.empty()) {
        LogLine(TLogLevel::Error, scpi.Problem);
        return ServiceBadInput;
    }
    if (!scpi.Notes.empty()) LogLine(TLogLevel::Warning, scpi.Notes);

    int rc = 0;
    {
        TBenchService service(options, config, scpi.Settings);
        CallOnSignals(&app, [&service](int signal) { signal == SIGHUP ? service.Reload() : service.Stop(); });
        service.Start();
        rc = app.exec();
    }  // the links end with the service
    // Release any link still waiting for the main thread.
    TGuiGate::CloseAll();
    return rc;
}
