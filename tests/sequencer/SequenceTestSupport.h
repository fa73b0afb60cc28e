#pragma once
// Sequence files in a temporary folder, and timelines of compiled runs.

#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequenceRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class TTempFolder {
public:
    TTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "seqtest-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TTempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    // Writes text as it stands (bytes) to a file of this folder.
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string file = path_ + "/" + name;
        std::ofstream out(file, std::ios::binary);
        out << text;
        return file;
    }

private:
    std::string path_;
};

// The text the writer produces for the given attenuators and rows.
inline std::string SqcText(std::initializer_list<int> atts, const std::vector<TActionRow>& rows) {
    TSequenceFileData data;
    for (int a : atts) data.Selected[a - 1] = true;
    data.Rows = rows;
    return FormatSequenceFile(data);
}

inline TActionRow Row(int num, int action, int from, int to, int duration) {
    return TActionRow{num, 0, action, from, to, duration};
}

// The value texts an attenuator is sent, one entry per tick ("" when the
// tick sends it nothing), until the run ends. The tick at which the run
// ends delivers nothing and is not listed.
struct TTimeline {
    std::vector<std::vector<std::string>> ticks;  // ticks[k][att - 1], command text
    std::vector<std::string> Values(int att) const {
        std::vector<std::string> v;
        for (const auto& t : ticks) {
            const std::string& c = t[att - 1];
            v.push_back(c.empty() ? std::string() : c.substr(6));
        }
        return v;
    }
};

inline TTimeline PlayRun(TSequenceRun& run, std::size_t maxTicks = 100000) {
    TTimeline timeline;
    while (timeline.ticks.size() < maxTicks && run.Step()) {
        std::vector<std::string> tick;
        for (int att = 1; att <= 8; ++att) tick.push_back(run.Command(att));
        timeline.ticks.push_back(tick);
    }
    return timeline;
}

inline TTimeline PlayFiles(const std::vector<std::string>& files, std::size_t maxTicks = 100000) {
    TSequenceAnalysis a = AnalyzeSequences(files);
    EXPECT_TRUE(a.Ok()) << a.Error;
    TSequenceRun run(std::move(a.Scripts), a.Assignment);
    return PlayRun(run, maxTicks);
}

// The rows of the worked example: reset, step to 100 for 2 s, ramp 100 -> 0
// over 1 s, repeat from row 2 once.
inline std::vector<TActionRow> WorkedExampleRows() {
    return {Row(1, ActionReset, 0, 0, 0), Row(2, ActionStep, 0, 100, 20), Row(3, ActionRamp, 100, 0, 10),
            Row(4, ActionRepeat, 0, 2, 1)};
}

// The expected values of the worked example, tick by tick.
inline std::vector<std::string> WorkedExampleValues() {
    const std::vector<std::string> ramp = {"100", "090", "080", "065", "055", "045", "035", "025", "010", "000"};
    std::vector<std::string> v = {"935", "100"};
    v.insert(v.end(), 19, "");
    v.insert(v.end(), ramp.begin(), ramp.end());
    v.push_back("100");  // the repeat jumps back to row 2 in the same tick
    v.insert(v.end(), 19, "");
    v.insert(v.end(), ramp.begin(), ramp.end());
    v.push_back("");  // the used-up repeat costs a silent tick
    return v;
}
