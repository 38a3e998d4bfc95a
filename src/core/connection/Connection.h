#pragma once
// One line and the device on it. A connection owns the line's port and
// exchange engine (serial, network, logger replay or imitation), the modem
// state of the line (on its port), the device addressed (number and type,
// hence its model and family), that family's current records, the loaded
// logger file and the archive-reading settings. Every operation that talks to
// a device or decodes its answers is given the connection it works on, so
// that two connections — two lines — can be used at the same time, each from
// the thread it was made in.
#include <QObject>
#include <optional>

#include "archives/ArchiveRange.h"
#include "families/DeviceRecords.h"
#include "logger/LoggerFile.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "transport/CommPortDriver.h"

namespace omi {

struct DeviceModel;
struct DeviceFamily;

class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    TCommPortDriver& Port() { return *port_; }
    ExchangeEngine& Engine() { return *engine_; }
    const ExchangeEngine& Engine() const { return *engine_; }

    // The device addressed; -1/-1 while none is known. Every change of it is
    // announced by DeviceChanged.
    const DeviceAddress& Address() const { return address_; }
    int Type() const { return address_.type; }
    int Serial() const { return address_.serial; }
    void SetDevice(int serial, int type);
    void SetSerial(int serial) { SetDevice(serial, address_.type); }
    void SetType(int type) { SetDevice(address_.serial, type); }
    void ClearDevice() { SetDevice(-1, -1); }
    // The model and family of the device's type; null for none.
    const DeviceModel* Model() const;
    const DeviceFamily* Family() const;

    // The family records of the device (state and configuration).
    DeviceRecords& Records() { return records_; }
    const DeviceRecords& Records() const { return records_; }

    // The modem state of the line.
    omi::LineState LineState() const { return port_->LineState(); }
    void SetLineState(omi::LineState state) { port_->SetLineState(state); }

    // The type the identification reports in imitation mode: 128 at start,
    // afterwards the type last chosen in the device-type box.
    int ImitationType() const { return imitationType_; }
    void SetImitationType(int type) { imitationType_ = type; }

    // The logger file chosen, recognised or loaded for replay on this line.
    LoggerState& Logger() { return logger_; }
    // The archive range, its tolerance and the running read's flag.
    ArchiveReadingState& ArchiveReading() { return archiveReading_; }

    // Requests to the device addressed (protocol/Frame.h).
    std::optional<Frame> BuildFrame(int command, const Frame& data = {}, QString* error = nullptr) const {
        return omi::BuildFrame(address_, command, data, error);
    }
    Frame NoTuRequest() const { return omi::NoTuRequest(address_); }
    // One transaction on the line (ExchangeEngine::Exchange).
    bool Exchange(const Frame& request, Frame& response, const ExchangeOptions& options = {}) {
        return engine_->Exchange(request, response, options);
    }
    // A wait of the line's engine (a pass of the events in logger replay).
    void Pause(int ms) { engine_->Pause(ms); }

Q_SIGNALS:
    void DeviceChanged();

private:
    TCommPortDriver* port_;
    ExchangeEngine* engine_;
    DeviceAddress address_;
    DeviceRecords records_;
    int imitationType_ = 128;
    LoggerState logger_;
    ArchiveReadingState archiveReading_;
};

}  // namespace omi
