#include "logger/LoggerFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <algorithm>
#include <charconv>
#include <cstring>

#include "archives/ArchiveProcedure.h"
#include "archives/ArchiveRecord.h"
#include "families/DeviceFamily.h"
#include "protocol/Exchange.h"
#include "protocol/Models.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace omi {

// --- the grid ---

int TSGSL::ColumnCount() const {
    int columns = 0;
    for (const QStringList& r : rows) columns = std::max(columns, static_cast<int>(r.size()));
    return columns;
}

QString TSGSL::Cell(int column, int row) const {
    if (row < 0 || row >= RowCount()) return {};
    return rows[static_cast<std::size_t>(row)].value(column);
}

void TSGSL::SetCell(int column, int row, const QString& text) {
    if (row < 0 || column < 0) return;
    if (row >= RowCount()) rows.resize(static_cast<std::size_t>(row) + 1);
    QStringList& r = rows[static_cast<std::size_t>(row)];
    while (r.size() <= column) r.append(QString());
    r[column] = text;
}

QString TSGSL::LoadFromFile(const QString& path, QChar delimiter) {
    lastError.clear();
    if (!QFileInfo::exists(path)) {
        lastError = QStringLiteral("не найден файл:\r") + path;
        return lastError;
    }
    const QStringList lines = ReadLines1251(path, &lastError);
    if (!lastError.isEmpty()) return lastError;
    rows.clear();
    for (QString line : lines) {
        if (!line.isEmpty() && !line.endsWith(delimiter)) line += delimiter;
        QStringList cells = line.split(delimiter);
        cells.removeLast();  // the text after the last delimiter
        rows.push_back(cells);
    }
    return lastError;
}

QString TSGSL::SaveToFile(const QString& path, QChar delimiter) {
    QStringList lines;
    const int columns = ColumnCount();
    for (const QStringList& r : rows) {
        QString line;
        for (int c = 0; c < columns; ++c) line += r.value(c) + delimiter;
        lines << line;
    }
    lastError = WriteLines1251(path, lines).isEmpty() ? QString() : QStringLiteral("НЕ МОГУ СОЗДАТЬ ФАЙЛ: ") + path;
    return lastError;
}

void TSGSL::CopyTo(TSGSL& target, const QString& columnMap) const {
    const int columns = ColumnCount();
    target.rows.assign(rows.size(), QStringList());
    const auto put = [&](int column, int row, const QString& text) {
        target.SetCell(column, row, text.isEmpty() ? QStringLiteral(" ") : text);
    };
    if (columnMap.trimmed().isEmpty()) {
        for (int r = 0; r < RowCount(); ++r)
            for (int c = 0; c < columns; ++c) put(c, r, Cell(c, r));
        return;
    }
    const QStringList map = columnMap.split(QLatin1Char(','));
    for (int a = 0; a < columns; ++a) {
        bool ok = false;
        const int to = map.value(a).trimmed().toInt(&ok);
        const int column = ok ? to : a;
        if (column < 0 || column >= columns) continue;
        // Into the first empty cells of the target column, in order.
        int row = 0;
        for (int r = 0; r < RowCount(); ++r) {
            while (row < target.RowCount() && !target.Cell(column, row).isEmpty()) ++row;
            put(column, row, Cell(a, r));
        }
    }
}

QString LoggerKindName(LoggerKind kind) {
    return kind == LoggerKind::Hour ? QStringLiteral("ЧАСОВОЙ") : QStringLiteral("СУТОЧНЫЙ");
}

// --- the description table ---

namespace {

struct DefaultField {
    const char* header1;
    const char* header2;
    const char* type;
    int column;
};

const DefaultField kFields225[] = {
    {"наработка", "чч:мм", "word", 15},        {"наработка", "с ош. час", "word", -1},
    {"Тепло", "Гкал", "single", 2},            {"Объем", "1-й, м3", "single", 3},
    {"Объем", "2-й, м3", "single", 4},         {"Объем", "3-й, м3", "single", 5},
    {"Объем", ">уст t°С, м3", "single", 6},    {"Эл.энергия", "тариф 1", "single", 7},
    {"Эл.энергия", "тариф 2", "single", 8},    {"t°С", "подача", "word/100", 9},
    {"t°С", "обратка", "word/100", 10},        {"t°С", "ГВС", "word/100", 11},
    {"Ошибка", " ", "byte", 12},               {"Период с ош.", "мин/час(час/сут)", "byte", 13},
    {"Время", "час", "byte", 14},              {"ДАТА", "дд.мм.гггг", "word/date", 0},
};

const DefaultField kFieldsTwoSystems[] = {
    {"наработка", "час", "word", 48},           {"наработка 1c", "с ош. час", "word", 47},
    {"наработка 2c", "с ош. час", "word", 2},   {"ТЕПЛО 1c", "Гкал", "single", 3},
    {"ТЕПЛО 2c", "Гкал", "single", 4},          {"объем 1c", "1-й м3", "single", 5},
    {"объем 1c", "2-й м3", "single", 6},        {"объем 1c", "3-й м3", "single", 7},
    {"объем 2c", "1-й м3", "single", 8},        {"объем 2c", "2-й м3", "single", 9},
    {"объем 2c", "3-й м3", "single", 10},       {"От пер", "раб", "word", 11},
    {"От пер", "тепло 1c", "single", 12},       {"От пер", "тепло 2c", "single", 13},
    {"От пер", "расх 1 1c", "single", 14},      {"От пер", "расх 2 1c", "single", 15},
    {"От пер", "расх 3 1c", "single", 16},      {"От пер", "расх 1 2c", "single", 17},
    {"От пер", "расх 2 2c", "single", 18},      {"От пер", "расх 3 2c", "single", 19},
    {"t°С 1c", "подача", "single", 20},         {"t°С 1c", "обратка", "single", 21},
    {"t°С 2c", "подача", "single", 22},         {"t°С 2c", "обратка", "single", 23},
    {"t°С 1c", "доп.", "single", 24},           {"t°С 2c", "доп.", "single", 25},
    {"Давление 1c", "1-й бар", "single", 26},   {"Давление 1c", "2-й бар", "single", 27},
    {"Давление 2c", "1-й бар", "single", 28},   {"Давление 2c", "2-й бар", "single", 29},
    {"с ошибкой 1c", "чч:мм", "word", 30},      {"с ошибкой 2c", "чч:мм", "word", 31},
    {"Ош малого 1c", "расх", "word", 32},       {"Ош малого 2c", "расх", "word", 33},
    {"Энергия 1c", "малого", "single", 34},     {"Энергия 2c", "малого", "single", 35},
    {"Ош большого 1c", "расх", "word", 36},     {"Ош большого 2c", "расх", "word", 37},
    {"Энергия 1c", "большого", "single", 38},   {"Энергия 2c", "большого", "single", 39},
    {"Ош дельты 1c", "t°С", "word", 40},        {"Ош дельты 2c", "t°С", "word", 41},
    {"Энергия 1c", "dt°С", "single", 42},       {"Энергия 2c", "dt°С", "single", 43},
    {"Ошибка", "системы 1", "byte", 44},        {"Ошибка", "системы 2", "byte", 45},
    {"Ошибка", "уст-ва", "byte", 46},           {"Время", " ", "byte", 1},
    {"ДАТА", "дд.мм.гггг", "word/date", 0},     {"dummy", " ", "byte", -49},
};

constexpr int kTableRows = 51;

// The value of a row-0 cell: between the first "=" and the first ";".
QString headValue(const QString& cell) {
    const qsizetype eq = cell.indexOf(QLatin1Char('='));
    const QString rest = eq < 0 ? cell : cell.mid(eq + 1);
    const qsizetype semi = rest.indexOf(QLatin1Char(';'));
    return (semi < 0 ? rest : rest.left(semi)).trimmed();
}

int headInt(const QString& cell, int fallback) {
    bool ok = false;
    const int v = headValue(cell).toInt(&ok);
    return ok ? v : fallback;
}

QString shortest(double v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, r.ptr - buffer).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString shortest(float v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QString::fromLatin1(buffer, r.ptr - buffer).replace(QLatin1Char('.'), QLatin1Char(','));
}

}  // namespace

TSGSL DefaultDescriptionTable() {
    TSGSL t;
    t.rows.assign(kTableRows, QStringList(12, QStringLiteral(" ")));
    t.rows[0] = QStringList{"225",        "CoAD=127;", "CoAH=1023; ", "Q_ArhivL=49;",  "228;229;230;", "CoAD=61;",
                            "CoAH=959;",  "Q_ArhivL=166;", "234;235;", "CoAD=365;", "CoAH=1079;", "Q_ArhivL=222;"};
    const auto fill = [&](int g, std::span<const DefaultField> fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            QStringList& row = t.rows[i + 1];
            row[g] = QString::fromUtf8(fields[i].header1);
            row[g + 1] = QString::fromUtf8(fields[i].header2);
            row[g + 2] = QString::fromUtf8(fields[i].type);
            row[g + 3] = QString::number(fields[i].column);
        }
    };
    fill(0, kFields225);
    fill(4, kFieldsTwoSystems);
    fill(8, kFieldsTwoSystems);
    return t;
}

TSGSL& DescriptionTable() {
    static TSGSL table = DefaultDescriptionTable();
    return table;
}

void LoadDescriptionTable() {
    TSGSL loaded;
    const QString path = DataPath({kDataFolderName, QStringLiteral("описание архивов"), QStringLiteral("txt")});
    DescriptionTable() = loaded.LoadFromFile(path, QLatin1Char('\t')).isEmpty() ? loaded : DefaultDescriptionTable();
}

// --- the field codec ---

QStringList CMDMakeValues(const QStringList& types, const QByteArray& data, QString* unknown) {
    QStringList values;
    const auto* d = reinterpret_cast<const std::uint8_t*>(data.constData());
    const qsizetype n = data.size();
    qsizetype p = 0;
    const auto word = [&] { return static_cast<int>(d[p] | (d[p + 1] << 8)); };
    for (const QString& typeText : types) {
        const QString type = typeText.trimmed().toLower();
        int size = 0;
        if (type == QLatin1String("byte")) size = 1;
        else if (type == QLatin1String("word") || type == QLatin1String("word/10") || type == QLatin1String("word/100") ||
                 type.contains(QLatin1String("word/date")))
            size = 2;
        else if (type == QLatin1String("single")) size = 4;
        if (size == 0) {
            if (unknown) *unknown = QStringLiteral("TCustomCMD.CMDMakeValues: не опознаный формат: ") + typeText;
            return values;
        }
        if (p + size > n) {
            values << QStringLiteral("данные кончились");
            continue;
        }
        if (size == 1) {
            values << QString::number(d[p]);
        } else if (size == 4) {
            float f = 0;
            std::memcpy(&f, d + p, 4);
            values << shortest(f);
        } else if (type == QLatin1String("word")) {
            values << QString::number(word());
        } else if (type == QLatin1String("word/10")) {
            values << shortest(word() / 10.0);
        } else if (type == QLatin1String("word/100")) {
            values << shortest(word() / 100.0);
        } else {
            const QDate date = DateOfDayNumber(word());
            const qsizetype eq = typeText.indexOf(QLatin1Char('='));
            values << (eq >= 0 ? FormatDateTimeText(typeText.mid(eq + 1), QDateTime(date, QTime(0, 0)))
                               : ShortDateText(date));
        }
        p += size;
    }
    return values;
}

// --- the logger state ---

LoggerReplayData LoggerState::Replay() const {
    LoggerReplayData d;
    d.type = type;
    d.recordLength = recordLength;
    d.records = records;
    d.pointer = static_cast<std::uint16_t>(pointer);
    return d;
}

namespace {

QString contentErrorOfFile(const LoggerState& s, const QString& path) {
    QFile file(path);
    // The size first: a huge file is refused without reading it.
    if (file.size() > s.maxFileLength)
        return QStringLiteral("файл больше, чем может быть архив прибора (%1 байт при наибольших %2)")
            .arg(file.size())
            .arg(s.maxFileLength);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("файл не прочитан: ") + file.errorString();
    const QByteArray bytes = ReadAtMost(file, s.maxFileLength);
    if (file.error() != QFileDevice::NoError) return QStringLiteral("файл не прочитан: ") + file.errorString();
    return LoggerContentError(s, bytes);
}

}  // namespace

QString ParseLoggerFileName(LoggerState& s, const QString& path) {
    QString error;
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot);
    int type = 255;
    if (!extension.isEmpty()) {
        bool ok = false;
        const int v = (QStringLiteral("0") + extension.mid(1)).toInt(&ok);
        if (ok) type = v;
    }
    const DeviceModel* model = DescriptorOf(type);
    if (!model && type != 0) return QStringLiteral("DevTypeChar not in ucv.DevTypes");
    const int g = model ? model->loggerGroup : -1;
    if (g < 0) return QStringLiteral("ColDev[ucv.CharToDevType(ch:char)]<0");
    const TSGSL& table = DescriptionTable();
    if (table.ColumnCount() < g + 4) return QStringLiteral("мало столбцов в таблице");

    s.type = type;
    s.recordLength = headInt(table.Cell(g + 3, 0), 0) - 6;
    if (s.recordLength < 0) error += QStringLiteral("arhL<0\r");

    QStringList types;
    for (int r = 1; r < table.RowCount(); ++r) types << table.Cell(g + 2, r);
    if (!types.isEmpty() && !types.first().isEmpty()) types.removeAll(QString());
    const int k = static_cast<int>(types.size());
    s.types = types;
    s.headers1.clear();
    s.headers2.clear();
    s.columns.clear();
    for (int r = 1; r <= k; ++r) {
        s.headers1 << table.Cell(g, r);
        s.headers2 << table.Cell(g + 1, r);
        s.columns << table.Cell(g + 3, r);
    }

    QString stem = name;
    if (!extension.isEmpty()) stem.remove(extension, Qt::CaseInsensitive);
    const QChar letter = stem.isEmpty() ? QChar() : stem.back();
    int topColumn = -1;
    if (letter == QLatin1Char('D')) {
        s.kind = LoggerKind::Day;
        topColumn = g + 1;
    } else if (letter == QLatin1Char('H')) {
        s.kind = LoggerKind::Hour;
        topColumn = g + 2;
    } else {
        error += QStringLiteral("Тип арх не определен:") + letter;
    }
    if (topColumn >= 0) {
        s.top = headInt(table.Cell(topColumn, 0), -1);
        if (s.top < 0) error += QStringLiteral("Кол-во записей в арх не определено:") + table.Cell(topColumn, 0);
    }
    // A request names a record position by a word: no archive holds more
    // than 65536 records, whatever the table says.
    const qint64 positions = std::clamp<qint64>(
        std::max(headInt(table.Cell(g + 1, 0), -1), headInt(table.Cell(g + 2, 0), -1)) + 1, 1, 65536);
    s.maxFileLength = 2 + std::max(0, s.recordLength) * positions;
    stem.chop(1);
    const QRegularExpressionMatch digits = QRegularExpression(QStringLiteral("(\\d+)$")).match(stem);
    const QString run = digits.hasMatch() ? digits.captured(1) : QString();
    if (run.isEmpty())
        s.serial = -10;
    else {
        bool ok = false;
        const qlonglong v = run.toLongLong(&ok);
        s.serial = ok && v <= 65535 ? static_cast<int>(v) : -1;
    }
    if (s.serial < 0) error += QStringLiteral("Сер.№ не определен:") + run;
    if (error.isEmpty() && QFileInfo(path).isFile()) error = contentErrorOfFile(s, path);
    s.error = error;
    return error;
}

QString LoggerContentError(const LoggerState& s, const QByteArray& bytes, const QDate& today) {
    const qint64 R = s.recordLength;
    if (bytes.isEmpty()) return QStringLiteral("файл пустой");
    if (R <= 0 || bytes.size() < 2 + R) return QStringLiteral("в файле нет ни одной записи архива");
    if (bytes.size() > s.maxFileLength)
        return QStringLiteral("файл больше, чем может быть архив прибора (%1 байт при наибольших %2)")
            .arg(bytes.size())
            .arg(s.maxFileLength);
    const ArchiveProcedure* procedure = ArchiveProcedureOf(s.type);
    if (!procedure) return {};  // read as it stands
    // Each record as the answer the replay gives for it, read by the family
    // (which checks the type and number of the device it addresses: the file's).
    const int serial = std::clamp(s.serial, 0, 65535);
    const DeviceAddress file{serial, s.type};
    for (qsizetype at = 2; at + R <= bytes.size(); at += R) {
        Frame answer(static_cast<std::size_t>(5 + R + 1), 0);
        answer[0] = static_cast<std::uint8_t>((5 + R + 1) & 0xFF);
        answer[1] = static_cast<std::uint8_t>(s.type);
        answer[2] = static_cast<std::uint8_t>(serial & 0xFF);
        answer[3] = static_cast<std::uint8_t>((serial >> 8) & 0xFF);
        answer[4] = static_cast<std::uint8_t>(cmd::ArchiveRecord);
        std::memcpy(answer.data() + 5, bytes.constData() + at, static_cast<std::size_t>(R));
        answer.back() = FrameCheckByte(answer.data(), answer.size() - 1);
        ArchiveEntry entry;
        if (procedure->decode(answer, file, entry).isEmpty() && IsRecordDate(entry, today)) return {};
    }
    return QStringLiteral("в файле нет ни одной записи архива с настоящей датой");
}

QString LoadLoggerFile(LoggerState& s) {
    s.error.clear();
    const QString recognised = ParseLoggerFileName(s, s.path);
    if (!recognised.isEmpty()) return recognised;
    if (s.recordLength <= 0) {
        s.error = QStringLiteral("в описании архивов длина записи %1: файл не разобрать").arg(s.recordLength);
        return s.error;
    }
    QFile file(s.path);
    if (!file.open(QIODevice::ReadOnly)) {
        s.error = QStringLiteral("файл %1 не прочитан: %2").arg(s.path, file.errorString());
        return s.error;
    }
    const QByteArray bytes = ReadAtMost(file, s.maxFileLength);
    if (file.error() != QFileDevice::NoError) {
        s.error = QStringLiteral("файл %1 не прочитан: %2").arg(s.path, file.errorString());
        return s.error;
    }
    // The file may have changed since its name and content were recognised.
    s.error = LoggerContentError(s, bytes);
    if (!s.error.isEmpty()) return s.error;
    const int R = s.recordLength;
    s.fileLength = bytes.size();
    s.pointer = bytes.size() >= 2 ? (static_cast<std::uint8_t>(bytes[0]) | (static_cast<std::uint8_t>(bytes[1]) << 8))
                                  : 0;
    s.records.clear();
    for (qsizetype at = 2; at < bytes.size(); at += R) {
        const QByteArray record = bytes.mid(at, R);
        QStringList cells;
        for (char c : record) cells << QStringLiteral("%1").arg(static_cast<std::uint8_t>(c), 3, 10, QLatin1Char('0'));
        s.records << cells.join(QLatin1Char(','));
        const qsizetype read = at - 2 + record.size();
        if (s.progress && (s.records.size() % 10) == 0)
            s.progress(QStringLiteral("чтение записи № ") + QString::number(read / R));
    }

    const int recordCount = static_cast<int>(s.records.size());
    const int rowCount = std::max(s.top + 3, recordCount + 2);
    s.decoded.assign(static_cast<std::size_t>(rowCount), QStringList());
    s.decoded[0] = s.headers1;
    if (rowCount > 1) s.decoded[1] = s.headers2;
    for (int i = 0; i + 2 < rowCount; ++i) {
        if (s.progress && i % 10 == 0) s.progress(QStringLiteral("строка № ") + QString::number(i));
        QStringList& row = s.decoded[static_cast<std::size_t>(i) + 2];
        if (i >= recordCount) {
            row = QStringList{"данные", "в", "файле", "кончились"};
        } else if (i > s.top + 1) {
            row = QStringList{"данныx", "в", "файле", "больше", "чем ", "нужно"};
        } else {
            row = CMDMakeValues(s.types, bytes.mid(2 + qsizetype(i) * R, R));
        }
    }
    return {};
}

QString LoggerFileTitle(const LoggerState& s) {
    return QStringLiteral("\"%1\",\"№ %2\",\"архив=%3\"").arg(ModelName(s.type)).arg(s.serial).arg(LoggerKindName(s.kind));
}

QString LoggerInfoText(const LoggerState& s, QChar separator) {
    QString t;
    t += QStringLiteral("Файл:") + s.path + separator;
    t += QStringLiteral("данные из назв ф-ла") + separator;
    t += Format(QStringLiteral("ОМИ=%d № %d архив=%s"),
                {s.type, s.serial, s.kind == LoggerKind::Day ? QStringLiteral("atDay") : QStringLiteral("atHour")}) +
         separator;
    t += Format(QStringLiteral("записей в арх д.б.=(от 0)%d"), {s.top}) + separator;
    t += Format(QStringLiteral("всего байт=%d дл.зап=%d указ=%d"),
                {static_cast<int>(s.fileLength), s.recordLength, s.pointer}) +
         separator;
    if (s.recordLength != 0)
        t += Format(QStringLiteral("записей в арх =%d(от 1)+остаток=%dбайт"),
                    {static_cast<int>((s.fileLength - 2) / s.recordLength),
                     static_cast<int>((s.fileLength - 2) % s.recordLength)}) +
             separator;
    return t;
}

}  // namespace omi

namespace omi {

const QStringList& LoggerFileMasks() {
    static const QStringList masks{"*D.225", "*H.225", "*D.227", "*H.227", "*D.228", "*H.228", "*D.229",
                                   "*H.229", "*D.230", "*H.230", "*D.234", "*H.234", "*D.235", "*H.235"};
    return masks;
}

QStringList ListLoggerFiles(const QString& folder) {
    if (folder.isEmpty()) return {};
    const QDir dir(folder);
    QStringList files;
    for (const QString& mask : LoggerFileMasks())
        for (const QFileInfo& f : dir.entryInfoList({mask}, QDir::Files))
            if (!files.contains(f.absoluteFilePath())) files << f.absoluteFilePath();
    std::sort(files.begin(), files.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return files;
}

QString LoggerArchiveFolder() { return DataRoot() + QStringLiteral("/АРХИВЫ/ZORT-1"); }

QString LoggerFilingName(const LoggerState& s, const QString& fileName, const QDateTime& now) {
    return QLatin1Char('/') + ModelName(s.type) + Format(QStringLiteral("/%.5d"), {s.serial}) +
           Format(QStringLiteral("/%s от %.2d%.2d%.2d_%s"),
                  {LoggerKindName(s.kind), now.date().month(), now.date().day(), now.time().hour(), fileName});
}

}  // namespace omi
