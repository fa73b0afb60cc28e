#pragma once
// The sequence editor's rows as plain data: reading a file into them, the
// start times of the Time column, and the file built from them.

#include "sequencer/SequenceFile.h"

#include <array>
#include <string>
#include <vector>

// The largest time the Time column holds (tenths of a second); longer
// estimates stay there instead of wrapping.
inline constexpr int MaxEditorTime = 2147483647;

// What the editor takes from a file.
struct TEditorFileContent {
    // The attenuator boxes as the last attenuator-section line sets them
    // (each such line sets all eight; none at all leaves all unchecked).
    std::array<bool, 8> Selected{};
    // The action lines whose Num is 1..rowCount, in file order; the others
    // are ignored.
    std::vector<TActionRow> Rows;
};

// Reads a sequence file for an editor of rowCount rows. Returns false with
// error set when the file cannot be read; content is then untouched.
bool ReadEditorSequence(const std::string& path, int rowCount, TEditorFileContent& content, std::string& error);

// Brings a time into what the Time column shows: 0..MaxEditorTime.
int ClampEditorTime(long long time);

// The Time column: for each row in order, a "Reset" or "Goto" row gets
// Duration 0, and the next row starts after it: after the loop body times
// the count for a backward "Repeat" (To below the row's own number), at the
// row's own start for any other "Repeat", and after Duration otherwise.
// Row 1's Time is kept (brought into 0..MaxEditorTime); the arithmetic is
// done in 64 bits and saturates.
void RecomputeEditorTimes(std::vector<TActionRow>& rows);

// The file of the given attenuator boxes and rows (rows numbered 1..n in
// order, times brought into 0..MaxEditorTime).
TSequenceFileData BuildEditorFile(const std::array<bool, 8>& selected, const std::vector<TActionRow>& rows);
