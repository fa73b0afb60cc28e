#include "remote/ScpiConnection.h"

#include <QTcpSocket>
#include <QTimer>

TScpiConnection::TScpiConnection(QTcpSocket* socket, TRemoteCore& core, std::function<void()> onClosed)
    : socket_(socket),
      session_(core,
               [this](const std::string& response) {
                   if (socket_->state() == QAbstractSocket::ConnectedState)
                       socket_->write(response.data(), static_cast<qint64>(response.size()));
               }),
      onClosed_(std::move(onClosed)) {
    socket_->setParent(this);
    // Qt stops taking bytes from the system once this much waits unread, so
    // a client that floods the connection fills its own send buffer instead.
    socket_->setReadBufferSize(ReadBuffer);
    connect(socket_, &QTcpSocket::readyRead, this, &TScpiConnection::Pump);
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
        if (socket_->bytesToWrite() < MaxUnsent / 2) Pump();
    });
    connect(socket_, &QTcpSocket::disconnected, this, &TScpiConnection::Closed);
    connect(socket_, &QTcpSocket::errorOccurred, this, &TScpiConnection::Closed);
    session_.SetOnResume([this] { Pump(); });
    Pump();
}

TScpiConnection::~TScpiConnection() {
    // The socket goes after the session: nothing of it may reach this object.
    disconnect(socket_, nullptr, this, nullptr);
}

void TScpiConnection::Closed() {
    if (!onClosed_) return;
    auto closed = std::move(onClosed_);
    onClosed_ = nullptr;
    socket_->abort();
    closed();
    deleteLater();
}

void TScpiConnection::Pump() {
    if (pumping_ || !onClosed_) return;
    pumping_ = true;
    for (int lines = 0;;) {
        // A waiting *OPC? gives way to a new line; any other wait holds it.
        if (session_.WaitingQuery() && (!in_.isEmpty() || socket_->bytesAvailable() > 0)) session_.Interrupt();
        if (session_.Waiting() || socket_->bytesToWrite() > MaxUnsent) break;
        if (lines == LinesPerTurn) {
            // The rest on a later turn, so that the GUI thread stays free.
            if (!pumpPosted_) {
                pumpPosted_ = true;
                QTimer::singleShot(0, this, [this] {
                    pumpPosted_ = false;
                    Pump();
                });
            }
            break;
        }
        if (!TakeLine()) break;
        ++lines;
    }
    pumping_ = false;
}

bool TScpiConnection::TakeLine() {
    // Taken with read(), never only from Qt's buffer: that is what lets the
    // socket take more from the system once its limited buffer was full.
    if (in_.size() < ReadBuffer) in_.append(socket_->read(ReadBuffer - in_.size()));
    const qsizetype lf = in_.indexOf('\n');
    if (discarding_) {
        // The rest of an overlong line, up to its LF.
        in_.remove(0, lf < 0 ? in_.size() : lf + 1);
        discarding_ = lf < 0;
        return lf >= 0;
    }
    if (lf < 0) {
        if (in_.size() <= static_cast<qsizetype>(MaxLine) + 1) return false;  // CR LF may follow
        session_.Overrun(MaxLine);
        in_.clear();
        discarding_ = true;
        return true;
    }
    qsizetype length = lf;
    if (length > 0 && in_[length - 1] == '\r') --length;
    if (length > static_cast<qsizetype>(MaxLine)) session_.Overrun(MaxLine);
    else session_.Line(std::string_view(in_.constData(), static_cast<std::size_t>(length)));
    in_.remove(0, lf + 1);
    return true;
}
