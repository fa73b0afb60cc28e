#pragma once
// The built-in pictures of the custom controls (arrow glyphs, thumb pictures
// and their masks), loaded by name from the library's resources.

#include <QImage>

// The picture called name ("SpinUp", "Bar1", "Bar1Mask", ...), as 32-bit
// ARGB; a null image when there is no such picture.
QImage LoadControlPicture(const char* name);
