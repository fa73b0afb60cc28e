#pragma once
// What an attenuator's link and values mean for the bench, wherever they
// are shown or sent from (the front panel, the bench core, the remote
// core): the status text of a link, the common maximum attenuation, the
// level of the parking, the reading of the attenuator's answers, and the
// value and step an attenuator is set in.

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

// The level attenuator n is parked at: the common maximum in that
// attenuator's own unit. While all usable attenuators count in one unit this
// is commonMaxAtt itself. With whole-decibel and tenths attenuators together
// the maxima (usableMaxima, as given to ComputeCommonMaxAtt) are compared in
// decibels, so that a 63 dB attenuator beside a 93.5 dB one parks both at
// 63 dB (63 and 630): compared as plain numbers, the tenths one would be left
// at 6.5 dB. ownMaxAtt is the attenuator's maximum (below 1: none known, the
// common maximum's unit applies).
int ParkLevel(const std::vector<int>& usableMaxima, int commonMaxAtt, int ownMaxAtt);

// How long each of the parking's two rounds may wait for its verified sets,
// so that a link that cannot finish its set never holds a parking for long.
inline constexpr int ParkRoundBudgetMs = 700;

// The value of an attenuation answer (ReadStateReply), or nothing when the
// text is no such answer or its value is not a decimal integer.
std::optional<int> AnswerValue(const std::string& text);

// The name of a name answer (ReadNameReply), or nothing when the text is no
// such answer.
std::optional<std::string> AnswerName(const std::string& text);

// Whether an attenuator counts tenths of a decibel: its maximum (or, without
// a maximum of its own, the common maximum) exceeds 110.
bool CountsTenths(int linkMaxAtt, int commonMaxAtt);

// The value an attenuator is set to: rounded to a half-decibel step when it
// counts tenths.
int AttenuatorSetValue(int value, int linkMaxAtt, int commonMaxAtt);

// The step its box moves an attenuator by: the half-decibel step (5 tenths)
// that a tenths attenuator is set in, else 1 dB.
int AttenuatorStep(int linkMaxAtt, int commonMaxAtt);
