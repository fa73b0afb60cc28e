// Any bytes a network client may send as one line: the parser reads them
// into units of which only the last may be an error, and the units written
// out again in plain form read back as the same units.

#include "remote/ScpiParser.h"

#include "FuzzSupport.h"

namespace {

std::string Written(const TScpiCommand& c) {
    std::string s = c.Common ? "*" : c.Rooted ? ":" : "";
    for (std::size_t i = 0; i < c.Nodes.size(); ++i) {
        s += (i ? ":" : "") + c.Nodes[i].Mnemonic;
        if (c.Nodes[i].Suffix) s += std::to_string(*c.Nodes[i].Suffix);
    }
    if (c.Query) s += "?";
    for (std::size_t i = 0; i < c.Params.size(); ++i) {
        const TScpiParam& p = c.Params[i];
        s += i ? "," : " ";
        if (p.Kind == TScpiParamKind::String) {
            s += '"';
            for (char ch : p.Text) s += ch == '"' ? std::string("\"\"") : std::string(1, ch);
            s += '"';
        } else {
            s += p.Text + (p.Unit.empty() ? "" : " " + p.Unit);
        }
    }
    return s;
}

bool Same(const TScpiCommand& a, const TScpiCommand& b) {
    if (a.Common != b.Common || a.Rooted != b.Rooted || a.Query != b.Query || a.Nodes.size() != b.Nodes.size() ||
        a.Params.size() != b.Params.size())
        return false;
    for (std::size_t i = 0; i < a.Nodes.size(); ++i)
        if (a.Nodes[i].Mnemonic != b.Nodes[i].Mnemonic || a.Nodes[i].Suffix != b.Nodes[i].Suffix) return false;
    for (std::size_t i = 0; i < a.Params.size(); ++i)
        if (a.Params[i].Kind != b.Params[i].Kind || a.Params[i].Text != b.Params[i].Text ||
            a.Params[i].Unit != b.Params[i].Unit)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192) return 0;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::vector<TScpiUnit> units = ParseScpiLine(line);
    std::string again;
    std::vector<const TScpiCommand*> commands;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (!units[i].Command) {
            FUZZ_CHECK(i + 1 == units.size());
            FUZZ_CHECK(units[i].Error.Code < 0 && !units[i].Error.What.empty());
            break;
        }
        const TScpiCommand& c = *units[i].Command;
        FUZZ_CHECK(!c.Nodes.empty());
        for (const TScpiNode& n : c.Nodes) {
            FUZZ_CHECK(!n.Mnemonic.empty());
            FUZZ_CHECK(!n.Suffix || *n.Suffix >= 0);
            ScpiMnemonicMatches(n.Mnemonic, "ATTenuation");
        }
        for (const TScpiParam& p : c.Params) {
            if (p.Kind != TScpiParamKind::Numeric) continue;
            const std::string plain = ScpiPlainDecimal(p.Text);
            FUZZ_CHECK(plain.empty() || ScpiPlainDecimal(plain) == plain);
        }
        again += (again.empty() ? "" : ";") + Written(c);
        commands.push_back(&c);
    }
    const std::vector<TScpiUnit> reread = ParseScpiLine(again);
    FUZZ_CHECK(reread.size() == commands.size());
    for (std::size_t i = 0; i < commands.size(); ++i)
        FUZZ_CHECK(reread[i].Command && Same(*reread[i].Command, *commands[i]));
    return 0;
}
