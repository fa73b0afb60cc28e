#pragma once
// The attenuator protocol: the text of every command sent to a rack, the
// requests the front panel leaves for a link in place of a command, and the
// reading of every reply layout. No other file builds or reads wire text.
//
// Replies are lines of fixed layout; positions below count from 1:
//   "IDN <id:6>,<max:3>,<info>[,...]"  identity, maximum attenuation, info
//   "MOD <mode>"                       AUTO or manual operation
//   "NAM x <name:4>"                   the attenuator's name, positions 7-10
//   "STA x <vvv>" / "ATT x <vvv>"      attenuation, positions 7-9

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Queries a link sends.
inline constexpr const char* IdentQuery = "IDN?";
inline constexpr const char* NameQuery = "N?";
inline constexpr const char* StateQuery = "STA?";

// The mode reply a link takes for granted instead of asking: the racks are
// always under remote control.
inline constexpr const char* AssumedModeReply = "MOD AUTO";

// Requests posted to a link in place of a device command; they are acted on
// by the link itself and never sent: identify again, drop and reconnect to
// the configured rack, read the attenuation back.
inline constexpr std::string_view RefreshRequest = "REFRESH";
inline constexpr std::string_view ReconfigRequest = "RECONFIG";
inline constexpr std::string_view ReadAttRequest = "READATT";

// What a posted text asks of a link.
enum class TPostedKind {
    DeviceCommand,  // "ATT...", "IDS...", "N...": sent to the attenuator
    ReadAtt,
    Refresh,
    Reconfig,
    Unknown,        // none of these: left pending until replaced
};
TPostedKind ClassifyPosted(std::string_view text);

// Rounds a value in tenths of a decibel to a half-decibel step (a multiple of
// 5): remainders 0-2 round down, 3-7 to 5, 8-9 up (572 -> 570, 573 -> 575,
// 578 -> 580). Negative values round the same way on their magnitude.
int RoundToHalfStep(int v);

// The attenuation command "ATT <channel> <value>" with the value written with
// at least three digits ("ATT %s %.3d").
std::string FormatAttCommand(std::string_view channel, int value);

// The same command with its value already written (FormatAttValue).
std::string FormatAttCommandText(std::string_view channel, std::string_view valueText);

// The value written with at least three digits ("%.3d").
std::string FormatAttValue(int value);

// The naming command "N0 <name>".
std::string FormatNameCommand(std::string_view name);

// The layout a reply line has, from its first three characters.
enum class TReplyKind { Ident, Mode, Name, State, Other };
TReplyKind ReplyKind(std::string_view line);

// The fields of an "IDN" reply. The identifier is always read; the maximum
// only when a "," follows it (0 when it is no number), the info only when a
// second "," follows the maximum (up to the next ",").
struct TIdentReply {
    std::string Id;
    std::optional<int> MaxAtt;
    std::optional<std::string> Info;
};
TIdentReply ReadIdentReply(std::string_view line);

// True when a "MOD" reply says AUTO.
bool ModeIsAuto(std::string_view line);

// The value of a "STA"/"ATT" reply (positions 7-9), or nothing when the
// line is no such reply or its value is not a decimal integer.
std::optional<int> ReadStateReply(std::string_view line);

// The name of a "NAM" reply (positions 7-10, fewer when shorter), or nothing
// when the line is no such reply.
std::optional<std::string> ReadNameReply(std::string_view line);

// One channel's setting in an attenuation command.
struct TAttSetting {
    int Channel = 0;  // 0..9
    int Value = 0;
    bool operator==(const TAttSetting&) const = default;
};

// True when text is an attenuation command (begins "ATT").
bool IsAttCommand(std::string_view text);

// The settings of an attenuation command: "ATT" and a separator, then groups
// of six characters "d vvv " (channel digit, value). Groups that do not read
// are skipped; a text that does not begin with "ATT" has none.
std::vector<TAttSetting> ReadAttCommand(std::string_view text);
