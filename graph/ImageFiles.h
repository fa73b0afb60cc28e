#pragma once
// Picture files of the graph: an uncompressed 24-bit BMP encoder, a JPEG
// encoder on libjpeg, and a file writer that replaces the target only once
// the new content is completely on disk. Plain C++; failures throw
// std::runtime_error with a text for the operator.

#include <cstdint>
#include <string>
#include <vector>

struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb;  // rows top to bottom, 3 bytes (R, G, B) a pixel
};

// Windows bitmap file: BITMAPFILEHEADER + BITMAPINFOHEADER, 24 bits a pixel,
// no compression, rows bottom-up padded to 4 bytes.
std::vector<std::uint8_t> EncodeBmp24(const TRgbImage& image);

// JFIF file: 3-component colour from RGB input, baseline, the given quality,
// every other encoder setting at libjpeg's defaults.
std::vector<std::uint8_t> EncodeJpeg(const TRgbImage& image, int quality);

// Writes bytes to path: into a new file beside it first, then renamed over
// path. On any failure the old file (if any) is left as it was and the
// partial file is removed.
void WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes);
