#pragma once
// Small shared operations.

#include <string>

// Splits text at the first separator: returns the part before it and removes
// that part and the separator from text. Without a separator the whole text
// is the field and text becomes empty.
std::string TakeField(std::string& text, char separator);

// Rounds a value in tenths of a decibel to a half-decibel step (a multiple of
// 5): remainders 0-2 round down, 3-7 to 5, 8-9 up (572 -> 570, 573 -> 575,
// 578 -> 580). Negative values round the same way on their magnitude.
int RoundToHalfStep(int v);
