#include "remote/RemoteRequests.h"

#include "controls/SpinNumValue.h"

#include <cctype>
#include <cstdio>

const char* const RemoteSequencerOpenMessage =
    "The sequence list is open: the attenuators are driven by the sequencer.";
const char* const RemoteClosingMessage = "The program is closing: the attenuators are being parked.";
const char* const RemoteBusyMessage = "Another window of the program is open: close it first.";
const char* const RemoteAlreadyRunningMessage = "Sequences are running: stop them first.";
const char* const RemoteNoSequencerMessage = "The sequencer is not available.";
const char* const RemoteNotStartedMessage = "The sequences did not start.";
const char* const RemoteNotStoppedMessage = "The sequences did not stop.";
const char* const RemoteErrorName = "org.orvelt.Quadrell2x4Atts.FrontPanel.Refused";

std::optional<std::string> RemoteFilesProblem(const std::vector<std::string>& files) {
    for (const std::string& f : files)
        if (f.empty() || f[0] != '/') return "\"" + f + "\" is not an absolute path.";
    return std::nullopt;
}

std::optional<std::string> RemoteBoxProblem(int box, int boxCount) {
    if (box >= 1 && box <= boxCount) return std::nullopt;
    return "There is no attenuator " + std::to_string(box) + " (1.." + std::to_string(boxCount) + ").";
}

namespace {

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

// Digits, with an optional leading "-" and at most one "." followed by
// digits: nothing else (no exponent, no comma, no "inf").
bool IsPlainNumber(const std::string& s, std::size_t& intDigits, std::size_t& fracDigits) {
    std::size_t i = s.empty() || s[0] != '-' ? 0 : 1;
    intDigits = fracDigits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++intDigits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++fracDigits;
        if (fracDigits == 0) return false;
    }
    return i == s.size() && intDigits > 0;
}

}  // namespace

TRemoteAttenuation ParseRemoteAttenuation(const std::string& text, bool decimal, int maxValue, int box) {
    const std::string s = Trimmed(text);
    std::size_t intDigits = 0, fracDigits = 0;
    if (!IsPlainNumber(s, intDigits, fracDigits))
        return {std::nullopt, "\"" + text + "\" is not an attenuation in dB."};
    const std::string range = "0.." + SpinFormat(maxValue, decimal) + " dB";
    const std::string where = " for attenuator " + std::to_string(box) + ".";
    // The attenuator takes tenths (decimal) or whole decibels: a finer value
    // would be cut silently, so it is refused.
    bool exact = true;
    for (std::size_t k = s.find('.') == std::string::npos ? s.size() : s.find('.') + 1 + (decimal ? 1 : 0);
         k < s.size(); ++k)
        exact = exact && s[k] == '0';
    if (!exact) {
        // A tenths attenuator takes one decimal, which is then rounded to
        // its half-decibel step; a whole-decibel one takes no decimal.
        if (decimal)
            return {std::nullopt, "\"" + text + "\" has more than one decimal for attenuator " + std::to_string(box) +
                                      ": write tenths of a dB at most; they are rounded to its 0.5 dB step."};
        return {std::nullopt, "\"" + text + "\" is finer than the 1 dB step" + where};
    }
    // Six digits before the point are far beyond any attenuator: no overflow.
    long long value = 0;
    const std::size_t first = s[0] == '-' ? 1 : 0;
    if (intDigits <= 6) {
        value = std::stoll(s.substr(first, intDigits));
        if (decimal) value = value * 10 + (fracDigits > 0 ? s[first + intDigits + 1] - '0' : 0);
    }
    if (first == 1 || intDigits > 6 || value > maxValue)
        return {std::nullopt, s + " dB is outside " + range + where};
    return {static_cast<int>(value), {}};
}

const char* const RemoteBelowFloorStatus = "Below floor";

std::string RemoteBelowFloorMessage(int box, int value, int floor, bool decimal) {
    return SpinFormat(value, decimal) + " dB is below the floor of attenuator " + std::to_string(box) + " (" +
           SpinFormat(floor, decimal) + " dB): nothing was sent.";
}

std::string RemoteNotReadyMessage(int box, const std::string& status) {
    return "Attenuator " + std::to_string(box) + " is not ready (" + status + ").";
}

TRemoteName ParseRemoteName(const std::string& text, int box) {
    if (text.size() > 4)
        return {std::nullopt, "\"" + text + "\" is longer than the 4 characters of a name for attenuator " +
                                  std::to_string(box) + "."};
    std::string name;
    for (char c : text) {
        const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == ' '))
            return {std::nullopt, "\"" + text + "\" is not a name: only letters A..Z, digits and blanks."};
        name += u;
    }
    name.resize(4, ' ');
    return {name, {}};
}

std::optional<std::string> RemoteSetProblem(int box, const TSetOutcome& outcome, bool decimal) {
    const std::string att = "Attenuator " + std::to_string(box);
    const std::string expected = SpinFormat(outcome.Expected, decimal) + " dB";
    switch (outcome.End) {
    case TSetOutcome::TEnd::Confirmed:
    case TSetOutcome::TEnd::Superseded: return std::nullopt;
    case TSetOutcome::TEnd::Mismatch:
        return att + " was set to " + expected + " but read back " +
               (outcome.ReadBack ? SpinFormat(*outcome.ReadBack, decimal) + " dB" : std::string("nothing")) + ".";
    case TSetOutcome::TEnd::Unreadable: return att + " gave no readable value back after a set to " + expected + ".";
    case TSetOutcome::TEnd::LinkLost: return att + " lost its link before it confirmed " + expected + ".";
    }
    return std::nullopt;
}

std::optional<std::string> RemoteReplacedProblem(int box, const TSetOutcome& outcome, bool decimal) {
    if (outcome.End != TSetOutcome::TEnd::Superseded) return std::nullopt;
    const std::string by = outcome.ReplacedBy ? SpinFormat(*outcome.ReplacedBy, decimal) + " dB" : "another command";
    return "Attenuator " + std::to_string(box) + " was set to " + SpinFormat(outcome.Expected, decimal) + " dB but " +
           by + " replaced it before it was confirmed.";
}

std::optional<std::string> RemoteParkProblem(int box, int park, bool decimal, bool posted,
                                             const std::optional<TSetOutcome>& last, const std::string& status) {
    using E = TSetOutcome::TEnd;
    if (last && last->End == E::Confirmed) return std::nullopt;
    const std::string head =
        "Attenuator " + std::to_string(box) + " was not parked at " + SpinFormat(park, decimal) + " dB: ";
    if (!posted) return head + "its link is down (" + status + ").";
    if (!last) return head + "it did not confirm the value in time.";
    switch (last->End) {
    case E::Confirmed: return std::nullopt;
    case E::Mismatch:
        return head + "it holds " +
               (last->ReadBack ? SpinFormat(*last->ReadBack, decimal) + " dB." : std::string("an unknown value."));
    case E::Unreadable: return head + "it gave no readable value back.";
    case E::Superseded:
        return head + (last->ReplacedBy ? SpinFormat(*last->ReplacedBy, decimal) + " dB" : "another command") +
               " replaced it before it was confirmed.";
    case E::LinkLost: return head + "its link dropped before it confirmed the value.";
    }
    return std::nullopt;
}

std::string RemoteUtcText(std::chrono::system_clock::time_point t) {
    const long long us = std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
    const long long whole = us >= 0 ? us / 1000000 : -((-us + 999999) / 1000000);
    char text[40];
    std::snprintf(text, sizeof text, "%lld.%06lld", whole, us - whole * 1000000);
    return text;
}

std::optional<std::chrono::system_clock::time_point> ParseRemoteUtc(const std::string& seconds) {
    // Digits, at most one point, at most six decimals kept (more are cut):
    // read exactly, without a binary fraction's rounding. Whole seconds of
    // more than twelve digits lie beyond any clock.
    long long whole = 0, fraction = 0;
    int decimals = 0, digits = 0;
    bool point = false;
    for (const char c : seconds) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            if (!point && whole >= 100000000000LL) return std::nullopt;
            if (!point) whole = whole * 10 + (c - '0');
            else if (decimals < 6) fraction = fraction * 10 + (c - '0'), ++decimals;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    for (; decimals < 6; ++decimals) fraction *= 10;
    return std::chrono::system_clock::time_point(std::chrono::microseconds(whole * 1000000 + fraction));
}
