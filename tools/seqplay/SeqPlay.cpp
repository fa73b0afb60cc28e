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
    TSequenceAnalysis analysis = AnalyzeSequences(files);
    if (!analysis.Ok()) {
        err << "seqplay: " << analysis.Error << "\n";
        return 2;
    }
    for (std::size_t i = 0; i < analysis.Scripts.size(); ++i) {
        out << "# sequence " << i + 1 << ": " << files[i] << " ->";
        bool any = false;
        for (int att = 1; att <= TBaieScripts::AttCount; ++att) {
            if (analysis.Assignment.Slot(att) != analysis.Scripts[i].get()) continue;
            out << " att " << att;
            any = true;
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
