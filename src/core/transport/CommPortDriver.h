#pragma once
// The serial port component: a blocking, event-driven read and write on top of
// QSerialPort, with the published properties of the tool's port object, and a
// receive event for the asynchronous path (modem page, debug terminal).
//
// Reads never sleep-and-poll: ReadBytes waits inside a nested event loop that
// wakes on readyRead or on its timeout, so the window stays responsive and the
// CPU stays idle while the line is quiet.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

class QEventLoop;
class QSerialPort;
class QTimer;

namespace omi {

// The line as the program sees it: free, a modem dialling, or a modem
// connection up (then the modem's own words may come between answers).
enum class LineState { Connected = 0, Free = 1, Dialling = 2 };

class TCommPortDriver : public QObject {
    Q_OBJECT
public:
    enum TPortNumber { pnCustom, pnCOM1, pnCOM2, pnCOM3, pnCOM4, pnCOM5, pnCOM6, pnCOM7, pnCOM8,
                       pnCOM9, pnCOM10, pnCOM11, pnCOM12, pnCOM13, pnCOM14, pnCOM15, pnCOM16 };
    enum TBaudRate { brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200,
                     br38400, br56000, br57600, br115200, br128000, br256000 };
    enum TDataBits { db5BITS, db6BITS, db7BITS, db8BITS };
    enum TStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
    enum TParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
    enum THwFlowControl { hfNONE, hfNONERTSON, hfRTSCTS };
    enum TSwFlowControl { sfNONE, sfXONXOFF };
    enum ModemLine { mlCTS = 1, mlDSR = 2, mlRING = 4, mlCD = 8 };

    explicit TCommPortDriver(QObject* parent = nullptr);
    ~TCommPortDriver() override;

    // Bit/s of a symbolic speed (0 for brCustom).
    static std::uint32_t BaudRateToValue(TBaudRate rate);

    // Device path of a numbered port: "\\.\COMn" on Windows, /dev/ttyS<n-1>
    // elsewhere.
    static QString PortNumberName(int number);

    TPortNumber Port() const { return port_; }
    void SetPort(TPortNumber port);          // ignored while open
    QString PortName() const { return portName_; }
    void SetPortName(const QString& name);   // ignored while open; Port becomes pnCustom
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate rate);
    std::uint32_t BaudRateValue() const { return baudRateValue_; }
    void SetBaudRateValue(std::uint32_t value);  // BaudRate becomes brCustom
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits bits);
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits bits);
    TParity Parity() const { return parity_; }
    void SetParity(TParity parity);
    THwFlowControl HwFlow() const { return hwFlow_; }
    void SetHwFlow(THwFlowControl flow);
    TSwFlowControl SwFlow() const { return swFlow_; }
    void SetSwFlow(TSwFlowControl flow);
    std::uint32_t InBufSize() const { return inBufSize_; }
    void SetInBufSize(std::uint32_t size);   // ignored while open; clamped to 128..8192
    std::uint32_t OutBufSize() const { return outBufSize_; }
    void SetOutBufSize(std::uint32_t size);  // ignored while open; clamped to 128..8192
    std::uint16_t PollingDelay() const { return pollingDelay_; }
    void SetPollingDelay(std::uint16_t ms);  // at least 5
    bool EnableDTROnOpen() const { return enableDtrOnOpen_; }
    void SetEnableDTROnOpen(bool on) { enableDtrOnOpen_ = on; }
    std::uint16_t OutputTimeout() const { return outputTimeout_; }
    void SetOutputTimeout(std::uint16_t ms) { outputTimeout_ = ms; }
    std::uint32_t InputTimeout() const { return inputTimeout_; }
    // The modem state of the line this port serves.
    omi::LineState LineState() const { return lineState_; }
    void SetLineState(omi::LineState state) { lineState_ = state; }
    void SetInputTimeout(std::uint32_t ms) { inputTimeout_ = ms; }
    bool CheckLineStatus() const { return checkLineStatus_; }
    void SetCheckLineStatus(bool on) { checkLineStatus_ = on; }
    // XON/XOFF thresholds used by the line settings: InBufSize / 4.
    std::uint32_t XonXoffLimit() const { return inBufSize_ / 4; }

    bool OpenPort();
    void ClosePort();
    bool IsOpen() const;
    bool ApplyLineSettings();
    bool PurgeBuffers(bool input, bool output);
    std::uint32_t RxCount() const;   // 65535 when closed
    int TxFree() const;              // -1 when closed
    int ModemLines() const;          // set of ModemLine bits; 0 when closed
    void SuspendPolling() { ++suspend_; }
    void ResumePolling();
    bool PollingSuspended() const { return suspend_ > 0; }

    std::int64_t WriteBytes(const char* data, std::int64_t count);
    bool WriteByte(std::uint8_t byte);
    bool WriteText(const QByteArray& text);
    // Blocking read of up to count bytes; the InputTimeout restarts with every
    // chunk received. Returns the number of bytes read.
    std::int64_t ReadBytes(char* buffer, std::int64_t count);
    // Waits (processing events) until received bytes are waiting or ms have
    // passed; returns at once when bytes are already there.
    void WaitReadable(int ms);

    // Text of the last open or I/O failure (for traces).
    QString LastError() const { return lastError_; }

Q_SIGNALS:
    // The receive event: bytes that arrived while polling was not suspended,
    // gathered for PollingDelay ms; at most InBufSize bytes per event.
    void ReceiveData(const QByteArray& data);
    // The port was closed because its device failed (unplugged adapter, pty
    // master gone).
    void PortLost();

private:
    enum class WaitFor { Read, Write };

    void onReadyRead();
    void deliverPending();
    void onError(int error);
    bool deviceGone() const;
    void quitWaits();
    // One nested event-loop wait: until data arrives (Read) or bytes leave
    // (Write), the port closes, or ms pass. False when the driver was
    // destroyed during the wait (then no member may be touched).
    bool waitEvent(WaitFor what, int ms);

    QSerialPort* serial_ = nullptr;
    TPortNumber port_ = pnCOM2;
    QString portName_;
    TBaudRate baudRate_ = br9600;
    std::uint32_t baudRateValue_ = 9600;
    TDataBits dataBits_ = db8BITS;
    TStopBits stopBits_ = sb1BITS;
    TParity parity_ = ptNONE;
    THwFlowControl hwFlow_ = hfNONERTSON;
    TSwFlowControl swFlow_ = sfNONE;
    std::uint32_t inBufSize_ = 2048;
    std::uint32_t outBufSize_ = 2048;
    std::uint16_t pollingDelay_ = 50;
    bool enableDtrOnOpen_ = true;
    std::uint16_t outputTimeout_ = 500;
    std::uint32_t inputTimeout_ = 200;
    omi::LineState lineState_ = omi::LineState::Free;
    bool checkLineStatus_ = false;
    int suspend_ = 0;
    QString lastError_;
    QTimer* pollTimer_ = nullptr;        // single shot: gathers bytes for ReceiveData
    std::vector<QEventLoop*> waits_;     // nested waits running on this port
    bool lossPending_ = false;           // the device failed; closing is queued
};

}  // namespace omi
