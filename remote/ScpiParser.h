#pragma once
// The message syntax of the SCPI server, without any knowledge of the
// commands: one line from a client (its LF, and a CR before it, already
// removed) becomes program message units, each a header with parameters.
//
//   line     = unit { ";" unit } [";"]
//   unit     = "*" mnemonic ["?"] [params]                 common command
//            | [":"] node { ":" node } ["?"] [params]      compound header
//   node     = mnemonic [digits]                           ATT1, ATTenuation3
//   params   = blank { blank } param { "," param }
//   param    = number [unit] | 'string' | "string" | character data
//
// Headers and character data are case-insensitive and handed on in upper
// case; a quote inside a string is written twice. Parsing stops at the
// first unit that is not well formed: the units before it are still
// carried out, as the standard asks, and the error takes the place of the
// rest of the line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One level of a header: "ATTENUATION" with suffix 3 for "ATTenuation3".
// A suffix written with more digits than any box number is kept as a
// large number, so that it reads as out of range.
struct TScpiNode {
    std::string Mnemonic;       // upper case, without the suffix
    std::optional<int> Suffix;  // the digits written after it
};

enum class TScpiParamKind { Numeric, String, Character };

struct TScpiParam {
    TScpiParamKind Kind = TScpiParamKind::Character;
    std::string Text;  // numeric: as written; string: without quotes; character: upper case
    std::string Unit;  // numeric only: a unit written after it, upper case ("DB")
};

struct TScpiCommand {
    bool Common = false;  // "*IDN?"
    bool Rooted = false;  // written with a leading ":"
    bool Query = false;
    std::vector<TScpiNode> Nodes;  // a common command has one node, without "*"
    std::vector<TScpiParam> Params;
};

// A unit that is not well formed: its error number and what is wrong, in
// words ("unexpected '#' at column 6").
struct TScpiSyntaxError {
    int Code = -102;
    std::string What;
};

struct TScpiUnit {
    std::optional<TScpiCommand> Command;  // empty: Error holds
    TScpiSyntaxError Error;
};

// The units of a line, in order; the last may be an error.
std::vector<TScpiUnit> ParseScpiLine(std::string_view line);

// Whether a mnemonic written by a client (upper case) names a command
// level spelt like "ATTenuation": its short form (the capitals, "ATT") or
// its long form ("ATTENUATION").
bool ScpiMnemonicMatches(std::string_view written, std::string_view spelling);

// A numeric parameter as a plain decimal number: sign only when negative,
// no exponent ("+5.73E1" gives "57.3", ".5E-1" gives "0.05"). Empty when
// the exponent is too large to write out.
std::string ScpiPlainDecimal(std::string_view numeric);
