#include "frontpanel/RemotePanel.h"

#include "frontpanel/AttGroupBox.h"
#include "frontpanel/MainForm.h"

TFrontPanelRemote::TFrontPanelRemote(TMainForm& form)
    : form_(form), bench_(form.Bench()), sequences_(form), core_(*this) {
    bench_.AddObserver(this);
}

TFrontPanelRemote::~TFrontPanelRemote() { bench_.RemoveObserver(this); }

bool TFrontPanelRemote::SequencerOpen() const { return form_.SequencerOpen() || bench_.SequencerOpen(); }

std::uint64_t TFrontPanelRemote::SetByHand(int n, int value) {
    // As if the operator had typed the value and pressed Enter: the change
    // goes out at once as a verified set and the box shows it, unless the
    // operator is typing there (their text stays until Enter or Escape).
    form_.AttGroupBoxes[n - 1]->ShowSetFromScript(value);
    return form_.SetAttenuator(n, "0", value);
}

void TFrontPanelRemote::RunSequences(const std::vector<std::string>& files, TRemoteDone done,
                                     TRemoteNotice recordFailed) {
    if (bench_.Runs().Busy()) return done(TRemoteRefusal{TRemoteRefusalKind::Conflict, RemoteAlreadyRunningMessage});
    sequences_.Run(files, std::move(done), std::move(recordFailed));
}

void TFrontPanelRemote::LoadSequences(const std::vector<std::string>& files, TRemoteDone done,
                                      TRemoteNotice recordFailed) {
    if (bench_.Runs().Busy()) return done(TRemoteRefusal{TRemoteRefusalKind::Conflict, RemoteAlreadyRunningMessage});
    sequences_.Run(files, std::move(done), std::move(recordFailed), true);
}

void TFrontPanelRemote::StopSequences(TRemoteDone done) { sequences_.Stop(std::move(done)); }
