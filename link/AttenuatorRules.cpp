#include "link/AttenuatorRules.h"

#include "link/AttUnits.h"
#include "link/TovarinProtocol.h"

#include <algorithm>

std::string LinkStatusCaption(int status, bool enabled, const std::string& readyCaption,
                              const std::string& errorText) {
    if (!enabled) return "disabled.";
    switch (status) {
    case 0: return "TCP Open link.";
    case 1: return "TCP link Closed.";
    case 2: return "No attenuator";
    case 3: return "IDN received Ok.";
    case 4: return readyCaption;
    case 5: return "Manual mode.";
    case 6: return errorText;
    case 7: return "TCP Dialog Error.";
    default: return "Unknow state.";
    }
}

bool LinkStatusUsable(int status, bool enabled) { return enabled && status == 4; }

int ComputeCommonMaxAtt(const std::vector<int>& usableMaxima) {
    int largest = 0;
    int smallest = 999;
    for (int m : usableMaxima) {
        largest = std::max(largest, m);
        smallest = std::min(smallest, m);
    }
    if (smallest < 999) return smallest;
    if (largest > 0) return largest;
    return 935;
}

int ParkLevel(const std::vector<int>& usableMaxima, int commonMaxAtt, int ownMaxAtt) {
    bool whole = false, tenths = false;
    int lowestTenths = 0;
    for (int m : usableMaxima) {
        const int inTenths = TenthsOfDb(m, m);
        lowestTenths = (whole || tenths) ? std::min(lowestTenths, inTenths) : inTenths;
        (CountsTenths(m) ? tenths : whole) = true;
    }
    if (!(whole && tenths)) return commonMaxAtt;
    // A half-decibel step at or below the lowest maximum, in the
    // attenuator's own unit as every value sent to it.
    return ToAttUnit(lowestTenths - lowestTenths % 5, true, ownMaxAtt < 1 ? commonMaxAtt : ownMaxAtt).Value;
}

std::optional<int> AnswerValue(const std::string& text) { return ReadStateReply(text); }

std::optional<std::string> AnswerName(const std::string& text) { return ReadNameReply(text); }

bool CountsTenths(int linkMaxAtt, int commonMaxAtt) { return CountsTenths(linkMaxAtt < 1 ? commonMaxAtt : linkMaxAtt); }

int AttenuatorSetValue(int value, int linkMaxAtt, int commonMaxAtt) {
    return CountsTenths(linkMaxAtt, commonMaxAtt) ? RoundToHalfStep(value) : value;
}

int AttenuatorStep(int linkMaxAtt, int commonMaxAtt) {
    constexpr int kHalfStep = 5;  // the multiples RoundToHalfStep gives
    return CountsTenths(linkMaxAtt, commonMaxAtt) ? kHalfStep : 1;
}
