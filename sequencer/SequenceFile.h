#pragma once
// The sequence file (.sqc): the reading rules shared by every reader, and
// the writer's exact layout.
//
// Layout as written (every line ends with CR LF):
//   ATTS SELECTED
//   <empty>
//    att1 att3 att8          (" attN" for each selected attenuator, joined)
//   <empty>
//   ACTIONS
//   #Num<TAB>Time<TAB>Action<TAB>From<TAB>To<TAB>Duration
//   one "%d\t%d\t%d\t%d\t%d\t%d" line per editor row

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Action codes of the "Action" field.
enum ActionCode : int {
    ActionNone = 0,    // "No Action"
    ActionReset = 1,   // "Reset"
    ActionRamp = 2,    // "Ramp"
    ActionStep = 3,    // "Step"
    ActionGoto = 4,    // "Goto"
    ActionRepeat = 5,  // "Repeat"
    ActionUnset = 255, // a row with no action selected
};

// The names of the action codes 0..5, in code order.
extern const std::array<const char*, 6> ActionNames;

// One action row, the six fields of an action-section line.
struct TActionRow {
    int Num = 0;
    int Time = 0;
    int Action = 0;
    int From = 0;
    int To = 0;
    int Duration = 0;
    bool operator==(const TActionRow&) const = default;
};

enum class TSequenceSection { None, Attenuators, Actions };

// Removes leading and trailing characters with codes 0..32.
std::string_view TrimSequenceLine(std::string_view line);

// The attenuators (1..8) a line of the attenuator section names: bit N-1 is
// set when the line contains "attN" anywhere (case-sensitive).
unsigned NamedAttenuators(std::string_view line);

// The six fields of an action-section line, split at TABs; a missing field
// or one that is not a whole decimal integer (optional sign) counts as 0.
TActionRow ParseActionRow(std::string_view line);

// Splits a byte stream into lines (CR LF, LF or CR end a line), trims them,
// follows the section markers, and hands every content line with its section
// to the handler. Lines before the first marker, empty lines and lines
// beginning with '#' are not handed on. The handler returns false to stop.
class TSequenceLineReader {
public:
    using Handler = std::function<bool(TSequenceSection section, std::string_view line)>;
    explicit TSequenceLineReader(Handler handler) : handler_(std::move(handler)) {}

    // Returns false once the handler has asked to stop.
    bool Feed(const char* data, std::size_t size);
    bool Feed(std::string_view text) { return Feed(text.data(), text.size()); }
    // Hands on the last line when the stream did not end with a line end.
    bool Finish();
    // A section marker was read: the text is laid out as a sequence file.
    bool SawSection() const { return sawSection_; }

private:
    bool EndLine();

    Handler handler_;
    std::string line_;
    TSequenceSection section_ = TSequenceSection::None;
    bool afterCR_ = false;
    bool stopped_ = false;
    bool sawSection_ = false;
};

// The largest sequence file the readers accept. Files are read and compiled
// on the GUI thread, so the limit keeps that well under 0.2 s even on a busy
// machine; it still holds 18 editor sequences of 400 rows at their widest
// (73 bytes a row), or some 20000 rows of typical width.
inline constexpr long long MaxSequenceFileBytes = 512 * 1024;

// Reads a whole file through a TSequenceLineReader, streaming. Returns false
// with error set ("Cannot open file \"...\". <reason>") when the file cannot
// be read or is larger than MaxSequenceFileBytes; a stop asked by the handler
// is not an error. sawSection, when given, tells whether a section marker
// was read.
bool ReadSequenceLines(const std::string& path, const TSequenceLineReader::Handler& handler,
                       std::string& error, bool* sawSection = nullptr);

// Everything a sequence file holds, in reading order.
struct TSequenceFileData {
    std::array<bool, 8> Selected{};  // attenuators 1..8
    std::vector<TActionRow> Rows;
};

// Reads a file into data: the attenuators any attenuator line names, and
// every action line in file order (the editor decides which rows it keeps).
bool LoadSequenceFile(const std::string& path, TSequenceFileData& data, std::string& error);

// The file text exactly as written. For "Goto" and "Repeat" a To below 1 is
// written as 1.
std::string FormatSequenceFile(const TSequenceFileData& data);

// Writes the file through a temporary file in the same folder that replaces
// the target only once it is completely on disk, so that a failed save never
// leaves a damaged or shortened sequence. Returns false with error set.
bool SaveSequenceFile(const std::string& path, const TSequenceFileData& data, std::string& error);
