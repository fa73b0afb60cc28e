#include "sequencer/SequenceEditorModel.h"

#include <algorithm>
#include <cstdint>

bool ReadEditorSequence(const std::string& path, int rowCount, TEditorFileContent& content, std::string& error) {
    TEditorFileContent read;
    const bool ok = ReadSequenceLines(
        path,
        [&](TSequenceSection section, std::string_view line) {
            if (section == TSequenceSection::Attenuators) {
                const unsigned named = NamedAttenuators(line);
                for (int n = 0; n < 8; ++n) read.Selected[n] = (named & (1u << n)) != 0;
            } else {
                const TActionRow row = ParseActionRow(line);
                if (row.Num >= 1 && row.Num <= rowCount) read.Rows.push_back(row);
            }
            return true;
        },
        error);
    if (ok) content = std::move(read);
    return ok;
}

int ClampEditorTime(long long time) {
    return static_cast<int>(std::clamp<long long>(time, 0, MaxEditorTime));
}

void RecomputeEditorTimes(std::vector<TActionRow>& rows) {
    if (rows.empty()) return;
    rows[0].Time = ClampEditorTime(rows[0].Time);
    const int count = static_cast<int>(rows.size());
    for (int i = 1; i <= count; ++i) {
        TActionRow& row = rows[i - 1];
        if (row.Action == ActionReset || row.Action == ActionGoto) row.Duration = 0;
        if (i == count) break;
        // Every operand fits 32 bits, so a product of two fits 64 bits.
        const std::int64_t start = row.Time;
        std::int64_t next;
        if (row.Action == ActionRepeat) {
            const int target = row.To;
            next = start;
            if (target >= 1 && target < i)
                next = start + (start - rows[target - 1].Time) * std::max<std::int64_t>(row.Duration, 0);
        } else {
            next = start + std::max<std::int64_t>(row.Duration, 0);
        }
        rows[i].Time = ClampEditorTime(next);
    }
}

TSequenceFileData BuildEditorFile(const std::array<bool, 8>& selected, const std::vector<TActionRow>& rows) {
    TSequenceFileData data;
    data.Selected = selected;
    data.Rows = rows;
    for (std::size_t i = 0; i < data.Rows.size(); ++i) {
        data.Rows[i].Num = static_cast<int>(i) + 1;
        data.Rows[i].Time = ClampEditorTime(data.Rows[i].Time);
    }
    return data;
}
