#include "link/TovarinProtocol.h"

#include <cstdio>

#include "support/TextFields.h"

int RoundToHalfStep(int v) {
    // Integer division and remainder truncate toward zero, as the original
    // arithmetic did; q and r keep the sign of v.
    const int q = v / 10;
    const int r = v % 10;
    if (r >= 0) {
        if (r <= 2) return q * 10;
        if (r <= 7) return q * 10 + 5;
        return (q + 1) * 10;
    }
    if (r >= -2) return q * 10;
    if (r >= -7) return q * 10 - 5;
    return (q - 1) * 10;
}

std::string FormatAttValue(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.3d", value);
    return buf;
}

std::string FormatAttCommandText(std::string_view channel, std::string_view valueText) {
    std::string s = "ATT ";
    s += channel;
    s += ' ';
    s += valueText;
    return s;
}

std::string FormatAttCommand(std::string_view channel, int value) {
    return FormatAttCommandText(channel, FormatAttValue(value));
}

std::string FormatNameCommand(std::string_view name) {
    std::string s = "N0 ";
    s += name;
    return s;
}

TPostedKind ClassifyPosted(std::string_view text) {
    if (StartsWith(text, "ATT") || StartsWith(text, "IDS") || StartsWith(text, "N")) return TPostedKind::DeviceCommand;
    if (StartsWith(text, ReadAttRequest)) return TPostedKind::ReadAtt;
    if (StartsWith(text, RefreshRequest)) return TPostedKind::Refresh;
    if (StartsWith(text, ReconfigRequest)) return TPostedKind::Reconfig;
    return TPostedKind::Unknown;
}

TReplyKind ReplyKind(std::string_view line) {
    if (StartsWith(line, "IDN")) return TReplyKind::Ident;
    if (StartsWith(line, "MOD")) return TReplyKind::Mode;
    if (StartsWith(line, "NAM")) return TReplyKind::Name;
    if (StartsWith(line, "STA") || StartsWith(line, "ATT")) return TReplyKind::State;
    return TReplyKind::Other;
}

TIdentReply ReadIdentReply(std::string_view line) {
    // "IDN " + 6-character identifier + "," + 3-digit maximum + "," + info.
    TIdentReply out;
    std::string rest = SubText(line, 4, std::string::npos);
    out.Id = SubText(rest, 0, 6);
    rest = SubText(rest, 6, std::string::npos);
    if (rest.find(',') != std::string::npos) {
        int max = 0;
        out.MaxAtt = ParseDecimalInt(SubText(rest, 1, 3), max) ? max : 0;
        rest = SubText(rest, 4, std::string::npos);
        if (rest.find(',') != std::string::npos) {
            rest = SubText(rest, 1, std::string::npos);
            out.Info = rest.substr(0, rest.find(','));
        }
    }
    return out;
}

bool ModeIsAuto(std::string_view line) { return line.find("AUTO") != std::string_view::npos; }

std::optional<int> ReadStateReply(std::string_view line) {
    if (ReplyKind(line) != TReplyKind::State) return std::nullopt;
    int value = 0;
    if (!ParseDecimalInt(SubText(line, 6, 3), value)) return std::nullopt;
    return value;
}

std::optional<std::string> ReadNameReply(std::string_view line) {
    if (ReplyKind(line) != TReplyKind::Name) return std::nullopt;
    return SubText(line, 6, 4);
}

bool IsAttCommand(std::string_view text) { return StartsWith(text, "ATT"); }

std::vector<TAttSetting> ReadAttCommand(std::string_view text) {
    std::vector<TAttSetting> out;
    if (!IsAttCommand(text)) return out;
    std::string_view rest = text.size() > 4 ? text.substr(4) : std::string_view{};
    while (!rest.empty()) {
        const char d = rest[0];
        int value = 0;
        if (d >= '0' && d <= '9' && ParseDecimalInt(SubText(rest, 2, 3), value)) out.push_back({d - '0', value});
        rest = rest.size() > 6 ? rest.substr(6) : std::string_view{};
    }
    return out;
}
