#pragma once
// The front panel's decisions that need no window: what a box shows for a
// link status, the common maximum attenuation, and the reading of the
// attenuator's answers.

#include <optional>
#include <string>
#include <vector>

// The caption of a box for a link status (codes as the links report them).
// A link that is not enabled shows "disabled." whatever its status; status 4
// shows the link's ready caption and status 6 its socket error text.
std::string LinkStatusCaption(int status, bool enabled, const std::string& readyCaption,
                              const std::string& errorText);

// Whether a box and its Name button are usable for a link status.
bool LinkStatusUsable(int status, bool enabled);

// The smallest maximum among the usable attenuators (their maxima given in
// any order), the largest when every maximum is 999 or more, 935 when there
// is none.
int ComputeCommonMaxAtt(const std::vector<int>& usableMaxima);

// The value of an attenuation answer (ReadStateReply), or nothing when the
// text is no such answer or its value is not a decimal integer.
std::optional<int> AnswerValue(const std::string& text);

// The name of a name answer (ReadNameReply), or nothing when the text is no
// such answer.
std::optional<std::string> AnswerName(const std::string& text);

// The value an attenuator is set to: rounded to a half-decibel step when its
// maximum (or, without a maximum of its own, the common maximum) counts
// tenths, that is exceeds 110.
int AttenuatorSetValue(int value, int linkMaxAtt, int commonMaxAtt);
