#include "service/BenchService.h"

#include "remote/RemoteRequests.h"
#include "sequencer/RunRecordFormat.h"
#include "sequencer/InterruptedRecords.h"
#include "support/VersionTitle.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

TLinkTimings ServiceLinkTimings() {
    TLinkTimings timings;
    timings.IdleSleep = 100;
    return timings;
}

TBenchService::TBenchService(const TServiceOptions& options, const TServiceConfig& config,
                             const TScpiSettings& scpi, const TLinkTimings& timings)
    : options_(options), config_(config.Config), scpiSettings_(scpi), bench_(timings) {
    bench_.AddObserver(&log_);
    bench_.AddObserver(this);
    bench_.Runs().AddObserver(this);
    bench_.SetRecordsDir(options.RecordsDir);
    scpi_.SetRefusalLog([](const std::string& text) { LogLine(TLogLevel::Warning, text); });
}

TBenchService::~TBenchService() {
    bench_.Runs().RemoveObserver(this);
    bench_.RemoveObserver(this);
    bench_.RemoveObserver(&log_);
}

void TBenchService::Start() {
    LogLine(TLogLevel::Info, std::string(ServiceProgramName) + " " + ProgramVersionInfo().fileVersion +
                                 " starting, configuration " + options_.ConfigFile + ": " + DescribeConfig(config_));
    if (options_.RecordsDir.empty())
        LogLine(TLogLevel::Warning, "No records folder (--records DIR): runs go on without a record");
    else
        LogLine(TLogLevel::Info, "Records folder " + options_.RecordsDir);
    // Records that a killed run left open are closed before anything runs.
    const TInterruptedRecords records = CloseInterruptedRecords(options_.RecordsDir);
    for (const TInterruptedRecord& r : records.Closed)
        LogLine(TLogLevel::Warning, "Run record " + r.Description + " closed as interrupted at " + r.EndTime);
    for (const TRecordLeftAlone& r : records.LeftAlone)
        LogLine(TLogLevel::Warning, "Run record " + r.Description + " left as it is: " + r.Reason);
    bench_.ApplyConfiguration(config_, options_.ConfigFile);
    for (int n = 1; n <= TBench::SlotCount; ++n)
        if (bench_.Slots().Slot(n - 1).Enabled) LogLine(TLogLevel::Info, log_.BoxLabel(n) + " in use");
    // At start the links send nothing but their identification and
    // read-back queries: a restart leaves every attenuator where it was.
    bench_.Start();
    const std::string problem = scpi_.Start(scpiSettings_);
    if (!problem.empty())
        LogLine(TLogLevel::Error, problem);
    else if (scpi_.Listening())
        LogLine(TLogLevel::Info, "SCPI server listening on " + scpiSettings_.Address + " port " +
                                     std::to_string(scpi_.Port()));
    else
        LogLine(TLogLevel::Info, "SCPI server off (port 0)");
    if (notify_.WatchdogUsec() > 0)
        LogLine(TLogLevel::Info, "Watchdog every " + std::to_string(notify_.WatchdogUsec() / 2000) + " ms");
    ShowStatus();
    notify_.Ready();
}

void TBenchService::Stop() {
    if (stopping_) return;
    stopping_ = true;
    notify_.Stopping();
    // A run still going ends first, as when the desktop program closes.
    bench_.Runs().EndForProgramClose();
    int usable = 0;
    for (int n = 1; n <= TBench::SlotCount; ++n) usable += bench_.Link(n - 1)->Ready() ? 1 : 0;
    const std::string text = "Parking " + std::to_string(usable) + " attenuator" + (usable == 1 ? "" : "s") +
                             " at the common maximum (" + std::to_string(bench_.CommonMaxAtt()) + ")";
    LogLine(TLogLevel::Info, text);
    notify_.Status(text);
    // The parking is bounded; the limit only guards against a fault.
    QTimer::singleShot(StopLimitMs, Qt::PreciseTimer, &context_, [this] {
        LogLine(TLogLevel::Error, "Parking did not end in time; stopping regardless");
        Quit();
    });
    bench_.Park([this] {
        LogLine(TLogLevel::Info, "Attenuators parked; stopping");
        Quit();
    });
}

void TBenchService::Quit() {
    bench_.Stop();
    QCoreApplication::exit(0);
}

void TBenchService::Reload() {
    if (stopping_) return;
    const TServiceConfig next = ReadServiceConfig(options_.ConfigFile);
    if (!next.Errors.empty()) {
        for (const auto& error : next.Errors)
            LogLine(TLogLevel::Error, "Configuration refused, the one in use is kept: " + error);
        return;
    }
    const TBenchConfigResult result = bench_.ApplyConfiguration(next.Config, options_.ConfigFile);
    if (!result.Applied()) {
        for (const auto& error : result.Errors)
            LogLine(TLogLevel::Error, "Configuration refused, the one in use is kept: " + error);
        return;
    }
    config_ = next.Config;
    std::string boxes;
    for (int n : result.Reconnected) boxes += (boxes.empty() ? "" : ", ") + std::to_string(n);
    LogLine(TLogLevel::Info, "Configuration read again: " + DescribeConfig(config_) +
                                 (boxes.empty() ? "; no link changes" : "; reconnecting box " + boxes));
    ShowStatus();
}

void TBenchService::BoxChanged(int, const TBenchBox&) { ShowStatus(); }
void TBenchService::BoxShown(int, TBoxFact fact, const std::string&) {
    if (fact == TBoxFact::Status) ShowStatus();
}

void TBenchService::ShowStatus() {
    if (stopping_) return;
    std::string status =
        std::to_string(bench_.ReadyCount()) + " of " + std::to_string(bench_.ConfiguredCount()) + " attenuators ready";
    if (bench_.Runs().State() == TBenchRunState::Running) status += "; running " + RunFiles();
    if (bench_.Runs().State() == TBenchRunState::Armed) {
        const auto instant = bench_.Runs().StartInstant();
        status += "; armed " + RunFiles() + (instant ? ", starting at " + RemoteUtcText(*instant) : std::string());
    }
    notify_.Status(status);
}

std::string TBenchService::RunFiles() const {
    std::string names;
    for (const std::string& file : bench_.Runs().Files()) {
        const std::size_t slash = file.rfind('/');
        names += (names.empty() ? "" : ", ") + (slash == std::string::npos ? file : file.substr(slash + 1));
    }
    return names;
}

void TBenchService::RunStateChanged(TBenchRunState state) {
    if (state == TBenchRunState::Running) {
        std::string files;
        for (const std::string& file : bench_.Runs().Files()) files += (files.empty() ? "" : ", ") + file;
        LogLine(TLogLevel::Info, "Run started: " + files +
                                     (options_.RecordsDir.empty() ? "" : "; recording in " + options_.RecordsDir));
    }
    ShowStatus();
}

void TBenchService::RunEnded(TRunEnding how, const std::string& recordPath) {
    std::string text = "Run of " + RunFiles() + " ended \"" + RunEndingText(how) + "\"";
    if (!recordPath.empty()) text += "; record " + recordPath + " and " + RunDescriptionPath(recordPath);
    LogLine(TLogLevel::Info, text);
}

void TBenchService::RunRecordFailed(const std::string& text) { LogLine(TLogLevel::Error, text); }
