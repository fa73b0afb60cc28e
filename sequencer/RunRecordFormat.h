#pragma once
// The text of a run record: a CSV file with one row for every attenuation
// command that a run handed to a link, laid out for a spreadsheet, with what
// became of it.

#include "link/PostTicket.h"

#include "support/TextFields.h"  // CsvField

#include <chrono>
#include <optional>
#include <string>

// An attenuator as the program knew it when the run started.
struct TRecordedAtt {
    std::string Name;     // the attenuator box's caption
    std::string Address;  // the rack's IP address; empty when unknown
    std::string Port;     // the attenuator's TCP port; empty when unknown
    int MaxAtt = 0;       // the attenuator's maximum; 0 before it identified itself
    std::string DeviceId; // the identifier from its last identification
    int Floor = 0;        // the lowest value it may be sent, in its unit; 0: none
};

struct TRecordRow {
    std::chrono::system_clock::time_point Wall;  // local time of day of the hand-over
    std::chrono::steady_clock::duration SinceStart{};
    int Box = 0;  // 1..8
    std::string Command;
    bool Limited = false;  // the value was cut down to the attenuator's maximum
    // What became of it: written to the link's socket at Sent, or not sent
    // (NotSent); neither while the link still has it.
    std::optional<std::chrono::system_clock::time_point> Sent;
    std::optional<TNotSent> NotSent;
    bool CatchUp = false;  // the run's present value again, after its link came back
};

// "link not usable", "replaced by a newer command", "dropped at stop".
const char* NotSentText(TNotSent why);

// "run YYYY-MM-DD HH-MM-SS.csv" in local time: sorts by start time and holds
// no character that some filesystem refuses. attempt 2, 3, ... names the
// file of a run that started in the same second as an earlier one
// ("run ... HH-MM-SS_2.csv", which sorts after it).
std::string RunRecordFileName(std::chrono::system_clock::time_point start, int attempt = 1);
// The path of the run's description beside its record: ".csv" becomes ".json".
std::string RunDescriptionPath(const std::string& recordPath);

// Local time with milliseconds, "2026-12-08 20:35:12.345".
std::string LocalTimeText(std::chrono::system_clock::time_point t);

// The header line, ending with CR LF.
std::string RunRecordHeader();

// One row, ending with CR LF: local time with milliseconds, seconds since the
// run's start, box number, name, address, port, the value as sent (the
// attenuator's own unit), that value in decibels, when the link wrote it to
// its socket (local time with milliseconds) or "not sent: <reason>", and
// "yes" when the value was limited to the attenuator's maximum (empty
// otherwise). A catch-up (the run's present value sent again after its link
// came back) says "catch-up" in that last column ("yes; catch-up" when
// limited as well), so that readers of the ten columns keep working.
std::string RunRecordLine(const TRecordRow& row, const TRecordedAtt& att);

// Value v in decibels for an attenuator of maximum maxAtt: tenths of a
// decibel above 110 ("93.5"), whole decibels up to it ("45"); empty when the
// maximum is not known.
std::string AttenuationDb(int value, int maxAtt);
