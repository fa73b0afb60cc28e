#include "remote/ScpiServer.h"

#include "remote/ScpiConnection.h"
#include "remote/ScpiStatus.h"

#include <QTcpSocket>
#include <QTimer>

TScpiServer::TScpiServer(TRemoteCore& core, QObject* parent) : QObject(parent), core_(core) {
    connect(&server_, &QTcpServer::newConnection, this, &TScpiServer::Incoming);
}

TScpiServer::~TScpiServer() {
    server_.close();
    // The connections are children of this object and go with it.
}

std::string TScpiServer::Start(const TScpiSettings& settings, bool anyPort) {
    settings_ = settings;
    if (settings.Port == 0 && !anyPort) return {};
    const QHostAddress address(QString::fromStdString(settings.Address));
    const quint16 port = anyPort ? 0 : static_cast<quint16>(settings.Port);
    if (server_.listen(address, port)) return {};
    return "The SCPI server cannot listen on " + settings.Address + " port " + std::to_string(settings.Port) + " (" +
           server_.errorString().toStdString() + "); the program runs without it.";
}

void TScpiServer::Incoming() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        const std::string peer = socket->peerAddress().toString().toStdString();
        if (!ScpiClientAllowed(settings_, socket->peerAddress())) {
            if (refusalLog_) refusalLog_("SCPI client " + peer + " refused: not an allowed client");
            // Closed at once: nothing of it is read.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (connections_ >= MaxConnections) {
            if (refusalLog_)
                refusalLog_("SCPI client " + peer + " refused: " + std::to_string(MaxConnections) + " connections already");
            Refuse(socket);
            continue;
        }
        ++connections_;
        // Deletes itself when its client goes; the server's end takes the rest.
        auto* connection = new TScpiConnection(socket, core_, [this] { --connections_; });
        connection->setParent(this);
    }
}

void TScpiServer::Refuse(QTcpSocket* socket) {
    socket->setParent(this);
    const std::string line = "-200," + ScpiQuoted(ScpiErrorText(-200) + "; the bench takes at most " +
                                                  std::to_string(MaxConnections) + " connections at once") + "\n";
    socket->write(line.data(), static_cast<qint64>(line.size()));
    socket->disconnectFromHost();
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    // A client that never takes the line is not waited for long.
    QTimer::singleShot(RefusedLingerMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
}
