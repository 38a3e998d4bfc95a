#include "service/ChangeLog.h"

#include "connection/Connection.h"

#include <algorithm>

#include "families/U29.h"
#include "protocol/Exchange.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "transport/Transport.h"

namespace omi {

const std::array<QStringList, 2>& ChangeLogHeader() {
    static const std::array<QStringList, 2> header{
        QStringList{"блок,запись,№ сист", "вес имп", "вес имп", "вес имп", "тип", "t°C ХВС", "t°C ХВС", "нач 2-й t°C",
                    "нач 2-й t°C", "кон 2-й t°C", "кон 2-й t°C", "min", "max", "отч", "призн", "призн"},
        QStringList{"Дата, время", "датч №1", "датч №2", "датч №3", "сист", "первая", "вторая", "день", "м-ц", "день",
                    "м-ц", "объем", "объем", "день", "сумм ош", "исп 2-й t°C"}};
    return header;
}

QString ChangeLogLabel(int block, int record, int system, int dayNumber, int minutes) {
    return Format(QStringLiteral("%d %.2d %d %s %.2d:%.2d"),
                  {block, record, system, ShortDateText(DateOfDayNumber(dayNumber)), minutes / 60, minutes % 60});
}

std::optional<Frame> ChangeLogConfigFrame(const Frame& answer) {
    if (answer.size() < static_cast<std::size_t>(kChangeLogMinLength)) return std::nullopt;
    Frame f(static_cast<std::size_t>(u29::kConfigLength), 0);
    std::copy(answer.begin(), answer.begin() + 5, f.begin());
    std::copy(answer.begin() + kChangeLogConfig, answer.begin() + kChangeLogMinLength, f.begin() + 5);
    f[0] = static_cast<std::uint8_t>(u29::kConfigLength);
    f[4] = static_cast<std::uint8_t>(cmd::ReadConfig);
    f.back() = FrameCheckByte(f.data(), f.size() - 1);
    return f;
}

std::optional<Frame> ChangeLogRequest(const DeviceAddress& to, int block, int record) {
    return BuildFrame(to, cmd::ChangeLog, {static_cast<std::uint8_t>(block), static_cast<std::uint8_t>(record)});
}

QString CheckChangeLogAnswer(const DeviceAddress& from, const Frame& answer) {
    const int length = !answer.empty() && answer[0] >= kChangeLogMinLength ? answer[0] : kChangeLogMinLength;
    const QString why =
        ValidateAnswer(answer, from, length, cmd::ChangeLog,
                       QStringLiteral("НЕСООТВЕТСТВИЕ ФОРМАТА ОТВЕТА ") + QString::number(cmd::ChangeLog));
    return why.split(QLatin1Char('\r'), Qt::SkipEmptyParts).join(QStringLiteral("; "));
}

namespace {

QString entryName(const ChangeLogEntry& e) { return Format(QStringLiteral("%d %.2d"), {e.block, e.record}); }

}  // namespace

ChangeLogResult ReadChangeLog(Connection& line, const std::function<void(const QString& line)>& memo,
                              const std::function<void(const ChangeLogResult& sofar)>& entry) {
    ChangeLogResult result;
    for (int block = 0; block < kChangeLogBlocks; ++block) {
        for (int record = 0; record < kChangeLogRecords; ++record) {
            const std::optional<Frame> request = ChangeLogRequest(line.Address(), block, record);
            if (!request) {
                result.status = QStringLiteral("НЕТ СВЯЗИ");
                return result;
            }
            Frame answer;
            QString refused;
            std::optional<u29::ConfigPair> pair;
            int silences = 0;
            for (int attempt = 1; attempt <= kChangeLogAttempts && !pair; ++attempt) {
                refused.clear();
                ExchangeOptions options;
                options.once = true;
                options.accept = [&refused, &line](const Frame& a) {
                    refused = CheckChangeLogAnswer(line.Address(), a);
                    return refused.isEmpty();
                };
                answer.clear();
                const bool answered = line.Exchange(*request, answer, options);
                // Answers made up without a line are not checked by the exchange.
                if (answered) refused = CheckChangeLogAnswer(line.Address(), answer);
                if (!answered && refused.isEmpty()) {
                    if (++silences >= kChangeLogSilences) {
                        result.status = QStringLiteral("НЕТ СВЯЗИ");
                        return result;
                    }
                    continue;
                }
                silences = 0;
                if (!refused.isEmpty()) continue;
                if (memo) {
                    memo(Format(QStringLiteral("ЖУИ блок=%d запись=%d"), {block, record}));
                    for (std::size_t i = 0; i < answer.size(); ++i)
                        memo(Format(QStringLiteral("%.2d.%.2d=%S"),
                                    {static_cast<int>(i), static_cast<int>(answer[i]),
                                     QStringLiteral("%1").arg(answer[i], 2, 16, QLatin1Char('0')).toUpper()}));
                }
                u29::ConfigPair decoded{u29::DefaultConfig(), u29::DefaultConfig()};
                const std::optional<Frame> config = ChangeLogConfigFrame(answer);
                if (!config) continue;
                refused = u29::DecParam(*config, line.Address(), decoded);
                if (refused.isEmpty()) pair = decoded;
            }
            if (pair) {
                const int day = GetW(answer, kChangeLogDay);
                const int minutes = GetW(answer, kChangeLogMinutes);
                for (int system = 0; system < 2; ++system)
                    result.rows.push_back(
                        {ChangeLogLabel(block, record, system + 1, day, minutes), u29::ParamToText(*pair, system)});
            } else {
                // Nothing of it is shown but its place.
                result.unread.push_back({block, record});
                for (int system = 0; system < 2; ++system)
                    result.rows.push_back({Format(QStringLiteral("%d %.2d %d"), {block, record, system + 1}),
                                           QStringList(15, QStringLiteral("нет данных"))});
            }
            if (entry) entry(result);
        }
    }
    if (!result.unread.empty()) {
        QStringList names;
        for (const ChangeLogEntry& e : result.unread) names << entryName(e);
        result.status = QStringLiteral("Журнал учета изменений прочитан не весь: не прочитаны записи (блок запись) ") +
                        names.join(QStringLiteral(", "));
        return result;
    }
    result.complete = true;
    result.status = QStringLiteral("Журнал учета изменений успешно прочитан");
    return result;
}

}  // namespace omi
