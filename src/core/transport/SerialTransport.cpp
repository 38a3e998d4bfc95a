#include "transport/SerialTransport.h"

#include "families/DeviceFamily.h"
#include "transport/Modem.h"

namespace omi {

namespace {
QString threeDigits(const QByteArray& bytes) {
    QString s;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i) s += QLatin1Char('|');
        s += QStringLiteral("%1").arg(static_cast<std::uint8_t>(bytes[i]), 3, 10, QLatin1Char('0'));
    }
    return s;
}

bool isTypeCandidate(std::uint8_t b) { return b == 0 || DescriptorOf(b) != nullptr; }
}  // namespace

void SerialTransport::trace(const QString& text) {
    if (trace_) trace_->Append(text);
}

bool SerialTransport::traceVisible() const { return trace_ && trace_->Visible(); }

bool SerialTransport::ExchangeWith(const Frame& requestIn, Frame& response, const ExchangeOptions& options) {
    const Frame request = requestIn;  // the caller may pass the same object as response
    const QByteArray out = FrameToString(request);
    const int command = request.size() > 4 ? request[4] : -1;
    if (!port_ || !port_->OpenPort()) return false;
    // Bytes of the answer belong to the blocking read, not to the receive event.
    port_->SuspendPolling();
    // What is waiting before the request goes out answers nothing of this
    // exchange: the late answer to an earlier one, read now, would be taken
    // for this answer and shift every exchange after it by one. (Between
    // attempts nothing is discarded: a late answer to this request is good.)
    // Over a modem line what is waiting may be the modem's word that the
    // carrier was lost after the last answer: then nothing can be reached.
    if (port_->LineState() == LineState::Connected) {
        const std::uint32_t waiting = port_->RxCount();
        if (waiting > 0 && waiting != 65535) {
            QByteArray text(static_cast<qsizetype>(waiting), '\0');
            const std::int64_t n = port_->ReadBytes(text.data(), text.size());
            if (n > 0 && NoteModemText(text.left(n))) {
                port_->ResumePolling();
                return false;
            }
        }
    }
    port_->PurgeBuffers(true, false);
    QPointer<TCommPortDriver> port = port_;
    bool result = false;
    QByteArray r;
    const QByteArray broadcast = FrameToString(kBroadcastNoTu);
    const auto accepted = [&options](const QByteArray& bytes) {
        return !options.accept || options.accept(StringToFrame(bytes));
    };
    std::int64_t sent = 0;
    for (int attempt = 1; attempt <= kAttempts && port && port->IsOpen(); ++attempt) {
        // A request sent once: the later attempts only read on.
        if (attempt == 1 || !options.once) {
            if (traceVisible()) trace(QStringLiteral("ЗАПРОС=") + FrameToDecimal(request));
            sent = port->WriteBytes(out.constData(), out.size());
            // The pause before reading the answer ends early when the answer
            // has begun to arrive: on a fast line a fixed 10 ms would cost
            // more than the whole exchange, and reading sooner changes
            // nothing on the line.
            port->WaitReadable(kPauseMs);
            if (!port) break;
        }
        r.clear();
        qsizetype received = 0;
        bool read = ReadResponse(r, &received);
        // A line that echoes what is sent returns the broadcast request first;
        // it is not an answer (no device has type 0), the answer follows it.
        if (read && r == broadcast) {
            r.clear();
            read = ReadResponse(r, &received);
        }
        // A whole frame with a right check byte that answers another command
        // is the late answer of an earlier exchange that came after the purge
        // (a slow device answering a repeated request twice): not this answer,
        // which may still follow it within this attempt.
        for (int stale = 0; read && command > 0 && isStaleAnswer(r, command) && stale < kAttempts; ++stale) {
            if (traceVisible()) trace(QStringLiteral("ЧУЖОЙ ОТВЕТ ") + threeDigits(r) + QStringLiteral("\r\n"));
            r.clear();
            read = ReadResponse(r, &received);
        }
        // Over a modem line the modem itself may speak: a lost carrier ends
        // the session, and no attempt can reach the device any more.
        if (NoteModemText(r)) {
            r.clear();
            break;
        }
        trace(QStringLiteral("length(r)=") + QString::number(r.size()) + QLatin1Char(';'));
        if (traceVisible()) trace(QStringLiteral(" ОТВЕТ=") + threeDigits(r) + QStringLiteral("\r\n"));
        if (read && sent == out.size() && accepted(r)) {
            result = true;
            break;
        }
        // Only the bytes that came: the zeros standing in for the missing
        // ones would complete a frame that lost a zero byte (its sum is
        // unchanged) and pass its check byte.
        bool refused = read;  // a whole frame came, and it is not this answer
        r = FindFrame(r.left(received), AddressOf(request), command);
        if (r.size() >= kMinFrame && r != broadcast) {
            if (accepted(r)) {
                if (traceVisible()) trace(QStringLiteral("ЕСТЬ ") + threeDigits(r));
                result = true;
                break;
            }
            refused = true;
        }
        if (traceVisible()) trace(QStringLiteral("НЕТ В мУСОРЕ\r\n"));
        // The one answer to a request sent once has come, spoilt: no other
        // will follow.
        if (options.once && refused) break;
    }
    if (port) port->ResumePolling();
    if (result) response = StringToFrame(r);
    return result;
}

bool SerialTransport::NoteModemText(const QByteArray& data) {
    // Over a modem line, the modem's own word that the carrier is gone frees
    // the line (the text may come in pieces).
    if (!port_ || port_->LineState() != LineState::Connected) return false;
    modemTail_ = (modemTail_ + data).right(32);
    if (!modemTail_.contains("NO CARRIER")) return false;
    modemTail_.clear();
    port_->SetLineState(LineState::Free);
    trace(QStringLiteral("НЕТ НЕСУЩЕЙ: связь по модему потеряна\r\n"));
    return true;
}

bool SerialTransport::isStaleAnswer(const QByteArray& r, int command) {
    if (r.size() < kMinFrame) return false;
    const auto* d = reinterpret_cast<const std::uint8_t*>(r.constData());
    return d[4] != command && FrameCheckByte(d, static_cast<std::size_t>(r.size() - 1)) == d[r.size() - 1];
}

bool SerialTransport::ReadResponse(QByteArray& out, qsizetype* received) {
    if (received) *received = 0;
    if (!port_) return false;
    char first = 0;
    if (port_->ReadBytes(&first, 1) != 1) return false;
    const auto b = static_cast<std::uint8_t>(first);
    if (b >= 1 && b <= 5) return false;
    const int length = b == 0 ? 256 : b;
    QByteArray s(length, '\0');
    s[0] = first;
    const std::int64_t got = port_ ? port_->ReadBytes(s.data() + 1, length - 1) : 0;
    out = s;
    if (received) *received = 1 + static_cast<qsizetype>(got);
    return got == length - 1;
}

QByteArray SerialTransport::FindFrame(const QByteArray& s, const DeviceAddress& from, int command) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(s.constData());
    const qsizetype n = s.size();
    for (qsizetype p = 0; p + 5 < n; ++p) {  // positions 1..n-5 counted from 1
        const int b = d[p];
        if (command != 0) {
            if (b < kMinFrame || p + b > n) continue;
            if (FrameCheckByte(d + p, b - 1) != d[p + b - 1]) continue;
            if (d[p + 1] != from.type) continue;
            if ((d[p + 2] | (d[p + 3] << 8)) != from.serial) continue;
            if (d[p + 4] != command) continue;
            return s.mid(p, b);
        }
        if (b != 6 || p + 6 > n) continue;
        if (!isTypeCandidate(d[p + 1]) || d[p + 4] != 0) continue;
        if (FrameCheckByte(d + p, 5) != d[p + 5]) continue;
        return s.mid(p, 6);
    }
    return {};
}

}  // namespace omi
