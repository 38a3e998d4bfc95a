#include "connection/Connection.h"

#include "families/DeviceFamily.h"

namespace omi {

Connection::Connection(QObject* parent)
    : QObject(parent), port_(new TCommPortDriver(this)), engine_(new ExchangeEngine(port_, this)) {}

Connection::~Connection() {
    // The engine holds the port; it goes first.
    delete engine_;
    delete port_;
}

void Connection::SetDevice(int serial, int type) {
    const DeviceAddress next{serial, type};
    if (next == address_) return;
    address_ = next;
    Q_EMIT DeviceChanged();
}

const DeviceModel* Connection::Model() const { return DescriptorOf(address_.type); }

const DeviceFamily* Connection::Family() const { return FamilyFor(address_.type); }

}  // namespace omi
