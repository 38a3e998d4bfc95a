#include "SimUdp.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

namespace omi {

SimUdp::SimUdp(SimResponder& responder, QObject* parent) : QObject(parent), responder_(responder) {}

SimUdp::~SimUdp() = default;

QString SimUdp::Bind(const QHostAddress& host, quint16 port) {
    Close();
    socket_ = new QUdpSocket(this);
    if (!socket_->bind(host, port)) {
        const QString text = QStringLiteral("не могу открыть UDP-порт %1:%2: %3")
                                 .arg(host.toString())
                                 .arg(port)
                                 .arg(socket_->errorString());
        Close();
        return text;
    }
    connect(socket_, &QUdpSocket::readyRead, this, &SimUdp::readDatagrams);
    return {};
}

void SimUdp::Close() {
    delete socket_;
    socket_ = nullptr;
    delete spoofer_;
    spoofer_ = nullptr;
}

QHostAddress SimUdp::LocalAddress() const { return socket_ ? socket_->localAddress() : QHostAddress(); }

quint16 SimUdp::LocalPort() const { return socket_ ? socket_->localPort() : 0; }

void SimUdp::readDatagrams() {
    while (socket_ && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_->receiveDatagram();
        const Frame request = StringToFrame(datagram.data());
        if (!IsWholeFrame(request) || responder_.HangupReached()) continue;
        auto answer = responder_.Respond(request);
        if (!answer) continue;
        const QByteArray bytes = FrameToString(*answer);
        const QHostAddress to = datagram.senderAddress();
        const quint16 port = static_cast<quint16>(datagram.senderPort());
        const int delay = responder_.AnswerDelayMs();
        if (delay > 0)
            QTimer::singleShot(delay, Qt::PreciseTimer, this, [this, bytes, to, port] { send(bytes, to, port); });
        else
            send(bytes, to, port);
    }
}

void SimUdp::send(const QByteArray& bytes, const QHostAddress& to, quint16 port) {
    if (!socket_) return;
    if (responder_.Faults().spoof) {
        // Another sender on the network: same host, another port, first.
        if (!spoofer_) {
            spoofer_ = new QUdpSocket(this);
            spoofer_->bind(socket_->localAddress(), 0);
        }
        spoofer_->writeDatagram(FrameToString(SimResponder::Forged(StringToFrame(bytes))), to, port);
    }
    socket_->writeDatagram(bytes, to, port);
    if (responder_.HangupReached() && !hangupSignalled_) {
        hangupSignalled_ = true;
        QTimer::singleShot(0, this, &SimUdp::HangupDue);
    }
}

}  // namespace omi

