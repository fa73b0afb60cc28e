// The SCPI commands of the attenuators (ATTenuation<n>) and of the
// sequences (SEQuence), each through the remote core as a hand change, a
// rename, a refresh or a run of the sequence list would be.

#include "remote/ScpiSession.h"

#include <QTimer>

namespace {

bool IsWord(const TScpiParam& p, const char* shortForm, const char* longForm) {
    return p.Kind == TScpiParamKind::Character && (p.Text == shortForm || p.Text == longForm);
}

}  // namespace

void TScpiSession::Att(const TCall& c) {
    if (!Params(c, 1, 1)) return;
    const TScpiParam& p = c.C.Params[0];
    std::string dB;
    if (p.Kind == TScpiParamKind::Numeric) {
        if (!p.Unit.empty() && p.Unit != "DB") return Error(-131, "attenuations are in dB, not " + p.Unit);
        dB = ScpiPlainDecimal(p.Text);
        if (dB.empty()) return Error(-222, p.Text + " dB is outside the range of attenuator " + std::to_string(c.Box));
    } else if (IsWord(p, "MAX", "MAXIMUM")) {
        const TRemoteAnswer max = core_.Maximum(c.Box);
        if (max.Refusal) return Refused(*max.Refusal);
        dB = max.Text;
    } else if (IsWord(p, "MIN", "MINIMUM")) {
        // The lowest value this attenuator may be sent: its floor.
        const TRemoteAnswer floor = core_.Floor(c.Box);
        if (floor.Refusal) return Refused(*floor.Refusal);
        dB = floor.Text;
    } else if (p.Kind == TScpiParamKind::Character) {
        return Error(-224, p.Text + " is no attenuation: a number of dB, MINimum or MAXimum");
    } else {
        return Error(-104, "an attenuation is a number of dB, not a string");
    }
    // A set of this connection's own that the new one replaces is not an error.
    ownRequest_ = true;
    const TRemoteSetResult result = core_.SetAttenuation(c.Box, dB);
    ownRequest_ = false;
    if (result.Refusal) return Refused(*result.Refusal);
    Track(result.Set);
}

void TScpiSession::AttQ(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    const TRemoteAnswer a = core_.Attenuation(c.Box);
    if (!a.Refusal && a.Text.empty())
        return Error(-200, "attenuator " + std::to_string(c.Box) + " has not read back a value yet");
    Answer(a, false);
}

void TScpiSession::MaxQ(const TCall& c) { if (Params(c, 0, 0)) Answer(core_.Maximum(c.Box), false); }
void TScpiSession::StepQ(const TCall& c) { if (Params(c, 0, 0)) Answer(core_.Step(c.Box), false); }
void TScpiSession::FloorQ(const TCall& c) { if (Params(c, 0, 0)) Answer(core_.Floor(c.Box), false); }
void TScpiSession::ReadyQ(const TCall& c) { if (Params(c, 0, 0)) Respond(core_.Ready(c.Box) ? "1" : "0"); }
void TScpiSession::StatusQ(const TCall& c) { if (Params(c, 0, 0)) Answer(core_.Status(c.Box), true); }
void TScpiSession::NameQ(const TCall& c) { if (Params(c, 0, 0)) Answer(core_.Name(c.Box), true); }

void TScpiSession::Name(const TCall& c) {
    if (!Params(c, 1, 1)) return;
    const TScpiParam& p = c.C.Params[0];
    if (p.Kind == TScpiParamKind::Numeric) return Error(-104, "a name is a string such as \"X1\"");
    if (const auto refusal = core_.Rename(c.Box, p.Text)) return Refused(*refusal);
    // The attenuator stores the name meanwhile; the panel goes on.
    WaitFor(TWait::Request);
    QTimer::singleShot(RenamePauseMs, Qt::PreciseTimer, &context_, [this] { Resume(); });
}

void TScpiSession::Refresh(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    if (const auto refusal = core_.Refresh(c.Box)) Refused(*refusal);
}

void TScpiSession::SeqRun(const TCall& c) {
    const auto files = Files(c);
    if (!files) return;
    // The run's record is written on while the script goes on: a failure
    // reaches this connection's queue whenever it comes.
    core_.RunSequences(*files, WhenDone(), [this, alive = std::weak_ptr<int>(alive_)](const std::string& text) {
        if (!alive.expired()) Error(-250, text);
    });
}

void TScpiSession::SeqStop(const TCall& c) {
    if (Params(c, 0, 0)) core_.StopSequences(WhenDone());
}

void TScpiSession::SeqStateQ(const TCall& c) {
    if (Params(c, 0, 0)) Respond(core_.SequencesRunning() ? "RUN" : core_.SequencesArmed() ? "ARM" : "IDLE");
}
