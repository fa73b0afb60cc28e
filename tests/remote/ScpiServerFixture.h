#pragma once
// The program with its SCPI server against simulated racks, and test
// scripts that drive it from threads of their own while the GUI thread
// serves them.

#include "ScpiClient.h"
#include "frontpanel/RemoteAccess.h"
#include "tests/frontpanel/MainFormFixture.h"

#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class ScpiServerTest : public MainFormTest {
protected:
    void TearDown() override {
        remote.reset();
        MainFormTest::TearDown();
    }
    // The program with the attenuators (index as Serve) configured and its
    // SCPI server on a port of its own; remoteKeys go into [Remote].
    void StartProgram(const std::vector<TRackAtt>& atts, const std::vector<int>& enabled,
                      const std::string& remoteKeys = {}, bool startScpi = true) {
        Serve(atts);
        WriteSettings(WriteConfig(enabled));
        std::ofstream(home.path().toStdString() + "/config/ORVELT/Quadrell 2x4 Atts Lintera/" +
                          SettingsFileName().toStdString(),
                      std::ios::app)
            << "[Remote]\nSCPI address=127.0.0.1\n" << remoteKeys;
        ASSERT_TRUE(Start(true, [this] { remote = std::make_unique<TRemoteAccess>(*form); }));
        for (std::size_t i = 0; i < enabled.size(); ++i) {
            ASSERT_TRUE(WaitUsable(static_cast<int>(i) + 1, atts[enabled[i]].name));
            ASSERT_TRUE(WaitSettled(static_cast<int>(i) + 1));
        }
        if (!startScpi) return;
        ASSERT_EQ(remote->StartScpi(true), "");
        port = remote->Scpi().Port();
    }
    // Runs body on a thread of its own, as a test controller would, while
    // the GUI thread serves (and runs the sequence list's modal loop).
    void Script(const std::function<void()>& body) {
        std::atomic<bool> done{false};
        std::thread script([&] {
            body();
            done = true;
        });
        const bool finished = WaitUntil([&] { return done.load(); }, 180000);
        script.join();
        ASSERT_TRUE(finished);
    }
    // Every error of the connection's queue, oldest first.
    static std::vector<std::string> Errors(TScpiClient& c) {
        std::vector<std::string> errors;
        for (std::string e = c.Query("SYST:ERR?"); !e.empty() && e != "0,\"No error\""; e = c.Query("SYST:ERR?"))
            errors.push_back(e);
        return errors;
    }
    static std::string Code(const std::string& error) { return error.substr(0, error.find(',')); }
    int SetsOnWire(int att) const {
        int c = 0;
        for (const auto& l : sim.Lines(simIndex[att])) c += l.line.rfind("ATT ", 0) == 0;
        return c;
    }

    std::unique_ptr<TRemoteAccess> remote;
    int port = 0;
};
