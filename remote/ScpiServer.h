#pragma once
// The SCPI server: plain lines over TCP (port 5025 by default), event-driven
// on the GUI thread. Only 127.0.0.1, ::1 and the listed clients may
// connect; any other connection is closed at once and nothing of it is
// read. At most 8 connections at once: a ninth gets one error line and is
// closed. Every connection has a TScpiSession of its own.

#include "remote/RemoteCore.h"
#include "remote/ScpiSettings.h"

#include <QObject>
#include <QTcpServer>

#include <functional>
#include <string>

class TScpiConnection;

class TScpiServer : public QObject {
public:
    static constexpr int MaxConnections = 8;
    static constexpr int RefusedLingerMs = 1000;  // a ninth connection's error line, then it is closed

    explicit TScpiServer(TRemoteCore& core, QObject* parent = nullptr);
    ~TScpiServer() override;

    // Listens as the settings say (port 0: not at all, without a word).
    // anyPort, for tests only, takes a free port that the system picks.
    // Returns the problem for the operator, or "" when listening or off.
    std::string Start(const TScpiSettings& settings, bool anyPort = false);
    bool Listening() const { return server_.isListening(); }
    quint16 Port() const { return server_.serverPort(); }
    int Connections() const { return connections_; }
    // Told of every connection refused (not an allowed client, or one too
    // many), in a line for a log.
    void SetRefusalLog(std::function<void(const std::string&)> log) { refusalLog_ = std::move(log); }

private:
    void Incoming();
    void Refuse(QTcpSocket* socket);

    TRemoteCore& core_;
    TScpiSettings settings_;
    QTcpServer server_;
    int connections_ = 0;
    std::function<void(const std::string&)> refusalLog_;
};
