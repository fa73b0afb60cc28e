#pragma once
// The attenuator protocol: the text of every command sent to a rack and the
// reading of every reply it gives.

#include <string>
#include <string_view>

// Rounds a value in tenths of a decibel to a half-decibel step (a multiple of
// 5): remainders 0-2 round down, 3-7 to 5, 8-9 up (572 -> 570, 573 -> 575,
// 578 -> 580). Negative values round the same way on their magnitude.
int RoundToHalfStep(int v);

// The attenuation command "ATT <channel> <value>" with the value written with
// at least three digits ("ATT %s %.3d").
std::string FormatAttCommand(std::string_view channel, int value);

// The value written with at least three digits ("%.3d").
std::string FormatAttValue(int value);
