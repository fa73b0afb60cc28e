#pragma once
// The text of a run record: a CSV file with one row for every attenuation
// command that a run handed to a link, laid out for a spreadsheet.

#include "support/TextFields.h"  // CsvField

#include <chrono>
#include <string>

// An attenuator as the program knew it when the run started.
struct TRecordedAtt {
    std::string Name;     // the attenuator box's caption
    std::string Address;  // the rack's IP address; empty when unknown
    std::string Port;     // the attenuator's TCP port; empty when unknown
    int MaxAtt = 0;       // the attenuator's maximum; 0 before it identified itself
};

struct TRecordRow {
    std::chrono::system_clock::time_point Wall;  // local time of day of the hand-over
    std::chrono::steady_clock::duration SinceStart{};
    int Box = 0;  // 1..8
    std::string Command;
    bool Limited = false;  // the value was cut down to the attenuator's maximum
};

// "run YYYY-MM-DD HH-MM-SS.csv" in local time: sorts by start time and holds
// no character that some filesystem refuses. attempt 2, 3, ... names the
// file of a run that started in the same second as an earlier one
// ("run ... HH-MM-SS_2.csv", which sorts after it).
std::string RunRecordFileName(std::chrono::system_clock::time_point start, int attempt = 1);

// The header line, ending with CR LF.
std::string RunRecordHeader();

// One row, ending with CR LF: local time with milliseconds, seconds since the
// run's start, box number, name, address, port, the value as sent (the
// attenuator's own unit), that value in decibels, and "yes" when the value
// was limited to the attenuator's maximum (empty otherwise).
std::string RunRecordLine(const TRecordRow& row, const TRecordedAtt& att);

// Value v in decibels for an attenuator of maximum maxAtt: tenths of a
// decibel above 110 ("93.5"), whole decibels up to it ("45"); empty when the
// maximum is not known.
std::string AttenuationDb(int value, int maxAtt);
