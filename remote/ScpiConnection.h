#pragma once
// One client of the SCPI server: reads its lines from the socket as the
// session can take them and writes the session's responses back. Bounded
// whatever the client does: a line longer than 4096 bytes is an error and
// is dropped; a client that does not read its responses is not read from
// either until they have gone out; a waiting command leaves the later
// lines in the socket; one turn of the event loop handles a bounded number
// of lines. Deletes itself when the client goes.

#include "remote/ScpiSession.h"

#include <QByteArray>
#include <QObject>

class QTcpSocket;

class TScpiConnection : public QObject {
public:
    static constexpr std::size_t MaxLine = 4096;
    static constexpr qint64 ReadBuffer = 16 * 1024;    // taken from the socket ahead of the session
    static constexpr qint64 MaxUnsent = 64 * 1024;     // responses waiting to go out
    static constexpr int LinesPerTurn = 32;

    // Takes the socket; onClosed is called once, just before it deletes itself.
    TScpiConnection(QTcpSocket* socket, TRemoteCore& core, std::function<void()> onClosed);
    ~TScpiConnection() override;

private:
    void Pump();
    bool TakeLine();
    void Closed();

    QTcpSocket* socket_;
    TScpiSession session_;
    std::function<void()> onClosed_;
    QByteArray in_;            // read from the socket, not yet taken as lines
    bool discarding_ = false;  // the rest of an overlong line
    bool pumping_ = false;
    bool pumpPosted_ = false;
};
