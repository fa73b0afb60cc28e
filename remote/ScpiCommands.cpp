// The SCPI command set of the bench: the IEEE 488.2 common commands, the
// attenuators (ATTenuation<n>), the sequences (SEQuence) with their armed
// start (*TRG, ABORt), the error queue (SYSTem:ERRor) and the bench's clock
// (SYSTem:TIME:UTC). Every request goes through the remote core.

#include "remote/ScpiSession.h"

#include <QTimer>

#include <cmath>
#include <cstdlib>

namespace {

struct TNodePattern {
    const char* Spelling;
    bool Suffix = false;    // takes the box number
    bool Optional = false;  // may be left out
};

struct TMatch {
    bool Matched = false;
    std::optional<int> Box;    // the suffix of the node that takes one (1 when written without)
    bool BadSuffix = false;    // a suffix other than 1 on a node that takes none
};

TMatch Match(const std::vector<TScpiNode>& nodes, std::size_t i, const std::vector<TNodePattern>& patterns,
             std::size_t j) {
    if (j == patterns.size()) return {i == nodes.size(), {}, false};
    if (i < nodes.size() && ScpiMnemonicMatches(nodes[i].Mnemonic, patterns[j].Spelling)) {
        TMatch rest = Match(nodes, i + 1, patterns, j + 1);
        if (rest.Matched) {
            if (patterns[j].Suffix) rest.Box = nodes[i].Suffix.value_or(1);
            else if (nodes[i].Suffix && *nodes[i].Suffix != 1) rest.BadSuffix = true;
            return rest;
        }
    }
    if (patterns[j].Optional) return Match(nodes, i, patterns, j + 1);
    return {};
}

std::string Written(const TScpiCommand& c) {
    std::string s = c.Common ? "*" : "";
    for (std::size_t i = 0; i < c.Nodes.size(); ++i) {
        s += (i ? ":" : "") + c.Nodes[i].Mnemonic;
        if (c.Nodes[i].Suffix) s += std::to_string(*c.Nodes[i].Suffix);
    }
    return s + (c.Query ? "?" : "");
}

}  // namespace

struct TScpiHeader {
    std::vector<TNodePattern> Nodes;
    bool Common;
    void (TScpiSession::*Command)(const TScpiSession::TCall&);
    void (TScpiSession::*Query)(const TScpiSession::TCall&);
};

void TScpiSession::Execute(const TScpiCommand& c) {
    using S = TScpiSession;
    static const std::vector<TScpiHeader> headers = {
        {{{"IDN"}}, true, nullptr, &S::Idn},
        {{{"CLS"}}, true, &S::Cls, nullptr},
        {{{"ESE"}}, true, &S::Ese, &S::EseQ},
        {{{"ESR"}}, true, nullptr, &S::EsrQ},
        {{{"STB"}}, true, nullptr, &S::StbQ},
        {{{"SRE"}}, true, &S::Sre, &S::SreQ},
        {{{"OPC"}}, true, &S::Opc, &S::OpcQ},
        {{{"WAI"}}, true, &S::Wai, nullptr},
        {{{"TST"}}, true, nullptr, &S::TstQ},
        {{{"RST"}}, true, &S::Rst, nullptr},
        {{{"ATTenuation", true}, {"LEVel", false, true}}, false, &S::Att, &S::AttQ},
        {{{"ATTenuation", true}, {"MAXimum"}}, false, nullptr, &S::MaxQ},
        {{{"ATTenuation", true}, {"STEP"}}, false, nullptr, &S::StepQ},
        {{{"ATTenuation", true}, {"LIMit"}, {"LOWer"}}, false, nullptr, &S::FloorQ},
        {{{"ATTenuation", true}, {"READy"}}, false, nullptr, &S::ReadyQ},
        {{{"ATTenuation", true}, {"STATus"}}, false, nullptr, &S::StatusQ},
        {{{"ATTenuation", true}, {"NAME"}}, false, &S::Name, &S::NameQ},
        {{{"ATTenuation", true}, {"REFResh"}}, false, &S::Refresh, nullptr},
        {{{"SEQuence"}, {"RUN"}}, false, &S::SeqRun, nullptr},
        {{{"SEQuence"}, {"STOP"}}, false, &S::SeqStop, nullptr},
        {{{"SEQuence"}, {"STATe"}}, false, nullptr, &S::SeqStateQ},
        {{{"SEQuence"}, {"LOAD"}}, false, &S::SeqLoad, nullptr},
        {{{"SEQuence"}, {"STARt"}}, false, &S::SeqStart, nullptr},
        {{{"SEQuence"}, {"STARt"}, {"TIME"}}, false, &S::SeqStartTime, &S::SeqStartTimeQ},
        {{{"SEQuence"}, {"STARt"}, {"FIRSt"}}, false, nullptr, &S::SeqFirstTickQ},
        {{{"TRG"}}, true, &S::SeqStart, nullptr},
        {{{"ABORt"}}, false, &S::SeqStop, nullptr},
        {{{"SYSTem"}, {"TIME"}, {"UTC"}}, false, nullptr, &S::SysTimeUtcQ},
        {{{"SYSTem"}, {"ERRor"}, {"NEXT", false, true}}, false, nullptr, &S::ErrQ},
        {{{"SYSTem"}, {"ERRor"}, {"COUNt"}}, false, nullptr, &S::ErrCountQ},
    };
    // A header without a leading ':' is first taken relative to the one
    // before it on the line ("ATT1:LEV 5;STAT?"), then from the root.
    std::vector<std::vector<TScpiNode>> tries;
    if (!c.Common && !c.Rooted && !path_.empty()) {
        tries.push_back(path_);
        tries.back().insert(tries.back().end(), c.Nodes.begin(), c.Nodes.end());
    }
    tries.push_back(c.Nodes);
    bool otherForm = false;  // the header exists only as a query, or only as a command
    for (const auto& nodes : tries)
        for (const TScpiHeader& h : headers) {
            if (h.Common != c.Common) continue;
            const TMatch m = Match(nodes, 0, h.Nodes, 0);
            const auto handler = c.Query ? h.Query : h.Command;
            otherForm = otherForm || (m.Matched && handler == nullptr);
            if (!m.Matched || handler == nullptr) continue;
            if (!c.Common) path_.assign(nodes.begin(), nodes.end() - 1);
            if (m.BadSuffix) return Error(-114, Written(c) + ": only ATTenuation takes a number");
            const int box = m.Box.value_or(0);
            if (m.Box) {
                if (const auto problem = core_.CheckBox(box)) return Error(-114, problem->Message);
            }
            return (this->*handler)(TCall{c, box});
        }
    Error(-113, Written(c) + (otherForm ? (c.Query ? " is a command, not a query" : " is a query only")
                                        : " is not a command of this bench"));
}

bool TScpiSession::Params(const TCall& call, std::size_t min, std::size_t max) {
    const std::size_t n = call.C.Params.size();
    const std::string header = Written(call.C);
    if (n < min) Error(-109, header + " needs " + (min == 1 ? "a parameter" : std::to_string(min) + " parameters"));
    else if (n > max)
        Error(-108, header + (max == 0 ? " takes no parameter" : " takes at most " + std::to_string(max) +
                                                                     (max == 1 ? " parameter" : " parameters")));
    return n >= min && n <= max;
}

std::optional<int> TScpiSession::Integer(const TCall& call, int low, int high) {
    if (!Params(call, 1, 1)) return std::nullopt;
    const TScpiParam& p = call.C.Params[0];
    if (p.Kind != TScpiParamKind::Numeric || !p.Unit.empty()) {
        Error(-104, Written(call.C) + " takes a whole number");
        return std::nullopt;
    }
    const std::string plain = ScpiPlainDecimal(p.Text);
    const double v = plain.empty() ? 1e99 : std::strtod(plain.c_str(), nullptr);
    if (!(v > low - 0.5 && v < high + 0.5)) {
        Error(-222, p.Text + " is outside " + std::to_string(low) + ".." + std::to_string(high));
        return std::nullopt;
    }
    return static_cast<int>(std::lround(v));
}

void TScpiSession::Answer(const TRemoteAnswer& answer, bool quoted) {
    if (answer.Refusal) return Refused(*answer.Refusal);
    Respond(quoted ? ScpiQuoted(answer.Text) : answer.Text);
}

// --- Common commands ---

void TScpiSession::Idn(const TCall& c) { if (Params(c, 0, 0)) Respond(Identity()); }
void TScpiSession::TstQ(const TCall& c) { if (Params(c, 0, 0)) Respond("0"); }
void TScpiSession::Cls(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    status_.Clear();
    opcArmed_ = false;
}
void TScpiSession::Ese(const TCall& c) { if (auto v = Integer(c, 0, 255)) status_.EventEnable = *v; }
void TScpiSession::EseQ(const TCall& c) { if (Params(c, 0, 0)) Respond(std::to_string(status_.EventEnable)); }
void TScpiSession::EsrQ(const TCall& c) { if (Params(c, 0, 0)) Respond(std::to_string(status_.TakeEventStatus())); }
void TScpiSession::StbQ(const TCall& c) { if (Params(c, 0, 0)) Respond(std::to_string(status_.StatusByte())); }
void TScpiSession::Sre(const TCall& c) {
    if (auto v = Integer(c, 0, 255)) status_.RequestEnable = *v & ~TScpiStatus::Rqs;
}
void TScpiSession::SreQ(const TCall& c) { if (Params(c, 0, 0)) Respond(std::to_string(status_.RequestEnable)); }

void TScpiSession::Opc(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    if (pendingSets_.empty()) status_.SetOperationComplete();
    else opcArmed_ = true;
}

void TScpiSession::OpcQ(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    if (pendingSets_.empty()) return Respond("1");
    WaitFor(TWait::OpcQuery);
}

void TScpiSession::Wai(const TCall& c) {
    if (Params(c, 0, 0) && !pendingSets_.empty()) WaitFor(TWait::Sets);
}

void TScpiSession::Rst(const TCall& c) {
    if (!Params(c, 0, 0)) return;
    WaitFor(TWait::Request);
    // Its own park sets replace this connection's sets: asked for, not an error.
    ownRequest_ = true;
    core_.Park([this, alive = std::weak_ptr<int>(alive_)](std::optional<TRemoteRefusal> refusal,
                                                          const std::vector<std::string>& unparked) {
        if (alive.expired()) return;
        if (refusal) Refused(*refusal);
        for (const std::string& problem : unparked) Error(-300, problem);
        Resume();
    });
    ownRequest_ = false;
}

// --- Errors ---

void TScpiSession::ErrQ(const TCall& c) { if (Params(c, 0, 0)) Respond(status_.NextError()); }
void TScpiSession::ErrCountQ(const TCall& c) { if (Params(c, 0, 0)) Respond(std::to_string(status_.ErrorCount())); }
