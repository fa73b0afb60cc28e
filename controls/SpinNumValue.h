#pragma once
// Value arithmetic and character filter of the numeric spin edit, kept free
// of any widget so that it can be checked on its own.
//
// A value is a 32-bit integer. In decimal mode it counts tenths and is shown
// with one digit after a "." (1100 is "110.0"), whatever the locale.

#include <optional>
#include <string>
#include <string_view>

// The bounds rule: when minValue equals maxValue there is no bound at all;
// otherwise v is brought into minValue..maxValue.
int SpinClamp(int v, int minValue, int maxValue);

// Reads the text of the edit. Decimal off: an integer with an optional sign.
// Decimal on: without a "." the integer times 10; with a trailing "." the
// text before it times 10; otherwise the text before the first "." followed
// by the one digit after it (12.34 reads as 123). Nothing when the text is
// not a number (empty, "-", "5-", "4,5", a lone "."). A value too large for
// 32 bits once scaled by ten saturates at the 32-bit limits.
std::optional<int> SpinParse(std::string_view text, bool decimal);

// The value of a text as the edit reports it: the parsed value, or minValue
// when the text is not a number. Not clamped.
int SpinValueOf(std::string_view text, bool decimal, int minValue);

// The text of a value: digits with a leading "-" when negative; in decimal
// mode the tenths after a "." (5 gives "0.5", -15 gives "-1.5").
std::string SpinFormat(int value, bool decimal);

// The floor rule shared by the spin edit and the slide bar: v raised to the
// floor, which itself counts only up to maxValue (a floor above the maximum
// leaves just the maximum). No floor leaves v as it is.
int RaiseToFloor(int v, std::optional<int> floor, int maxValue);

// value + increment without overflow (saturating at the 32-bit limits).
int SpinStep(int value, long long increment);

// The character filter applied to every typed character. Valid are the
// signs, the digits, "." in decimal mode, and control characters below 32
// except carriage return. With the editor disabled, only control characters
// other than backspace and carriage return stay valid.
bool SpinIsValidChar(unsigned char ch, bool decimal, bool editorEnabled);

// Why a typed character was refused: a decimal point ("." or ",") where only
// whole numbers are taken (or a digit of the fraction typed after it), any
// other character that is no part of a number, or an edit of a text that
// only the arrows may change.
enum class TSpinRefusal { NotWhole, NotNumber, EditorDisabled };

// The character filter as typing goes on. In decimal mode a "," is the
// decimal point. In whole-number mode a refused decimal point starts its
// fraction: the digits typed right after it are refused too, so that "20.5"
// leaves "20" and never becomes "205". The fraction ends at the next
// accepted character that is no digit, or at Reset (any other key, a click,
// a change of focus, Enter).
class TSpinKeyFilter {
public:
    struct TVerdict {
        char32_t Char = 0;                    // what to type, when accepted
        std::optional<TSpinRefusal> Refusal;  // why not, when refused
    };
    TVerdict Typed(char32_t ch, bool decimal, bool editorEnabled);
    void Reset() { inFraction_ = false; }

private:
    bool inFraction_ = false;
};
