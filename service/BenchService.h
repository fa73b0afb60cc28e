#pragma once
// The bench as a service: the bench core with its configuration, the SCPI
// server over its remote core, the log, and systemd's notifications. Stop
// ends a run as "program closed", parks every usable attenuator and then
// ends the event loop; Reload reads the configuration file again and
// applies it as a configuration change. Main thread only.

#include "benchcore/Bench.h"
#include "benchcore/BenchRemote.h"
#include "remote/ScpiServer.h"
#include "service/ServiceLog.h"
#include "service/ServiceOptions.h"
#include "service/SystemdNotify.h"

#include <QObject>

// The links' timings in the service: the protocol's, but an idle link
// polls its pending command every 100 ms instead of every 10 ms. Every
// command and request wakes its link at once, so nothing reaches the wire
// later; the idle service just wakes ten times less often (0.2 % of a core
// instead of 1 % with eight idle links).
TLinkTimings ServiceLinkTimings();

class TBenchService : public TBenchObserver, public TBenchRunObserver {
public:
    // How long the stop may take before the service ends regardless.
    static constexpr int StopLimitMs = 2500;

    TBenchService(const TServiceOptions& options, const TServiceConfig& config, const TScpiSettings& scpi,
                  const TLinkTimings& timings = ServiceLinkTimings());
    ~TBenchService() override;

    // Applies the configuration, starts the links and the SCPI server, and
    // tells systemd the service is ready.
    void Start();
    // Parks the attenuators, then quits the event loop with status 0.
    void Stop();
    // Reads the configuration file again: applied when it passes the
    // rules, else refused and the configuration in use kept.
    void Reload();

    void BoxChanged(int n, const TBenchBox& box) override;
    void BoxShown(int n, TBoxFact fact, const std::string& text) override;
    // Runs: started and ended with their record files, a record failure.
    void RunStateChanged(TBenchRunState state) override;
    void RunEnded(TRunEnding how, const std::string& recordPath) override;
    void RunRecordFailed(const std::string& text) override;

private:
    void ShowStatus();
    std::string RunFiles() const;  // the run's file names, "a.sqc, b.csv"
    void Quit();

    TServiceOptions options_;
    RackConfiguration config_;
    TScpiSettings scpiSettings_;
    TBench bench_;
    TBenchRemote remote_{bench_};
    TServiceLog log_{bench_};
    TScpiServer scpi_{remote_.Core()};
    TSystemdNotify notify_;
    bool stopping_ = false;
    QObject context_;
};
