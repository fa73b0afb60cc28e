// A sequence file (.sqc) as anyone may have written it: read through the
// line reader in two pieces (a line end may be split between them),
// compiled into a script that is then played for a bounded number of ticks,
// written back and read again; and the same bytes read from a file by the
// run's analysis and by the editor's loader.

#include "sequencer/SequenceCompiler.h"
#include "sequencer/SequenceFile.h"
#include "sequencer/SequenceModel.h"

#include "FuzzSupport.h"

namespace {

// The rows and attenuators of a text, with the script compiled from it.
struct TReadBack {
    TSequenceFileData data;
    TSequenceScript script;
    TBaieScripts assignment;
    bool sectioned = false;  // a section line was read: a sequence file
};

void ReadText(const char* text, std::size_t size, std::size_t split, TReadBack& out) {
    TSequenceLineReader reader([&](TSequenceSection section, std::string_view line) {
        if (section == TSequenceSection::Attenuators) {
            const unsigned named = NamedAttenuators(line);
            for (int n = 1; n <= 8; ++n)
                if (named & (1u << (n - 1))) out.data.Selected[n - 1] = true;
            ClaimAttenuators(out.assignment, &out.script, line);
        } else {
            out.data.Rows.push_back(ParseActionRow(line));
            CompileActionLine(out.script, line);
        }
        return true;
    });
    reader.Feed(text, split);
    reader.Feed(text + split, size - split);
    reader.Finish();
    out.sectioned = reader.SawSection();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024) return 0;
    const char* text = reinterpret_cast<const char*>(data);
    const std::size_t split = size == 0 ? 0 : data[0] % (size + 1);

    TReadBack first;
    ReadText(text, size, split, first);

    // Playing: every tick's work is bounded, whatever the jumps and repeats.
    TSequenceScript& script = first.script;
    for (int tick = 0; tick < 2000 && !script.Finished; ++tick) {
        Advance(script);
        FUZZ_CHECK(script.Position >= 0);
        FUZZ_CHECK(script.Output.size() <= 11);
        if (!script.Finished) FUZZ_CHECK(script.Position <= script.StepCount());
    }

    // What the editor writes reads back as the same rows and attenuators.
    const std::string written = FormatSequenceFile(first.data);
    TReadBack second;
    ReadText(written.data(), written.size(), 0, second);
    FUZZ_CHECK(second.data.Selected == first.data.Selected);
    FUZZ_CHECK(second.data.Rows.size() == first.data.Rows.size());
    for (std::size_t i = 0; i < first.data.Rows.size(); ++i) {
        TActionRow expected = first.data.Rows[i];
        if ((expected.Action == ActionGoto || expected.Action == ActionRepeat) && expected.To < 1) expected.To = 1;
        FUZZ_CHECK(second.data.Rows[i] == expected);
    }

    // The same bytes as a file, for the run and for the editor.
    static TMemoryFile file("sequence.sqc");
    const std::string& path = file.Write(data, size);
    const TSequenceAnalysis run = AnalyzeSequences({path, path});
    // A file claiming any attenuator claims it again the second time; a
    // text without a section line is no sequence file.
    const bool claims = first.data.Selected != std::array<bool, 8>{};
    FUZZ_CHECK(run.Ok() == (first.sectioned && !claims));
    TSequenceFileData loaded;
    std::string error;
    FUZZ_CHECK(LoadSequenceFile(path, loaded, error));
    FUZZ_CHECK(loaded.Selected == first.data.Selected);
    FUZZ_CHECK(loaded.Rows == first.data.Rows);
    return 0;
}
