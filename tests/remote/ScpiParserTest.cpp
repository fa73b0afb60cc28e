// The SCPI message syntax: lines written every way a client may write them,
// each read back as a plain text of its units.

#include "remote/ScpiParser.h"

#include <gtest/gtest.h>

namespace {

// A unit as "*IDN?" / ":ATT#1:LEV <N:57.3> <S:x> <C:MAX>" / "E-102 what".
std::string Shown(const TScpiUnit& u) {
    if (!u.Command) return "E" + std::to_string(u.Error.Code) + " " + u.Error.What;
    const TScpiCommand& c = *u.Command;
    std::string s = c.Common ? "*" : c.Rooted ? ":" : "";
    for (std::size_t i = 0; i < c.Nodes.size(); ++i) {
        s += (i ? ":" : "") + c.Nodes[i].Mnemonic;
        if (c.Nodes[i].Suffix) s += "#" + std::to_string(*c.Nodes[i].Suffix);
    }
    if (c.Query) s += "?";
    for (const TScpiParam& p : c.Params) {
        const char* kind = p.Kind == TScpiParamKind::Numeric ? "N" : p.Kind == TScpiParamKind::String ? "S" : "C";
        s += std::string(" <") + kind + ":" + p.Text + (p.Unit.empty() ? "" : "|" + p.Unit) + ">";
    }
    return s;
}

std::string Parsed(std::string_view line) {
    std::string s;
    for (const TScpiUnit& u : ParseScpiLine(line)) s += (s.empty() ? "" : " ; ") + Shown(u);
    return s;
}

TEST(ScpiParser, HeadersSuffixesSeparatorsAndParameters) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"  \t ", ""},
        {"*idn?", "*IDN?"},
        {"*ESE 36", "*ESE <N:36>"},
        {"att1 57.3", "ATT#1 <N:57.3>"},
        {"ATTenuation3:LEVel?", "ATTENUATION#3:LEVEL?"},
        {":Att12:Lev? ", ":ATT#12:LEV?"},
        {"ATT99999999999999", "ATT#1000000"},
        {"ATT1 57.3;*OPC?", "ATT#1 <N:57.3> ; *OPC?"},
        {"ATT1 5 ; ATT2 -.5e+1 DB;", "ATT#1 <N:5> ; ATT#2 <N:-.5e+1|DB>"},
        {"ATT1 1.5 E 1", "ATT#1 <N:1.5E1>"},
        {"ATT1 5dB", "ATT#1 <N:5|DB>"},
        {"ATT1 max", "ATT#1 <C:MAX>"},
        {"SEQ:RUN \"a b.sqc\",'it''s.sqc' , \"say \"\"x\"\"\"", "SEQ:RUN <S:a b.sqc> <S:it's.sqc> <S:say \"x\">"},
        {"ATT1:NAME ''", "ATT#1:NAME <S:>"},
        {"SYST:ERR:NEXT?;SYST:ERR:COUN?", "SYST:ERR:NEXT? ; SYST:ERR:COUN?"},
        // Not well formed: what came before still counts.
        {"ATT1 5;;ATT2 3", "ATT#1 <N:5> ; E-102 a header expected, not ';' at column 8"},
        {"ATT1 #H1F", "E-102 a parameter expected, not '#' at column 6"},
        {"ATT1:", "E-102 a header missing at the end of the line"},
        {"*", "E-102 a header missing at the end of the line"},
        {"ATT1?5", "E-111 a blank must separate the header from its parameters, not '5' at column 6"},
        {"ATT1 5 6", "E-102 unexpected '6' at column 8"},
        {"ATT1 5,", "E-102 a parameter missing at the end of the line"},
        {"ATT1 --5", "E-102 a number expected, not '-' at column 7"},
        {"ATT1 5.3.2", "E-102 ',' or ';' expected, not '.' at column 9"},
        {"SEQ:RUN \"a.sqc", "E-102 the string has no closing quote"},
        {"SEQ:RUN 'a\x01'", "E-102 byte 0x01 inside a string at column 11"},
        {"\x80\xff", "E-102 a header expected, not byte 0x80 at column 1"},
        {"*IDN?\x7f", "E-111 a blank must separate the header from its parameters, not byte 0x7F at column 6"},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(Parsed(line), expected) << line;
}

TEST(ScpiParser, MnemonicsMatchTheirShortAndLongFormOnly) {
    EXPECT_TRUE(ScpiMnemonicMatches("ATT", "ATTenuation"));
    EXPECT_TRUE(ScpiMnemonicMatches("ATTENUATION", "ATTenuation"));
    EXPECT_FALSE(ScpiMnemonicMatches("ATTEN", "ATTenuation"));
    EXPECT_FALSE(ScpiMnemonicMatches("AT", "ATTenuation"));
    EXPECT_TRUE(ScpiMnemonicMatches("IDN", "IDN"));
    EXPECT_FALSE(ScpiMnemonicMatches("IDNX", "IDN"));
}

TEST(ScpiParser, NumbersBecomePlainDecimals) {
    const std::pair<const char*, const char*> cases[] = {
        {"57.3", "57.3"}, {"+5.73E1", "57.3"}, {".5E-1", "0.05"}, {"5.", "5"},      {"-0.0", "0"},
        {"007", "7"},     {"1e3", "1000"},     {"-2.50", "-2.5"}, {"1E99999999", ""}, {"1e-70", ""},
    };
    for (const auto& [numeric, plain] : cases) EXPECT_EQ(ScpiPlainDecimal(numeric), plain) << numeric;
}

}  // namespace
