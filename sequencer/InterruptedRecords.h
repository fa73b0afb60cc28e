#pragma once
// Records of runs that never ended: the program or the service was killed
// during a run, so the description beside the record still says the run is
// going ("end" is null). At the next start such a description is closed as
// ended "interrupted", at the time of the record's last row (its start when
// it has no row); the record itself is kept exactly as it is.

#include <string>
#include <vector>

struct TInterruptedRecord {
    std::string Description;  // the JSON file's path
    std::string EndTime;      // the end written into it, ISO 8601 local time
};

// A description that looks like a run's but could not be closed, and why.
struct TRecordLeftAlone {
    std::string Description;
    std::string Reason;
};

struct TInterruptedRecords {
    std::vector<TInterruptedRecord> Closed;
    std::vector<TRecordLeftAlone> LeftAlone;
};

// Looks at the run descriptions ("run *.json") directly in folder and closes
// those whose run never ended. A description is rewritten atomically, with
// every field it had kept, and only when it is a run's description whose end
// is null; a file that cannot be read or parsed is never changed. A record
// whose run is still going in another process (its writer holds a lock on
// the CSV) is not touched. Reads at most the last 64 KiB of each open record.
TInterruptedRecords CloseInterruptedRecords(const std::string& folder);
