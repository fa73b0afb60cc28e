#pragma once
// The checks and texts of the remote control that need no window: box
// numbers, attenuation texts in dB, and the messages that answer a call
// which cannot be carried out.

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
extern const char* const RemoteSequencerOpenMessage;
extern const char* const RemoteClosingMessage;
extern const char* const RemoteBusyMessage;
extern const char* const RemoteAlreadyRunningMessage;
extern const char* const RemoteNoSequencerMessage;
extern const char* const RemoteNotStartedMessage;
extern const char* const RemoteNotStoppedMessage;

// The D-Bus error name of every refused call.
extern const char* const RemoteErrorName;

// Sequence files come from another program with another working folder:
// each must be an absolute path. The error text for the first that is not.
std::optional<std::string> RemoteFilesProblem(const std::vector<std::string>& files);
