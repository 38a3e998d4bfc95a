#include "store/MeterList.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include "families/DeviceFamily.h"
#include "protocol/Models.h"
#include "support/TextCodec.h"

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

namespace {

bool startsWith(const QByteArray& bytes, std::initializer_list<unsigned char> mark) {
    if (bytes.size() < qsizetype(mark.size())) return false;
    qsizetype i = 0;
    for (const unsigned char b : mark)
        if (static_cast<unsigned char>(bytes[i++]) != b) return false;
    return true;
}

// Strict UTF-8: false for any byte sequence that is not UTF-8 (stray
// continuation bytes, overlong forms, encoded surrogates, a cut sequence).
bool decodeUtf8(const QByteArray& bytes, QString& text) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

bool decodeUtf16(const QByteArray& bytes, bool littleEndian, QString& text) {
    if (bytes.size() % 2 != 0) return false;
    text.resize(bytes.size() / 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        text[i] = QChar(littleEndian ? char16_t(a | (b << 8)) : char16_t((a << 8) | b));
    }
    return QStringView(text).isValidUtf16();
}

const QString kSaveAs = QStringLiteral("; сохраните список в UTF-8 или Windows-1251");

}  // namespace

QString DecodeMeterListBytes(const QByteArray& bytes, QString* error) {
    QString text;
    QString message;
    if (startsWith(bytes, {0xFF, 0xFE, 0x00, 0x00}) || startsWith(bytes, {0x00, 0x00, 0xFE, 0xFF})) {
        message = QStringLiteral("список приборов в кодировке UTF-32, ее программа не читает") + kSaveAs;
    } else if (startsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        if (!decodeUtf8(bytes.mid(3), text))
            message = QStringLiteral("список приборов помечен как UTF-8, но в нем есть байты не UTF-8") + kSaveAs;
    } else if (startsWith(bytes, {0xFF, 0xFE}) || startsWith(bytes, {0xFE, 0xFF})) {
        const bool little = static_cast<unsigned char>(bytes[0]) == 0xFF;
        if (!decodeUtf16(bytes.mid(2), little, text))
            message = QStringLiteral("список приборов помечен как UTF-16 %1, но он обрезан или испорчен")
                          .arg(little ? QStringLiteral("LE") : QStringLiteral("BE")) +
                      kSaveAs;
    } else if (bytes.contains('\0')) {
        // Text of any of the readable encodings holds no zero byte; UTF-16
        // without its byte order mark does (every Latin letter has one).
        message = QStringLiteral("список приборов похож на UTF-16 без метки порядка байтов (BOM)") + kSaveAs;
    } else if (!decodeUtf8(bytes, text)) {
        // Not UTF-8: a spreadsheet's text on a Russian desktop, Windows-1251.
        // Byte 0x98 is the one byte that code page leaves unassigned.
        if (bytes.contains('\x98'))
            message = QStringLiteral("список приборов не в UTF-8 и не в Windows-1251 (байт 0x98)") + kSaveAs;
        else
            text = FromCp1251(bytes);
    }
    if (!message.isEmpty()) text.clear();
    if (error) *error = message;
    return text;
}

MeterList ReadMeterList(const QString& path) {
    MeterList list;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        list.fatal = QStringLiteral("не могу открыть список приборов ") + path + QStringLiteral(": ") + file.errorString();
        return list;
    }
    const QByteArray bytes = ReadAtMost(file, kMaxTextFileBytes);
    if (file.error() != QFileDevice::NoError) {
        list.fatal =
            QStringLiteral("не могу прочитать список приборов ") + path + QStringLiteral(": ") + file.errorString();
        return list;
    }
    if (bytes.size() > kMaxTextFileBytes) {
        list.fatal = QStringLiteral("список приборов ") + path + QStringLiteral(" слишком большой");
        return list;
    }
    QString error;
    const QString text = DecodeMeterListBytes(bytes, &error);
    if (!error.isEmpty()) {
        list.fatal = QFileInfo(path).fileName() + QStringLiteral(": ") + error;
        return list;
    }
    return ParseMeterList(text);
}

}  // namespace omi
