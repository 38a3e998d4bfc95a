#include "transport/Modem.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <algorithm>

#include "support/Paths.h"
#include "transport/CommPortDriver.h"

namespace omi {

namespace {

enum Column { kName, kTelephone, kPort, kDialling, kCity, kExit, kLongDistance, kColumns };

}  // namespace

QString ConnectionListPath() {
    return DataPath({kDataFolderName, QStringLiteral("МОДЕМ"), QStringLiteral("СОЕДИНЕНИЯ"), QStringLiteral("TXT")});
}

const QStringList& ConnectionListHeadings() {
    static const QStringList headings{QStringLiteral("НАИМЕНОВАНИЕ"), QStringLiteral("ТЕЛЕФОН"),
                                      QStringLiteral("ПОРТ"),         QStringLiteral("ТОН/ИМП"),
                                      QStringLiteral("КОД ГОР"),      QStringLiteral("КОД В ГОР"),
                                      QStringLiteral("КОД МЕЖГОР")};
    return headings;
}

Grid DefaultConnectionList() {
    return {ConnectionListHeadings(),
            {QStringLiteral("ОРВАЛИС"), QStringLiteral("525"), QStringLiteral("COM5"), QStringLiteral("T"), QString(),
             QString(), QString()}};
}

ModemConnection ConnectionOfRow(const QStringList& row) {
    auto cell = [&](int c) { return c < row.size() ? row[c].trimmed() : QString(); };
    ModemConnection c;
    c.name = cell(kName);
    c.telephone = cell(kTelephone);
    c.port = cell(kPort);
    c.tone = cell(kDialling) == QStringLiteral("T");
    c.cityCode = cell(kCity);
    c.exitCode = cell(kExit);
    c.longDistanceCode = cell(kLongDistance);
    return c;
}

QStringList RowOfConnection(const ModemConnection& c) {
    return {c.name, c.telephone, c.port, c.tone ? QStringLiteral("T") : QStringLiteral("P"),
            c.cityCode, c.exitCode, c.longDistanceCode};
}

void StoreConnection(Grid& list, const ModemConnection& c) {
    if (list.isEmpty()) list << ConnectionListHeadings();
    bool stored = false;
    for (qsizetype r = 1; r < list.size(); ++r) {
        if (list[r].value(kName) != c.name) continue;
        list[r] = RowOfConnection(c);
        stored = true;
    }
    if (!stored) list << RowOfConnection(c);
    SortGridRows(list, kName, true);
}

void DeleteConnection(Grid& list, const QString& name) {
    for (qsizetype r = list.size() - 1; r >= 1; --r)
        if (list[r].value(kName) == name) list.removeAt(r);
}

QString DialString(const ModemConnection& c) {
    QString s = c.tone ? QStringLiteral("ATDT") : QStringLiteral("ATDP");
    if (!c.exitCode.isEmpty()) s += c.exitCode + QLatin1Char('W');
    if (!c.longDistanceCode.isEmpty() || !c.cityCode.isEmpty())
        s += c.longDistanceCode + QLatin1Char('W') + c.cityCode;
    return s + c.telephone + QLatin1Char('\r');
}

QString ReduceModemReply(const QByteArray& reply, const QString& lastCommand) {
    QByteArray text = reply;
    const QByteArray echo = lastCommand.toLatin1();
    if (!echo.isEmpty()) {
        const qsizetype at = text.indexOf(echo);
        if (at >= 0) text.remove(at, echo.size());
    }
    QString reduced;
    for (const char ch : text)
        if (ch >= 'A' && ch <= 'Z') reduced += QLatin1Char(ch);
    return reduced;
}

DialOutcome JudgeDialReply(const QString& reduced) {
    if (reduced.isEmpty()) return DialOutcome::Waiting;
    if (reduced == QStringLiteral("OK") || reduced.contains(QStringLiteral("CONNECT"))) return DialOutcome::Connected;
    return DialOutcome::Failed;
}

QString DialFailureText(const QString& reduced) {
    if (reduced == QStringLiteral("NODIALTONE")) return reduced + QStringLiteral(" (нет гудка)");
    if (reduced == QStringLiteral("NOCARRIER")) return reduced + QStringLiteral(" (нет несущей)");
    if (reduced == QStringLiteral("BUSY")) return reduced + QStringLiteral(" (занято)");
    return reduced;
}

namespace {

// Whatever the modem sends within ms, or until `enough` says the reply is
// complete.
template <typename Enough>
QByteArray collect(TCommPortDriver& port, int ms, Enough enough) {
    QByteArray got;
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        port.WaitReadable(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        const std::uint32_t waiting = port.RxCount();
        if (waiting == 0 || waiting == 65535) continue;
        QByteArray chunk(static_cast<qsizetype>(waiting), '\0');
        const std::int64_t n = port.ReadBytes(chunk.data(), chunk.size());
        if (n <= 0) break;
        got += chunk.left(n);
        if (enough(got)) break;
    }
    return got;
}

}  // namespace

bool DialModem(TCommPortDriver& port, const ModemConnection& c, int timeoutMs, QString* text) {
    auto fail = [&](const QString& why) {
        if (text) *text = why;
        port.SetLineState(LineState::Free);
        return false;
    };
    port.SetLineState(LineState::Dialling);
    if (!port.IsOpen() && !port.OpenPort()) return fail(port.PortName() + QStringLiteral(" занят (отсутсвует)"));
    port.SuspendPolling();
    // A lone carriage return ends whatever the modem had on its line.
    port.WriteText(QByteArrayLiteral("\r"));
    collect(port, 300, [](const QByteArray&) { return false; });
    const QString dial = DialString(c);
    port.WriteText(dial.toLatin1());
    QString reduced;
    collect(port, timeoutMs, [&](const QByteArray& got) {
        // A reply is complete with its closing line break.
        if (!got.endsWith('\n')) return false;
        reduced = ReduceModemReply(got, dial);
        return JudgeDialReply(reduced) != DialOutcome::Waiting;
    });
    port.ResumePolling();
    const QString number = QStringLiteral("номер: ") + c.telephone;
    switch (JudgeDialReply(reduced)) {
        case DialOutcome::Connected:
            port.SetLineState(LineState::Connected);
            if (text) *text = c.telephone + QStringLiteral(" НА СВЯЗИ!");
            return true;
        case DialOutcome::Failed:
            port.ClosePort();
            // "НET": the E and T are Latin, as the modem page has always shown it.
            return fail(number + QStringLiteral("-НET СВЯЗИ! ") + DialFailureText(reduced));
        case DialOutcome::Waiting: break;
    }
    port.ClosePort();
    return fail(number + QStringLiteral("-НET СВЯЗИ! модем не ответил"));
}

void HangUpModem(TCommPortDriver& port) {
    if (port.IsOpen() || port.OpenPort()) {
        port.SuspendPolling();
        // The escape needs quiet on both sides of it.
        collect(port, 200, [](const QByteArray&) { return false; });
        port.WriteText(QByteArrayLiteral("+++"));
        collect(port, 1000, [](const QByteArray& got) { return got.contains("OK"); });
        port.WriteText(QByteArrayLiteral("ATH\r"));
        collect(port, 1000, [](const QByteArray& got) { return got.contains("OK"); });
        port.ResumePolling();
    }
    port.ClosePort();
    port.SetLineState(LineState::Free);
}

}  // namespace omi
