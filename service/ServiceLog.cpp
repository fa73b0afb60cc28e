#include "service/ServiceLog.h"

#include "link/TovarinThread.h"
#include "controls/SpinNumValue.h"
#include "remote/RemoteRequests.h"

#include <algorithm>
#include <cstdio>

void LogLine(TLogLevel level, const std::string& text) {
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    std::fprintf(stderr, "<%d>%s\n", static_cast<int>(level), line.c_str());
    std::fflush(stderr);
}

std::string TServiceLog::BoxLabel(int n) const {
    const TBenchSlot& slot = bench_.Slots().Slot(n - 1);
    std::string label = "box " + std::to_string(n);
    if (slot.Enabled) label += " (" + slot.IP + ":" + slot.Port + ")";
    return label;
}

void TServiceLog::BoxShown(int n, TBoxFact fact, const std::string& text) {
    if (n < 1 || n > TBench::SlotCount) return;
    if (fact == TBoxFact::Status) {
        // A link that keeps failing reports the same text every retry: only
        // a change is worth a line.
        if (text == lastStatus_[n - 1]) return;
        lastStatus_[n - 1] = text;
        const int status = bench_.Link(n - 1)->LinkStatus();
        const bool trouble = bench_.Link(n - 1)->Enabled() && status != TTovarinThread::StatusOpened &&
                             status != TTovarinThread::StatusIdent && status != TTovarinThread::StatusAuto;
        LogLine(trouble ? TLogLevel::Warning : TLogLevel::Info, BoxLabel(n) + ": " + text);
    } else if (fact == TBoxFact::Name) {
        if (text == lastName_[n - 1]) return;
        lastName_[n - 1] = text;
        LogLine(TLogLevel::Info, BoxLabel(n) + ": name \"" + text + "\"");
    }
}

void TServiceLog::SetEnded(int n, const TSetOutcome& outcome) {
    if (const auto problem = RemoteSetProblem(n, outcome, bench_.BoxState(n).Decimal))
        LogLine(TLogLevel::Warning, BoxLabel(n) + ": " + *problem);
}

void TServiceLog::BoxChanged(int n, const TBenchBox& box) {
    if (n < 1 || n > TBench::SlotCount || box.BelowFloor == belowFloor_[n - 1]) return;
    belowFloor_[n - 1] = box.BelowFloor;
    // Left as it is: its next change, by any path, goes to the floor or above.
    if (box.BelowFloor && box.Value && box.Floor)
        LogLine(TLogLevel::Warning, BoxLabel(n) + ": " + RemoteBelowFloorStatus + ", it holds " +
                                        SpinFormat(*box.Value, box.Decimal) + " dB, its floor is " +
                                        SpinFormat(*box.Floor, box.Decimal) + " dB");
}
