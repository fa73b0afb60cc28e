#pragma once
// What the bench core's tests share: sequence files saved as the editor
// saves them, and runs asked for through the remote core as a script asks.

#include "remote/RemoteCore.h"
#include "sequencer/SequenceFile.h"
#include "tests/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

// A sequence file at path on the given boxes.
inline std::string SaveSequence(const std::string& path, std::initializer_list<int> boxes, std::vector<TActionRow> rows) {
    TSequenceFileData data;
    for (int n : boxes) data.Selected[static_cast<std::size_t>(n - 1)] = true;
    data.Rows = std::move(rows);
    std::string error;
    EXPECT_TRUE(SaveSequenceFile(path, data, error)) << error;
    return path;
}

// A script's run of files; the answer once settled.
inline std::optional<TRemoteRefusal> RunByScript(TRemoteCore& core, const std::vector<std::string>& files) {
    std::optional<std::optional<TRemoteRefusal>> answer;
    core.RunSequences(files, [&](std::optional<TRemoteRefusal> r) { answer = r; });
    EXPECT_TRUE(WaitUntil([&] { return answer.has_value(); }, 20000));
    return answer ? *answer : TRemoteRefusal{TRemoteRefusalKind::Failed, "no answer"};
}
