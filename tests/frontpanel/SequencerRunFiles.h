#pragma once
// Sequence files written for a run through the main window, and the
// attenuation commands a simulated attenuator received.

#include "sequencer/SequenceFile.h"
#include "sequencer/SequencerForm.h"
#include "support/TextFields.h"
#include "tests/testsupport/TestSupport.h"
#include "tools/simulator/RackSimulator.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

// A sequence file on the given attenuators (1..8) with the given rows.
inline std::string WriteSequence(const QTemporaryDir& home, const char* name, std::initializer_list<int> atts,
                                 const std::vector<TActionRow>& rows) {
    TSequenceFileData data;
    for (int att : atts) data.Selected[static_cast<std::size_t>(att - 1)] = true;
    data.Rows = rows;
    const std::string path = home.path().toStdString() + "/" + name;
    std::string error;
    EXPECT_TRUE(SaveSequenceFile(path, data, error)) << error;
    return path;
}

// Loads the files into the list window, selects them all, shows the graph
// and runs them; returns once the files have been read (off the GUI thread).
inline void RunWithGraph(TSequencerForm* list, const std::vector<std::string>& files) {
    list->AddFiles(files);
    list->LBSequence->selectAll();
    list->GraphButton->click();
    list->ButtonRun->click();
    WaitUntil([&] { return !list->Analyzing(); }, 20000);
}

inline std::vector<std::string> AttLines(const TRackSimulator& sim, int att) {
    std::vector<std::string> got;
    for (const TSimLine& l : sim.Lines(att))
        if (StartsWith(l.line, "ATT")) got.push_back(l.line);
    return got;
}
