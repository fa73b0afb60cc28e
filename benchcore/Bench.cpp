// The bench's links: their slots and configuration, and what their reports
// mean for each attenuator box.

#include "benchcore/Bench.h"

#include "controls/SpinNumValue.h"
#include "link/AttenuatorRules.h"
#include "link/TovarinProtocol.h"

#include <algorithm>

TBench::TBench(const TLinkTimings& timings) {
    // The eight links exist from the start, not yet started, waiting with
    // the ready caption a usable box shows until its name is read.
    for (auto& link : links_) {
        link = std::make_unique<TTovarinThread>(this, timings);
        link->SetReadyCaption("Wait...");
        link->SetEnabled(false);
    }
    run_.AddObserver(this);
    parkPoll_.setInterval(2);
    parkPoll_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&parkPoll_, &QTimer::timeout, &timers_, [this] { ParkCheck(); });
}

TBench::~TBench() {
    // A run still going ends as "program closed" while its links exist.
    observers_.clear();
    stopDone_.clear();
    recordNotice_ = {};
    run_.EndForProgramClose();
    Stop();
    // Every wait of a link is interrupted by its termination and its pending
    // GUI step is released, so joining them is bounded.
    for (auto& link : links_) link.reset();
}

void TBench::AddObserver(TBenchObserver* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TBench::RemoveObserver(TBenchObserver* observer) { std::erase(observers_, observer); }

TBenchConfigResult TBench::ApplyConfiguration(const RackConfiguration& config, const std::string& path) {
    TBenchConfigResult result;
    result.Errors = ConfigErrors(config);
    if (!result.Errors.empty() || HoldsInput()) {
        if (result.Errors.empty()) result.Errors.push_back(RemoteClosingMessage);
        return result;
    }
    // The same packing as the configuration dialog's OK, into a copy, so
    // that the links see only the end result.
    TBenchSlots next = slots_;
    ApplyConfig(config, next);
    next.SetConfigFile(path);
    result.Reconnected = ApplySlots(next);
    return result;
}

std::vector<int> TBench::ApplySlots(const TBenchSlots& next) {
    if (HoldsInput()) return {};
    const std::vector<int> changed = slots_.ChangedTargets(next);
    slots_ = next;
    // A floor raised above an attenuator's value is held from its next
    // change on; the attenuator is not moved for it.
    for (int n = 1; n <= SlotCount; ++n)
        if (UpdateFloor(n)) Tell([&](TBenchObserver& o) { o.BoxChanged(n, boxes_[n - 1]); });
    for (int s = 0; s < SlotCount; ++s) {
        links_[s]->SetTargetHost(slots_.Slot(s).IP);
        links_[s]->SetTargetPort(slots_.Slot(s).Port);
        links_[s]->SetEnabled(slots_.Slot(s).Enabled);
    }
    std::vector<int> reconnected;
    for (int s : changed) {
        reconnected.push_back(s + 1);
        if (started_) links_[s]->SetPendingCommand(std::string(ReconfigRequest));
    }
    return reconnected;
}

void TBench::RequestReconfig() {
    if (HoldsInput()) return;
    for (auto& link : links_) link->SetPendingCommand(std::string(ReconfigRequest));
}

void TBench::Start() {
    if (started_) return;
    started_ = true;
    // No device known yet; the links start connecting, link 0 first.
    for (auto& link : links_) link->SetDeviceId("000000");
    for (auto& link : links_) link->Start();
}

void TBench::Stop() {
    parkPoll_.stop();
    for (auto& link : links_)
        if (link) link->Terminate();
}

int TBench::ReadyCount() const {
    int ready = 0;
    for (int s = 0; s < SlotCount; ++s) ready += slots_.Slot(s).Enabled && boxes_[s].Usable ? 1 : 0;
    return ready;
}

int TBench::BoxNumberOf(const TTovarinThread* link) const {
    for (int i = 0; i < SlotCount; ++i)
        if (links_[i].get() == link) return i + 1;
    return 0;
}

void TBench::ShowLinkStatus(TTovarinThread* link, int status) {
    const int n = BoxNumberOf(link);
    if (n == 0) return;
    TBenchBox& box = boxes_[n - 1];
    const std::string caption = LinkStatusCaption(status, link->Enabled(), link->ReadyCaption(), link->ErrorText());
    box.Caption = caption;
    box.Status = caption;
    if (!link->Enabled()) box.Name.clear();  // no attenuator in this slot any more
    const bool usable = LinkStatusUsable(status, link->Enabled());
    if (usable && link->MaxAtt() > 0) {
        box.Usable = true;  // counted by the common maximum below
        box.Decimal = CountsTenths(link->MaxAtt(), commonMaxAtt_);
        box.Step = AttenuatorStep(link->MaxAtt(), commonMaxAtt_);
        box.MaxValue = link->MaxAtt();
        UpdateCommonMaxAtt();
        UpdateFloor(n);
    }
    box.Usable = usable;
    run_.LinkUsable(n, usable);
    Tell([&](TBenchObserver& o) { o.BoxChanged(n, box); });
    Tell([&](TBenchObserver& o) { o.BoxShown(n, TBoxFact::Status, caption); });
}

void TBench::ShowLinkAnswer(TTovarinThread* link, const std::string& text) {
    const int n = BoxNumberOf(link);
    if (n == 0) return;
    if (const auto value = AnswerValue(text)) {
        ShowReadBack(n, *value);
        Tell([&](TBenchObserver& o) { o.ValueAnswered(n, *value); });
        run_.ReadBack(n, *value);
    } else if (const auto name = AnswerName(text)) {
        boxes_[n - 1].Caption = *name;
        boxes_[n - 1].Name = *name;
        Tell([&](TBenchObserver& o) { o.BoxShown(n, TBoxFact::Name, *name); });
    }
}

void TBench::LinkSetEnded(TTovarinThread* link, const TSetOutcome& outcome) {
    // Confirmed or not, the box ends up showing what the attenuator holds.
    // A superseded set leaves the box to the newer set or command that took
    // its place.
    const int n = BoxNumberOf(link);
    if (n == 0) return;
    if (outcome.ReadBack && outcome.End != TSetOutcome::TEnd::Superseded) ShowReadBack(n, *outcome.ReadBack);
    Tell([&](TBenchObserver& o) { o.SetEnded(n, outcome); });
}

void TBench::ShowReadBack(int n, int value) {
    TBenchBox& box = boxes_[n - 1];
    box.Value = value;
    // Found below its floor (set at the device, or by another program): it
    // is left as it is, and told.
    UpdateFloor(n);
    Tell([&](TBenchObserver& o) { o.BoxChanged(n, box); });
    const std::string text = SpinFormat(value, box.Decimal);
    Tell([&](TBenchObserver& o) { o.BoxShown(n, TBoxFact::Attenuation, text); });
}

void TBench::UpdateCommonMaxAtt() {
    std::vector<int> maxima;
    for (const auto& box : boxes_)
        if (box.Usable) maxima.push_back(box.MaxValue);
    commonMaxAtt_ = ComputeCommonMaxAtt(maxima);
    commonMaxima_ = std::move(maxima);
}

TRemoteBox TBench::Box(int n) const {
    if (!IsBox(n)) return {};
    const TBenchBox& box = boxes_[n - 1];
    return {box.Usable, box.Decimal, box.MaxValue, links_[n - 1]->Enabled(), box.Floor.value_or(0), box.BelowFloor};
}
