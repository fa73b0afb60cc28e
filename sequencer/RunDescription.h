#pragma once
// The description of a run, a JSON file beside its record: what played on
// which attenuators, from which files, under which configuration, and how
// the run ended.

#include "sequencer/RunRecordFormat.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One sequence file of a run and the boxes (1..8) it drives.
struct TPlayedFile {
    std::string Path;
    std::vector<int> Atts;
};

// What is known when a run starts; the files are hashed later, by the
// record's writer thread.
struct TRunStart {
    std::string ConfigFile;             // the configuration file's path; empty when none
    std::array<TRecordedAtt, 9> Atts;   // [1..8]
    std::vector<TPlayedFile> Files;
    // An armed run started at an agreed instant: its first tick was due then.
    std::optional<std::chrono::system_clock::time_point> StartInstant;
};

struct TSequenceAnalysis;
// The files of a run (the paths analysed, in order), each with the boxes its
// scripts drive in analysis.
std::vector<TPlayedFile> PlayedFiles(const std::vector<std::string>& files, const TSequenceAnalysis& analysis);

// Interrupted: the run never ended (the program was killed); written at
// the next start, never by a record.
enum class TRunEnding { Completed, Stopped, ProgramClosed, Interrupted };
// "completed", "stopped", "program closed", "interrupted".
const char* RunEndingText(TRunEnding how);

struct TRunEnd {
    std::chrono::system_clock::time_point Time;
    TRunEnding How = TRunEnding::Completed;
    std::int64_t Ticks = 0;                   // ticks delivered
    std::int64_t Sent = 0;                    // commands written to a link's socket
    std::array<std::int64_t, 3> NotSent{};    // by TNotSent
    std::optional<std::chrono::system_clock::time_point> FirstTick;  // when the first tick was delivered
    std::int64_t Skipped = 0;  // ticks stepped over unsent to keep an agreed start's grid
};

// The SHA-256 of the files a run names, as lower-case hex; empty for a file
// that cannot be read.
struct TRunHashes {
    std::string Config;
    std::vector<std::string> Files;  // as TRunStart::Files
};
std::string FileSha256(const std::string& path);
TRunHashes HashRunFiles(const TRunStart& start);

// ISO 8601 local time with milliseconds and offset, "2026-12-08T20:35:12.345+01:00".
std::string IsoLocalTime(std::chrono::system_clock::time_point t);

// The description's text (indented JSON). Without end, the run is still
// going: "end" is null.
std::string RunDescriptionJson(const TRunStart& start, std::chrono::system_clock::time_point startTime,
                               const TRunHashes& hashes, const TRunEnd* end);
