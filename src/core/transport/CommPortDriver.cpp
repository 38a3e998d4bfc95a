#include "transport/CommPortDriver.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <array>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace omi {

namespace {

constexpr std::uint32_t kMinBuf = 128;
constexpr std::uint32_t kMaxBuf = 8192;
constexpr std::uint16_t kMinPollingDelay = 5;

constexpr std::array<std::uint32_t, 16> kBaudValues = {
    0, 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

QSerialPort::DataBits toQt(TCommPortDriver::TDataBits bits) {
    switch (bits) {
    case TCommPortDriver::db5BITS: return QSerialPort::Data5;
    case TCommPortDriver::db6BITS: return QSerialPort::Data6;
    case TCommPortDriver::db7BITS: return QSerialPort::Data7;
    case TCommPortDriver::db8BITS: break;
    }
    return QSerialPort::Data8;
}

QSerialPort::Parity toQt(TCommPortDriver::TParity parity) {
    switch (parity) {
    case TCommPortDriver::ptODD: return QSerialPort::OddParity;
    case TCommPortDriver::ptEVEN: return QSerialPort::EvenParity;
    case TCommPortDriver::ptMARK: return QSerialPort::MarkParity;
    case TCommPortDriver::ptSPACE: return QSerialPort::SpaceParity;
    case TCommPortDriver::ptNONE: break;
    }
    return QSerialPort::NoParity;
}

// 1.5 stop bits exist only with 5-bit characters. Windows refuses the other
// combinations itself; POSIX has no 1.5 setting at all: its "two stop bits"
// flag gives 1.5 with 5-bit characters, so that is used there and the other
// sizes are refused as on Windows.
bool toQt(TCommPortDriver::TStopBits bits, TCommPortDriver::TDataBits dataBits, QSerialPort::StopBits& out) {
    switch (bits) {
    case TCommPortDriver::sb1BITS: out = QSerialPort::OneStop; return true;
    case TCommPortDriver::sb2BITS: out = QSerialPort::TwoStop; return true;
    case TCommPortDriver::sb1HALFBITS:
#ifdef Q_OS_WIN
        out = QSerialPort::OneAndHalfStop;
        return true;
#else
        out = QSerialPort::TwoStop;
        return dataBits == TCommPortDriver::db5BITS;
#endif
    }
    (void)dataBits;
    return false;
}

// A pseudo-terminal slave (what the device simulator and the tests offer)
// always carries 8-bit characters without parity and refuses other sizes;
// such a refusal is no reason to refuse the port.
bool isPseudoTerminal(int fd) {
#ifdef Q_OS_LINUX
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;  // UNIX98 pty slaves
#else
    (void)fd;
    return false;
#endif
}

}  // namespace

TCommPortDriver::TCommPortDriver(QObject* parent)
    : QObject(parent), serial_(new QSerialPort(this)), pollTimer_(new QTimer(this)) {
    portName_ = PortNumberName(port_);
    pollTimer_->setSingleShot(true);
    connect(pollTimer_, &QTimer::timeout, this, &TCommPortDriver::deliverPending);
    connect(serial_, &QSerialPort::readyRead, this, &TCommPortDriver::onReadyRead);
    connect(serial_, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onError(static_cast<int>(error)); });
}

TCommPortDriver::~TCommPortDriver() {
    ClosePort();
    quitWaits();
}

std::uint32_t TCommPortDriver::BaudRateToValue(TBaudRate rate) {
    const auto index = static_cast<std::size_t>(rate);
    return index < kBaudValues.size() ? kBaudValues[index] : 0;
}

QString TCommPortDriver::PortNumberName(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

void TCommPortDriver::SetPort(TPortNumber port) {
    if (IsOpen()) return;
    port_ = port;
    if (port != pnCustom) portName_ = PortNumberName(port);
}

void TCommPortDriver::SetPortName(const QString& name) {
    if (IsOpen()) return;
    port_ = pnCustom;
    portName_ = name;
}

void TCommPortDriver::SetBaudRate(TBaudRate rate) {
    baudRate_ = rate;
    if (rate != brCustom) baudRateValue_ = BaudRateToValue(rate);
    if (IsOpen()) ApplyLineSettings();
}

void TCommPortDriver::SetBaudRateValue(std::uint32_t value) {
    baudRate_ = brCustom;
    baudRateValue_ = value;
    if (IsOpen()) ApplyLineSettings();
}

void TCommPortDriver::SetDataBits(TDataBits bits) {
    dataBits_ = bits;
    if (IsOpen()) ApplyLineSettings();
}

void TCommPortDriver::SetStopBits(TStopBits bits) {
    stopBits_ = bits;
    if (IsOpen()) ApplyLineSettings();
}

void TCommPortDriver::SetParity(TParity parity) {
    parity_ = parity;
    if (IsOpen()) ApplyLineSettings();
}

void TCommPortDriver::SetHwFlow(THwFlowControl flow) {
    hwFlow_ = flow;
    if (IsOpen()) ApplyLineSettings();
}

void TCommPortDriver::SetSwFlow(TSwFlowControl flow) {
    swFlow_ = flow;
    if (IsOpen()) ApplyLineSettings();
}

void TCommPortDriver::SetInBufSize(std::uint32_t size) {
    if (IsOpen()) return;
    inBufSize_ = std::clamp(size, kMinBuf, kMaxBuf);
}

void TCommPortDriver::SetOutBufSize(std::uint32_t size) {
    if (IsOpen()) return;
    outBufSize_ = std::clamp(size, kMinBuf, kMaxBuf);
}

void TCommPortDriver::SetPollingDelay(std::uint16_t ms) {
    ms = std::max(ms, kMinPollingDelay);
    if (ms == pollingDelay_) return;
    pollingDelay_ = ms;
    if (pollTimer_->isActive()) pollTimer_->start(pollingDelay_);
}

bool TCommPortDriver::IsOpen() const { return serial_ && serial_->isOpen(); }

bool TCommPortDriver::OpenPort() {
    if (IsOpen()) return true;
    lossPending_ = false;
    if (portName_.isEmpty()) {
        lastError_ = QStringLiteral("не задано имя порта");
        return false;
    }
    serial_->setPortName(portName_);
    if (!serial_->open(QIODevice::ReadWrite)) {
        lastError_ = serial_->errorString();
        return false;
    }
    // A device node that is still there but hung up (adapter unplugged, the
    // other end of a pseudo-terminal closed) is as good as missing.
    if (deviceGone()) {
        lastError_ = QStringLiteral("устройство отключено");
        serial_->close();
        return false;
    }
#ifdef Q_OS_LINUX
    // USB serial adapters hold received bytes for up to 16 ms unless switched
    // to low latency; ports without the setting (ptys, many drivers) refuse it.
    serial_struct info{};
    if (::ioctl(serial_->handle(), TIOCGSERIAL, &info) == 0 && !(info.flags & ASYNC_LOW_LATENCY)) {
        info.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(serial_->handle(), TIOCSSERIAL, &info);
    }
#endif
    if (!ApplyLineSettings()) {
        serial_->close();
        return false;
    }
    return true;
}

void TCommPortDriver::ClosePort() {
    pollTimer_->stop();
    if (IsOpen()) serial_->close();
    quitWaits();
}

bool TCommPortDriver::ApplyLineSettings() {
    if (!IsOpen()) return false;
    QSerialPort::StopBits stop = QSerialPort::OneStop;
    if (!toQt(stopBits_, dataBits_, stop)) {
        lastError_ = QStringLiteral("1,5 стоповых бита допустимы только при 5 битах данных");
        return false;
    }
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
    if (hwFlow_ == hfRTSCTS)
        flow = QSerialPort::HardwareControl;
    else if (swFlow_ == sfXONXOFF)
        flow = QSerialPort::SoftwareControl;
    const bool pty = isPseudoTerminal(serial_->handle());
    const bool lineOk = baudRateValue_ > 0 && baudRateValue_ <= 0x7FFFFFFFu &&
                        serial_->setBaudRate(static_cast<qint32>(baudRateValue_)) &&
                        (serial_->setDataBits(toQt(dataBits_)) || pty) &&
                        (serial_->setParity(toQt(parity_)) || pty) && serial_->setStopBits(stop) &&
                        serial_->setFlowControl(flow);
    if (!lineOk) {
        lastError_ = baudRateValue_ == 0 ? QStringLiteral("скорость обмена не задана") : serial_->errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    // Both handshakes at once: the port class knows only one of them, so the
    // XON/XOFF flags are added to the terminal settings directly.
    if (hwFlow_ == hfRTSCTS && swFlow_ == sfXONXOFF) {
        termios tio{};
        if (::tcgetattr(serial_->handle(), &tio) == 0) {
            tio.c_iflag |= IXON | IXOFF;
            ::tcsetattr(serial_->handle(), TCSANOW, &tio);
        }
    }
#endif
    // Modem control lines: a pseudo-terminal has none, so failures here are
    // not failures of the port.
    serial_->setDataTerminalReady(enableDtrOnOpen_);
    if (hwFlow_ != hfRTSCTS) serial_->setRequestToSend(hwFlow_ == hfNONERTSON);
    return PurgeBuffers(true, true);
}

bool TCommPortDriver::PurgeBuffers(bool input, bool output) {
    if (!IsOpen() || (!input && !output)) return false;
    QSerialPort::Directions directions;
    if (input) directions |= QSerialPort::Input;
    if (output) directions |= QSerialPort::Output;
    return serial_->clear(directions);
}

std::uint32_t TCommPortDriver::RxCount() const {
    if (!IsOpen()) return 65535;
    return static_cast<std::uint32_t>(serial_->bytesAvailable());
}

int TCommPortDriver::TxFree() const {
    if (!IsOpen()) return -1;
    const qint64 free = static_cast<qint64>(outBufSize_) - serial_->bytesToWrite();
    return static_cast<int>(std::max<qint64>(free, 0));
}

int TCommPortDriver::ModemLines() const {
    if (!IsOpen()) return 0;
    const QSerialPort::PinoutSignals pins = serial_->pinoutSignals();
    int lines = 0;
    if (pins & QSerialPort::ClearToSendSignal) lines |= mlCTS;
    if (pins & QSerialPort::DataSetReadySignal) lines |= mlDSR;
    if (pins & QSerialPort::RingIndicatorSignal) lines |= mlRING;
    if (pins & QSerialPort::DataCarrierDetectSignal) lines |= mlCD;
    return lines;
}

void TCommPortDriver::ResumePolling() {
    if (suspend_ > 0) --suspend_;
    // Bytes left over from a blocking read go to the receive event as if they
    // had just arrived.
    if (suspend_ == 0 && IsOpen() && serial_->bytesAvailable() > 0 && !pollTimer_->isActive())
        pollTimer_->start(pollingDelay_);
}

std::int64_t TCommPortDriver::WriteBytes(const char* data, std::int64_t count) {
    if (!IsOpen() || !data || count <= 0) return 0;
    QPointer<TCommPortDriver> self(this);
    std::int64_t total = 0;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    while (total < count && IsOpen()) {
        const int free = TxFree();
        if (free > 0) {
            if (checkLineStatus_ && ModemLines() == 0) break;
            const qint64 n = serial_->write(data + total, std::min<qint64>(count - total, free));
            if (n < 0) break;
            if (n > 0) {
                total += n;
                sinceProgress.restart();
                // Hand the bytes to the device now rather than at the next
                // event-loop pass, so the transmission overlaps what follows.
                serial_->flush();
                if (!self) return total;
                continue;
            }
        }
        const qint64 left = outputTimeout_ - sinceProgress.elapsed();
        if (left <= 0) break;
        if (!waitEvent(WaitFor::Write, static_cast<int>(left))) return total;
    }
    return total;
}

bool TCommPortDriver::WriteByte(std::uint8_t byte) {
    const char c = static_cast<char>(byte);
    return WriteBytes(&c, 1) == 1;
}

bool TCommPortDriver::WriteText(const QByteArray& text) {
    return WriteBytes(text.constData(), text.size()) == text.size();
}

std::int64_t TCommPortDriver::ReadBytes(char* buffer, std::int64_t count) {
    if (!IsOpen() || !buffer || count <= 0) return 0;
    QPointer<TCommPortDriver> self(this);
    SuspendPolling();
    std::int64_t total = 0;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    while (total < count && IsOpen()) {
        const qint64 n = serial_->read(buffer + total, count - total);
        if (n < 0) break;
        if (n > 0) {
            total += n;
            sinceProgress.restart();
            continue;
        }
        const qint64 left = static_cast<qint64>(inputTimeout_) - sinceProgress.elapsed();
        if (left <= 0) break;
        if (!waitEvent(WaitFor::Read, static_cast<int>(std::min<qint64>(left, INT32_MAX)))) return total;
    }
    ResumePolling();
    return total;
}

void TCommPortDriver::WaitReadable(int ms) {
    if (!IsOpen() || serial_->bytesAvailable() > 0) return;
    waitEvent(WaitFor::Read, ms);
}

bool TCommPortDriver::waitEvent(WaitFor what, int ms) {
    QPointer<TCommPortDriver> self(this);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (what == WaitFor::Read)
        connect(serial_, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
    else
        connect(serial_, &QSerialPort::bytesWritten, &loop, &QEventLoop::quit);
    waits_.push_back(&loop);
    timer.start(ms);
    loop.exec();
    if (!self) return false;
    waits_.erase(std::remove(waits_.begin(), waits_.end(), &loop), waits_.end());
    return true;
}

void TCommPortDriver::quitWaits() {
    for (QEventLoop* loop : waits_) loop->quit();
}

void TCommPortDriver::onReadyRead() {
    if (suspend_ == 0 && !pollTimer_->isActive()) pollTimer_->start(pollingDelay_);
}

void TCommPortDriver::deliverPending() {
    if (!IsOpen() || suspend_ > 0) return;
    const QByteArray data = serial_->read(inBufSize_);
    if (serial_->bytesAvailable() > 0) pollTimer_->start(pollingDelay_);
    if (!data.isEmpty()) Q_EMIT ReceiveData(data);
}

bool TCommPortDriver::deviceGone() const {
#ifdef Q_OS_UNIX
    pollfd p{serial_->handle(), POLLIN | POLLOUT, 0};
    if (::poll(&p, 1, 0) < 0) return false;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    return false;
#endif
}

void TCommPortDriver::onError(int error) {
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
    if (!IsOpen() || lossPending_) return;
#ifdef Q_OS_UNIX
    // A full output queue is reported as a resource error too; only a device
    // that has really gone (hung up) ends the session.
    if (!deviceGone()) return;
#else
    if (error != QSerialPort::ResourceError) return;
#endif
    lossPending_ = true;
    lastError_ = serial_->errorString();
    // The error is raised from inside the port's own notifier: close once
    // control is back in the event loop (a nested wait runs one too).
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!lossPending_) return;
            lossPending_ = false;
            if (!IsOpen()) return;
            ClosePort();
            Q_EMIT PortLost();
        },
        Qt::QueuedConnection);
}

}  // namespace omi
