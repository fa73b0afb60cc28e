#include "tools/seqplay/SeqPlay.h"

#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequenceRun.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Seconds(std::int64_t ticks) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%lld", static_cast<long long>(ticks / 10),
                  static_cast<long long>(ticks % 10));
    return text;
}

}  // namespace

int PlaySequences(const std::vector<std::string>& files, const TSeqPlayOptions& options, std::ostream& out,
                  std::ostream& err) {
    TSequenceAnalysis analysis = AnalyzeSequences(files, options.Bench);
    if (!analysis.Ok()) {
        err << "seqplay: " << (analysis.Result == TAnalysisResult::ProfileError ? "Profile error. " : "")
            << analysis.Error << "\n";
        return 2;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        out << "# " << (IsProfileFileName(files[i]) ? "profile " : "sequence ") << i + 1 << ": " << files[i] << " ->";
        bool any = false;
        for (int att = 1; att <= TBaieScripts::AttCount; ++att) {
            for (std::size_t s = 0; s < analysis.Scripts.size(); ++s) {
                if (analysis.ScriptFile[s] != i || analysis.Assignment.Slot(att) != analysis.Scripts[s].get()) continue;
                out << " att " << att;
                any = true;
            }
        }
        out << (any ? "" : " no attenuator") << "\n";
    }

    TSequenceRun run(std::move(analysis.Scripts), analysis.Assignment);
    std::int64_t tick = 0;  // ticks that delivered (or would have delivered)
    for (;;) {
        if (tick >= options.MaxTicks) {
            out << "run not ended after " << tick << " ticks (" << Seconds(tick) << " s)\n";
            return 3;
        }
        if (!run.Step()) break;
        ++tick;
        bool sent = false;
        for (int att = 1; att <= TBaieScripts::AttCount; ++att) {
            const std::string& command = run.Command(att);
            if (command.empty()) continue;
            out << tick << '\t' << Seconds(tick) << "\tatt" << att << '\t' << command << '\n';
            sent = true;
        }
        if (!sent && options.ShowSilentTicks) out << tick << '\t' << Seconds(tick) << "\t-\n";
        if (!options.ShowSilentTicks) {
            // Long waits are passed over at once rather than tick by tick.
            const std::int64_t skip = std::min(run.SilentTicksAhead(), options.MaxTicks - tick);
            run.SkipSilentTicks(skip);
            tick += std::max<std::int64_t>(skip, 0);
        }
    }
    out << "run length: " << tick << " ticks (" << Seconds(tick) << " s)\n";
    return 0;
}
