#include "frontpanel/SequencerHost.h"

#include "frontpanel/MainForm.h"

int TFrontPanelSequencerHost::CommonMaxAtt() const { return main_.CommonMaxAtt(); }
std::string TFrontPanelSequencerHost::AttCaption(int n) const { return main_.AttCaption(n); }
std::string TFrontPanelSequencerHost::SequencesDir() const { return main_.SequencesDir(); }
void TFrontPanelSequencerHost::SetSequencesDir(const std::string& dir) { main_.SetSequencesDir(dir); }
TSequencerGraphHost& TFrontPanelSequencerHost::GraphHost() { return main_; }
bool TFrontPanelSequencerHost::MainVisible() const { return main_.isVisible(); }
void TFrontPanelSequencerHost::SetMainVisible(bool visible) { main_.setVisible(visible); }
TBenchRun& TFrontPanelSequencerHost::Run() { return main_.Bench().Runs(); }

void OpenSequencerList(TMainForm& main) {
    TFrontPanelSequencerHost host(main);
    ShowSequencerForm(host);
}
