#include "remote/ScpiStatus.h"

#include <map>

std::string ScpiErrorText(int code) {
    static const std::map<int, const char*> texts = {
        {0, "No error"},
        {-100, "Command error"},
        {-102, "Syntax error"},
        {-104, "Data type error"},
        {-108, "Parameter not allowed"},
        {-109, "Missing parameter"},
        {-111, "Header separator error"},
        {-113, "Undefined header"},
        {-114, "Header suffix out of range"},
        {-131, "Invalid suffix"},
        {-200, "Execution error"},
        {-221, "Settings conflict"},
        {-222, "Data out of range"},
        {-224, "Illegal parameter value"},
        {-250, "Mass storage error"},
        {-300, "Device-specific error"},
        {-350, "Queue overflow"},
        {-363, "Input buffer overrun"},
        {-400, "Query error"},
        {-410, "Query INTERRUPTED"},
    };
    const auto it = texts.find(code);
    if (it != texts.end()) return it->second;
    return code <= -400 ? "Query error" : code <= -300 ? "Device-specific error" : code <= -200 ? "Execution error"
                                                                                                 : "Command error";
}

std::string ScpiQuoted(const std::string& text) {
    std::string s = "\"";
    // A line end inside would end the response line: control characters
    // (a message's "\n") become blanks.
    for (char c : text)
        s += c == '"' ? std::string("\"\"") : std::string(1, static_cast<unsigned char>(c) < 32 ? ' ' : c);
    return s + "\"";
}

void TScpiStatus::Push(int code, const std::string& what) {
    esr_ |= code <= -400 ? Qye : code <= -300 ? Dde : code <= -200 ? Exe : Cme;
    if (queue_.size() >= QueueSize) {
        queue_.back() = "-350," + ScpiQuoted(ScpiErrorText(-350));
        return;
    }
    const std::string text = ScpiErrorText(code) + (what.empty() ? "" : "; " + what);
    queue_.push_back(std::to_string(code) + "," + ScpiQuoted(text));
}

std::string TScpiStatus::NextError() {
    if (queue_.empty()) return "0," + ScpiQuoted(ScpiErrorText(0));
    std::string e = std::move(queue_.front());
    queue_.pop_front();
    return e;
}

int TScpiStatus::TakeEventStatus() {
    const int esr = esr_;
    esr_ = 0;
    return esr;
}

int TScpiStatus::StatusByte() const {
    int stb = (queue_.empty() ? 0 : Eav) | ((esr_ & EventEnable) != 0 ? Esb : 0);
    if ((stb & RequestEnable & ~Rqs) != 0) stb |= Rqs;
    return stb;
}

void TScpiStatus::Clear() {
    queue_.clear();
    esr_ = 0;
}
