#pragma once
// The simulated calculators behind a network adapter: each datagram holding
// one request frame is answered with one datagram to its sender. The faults
// of the responder apply, except line noise and the pacing of a serial line:
// a datagram carries its own checksum, so noise on a line never reaches the
// client as part of one. (Corruption does: it stands for an adapter that
// relays what its serial side received.) With spoofing on, a forged answer
// from another port of the same host precedes each answer.

#include "SimResponder.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

class QUdpSocket;

namespace omi {

class SimUdp : public QObject {
    Q_OBJECT
public:
    explicit SimUdp(SimResponder& responder, QObject* parent = nullptr);
    ~SimUdp() override;

    // Binds the socket; port 0 picks a free port. Empty text on success.
    QString Bind(const QHostAddress& host, quint16 port);
    void Close();

    QHostAddress LocalAddress() const;
    quint16 LocalPort() const;

Q_SIGNALS:
    // The answer that reached the hang-up count has been sent.
    void HangupDue();

private:
    void readDatagrams();
    void send(const QByteArray& bytes, const QHostAddress& to, quint16 port);

    SimResponder& responder_;
    QUdpSocket* socket_ = nullptr;
    QUdpSocket* spoofer_ = nullptr;
    bool hangupSignalled_ = false;
};

}  // namespace omi
