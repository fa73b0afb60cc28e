#pragma once
// A rack of simulated attenuators: a real TCP server that speaks the
// attenuator line protocol on loopback addresses, records every line it
// receives, and misbehaves on demand.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TSimAttenuator {
    std::string ip = "127.0.0.1";
    int port = 10001;
    std::string id = "A1B2C3";
    int maxAtt = 935;
    std::string info = "V2";
    std::string name = "ATT1";
    int attenuation = 0;
};

// Faults of one attenuator; all off by default.
struct TSimFaults {
    bool refuseConnections = false;  // the port is closed: connects are refused
    bool silentIdn = false;          // never answer "IDN?"
    bool silentName = false;         // never answer "N?"
    bool silentState = false;        // never answer "STA?"
    bool manualMode = false;         // answer "IDN?" with "MOD MANUAL"
    std::string idnReply;            // when set, the exact answer to "IDN?"
    int readbackOffset = 0;          // "STA?" reports the value plus this
    std::string statePrefix = "STA"; // "ATT" answers "STA?" with an ATT line
    bool garbage = false;            // answer every query with garbage
    int closeAfterLines = 0;         // close a connection after its N-th line (0: never)
    int dripMs = 0;                  // send replies one byte every dripMs ms (0: at once)
    bool endlessLine = false;        // answer queries with bytes that never end in CR LF
    int replyDelayMs = 0;            // wait this long before answering
};

struct TSimLine {
    int att;  // index returned by Add
    std::string line;
    std::chrono::steady_clock::time_point time;  // when the kernel took it in
    std::chrono::system_clock::time_point wall;  // the same, on the system clock
};

class TRackSimulator {
public:
    TRackSimulator();
    ~TRackSimulator();
    TRackSimulator(const TRackSimulator&) = delete;
    TRackSimulator& operator=(const TRackSimulator&) = delete;

    // Listens for one attenuator; returns its index. Throws std::runtime_error
    // when the address cannot be bound.
    int Add(const TSimAttenuator& att);
    void Start();
    void Stop();

    void SetFaults(int att, const TSimFaults& faults);
    TSimFaults Faults(int att) const;
    void SetAttenuation(int att, int value);
    int Attenuation(int att) const;
    std::string Name(int att) const;
    int MaxAtt(int att) const;
    std::string Address(int att) const;  // "ip:port"
    int Accepted(int att) const;         // connections accepted so far
    int OpenConnections(int att) const;
    // Closes every open connection of an attenuator (as a power cycle would).
    void DropConnections(int att);

    std::vector<TSimLine> Lines(int att) const;
    std::vector<TSimLine> AllLines() const;
    void ClearLines();
    // Waits (without processing GUI events) until pred holds for the lines of
    // att, or timeoutMs passes.
    bool WaitForLines(int att, const std::function<bool(const std::vector<TSimLine>&)>& pred,
                      int timeoutMs) const;
    // Called on the server thread for every line received, without any lock
    // held (the observer may call the simulator).
    void SetLineObserver(std::function<void(const TSimLine&)> observer);

    // A loopback address 127.0.x.y, not the first, on which ports
    // firstPort..firstPort+count-1 are all free right now; so tests that run
    // in parallel each get an address of their own.
    static std::string FreeLoopbackAddress(int firstPort, int count);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
