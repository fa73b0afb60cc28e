#include "remote/ScpiParser.h"

#include <cstdlib>

namespace {

constexpr int kSyntaxError = -102;
constexpr int kHeaderSeparatorError = -111;
constexpr int kSuffixCap = 1000000;  // far beyond any box number

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Shown(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f) return std::string("'") + c + "'";
    static const char* hex = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

// Reads one line, unit by unit; each step leaves pos_ after what it took.
class TLineParser {
public:
    explicit TLineParser(std::string_view line) : s_(line) {}

    std::vector<TScpiUnit> Units() {
        std::vector<TScpiUnit> units;
        SkipBlanks();
        if (AtEnd()) return units;
        for (;;) {
            TScpiUnit unit;
            if (!Unit(unit)) {
                unit.Command.reset();
                unit.Error = error_;
                units.push_back(std::move(unit));
                return units;
            }
            units.push_back(std::move(unit));
            if (AtEnd()) return units;
            ++pos_;  // the ';' that Unit stopped at
            SkipBlanks();
            if (AtEnd()) return units;  // a ';' before the end of the line ends the last unit
        }
    }

private:
    bool AtEnd() const { return pos_ >= s_.size(); }
    char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }
    void SkipBlanks() {
        while (!AtEnd() && IsBlank(s_[pos_])) ++pos_;
    }
    std::string Column() const { return " at column " + std::to_string(pos_ + 1); }
    bool Fail(int code, std::string what) {
        error_ = {code, std::move(what)};
        return false;
    }
    bool Unexpected(const char* expected) {
        if (AtEnd()) return Fail(kSyntaxError, std::string(expected) + " missing at the end of the line");
        return Fail(kSyntaxError, std::string(expected) + " expected, not " + Shown(Peek()) + Column());
    }

    // letter { letter | digit | '_' }, upper case; trailing digits are the
    // suffix when asked for.
    bool Mnemonic(TScpiNode& node, bool withSuffix) {
        if (!IsAlpha(Peek())) return Unexpected("a header");
        const std::size_t begin = pos_;
        while (!AtEnd() && (IsAlpha(s_[pos_]) || IsDigit(s_[pos_]) || s_[pos_] == '_')) ++pos_;
        std::size_t end = pos_;
        if (withSuffix) {
            while (end > begin && IsDigit(s_[end - 1])) --end;
            if (end < pos_) {
                long long v = 0;
                for (std::size_t i = end; i < pos_; ++i) v = v > kSuffixCap ? v : v * 10 + (s_[i] - '0');
                node.Suffix = static_cast<int>(v > kSuffixCap ? kSuffixCap : v);
            }
        }
        for (std::size_t i = begin; i < end; ++i) node.Mnemonic += Upper(s_[i]);
        return true;
    }

    bool Unit(TScpiUnit& unit) {
        TScpiCommand cmd;
        if (Peek() == '*') {
            ++pos_;
            cmd.Common = true;
            TScpiNode node;
            if (!Mnemonic(node, false)) return false;
            cmd.Nodes.push_back(std::move(node));
        } else {
            if (Peek() == ':') {
                cmd.Rooted = true;
                ++pos_;
            }
            for (;;) {
                TScpiNode node;
                if (!Mnemonic(node, true)) return false;
                cmd.Nodes.push_back(std::move(node));
                if (Peek() != ':') break;
                ++pos_;
            }
        }
        if (Peek() == '?') {
            cmd.Query = true;
            ++pos_;
        }
        if (!AtEnd() && !IsBlank(Peek()) && Peek() != ';')
            return Fail(kHeaderSeparatorError, "a blank must separate the header from its parameters, not " +
                                                   Shown(Peek()) + Column());
        SkipBlanks();
        if (!AtEnd() && Peek() != ';') {
            for (;;) {
                TScpiParam param;
                if (!Param(param)) return false;
                cmd.Params.push_back(std::move(param));
                SkipBlanks();
                if (Peek() != ',') break;
                ++pos_;
                SkipBlanks();
            }
        }
        // A unit ends at ';' or at the end of the line; anything else makes
        // the whole unit void, so that nothing half-read is carried out.
        SkipBlanks();
        if (!AtEnd() && Peek() != ';') return Fail(kSyntaxError, "unexpected " + Shown(Peek()) + Column());
        unit.Command = std::move(cmd);
        return true;
    }

    bool Param(TScpiParam& p) {
        const char c = Peek();
        if (c == '"' || c == '\'') return String(p);
        if (IsAlpha(c)) {
            TScpiNode word;
            Mnemonic(word, false);
            p.Kind = TScpiParamKind::Character;
            p.Text = word.Mnemonic;
            return true;
        }
        if (IsDigit(c) || c == '+' || c == '-' || c == '.') return Number(p);
        return Unexpected("a parameter");
    }

    bool String(TScpiParam& p) {
        const char quote = s_[pos_++];
        p.Kind = TScpiParamKind::String;
        for (;;) {
            if (AtEnd()) return Fail(kSyntaxError, "the string has no closing quote");
            const char c = s_[pos_++];
            if (c == quote) {
                if (Peek() != quote) return true;
                ++pos_;
            } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                --pos_;
                return Fail(kSyntaxError, Shown(c) + " inside a string" + Column());
            }
            p.Text += c;
        }
    }

    std::size_t Digits() {
        const std::size_t begin = pos_;
        while (!AtEnd() && IsDigit(s_[pos_])) ++pos_;
        return pos_ - begin;
    }

    // [+|-] (digits [. digits] | . digits) [E [+|-] digits] [unit]
    bool Number(TScpiParam& p) {
        const std::size_t begin = pos_;
        if (Peek() == '+' || Peek() == '-') ++pos_;
        std::size_t digits = Digits();
        if (Peek() == '.') {
            ++pos_;
            digits += Digits();
        }
        if (digits == 0) return Unexpected("a number");
        std::size_t end = pos_;
        // An exponent may have blanks before and after its 'E'; a word that
        // begins with 'E' and is no exponent is the unit.
        std::size_t look = pos_;
        while (look < s_.size() && IsBlank(s_[look])) ++look;
        if (look < s_.size() && Upper(s_[look]) == 'E') {
            std::size_t e = look + 1;
            while (e < s_.size() && IsBlank(s_[e])) ++e;
            if (e < s_.size() && (s_[e] == '+' || s_[e] == '-')) ++e;
            if (e < s_.size() && IsDigit(s_[e])) {
                pos_ = e;
                Digits();
                end = pos_;
            }
        }
        for (std::size_t i = begin; i < end; ++i)
            if (!IsBlank(s_[i])) p.Text += s_[i];
        p.Kind = TScpiParamKind::Numeric;
        std::size_t afterBlanks = pos_;
        while (afterBlanks < s_.size() && IsBlank(s_[afterBlanks])) ++afterBlanks;
        if (afterBlanks < s_.size() && IsAlpha(s_[afterBlanks])) {
            pos_ = afterBlanks;
            TScpiNode unit;
            Mnemonic(unit, false);
            p.Unit = unit.Mnemonic;
        }
        if (!AtEnd() && !IsBlank(Peek()) && Peek() != ',' && Peek() != ';')
            return Unexpected("',' or ';'");
        return true;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    TScpiSyntaxError error_;
};

}  // namespace

std::vector<TScpiUnit> ParseScpiLine(std::string_view line) { return TLineParser(line).Units(); }

bool ScpiMnemonicMatches(std::string_view written, std::string_view spelling) {
    std::string shortForm, longForm;
    for (char c : spelling) {
        if (!(c >= 'a' && c <= 'z')) shortForm += c;
        longForm += Upper(c);
    }
    return written == shortForm || written == longForm;
}

std::string ScpiPlainDecimal(std::string_view numeric) {
    std::size_t i = 0;
    bool negative = false;
    if (i < numeric.size() && (numeric[i] == '+' || numeric[i] == '-')) negative = numeric[i++] == '-';
    std::string digits;
    long exponent = 0;  // of the last digit in digits
    for (; i < numeric.size() && numeric[i] != 'e' && numeric[i] != 'E'; ++i) {
        if (numeric[i] == '.') continue;
        digits += numeric[i];
    }
    const std::size_t point = numeric.find('.');
    const std::size_t mantissaEnd = i;
    if (point != std::string_view::npos && point < mantissaEnd) exponent = -static_cast<long>(mantissaEnd - point - 1);
    if (i < numeric.size()) {
        const std::string e(numeric.substr(i + 1));
        if (e.size() > 6) return {};
        exponent += std::strtol(e.c_str(), nullptr, 10);
    }
    if (exponent > 64 || exponent < -64) return {};
    std::string intPart, fracPart;
    if (exponent >= 0) {
        intPart = digits + std::string(static_cast<std::size_t>(exponent), '0');
    } else {
        const std::size_t frac = static_cast<std::size_t>(-exponent);
        if (digits.size() <= frac) digits.insert(0, frac - digits.size() + 1, '0');
        intPart = digits.substr(0, digits.size() - frac);
        fracPart = digits.substr(digits.size() - frac);
    }
    while (intPart.size() > 1 && intPart[0] == '0') intPart.erase(0, 1);
    while (!fracPart.empty() && fracPart.back() == '0') fracPart.pop_back();
    const bool zero = intPart == "0" && fracPart.empty();
    return (negative && !zero ? "-" : "") + intPart + (fracPart.empty() ? "" : "." + fracPart);
}
