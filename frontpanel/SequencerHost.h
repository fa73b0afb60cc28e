#pragma once
// What the sequence windows read from the main window: its bench's run,
// the common maximum, the boxes' captions, the sequences folder, the graph
// host and the main window's visibility.

#include "sequencer/SequencerForm.h"

#include <string>

class TMainForm;

class TFrontPanelSequencerHost : public TSequencerHost {
public:
    explicit TFrontPanelSequencerHost(TMainForm& main) : main_(main) {}

    int CommonMaxAtt() const override;
    std::string AttCaption(int n) const override;
    std::string SequencesDir() const override;
    void SetSequencesDir(const std::string& dir) override;
    TSequencerGraphHost& GraphHost() override;
    bool MainVisible() const override;
    void SetMainVisible(bool visible) override;
    TBenchRun& Run() override;

private:
    TMainForm& main_;
};

// The "&Sequencer" entry: the sequence list window, modal, made anew.
void OpenSequencerList(TMainForm& main);
