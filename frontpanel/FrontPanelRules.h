#pragma once
// The front panel's own rule that needs no window: what a box tells the
// operator about a character it refused. What links and values mean for
// every part of the bench is in link/AttenuatorRules.h.

#include "controls/SpinNumValue.h"

#include <string>

// What a box tells the operator about a character it refused: "Whole
// decibels only" for a decimal point (or its fraction) in a whole-decibel
// box, "Digits only" for any other character; nothing for a text that only
// the arrows may change.
std::string RefusedCharacterMessage(TSpinRefusal why);
