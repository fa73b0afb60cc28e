#include "frontpanel/RemotePanel.h"

#include "frontpanel/AttGroupBox.h"
#include "frontpanel/MainForm.h"

TFrontPanelRemote::TFrontPanelRemote(TMainForm& form) : form_(form), sequences_(form), core_(*this) {
    form_.SetBoxWatcher([this](int n, TBoxFact fact, const std::string& text) { core_.BoxShown(n, fact, text); });
    form_.SetSetWatcher([this](int n, const TSetOutcome& outcome) { core_.SetEnded(n, outcome); });
}

TFrontPanelRemote::~TFrontPanelRemote() {
    form_.SetBoxWatcher({});
    form_.SetSetWatcher({});
}

TRemoteBox TFrontPanelRemote::Box(int n) const {
    const TAttGroupBox* box = form_.AttGroupBoxes[n - 1];
    return {box->isEnabled(), box->Decimal(), box->MaxValue(), form_.AttEnabled(n)};
}

int TFrontPanelRemote::LinkMaxAtt(int n) const { return form_.Link(n - 1)->MaxAtt(); }
int TFrontPanelRemote::CommonMaxAtt() const { return form_.CommonMaxAtt(); }
bool TFrontPanelRemote::SequencerOpen() const { return form_.SequencerOpen(); }
bool TFrontPanelRemote::HoldsInput() const { return form_.HoldsInput(); }

std::uint64_t TFrontPanelRemote::SetByHand(int n, int value) {
    // As if the operator had typed the value and pressed Enter: the change
    // goes out at once as a verified set and the box shows it, unless the
    // operator is typing there (their text stays until Enter or Escape).
    form_.AttGroupBoxes[n - 1]->ShowSetFromScript(value);
    return form_.SetAttenuator(n, "0", value);
}

void TFrontPanelRemote::Rename(int n, const std::string& name) { form_.ApplyName(n, name); }
void TFrontPanelRemote::RefreshLink(int n) { form_.RequestLinkRefresh(n); }

std::vector<TRemoteSet> TFrontPanelRemote::ParkRound() {
    std::vector<TRemoteSet> sets;
    for (const auto& [n, serial] : form_.ParkRound()) sets.push_back({n, serial});
    return sets;
}

void TFrontPanelRemote::RunSequences(const std::vector<std::string>& files, TRemoteDone done,
                                     TRemoteNotice recordFailed) {
    sequences_.Run(files, std::move(done), std::move(recordFailed));
}

void TFrontPanelRemote::StopSequences(TRemoteDone done) { sequences_.Stop(std::move(done)); }
