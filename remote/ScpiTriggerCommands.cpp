// The armed start of a run, as instruments arm and trigger: SEQuence:LOAD
// reads and checks the files and arms; SEQuence:STARt and *TRG start at
// once, SEQuence:STARt:TIME at an instant of the bench's clock, which
// SYSTem:TIME:UTC? tells; ABORt and SEQuence:STOP disarm or stop.

#include "remote/ScpiSession.h"

std::optional<std::vector<std::string>> TScpiSession::Files(const TCall& c) {
    if (!Params(c, 1, TRemoteCore::BoxCount)) return std::nullopt;
    std::vector<std::string> files;
    for (const TScpiParam& p : c.C.Params) {
        if (p.Kind != TScpiParamKind::String) {
            Error(-104, "sequence files are quoted strings");
            return std::nullopt;
        }
        files.push_back(p.Text);
    }
    return files;
}

void TScpiSession::SeqLoad(const TCall& c) {
    const auto files = Files(c);
    if (!files) return;
    core_.LoadSequences(*files, WhenDone(), [this, alive = std::weak_ptr<int>(alive_)](const std::string& text) {
        if (!alive.expired()) Error(-250, text);
    });
}

void TScpiSession::SeqStart(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    if (const auto refusal = core_.StartSequences(std::nullopt)) Refused(*refusal);
}

void TScpiSession::SeqStartTime(const TCall& c) {
    if (!Params(c, 1, 1)) return;
    const TScpiParam& p = c.C.Params[0];
    const auto instant =
        p.Kind == TScpiParamKind::Numeric && p.Unit.empty() ? ParseRemoteUtc(ScpiPlainDecimal(p.Text)) : std::nullopt;
    if (!instant)
        return Error(-222, p.Text + " is no start time: UTC seconds since 1970, such as 1765285200.250");
    if (const auto refusal = core_.StartSequences(instant)) Refused(*refusal);
}

void TScpiSession::SeqStartTimeQ(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    if (const auto instant = core_.SequencesStartInstant()) return Respond(RemoteUtcText(*instant));
    Error(-221, "no start time was given to the run");
}

void TScpiSession::SeqFirstTickQ(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    if (const auto first = core_.SequencesFirstTick()) return Respond(RemoteUtcText(*first));
    Error(-221, "the run has not had its first tick");
}

void TScpiSession::SysTimeUtcQ(const TCall& c) {
    if (Params(c, 0, 0)) Respond(RemoteUtcText(std::chrono::system_clock::now()));
}
