#include "support/IniFile.h"

#include <vector>

#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "support/TextFields.h"

namespace {

// One line of the text: [begin, end) is its content, next is where the line
// after it starts (end plus its CR LF, LF or CR).
struct TLine {
    std::size_t begin, end, next;
};

// What a line holds, by the reader's rules: leading blanks are skipped; ";"
// and "#" start a comment; "[name]" is a section header (its name trimmed);
// "key=value" is a key (the key trimmed; an empty key is no key); anything
// else is no entry. A "[" line without "]" starts no section the reader
// could name: the keys after it belong to none.
struct TEntry {
    enum Kind { None, Section, BadSection, Key } kind = None;
    std::string name;
    std::size_t nameEnd = 0;  // in the text, where the key's name ends
};

std::vector<TLine> SplitLines(const std::string& text) {
    std::vector<TLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        std::size_t next = end;
        if (next < text.size()) next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

TEntry Classify(const std::string& text, const TLine& line) {
    TEntry e;
    std::size_t p = line.begin;
    while (p < line.end && IsBlank(text[p])) ++p;
    if (p == line.end || text[p] == ';' || text[p] == '#') return e;
    if (text[p] == '[') {
        const std::size_t close = text.find(']', p);
        if (close == std::string::npos || close >= line.end) {
            e.kind = TEntry::BadSection;
            return e;
        }
        std::size_t first = p + 1, last = close;
        while (first < last && IsBlank(text[first])) ++first;
        while (last > first && IsBlank(text[last - 1])) --last;
        e.kind = TEntry::Section;
        e.name = text.substr(first, last - first);
        return e;
    }
    const std::size_t eq = text.find('=', p);
    if (eq == std::string::npos || eq >= line.end) return e;
    std::size_t keyEnd = eq;
    while (keyEnd > p && IsBlank(text[keyEnd - 1])) --keyEnd;
    if (keyEnd == p) return e;
    e.kind = TEntry::Key;
    e.name = text.substr(p, keyEnd - p);
    e.nameEnd = keyEnd;
    return e;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        const auto lx = (x >= 'A' && x <= 'Z') ? x + 32 : x, ly = (y >= 'A' && y <= 'Z') ? y + 32 : y;
        if (lx != ly) return false;
    }
    return true;
}

// The line end the file uses (that of its first line), LF for a file that
// has none yet.
std::string LineEnd(const std::string& text) {
    const std::size_t p = text.find_first_of("\r\n");
    if (p == std::string::npos || text[p] == '\n') return "\n";
    return (p + 1 < text.size() && text[p + 1] == '\n') ? "\r\n" : "\r";
}

// The text as the classification above sees it: the reader takes text as a
// C string, so a NUL would end it there; the NUL is read as a blank instead,
// and a UTF-8 signature as blanks too. Same length as text.
std::string BlankedView(const std::string& text) {
    std::string view = text;
    for (char& c : view)
        if (c == '\0') c = ' ';
    if (view.compare(0, 3, "\xEF\xBB\xBF") == 0) view.replace(0, 3, "   ");
    return view;
}

// The text handed to the reader. A "[" line without "]" is replaced by the
// header of a section no one asks for: left as it is, the reader would skip
// it (keeping the keys after it in the section before) or, for a lone "[",
// take the next line's header for a section name, while the writer above
// counts the keys after it in no section; the two must agree, or a value
// written would not read back.
std::string ReaderView(const std::string& text) {
    const std::string blanked = BlankedView(text);
    std::string view;
    view.reserve(blanked.size());
    for (const TLine& line : SplitLines(blanked)) {
        if (Classify(blanked, line).kind == TEntry::BadSection) {
            view += "[\x01]";
            view.append(blanked, line.end, line.next - line.end);
        } else {
            view.append(blanked, line.begin, line.next - line.begin);
        }
    }
    return view;
}

}  // namespace

struct TIniFile::Impl {
    std::string text;
    CSimpleIniA ini{false, false, false};
};

TIniFile::TIniFile() : impl_(std::make_unique<Impl>()) {}
TIniFile::~TIniFile() = default;

TFileReadStatus TIniFile::Load(const std::string& path) {
    std::string text;
    const TFileReadStatus status = ReadTextFile(path, text);
    LoadText(text);
    return status;
}

void TIniFile::LoadText(const std::string& text) {
    impl_->text = text;
    Parse();
}

void TIniFile::Parse() {
    const std::string view = ReaderView(impl_->text);
    impl_->ini.Reset();
    impl_->ini.LoadData(view.data(), view.size());
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    const char* v = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return v ? std::string(v) : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    int value = 0;
    const char* v = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return v && ParseDecimalInt(v, value) ? value : def;
}

bool TIniFile::SectionExists(const std::string& section) const {
    return impl_->ini.GetSectionSize(section.c_str()) >= 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::string safe = value;
    for (char& c : safe)
        if (c == '\r' || c == '\n') c = ' ';
    const std::string& text = impl_->text;
    const std::string view = BlankedView(text);
    const std::string eol = LineEnd(text);

    std::string out;
    out.reserve(text.size() + key.size() + safe.size() + section.size() + 8);
    bool inSection = section.empty();  // keys before any header belong to ""
    bool found = false;
    std::size_t insertAt = std::string::npos;  // in out: after the section's last key
    for (const TLine& line : SplitLines(text)) {
        const TEntry e = Classify(view, line);
        if (e.kind == TEntry::Section || e.kind == TEntry::BadSection)
            inSection = e.kind == TEntry::Section && SameName(e.name, section);
        if (e.kind == TEntry::Key && inSection && SameName(e.name, key)) {
            out.append(text, line.begin, e.nameEnd - line.begin);
            out += '=';
            out += safe;
            out.append(text, line.end, line.next - line.end);
            found = true;
        } else {
            out.append(text, line.begin, line.next - line.begin);
        }
        if (inSection && e.kind != TEntry::None) insertAt = out.size();
    }
    if (!found) {
        std::string entry = key + "=" + safe + eol;
        if (insertAt != std::string::npos) {
            // After the file's last line, which may have no line end.
            if (out[insertAt - 1] != '\n' && out[insertAt - 1] != '\r') entry.insert(0, eol);
            out.insert(insertAt, entry);
        } else {
            if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
            out += "[" + section + "]" + eol + entry;
        }
    }
    impl_->text = std::move(out);
    Parse();
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

const std::string& TIniFile::Text() const {
    return impl_->text;
}

void TIniFile::Save(const std::string& path) const {
    WriteFileAtomically(path, impl_->text);
}
