#pragma once
// The checks and texts of the remote control that need no window: box
// numbers, attenuation texts in dB, names, and the messages that answer a
// request which cannot be carried out, the same for every way in.

#include "link/TovarinThread.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// What the front panel reports to a watcher about one box.
enum class TBoxFact { Status, Attenuation, Name };

// The error text for a box number outside 1..boxCount, or nothing.
std::optional<std::string> RemoteBoxProblem(int box, int boxCount);

// An attenuation in dB, as a script writes it ("57.3", "13", " 20.0 "),
// read into the attenuator's own unit: tenths when decimal, else whole dB.
// The value must lie within 0..maxValue (same unit). Either Value is set or
// Problem says, in the program's words, what is wrong with the text.
struct TRemoteAttenuation {
    std::optional<int> Value;
    std::string Problem;
};
TRemoteAttenuation ParseRemoteAttenuation(const std::string& text, bool decimal, int maxValue, int box);

// The messages of calls that the program refuses.
std::string RemoteNotReadyMessage(int box, const std::string& status);
// value and floor in the attenuator's unit; decimal: tenths of a dB.
std::string RemoteBelowFloorMessage(int box, int value, int floor, bool decimal);
// The status of a box whose attenuator was found below its floor.
extern const char* const RemoteBelowFloorStatus;
extern const char* const RemoteSequencerOpenMessage;
extern const char* const RemoteClosingMessage;
extern const char* const RemoteBusyMessage;
extern const char* const RemoteAlreadyRunningMessage;
extern const char* const RemoteNoSequencerMessage;
extern const char* const RemoteNotStartedMessage;
extern const char* const RemoteNotStoppedMessage;

// A request that cannot be carried out: what kind of refusal it is (so that
// each way in can give its own error number) and the program's message.
enum class TRemoteRefusalKind {
    NoSuchBox,     // a box number outside 1..8
    BadValue,      // a value outside the attenuator's range or finer than its step
    BadParameter,  // a name or a file path the program cannot take
    Conflict,      // the sequence list or the parking at close has the attenuators
    NotReady,      // the attenuator cannot take a command now
    Failed,        // the request was tried and did not succeed
};
struct TRemoteRefusal {
    TRemoteRefusalKind Kind;
    std::string Message;
};

// A name for the naming path: at most 4 characters, letters and digits,
// blanks allowed; lower case is taken as upper case and the name is filled
// with blanks to 4 characters, as the naming dialog does. Either Name is
// set or Problem says what is wrong.
struct TRemoteName {
    std::optional<std::string> Name;
    std::string Problem;
};
TRemoteName ParseRemoteName(const std::string& text, int box);

// Why a verified set that a script started did not end with the attenuator
// holding its value, or nothing when it did (or a newer set took its place).
// Values in the attenuator's unit; decimal: tenths of a dB.
std::optional<std::string> RemoteSetProblem(int box, const TSetOutcome& outcome, bool decimal);

// A verified set that a script started and that a newer set or command
// took the place of before it was confirmed (not one of the script's own):
// the box, the value asked for and the value that replaced it.
std::optional<std::string> RemoteReplacedProblem(int box, const TSetOutcome& outcome, bool decimal);

// Why box did not end parked at park (the attenuator's unit), or nothing
// when it did: from the outcome of its last park set (none yet: it did not
// end in time), or, when no set could go out (!posted), its link is down
// and status is its caption.
std::optional<std::string> RemoteParkProblem(int box, int park, bool decimal, bool posted,
                                             const std::optional<TSetOutcome>& last, const std::string& status);

// The D-Bus error name of every refused call.
extern const char* const RemoteErrorName;

// Sequence files come from another program with another working folder:
// each must be an absolute path. The error text for the first that is not.
std::optional<std::string> RemoteFilesProblem(const std::vector<std::string>& files);

// An instant as scripts give and read it: UTC seconds since 1970 with six
// decimals ("1765285200.250000").
std::string RemoteUtcText(std::chrono::system_clock::time_point t);
// A plain decimal number of UTC seconds ("1765285200.25") as an instant, to
// the microsecond; none when it is not such a number.
std::optional<std::chrono::system_clock::time_point> ParseRemoteUtc(const std::string& seconds);
