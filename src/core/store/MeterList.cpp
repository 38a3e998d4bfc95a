#include "store/MeterList.h"

#include "families/DeviceFamily.h"
#include "protocol/Models.h"

#include <QFile>
#include <QHash>
#include <QSet>

namespace omi {

namespace {

// One CSV line: fields split at sep, a field in double quotes may hold sep
// and doubled quotes.
QStringList splitFields(const QString& line, QChar sep) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            field.clear();
            quoted = true;
        } else if (c == sep) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

const QStringList kColumns{"name", "port", "baud", "line", "udp", "dial", "serial", "type", "archives"};

// "8N1", "7E2", "8N1.5".
bool parseLine(const QString& text, Meter& m) {
    const QString t = text.toUpper();
    if (t.size() < 3) return false;
    const int bits = t[0].digitValue();
    const QChar parity = t[1];
    const QString stop = t.mid(2);
    if (bits < 5 || bits > 8 || !QStringLiteral("NEOMS").contains(parity)) return false;
    if (stop != "1" && stop != "2" && stop != "1.5") return false;
    m.dataBits = bits;
    m.parity = parity;
    m.stopBits = stop == "1.5" ? 15 : stop.toInt();
    return true;
}

bool parseArchives(const QString& text, Meter& m) {
    if (text.isEmpty()) return true;
    m.daily = m.hourly = false;
    QString t = text.toLower();
    t.replace(QLatin1Char('+'), QLatin1Char(' '));
    t.replace(QLatin1Char('/'), QLatin1Char(' '));
    const QStringList words = t.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& w : words) {
        if (w == "daily" || w == "суточный") m.daily = true;
        else if (w == "hourly" || w == "часовой") m.hourly = true;
        else if (w == "both" || w == "все") m.daily = m.hourly = true;
        else return false;
    }
    return m.daily || m.hourly;
}

}  // namespace

QString Meter::LineKey() const {
    return Udp() ? QStringLiteral("udp:%1:%2").arg(udpHost.toLower()).arg(udpPort) : QStringLiteral("port:") + port;
}

QString Meter::LinkText() const {
    if (Udp()) return QStringLiteral("udp %1:%2").arg(udpHost).arg(udpPort);
    QString text = QStringLiteral("%1 %2 %3%4%5")
                       .arg(port)
                       .arg(baud)
                       .arg(dataBits)
                       .arg(parity)
                       .arg(stopBits == 15 ? QStringLiteral("1.5") : QString::number(stopBits));
    if (!dial.isEmpty()) text += QStringLiteral(" тел. ") + dial;
    return text;
}

MeterList ParseMeterList(const QString& text) {
    MeterList list;
    const QStringList lines = text.split(QLatin1Char('\n'));
    int headerLine = -1;
    QChar sep;
    QHash<QString, int> column;
    QHash<QString, int> seen;  // type:serial -> line
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (n == 0 && line.startsWith(QChar(0xFEFF))) line.remove(0, 1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
        const int number = int(n) + 1;
        const auto error = [&](const QString& what) {
            list.errors << QStringLiteral("строка %1: %2").arg(number).arg(what);
        };
        if (headerLine < 0) {
            headerLine = number;
            sep = trimmed.contains(QLatin1Char(';')) ? QLatin1Char(';') : QLatin1Char(',');
            const QStringList names = splitFields(trimmed, sep);
            for (qsizetype i = 0; i < names.size(); ++i) {
                const QString name = names[i].toLower();
                if (!kColumns.contains(name)) {
                    list.fatal = QStringLiteral("строка %1: неизвестный столбец «%2» (известны: %3)")
                                     .arg(number)
                                     .arg(names[i], kColumns.join(QStringLiteral(", ")));
                    return list;
                }
                column.insert(name, int(i));
            }
            if (!column.contains("name") || !column.contains("serial") ||
                (!column.contains("port") && !column.contains("udp"))) {
                list.fatal = QStringLiteral("строка %1: в заголовке нужны столбцы name, serial и port или udp")
                                 .arg(number);
                return list;
            }
            continue;
        }
        const QStringList fields = splitFields(line, sep);
        const auto field = [&](const char* name) {
            const int i = column.value(QLatin1String(name), -1);
            return i >= 0 && i < fields.size() ? fields[i] : QString();
        };
        Meter m;
        m.lineNumber = number;
        m.name = field("name");
        if (m.name.isEmpty()) {
            error(QStringLiteral("нет имени прибора (name)"));
            continue;
        }
        m.port = field("port");
        const QString udp = field("udp");
        if (m.port.isEmpty() == udp.isEmpty()) {
            error(QStringLiteral("укажите одну линию: последовательный порт (port) или UDP (udp)"));
            continue;
        }
        if (!udp.isEmpty()) {
            const qsizetype colon = udp.lastIndexOf(QLatin1Char(':'));
            m.udpHost = colon > 0 ? udp.left(colon) : udp;
            if (colon > 0) {
                bool ok = false;
                const uint port = udp.mid(colon + 1).toUInt(&ok);
                if (!ok || port == 0 || port > 65535) {
                    error(QStringLiteral("неверный порт UDP «%1»").arg(udp.mid(colon + 1)));
                    continue;
                }
                m.udpPort = quint16(port);
            }
        }
        if (!field("baud").isEmpty()) {
            bool ok = false;
            m.baud = field("baud").toInt(&ok);
            if (!ok || m.baud < 50 || m.baud > 4000000) {
                error(QStringLiteral("неверная скорость «%1»").arg(field("baud")));
                continue;
            }
        }
        if (!field("line").isEmpty() && !parseLine(field("line"), m)) {
            error(QStringLiteral("неверные параметры линии «%1» (например 8N1)").arg(field("line")));
            continue;
        }
        m.dial = field("dial");
        if (!m.dial.isEmpty() && m.Udp()) {
            error(QStringLiteral("номер телефона (dial) набирает модем на последовательном порту, не UDP"));
            continue;
        }
        bool ok = false;
        m.serial = field("serial").toInt(&ok);
        if (!ok || m.serial < 1 || m.serial > 65535) {
            error(QStringLiteral("номер прибора должен быть от 1 до 65535: «%1»").arg(field("serial")));
            continue;
        }
        const QString type = field("type");
        if (!type.isEmpty()) {
            bool numeric = false;
            const int code = type.toInt(&numeric);
            m.type = numeric ? code : TypeOfModelName(type);
            if (!DescriptorOf(m.type)) {
                error(QStringLiteral("неизвестный тип прибора «%1»").arg(type));
                continue;
            }
        }
        if (!parseArchives(field("archives"), m)) {
            error(QStringLiteral("неизвестный архив «%1» (daily, hourly)").arg(field("archives")));
            continue;
        }
        const QString key = QStringLiteral("%1:%2").arg(m.type).arg(m.serial);
        if (seen.contains(key)) {
            error(QStringLiteral("прибор № %1 уже есть в строке %2").arg(m.serial).arg(seen.value(key)));
            continue;
        }
        seen.insert(key, number);
        list.meters.push_back(m);
    }
    if (headerLine < 0) list.fatal = QStringLiteral("в списке приборов нет строки заголовка");
    return list;
}

MeterList ReadMeterList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        MeterList list;
        list.fatal = QStringLiteral("не могу открыть список приборов ") + path + QStringLiteral(": ") + file.errorString();
        return list;
    }
    return ParseMeterList(QString::fromUtf8(file.readAll()));
}

}  // namespace omi
