#pragma once
// The status model of one SCPI connection (IEEE 488.2): its error queue of
// 16 entries, the standard event status register with its enable mask, the
// service request enable mask, and the status byte made of them.

#include <deque>
#include <string>

// The standard texts of the error numbers ("Syntax error").
std::string ScpiErrorText(int code);
// A string response: quoted, a quote inside written twice.
std::string ScpiQuoted(const std::string& text);

class TScpiStatus {
public:
    static constexpr std::size_t QueueSize = 16;
    // Event status register bits.
    static constexpr int Opc = 1, Qye = 4, Dde = 8, Exe = 16, Cme = 32;
    // Status byte bits.
    static constexpr int Eav = 4, Esb = 32, Rqs = 64;

    // Queues an error: the standard text, then "; " and what is wrong in the
    // program's words. An error that finds the queue full replaces its last
    // entry with -350 "Queue overflow". The error's class sets its event bit.
    void Push(int code, const std::string& what = {});
    // The oldest error as "-222,\"Data out of range; ...\"", taken from the
    // queue; 0,"No error" when it is empty.
    std::string NextError();
    std::size_t ErrorCount() const { return queue_.size(); }

    void SetOperationComplete() { esr_ |= Opc; }
    int TakeEventStatus();  // *ESR?: read and clear
    int StatusByte() const;
    void Clear();  // *CLS: the queue and the event register

    int EventEnable = 0;    // *ESE
    int RequestEnable = 0;  // *SRE (its bit 6 is never set)

private:
    std::deque<std::string> queue_;
    int esr_ = 0;
};
