#include "SimOptions.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace omi {

namespace {

bool toInt(const QString& text, int low, int high, int& value) {
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    if (!ok || v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

QString badValue(const QString& option, const QString& text, const QString& expected) {
    return QStringLiteral("неправильное значение --%1: «%2» (%3)").arg(option, text, expected);
}

// "YYYY-MM-DD" or "YYYY-MM-DDTHH" (hour 0 when not given); years 2001..2170
// keep every archive date within the devices' day-number word.
QDateTime toDeviceTime(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:T(\\d{2}))?$"));
    const auto match = form.match(text.trimmed());
    if (!match.hasMatch()) return {};
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    const int hour = match.captured(4).isEmpty() ? 0 : match.captured(4).toInt();
    if (!date.isValid() || date.year() < 2001 || date.year() > 2170 || hour > 23) return {};
    return QDateTime(date, QTime(hour, 0));
}

}  // namespace

QString ParseSimOptions(const QStringList& arguments, SimOptions& options) {
    options = SimOptions{};
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Имитатор вычислителя: отвечает на запросы как прибор заданного типа и номера\n"
        "через псевдотерминал и/или UDP."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("эта справка"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("версия программы"));
    const QCommandLineOption pty(QStringLiteral("pty"),
                                 QStringLiteral("создать псевдотерминал; его путь - первая строка вывода"));
    const QCommandLineOption udp(QStringLiteral("udp"),
                                 QStringLiteral("слушать UDP на АДРЕС:ПОРТ (порт 0 - любой свободный); "
                                                "выводится строка «udp АДРЕС:ПОРТ»"),
                                 QStringLiteral("АДРЕС:ПОРТ"));
    const QCommandLineOption type(QStringLiteral("type"), QStringLiteral("тип прибора (по умолчанию 234)"),
                                  QStringLiteral("КОД"), QStringLiteral("234"));
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("номер прибора (по умолчанию 417)"),
                                    QStringLiteral("N"), QStringLiteral("417"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("прибор на линии, можно несколько раз (вместо --type и "
                                                   "--serial); на общий запрос отвечает первый"),
                                    QStringLiteral("ТИП:НОМЕР"));
    const QCommandLineOption noise(QStringLiteral("noise"), QStringLiteral("N байт помех перед каждым ответом на линии (псевдотерминал)"),
                                   QStringLiteral("N"));
    const QCommandLineOption badCheck(QStringLiteral("bad-check"),
                                      QStringLiteral("каждый K-й ответ с неверной контрольной суммой"),
                                      QStringLiteral("K"));
    const QCommandLineOption silence(QStringLiteral("silence"),
                                     QStringLiteral("не отвечать на каждый K-й запрос, на который есть ответ"), QStringLiteral("K"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("никогда не отвечать (порт остаётся открытым)"));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("задержка перед ответом, мс"),
                                   QStringLiteral("МС"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("скорость линии (псевдотерминал), бит/с: ответ после времени передачи запроса, "
                                                 "ответ передаётся с этой скоростью"),
                                  QStringLiteral("N"));
    const QCommandLineOption hangup(QStringLiteral("hangup-after"),
                                    QStringLiteral("после N ответов закрыть порт и завершиться"),
                                    QStringLiteral("N"));
    const QCommandLineOption mute(QStringLiteral("mute-after"),
                                  QStringLiteral("после N ответов больше не отвечать (порт остаётся открытым)"),
                                  QStringLiteral("N"));
    const QCommandLineOption truncate(QStringLiteral("truncate"),
                                      QStringLiteral("каждый K-й ответ обрывается на середине"), QStringLiteral("K"));
    const QCommandLineOption wrongAddress(QStringLiteral("wrong-address"),
                                          QStringLiteral("каждый K-й ответ с номером другого прибора "
                                                         "(контрольная сумма верна)"),
                                          QStringLiteral("K"));
    const QCommandLineOption wrongType(QStringLiteral("wrong-type"),
                                       QStringLiteral("каждый K-й ответ с кодом другого типа прибора "
                                                      "(контрольная сумма верна)"),
                                       QStringLiteral("K"));
    const QCommandLineOption late(QStringLiteral("late"),
                                  QStringLiteral("первый ответ уходит на МС позже, чем ушёл бы"), QStringLiteral("МС"));
    const QCommandLineOption byteGap(QStringLiteral("byte-gap"),
                                     QStringLiteral("байты ответа на линии (псевдотерминал) с промежутком МС, "
                                                    "первый сразу"),
                                     QStringLiteral("МС"));
    const QCommandLineOption corrupt(QStringLiteral("corrupt"),
                                     QStringLiteral("каждый байт ответа с вероятностью P % пропадает, получает "
                                                    "лишний байт перед собой или искажается (всегда одинаково)"),
                                     QStringLiteral("P"));
    const QCommandLineOption spoof(QStringLiteral("spoof"),
                                   QStringLiteral("UDP: перед каждым ответом поддельный ответ с другого порта"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("дописывать каждый принятый запрос в файл (байты десятичными "
                                                "числами через пробел)"),
                                 QStringLiteral("ФАЙЛ"));
    const QCommandLineOption today(QStringLiteral("today"),
                                   QStringLiteral("дата и час часов прибора, которыми кончаются архивы "
                                                  "(по умолчанию часы компьютера, и архивы пополняются)"),
                                   QStringLiteral("ГГГГ-ММ-ДД[TЧЧ]"));
    const QCommandLineOption dailyCurrent(QStringLiteral("daily-current"),
                                          QStringLiteral("позиция (от 0) последней записи суточного архива; "
                                                         "команда 21 сообщает N+1"),
                                          QStringLiteral("N"));
    const QCommandLineOption hourlyCurrent(QStringLiteral("hourly-current"),
                                           QStringLiteral("позиция (от 0) последней записи часового архива; "
                                                          "команда 21 сообщает N+1"),
                                           QStringLiteral("N"));
    const QCommandLineOption writeResult(QStringLiteral("write-result"),
                                         QStringLiteral("байт результата записи конфигурации: 0 - принято, "
                                                        "1 - не замкнута перемычка, иначе - не совпал пароль; "
                                                        "кроме 0 конфигурация не меняется; "
                                                        "он же код результата калибровки, если не 0"),
                                         QStringLiteral("N"));
    const QCommandLineOption calDeviation(QStringLiteral("cal-deviation"),
                                          QStringLiteral("калибровка: отклонение измеренного значения от заданного; "
                                                         "одно число для всех входов или четыре через запятую "
                                                         "(подача и обратка 1-й системы, подача и обратка 2-й; "
                                                         "канал давления 2..5 - по своему месту)"),
                                          QStringLiteral("D[,D,D,D]"));
    const QCommandLineOption calPause(QStringLiteral("cal-pause"),
                                      QStringLiteral("калибровка: ответ через МС (прибор калибруется)"),
                                      QStringLiteral("МС"));
    parser.addOptions({help, version, pty, udp, type, serial, device, noise, badCheck, silence, silent, delay, baud, hangup, mute,
                       truncate, wrongAddress, wrongType, late, byteGap, corrupt, spoof, log, today, dailyCurrent,
                       hourlyCurrent, writeResult});
    const QCommandLineOption modem(QStringLiteral("modem"),
                                   QStringLiteral("псевдотерминал: перед прибором модем; линия начинается в командном "
                                                  "режиме (AT-команды, набор номера ATD, выход из связи +++)"));
    const QCommandLineOption modemReply(
        QStringLiteral("modem-reply"),
        QStringLiteral("ответ модема на набор номера: %1 (по умолчанию connect; silent - нет ответа)")
            .arg(SimModemReplyNames().join(QStringLiteral(", "))),
        QStringLiteral("ОТВЕТ"), QStringLiteral("connect"));
    const QCommandLineOption modemDropAfter(QStringLiteral("modem-drop-after"),
                                            QStringLiteral("модем: после N ответов прибора в одном соединении связь "
                                                           "теряется (NO CARRIER, командный режим)"),
                                            QStringLiteral("N"));
    parser.addOptions({calDeviation, calPause, modem, modemReply, modemDropAfter});

    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty())
            return QStringLiteral("неизвестный параметр: %1").arg(parser.unknownOptionNames().join(QStringLiteral(", ")));
        return QStringLiteral("ошибка в командной строке: %1").arg(parser.errorText());
    }
    if (parser.isSet(help)) {
        options.help = true;
        options.helpText = parser.helpText();
        return {};
    }
    if (parser.isSet(version)) {
        options.version = true;
        return {};
    }
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("лишние аргументы: %1").arg(parser.positionalArguments().join(QLatin1Char(' ')));

    options.pty = parser.isSet(pty);
    if (parser.isSet(udp)) {
        const QString text = parser.value(udp);
        const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
        int port = 0;
        QString host = colon > 0 ? text.left(colon) : QString();
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) host = host.mid(1, host.size() - 2);
        QHostAddress address;
        if (host == QStringLiteral("localhost")) address = QHostAddress(QHostAddress::LocalHost);
        else address = QHostAddress(host);
        if (colon <= 0 || address.isNull() || !toInt(text.mid(colon + 1), 0, 65535, port))
            return badValue(QStringLiteral("udp"), text, QStringLiteral("нужно АДРЕС:ПОРТ, например 127.0.0.1:0"));
        options.udp = true;
        options.udpHost = address;
        options.udpPort = static_cast<quint16>(port);
    }
    if (!options.pty && !options.udp) return QStringLiteral("укажите --pty и/или --udp АДРЕС:ПОРТ");

    SimModemSettings& m = options.modem;
    m.enabled = parser.isSet(modem);
    if (m.enabled && !options.pty)
        return QStringLiteral("--modem работает только с --pty: модем стоит на последовательной линии, не в UDP");
    for (const QCommandLineOption* option : {&modemReply, &modemDropAfter}) {
        if (parser.isSet(*option) && !m.enabled)
            return QStringLiteral("--%1 действует только вместе с --modem").arg(option->names().constFirst());
    }
    if (const auto reply = SimModemReplyFromName(parser.value(modemReply)))
        m.reply = *reply;
    else
        return badValue(QStringLiteral("modem-reply"), parser.value(modemReply),
                        QStringLiteral("одно из: %1").arg(SimModemReplyNames().join(QStringLiteral(", "))));
    if (parser.isSet(modemDropAfter) && !toInt(parser.value(modemDropAfter), 1, 1000000, m.dropAfter))
        return badValue(QStringLiteral("modem-drop-after"), parser.value(modemDropAfter),
                        QStringLiteral("целое число 1..1000000"));

    const QString typeRange = QStringLiteral("тип прибора 1..255");
    const QString serialRange = QStringLiteral("номер прибора 0..65535");
    if (parser.isSet(device)) {
        for (const QString& text : parser.values(device)) {
            const QStringList parts = text.split(QLatin1Char(':'));
            int t = 0, s = 0;
            if (parts.size() != 2 || !toInt(parts[0], 1, 255, t) || !toInt(parts[1], 0, 65535, s))
                return badValue(QStringLiteral("device"), text,
                                QStringLiteral("нужно ТИП:НОМЕР, %1, %2").arg(typeRange, serialRange));
            options.devices.emplace_back(t, s);
        }
    } else {
        int t = 0, s = 0;
        if (!toInt(parser.value(type), 1, 255, t)) return badValue(QStringLiteral("type"), parser.value(type), typeRange);
        if (!toInt(parser.value(serial), 0, 65535, s))
            return badValue(QStringLiteral("serial"), parser.value(serial), serialRange);
        options.devices.emplace_back(t, s);
    }

    struct Count {
        const QCommandLineOption& option;
        int low, high;
        int* target;
    };
    SimFaults& f = options.faults;
    const Count counts[] = {
        {noise, 0, 1000, &f.noiseBytes},       {badCheck, 1, 1000000, &f.badCheckEvery},
        {silence, 1, 1000000, &f.silenceEvery}, {delay, 0, 600000, &f.delayMs},
        {baud, 50, 4000000, &f.baud},          {hangup, 1, 1000000, &f.hangupAfter},
        {mute, 1, 1000000, &f.muteAfter},      {truncate, 1, 1000000, &f.truncateEvery},
        {wrongAddress, 1, 1000000, &f.wrongSerialEvery}, {wrongType, 1, 1000000, &f.wrongTypeEvery},
        {late, 0, 600000, &f.lateMs},          {byteGap, 1, 60000, &f.byteGapMs},
        {calPause, 0, 600000, &f.calibrationMs},
    };
    for (const Count& c : counts) {
        if (!parser.isSet(c.option)) continue;
        const QString text = parser.value(c.option);
        if (!toInt(text, c.low, c.high, *c.target))
            return badValue(c.option.names().constFirst(), text,
                            QStringLiteral("целое число %1..%2").arg(c.low).arg(c.high));
    }
    f.silent = parser.isSet(silent);
    f.spoof = parser.isSet(spoof);
    if (parser.isSet(corrupt)) {
        bool ok = false;
        const double p = parser.value(corrupt).trimmed().toDouble(&ok);
        if (!ok || !(p >= 0 && p <= 100))
            return badValue(QStringLiteral("corrupt"), parser.value(corrupt), QStringLiteral("число 0..100"));
        f.corruptPercent = p;
    }

    SimSettings& settings = options.settings;
    if (parser.isSet(today)) {
        const QDateTime time = toDeviceTime(parser.value(today));
        if (!time.isValid())
            return badValue(QStringLiteral("today"), parser.value(today),
                            QStringLiteral("нужно ГГГГ-ММ-ДД или ГГГГ-ММ-ДДTЧЧ, годы 2001..2170"));
        settings.clock = [time] { return time; };
    }
    struct Position {
        const QCommandLineOption& option;
        std::optional<int>* target;
    };
    for (const Position& p :
         {Position{dailyCurrent, &settings.dailyCurrent}, Position{hourlyCurrent, &settings.hourlyCurrent}}) {
        if (!parser.isSet(p.option)) continue;
        int value = 0;
        const QString text = parser.value(p.option);
        if (!toInt(text, -1, 65534, value))
            return badValue(p.option.names().constFirst(), text, QStringLiteral("целое число -1..65534"));
        *p.target = value;
    }
    if (parser.isSet(writeResult) && !toInt(parser.value(writeResult), 0, 255, settings.writeResult))
        return badValue(QStringLiteral("write-result"), parser.value(writeResult),
                        QStringLiteral("целое число 0..255"));
    if (parser.isSet(calDeviation)) {
        const QStringList parts = parser.value(calDeviation).split(QLatin1Char(','));
        bool ok = parts.size() == 1 || parts.size() == 4;
        for (qsizetype i = 0; ok && i < 4; ++i) {
            const double d = parts.value(parts.size() == 1 ? 0 : i).trimmed().toDouble(&ok);
            ok = ok && std::isfinite(d) && std::fabs(d) <= 1000;
            if (ok) settings.calibrationDeviation[static_cast<std::size_t>(i)] = d;
        }
        if (!ok)
            return badValue(QStringLiteral("cal-deviation"), parser.value(calDeviation),
                            QStringLiteral("одно или четыре числа -1000..1000 через запятую, дробная часть через точку"));
    }
    options.logPath = parser.value(log);
    if (parser.isSet(log) && options.logPath.isEmpty()) return QStringLiteral("не указан файл журнала --log");
    return {};
}

}  // namespace omi
