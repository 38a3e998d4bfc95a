#include "reports/ReportTemplates.h"

#include <QFileInfo>

#include "reports/ReportItems.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace omi {

namespace {

const QString kTab = QStringLiteral("\t");

QString PartPrefix(TemplatePart part) {
    switch (part) {
        case TemplatePart::Header:
            return QStringLiteral("ВЕРХ");
        case TemplatePart::Body:
            return QStringLiteral("ОСНОВА");
        case TemplatePart::Footer:
            return QStringLiteral("НИЗ");
    }
    return {};
}

// Reads the lines of a template file; false when the file cannot be read.
bool ReadTemplateLines(const QString& path, QStringList& lines) {
    if (!QFileInfo(path).isFile()) return false;
    QString error;
    QStringList read = ReadLines1251(path, &error);
    if (!error.isEmpty()) return false;
    lines = read;
    return true;
}

}  // namespace

TemplateMemo& TemplateSet::Part(TemplatePart part) {
    return part == TemplatePart::Header ? header : part == TemplatePart::Body ? body : footer;
}

const TemplateMemo& TemplateSet::Part(TemplatePart part) const {
    return part == TemplatePart::Header ? header : part == TemplatePart::Body ? body : footer;
}

QString PrintFolder() { return DataPath({kDataFolderName, QStringLiteral("ПЕЧАТЬ"), QString(), QString()}); }

QString ItemListFileName(const QString& family) { return QStringLiteral("ФОРМАТЫ_") + family + QStringLiteral(".txt"); }

QString TemplateFileName(TemplatePart part, const QString& family, bool hourly) {
    return PartPrefix(part) + (hourly ? QStringLiteral("_ЧАС_") : QStringLiteral("_СУТ_")) + family +
           QStringLiteral(".txt");
}

QString FontLine(const TemplateFont& font) {
    QString line =
        QStringLiteral("Name=") + font.name + kTab + QStringLiteral("Size=") + QString::number(font.size) + kTab;
    if (font.bold) line += QStringLiteral("Bold") + kTab;
    if (font.italic) line += QStringLiteral("Italic") + kTab;
    return line;
}

bool TakeFontLine(QStringList& lines, TemplateFont& font) {
    if (lines.isEmpty()) return false;
    const QString first = lines.front();
    const qsizetype eq = first.indexOf(QLatin1Char('='));
    const qsizetype tab = first.indexOf(QLatin1Char('\t'));
    if (eq < 0 || tab < 0) return false;
    // The name lies between the first "=" and the first tab (empty when the
    // tab comes first).
    font.name = tab > eq ? first.mid(eq + 1, tab - eq - 1) : QString();
    const QString rest = first.mid(tab + 1);
    const qsizetype eq2 = rest.indexOf(QLatin1Char('='));
    const qsizetype tab2 = rest.indexOf(QLatin1Char('\t'));
    if (eq2 >= 0 && tab2 >= 0) {
        bool ok = false;
        const qlonglong size = tab2 > eq2 ? rest.mid(eq2 + 1, tab2 - eq2 - 1).trimmed().toLongLong(&ok) : 0;
        font.size = ok ? int(std::clamp<qlonglong>(size, kTemplateFontMinSize, kTemplateFontMaxSize)) : 8;
        if (rest.contains(QStringLiteral("Bold"))) font.bold = true;
        if (rest.contains(QStringLiteral("Italic"))) font.italic = true;
    }
    lines.removeFirst();
    return true;
}

TemplateMemo BuiltInHeader() {
    TemplateMemo memo;
    memo.font = TemplateFont{QStringLiteral("MS Sans Serif"), 8, true, false};
    memo.lines = {
        QStringLiteral("Теплоснабжающая организация ______________________________          ОМИ типа  @00"),
        QStringLiteral("Потребитель ______________________________________________          Серийный № @01"),
        QStringLiteral("Адрес узла учета _________________________________________"),
        QString(),
        QStringLiteral("@04        @03"),
    };
    return memo;
}

TemplateMemo BuiltInBody() {
    TemplateMemo memo;
    memo.lines = {
        QStringLiteral("^"),
        QStringLiteral("0>15>45>105>145>170>"),
        QStringLiteral("ДАТА ТЕПЛО расходомеры температура Эл.энергия ошибка"),
        QStringLiteral("0>15>28>45>60>75>83>95>110>130>140>142>155>157>170>178>"),
        QStringLiteral("дд/мм Гкал первый второй ГВС ГВС огр подача обратка ГВС 1 тариф 2 тариф код период"),
        QStringLiteral("0>15>28>45>60>75>95>110>130>140>155>170>178>"),
        QStringLiteral("@05 @06 @07 @08 @09 @10 @12 @13 @14 @16 @17 @19 @20"),
        QStringLiteral("{^"),
        QStringLiteral("{0>15>28>45>60>75>95>110>130>140>155>170>178>"),
        QStringLiteral("{@21 @06 @07 @08 @09 @10 @12 @13 @14 @16 @17 @19 @20"),
    };
    return memo;
}

TemplateMemo BuiltInFooter() {
    TemplateMemo memo;
    memo.lines = {
        QString(),
        QStringLiteral("Представитель теплоснабжающей организации ____________________"),
        QString(),
        QStringLiteral("Представитель потребителя ____________________          @02"),
    };
    return memo;
}

TemplateSet BuiltInTemplateSet(const QString& family) {
    TemplateSet set;
    set.items = DefaultItems(family);
    set.header = BuiltInHeader();
    set.body = BuiltInBody();
    set.footer = BuiltInFooter();
    return set;
}

namespace {

// One column of a family's standard body: its tab stop, two heading words,
// the placeholder of a row and of the totals row.
struct BodyColumn {
    int stop;
    const char* head1;
    const char* head2;
    const char* row;
    const char* totals;
};

QStringList BodyOf(std::initializer_list<BodyColumn> columns) {
    QString stops, head1, head2, row, totals;
    for (const BodyColumn& c : columns) {
        stops += QString::number(c.stop) + QLatin1Char('>');
        head1 += QString::fromUtf8(c.head1) + QLatin1Char(' ');
        head2 += QString::fromUtf8(c.head2) + QLatin1Char(' ');
        row += QString::fromUtf8(c.row) + QLatin1Char(' ');
        totals += QString::fromUtf8(c.totals) + QLatin1Char(' ');
    }
    return {QStringLiteral("^"),
            stops,
            head1.trimmed(),
            head2.trimmed(),
            QStringLiteral("^"),
            row.trimmed(),
            QStringLiteral("{^"),
            QLatin1Char('{') + stops,
            QLatin1Char('{') + totals.trimmed()};
}

// Bodies of the families whose items follow the 234 numbering (date 06,
// heat 07, volumes 08..10, temperatures 12..14, pressures 16 and 17, hour 18,
// system error 19, fatal-error time 20 and 22, "Итого:" 21).
QStringList TwoSystemBody(bool hourly, bool deviceError) {
    const char* last = deviceError ? "@24" : "@23";
    const char* lastHead1 = deviceError ? "ошибка" : "нараб.";
    const char* lastHead2 = deviceError ? "уст-ва" : "час";
    if (hourly)
        return BodyOf({{0, "ДАТА", "дд.мм.гг", "@06", "@21"},
                       {14, "ЧАС", "чч:мм", "@18", "-"},
                       {25, "ТЕПЛО", "Гкал", "@07", "@07"},
                       {38, "объем", "1-й,м3", "@08", "@08"},
                       {55, "объем", "2-й,м3", "@09", "@09"},
                       {72, "объем", "3-й,м3", "@10", "@10"},
                       {89, "t°С", "подача", "@12", "@12"},
                       {101, "t°С", "обратка", "@13", "@13"},
                       {116, "t°С", "доп.", "@14", "@14"},
                       {127, "давл.", "1-й", "@16", "@16"},
                       {136, "давл.", "2-й", "@17", "@17"},
                       {145, "ошибка", "сист.", "@19", "@19"},
                       {158, lastHead1, lastHead2, last, last},
                       {171, "время", "ош.чч:мм", "@20", "@22"}});
    return BodyOf({{0, "ДАТА", "дд.мм.гг", "@06", "@21"},
                   {15, "ТЕПЛО", "Гкал", "@07", "@07"},
                   {31, "объем", "1-й,м3", "@08", "@08"},
                   {47, "объем", "2-й,м3", "@09", "@09"},
                   {63, "объем", "3-й,м3", "@10", "@10"},
                   {78, "t°С", "подача", "@12", "@12"},
                   {92, "t°С", "обратка", "@13", "@13"},
                   {106, "t°С", "доп.", "@14", "@14"},
                   {119, "давл.", "1-й", "@16", "@16"},
                   {130, "давл.", "2-й", "@17", "@17"},
                   {141, "ошибка", "сист.", "@19", "@19"},
                   {154, lastHead1, lastHead2, last, last},
                   {167, "время", "ош.чч:мм", "@20", "@22"}});
}

// Family 227: date 05, heat 06, volumes 07..10, temperatures 12..14, hour 16,
// error 17, error time 18 and 20, "итого:" 19.
QStringList Body27(bool hourly) {
    if (hourly)
        return BodyOf({{0, "ДАТА", "дд/мм", "@05", "@19"},
                       {15, "ЧАС", ":чч", "@16", "-"},
                       {27, "ТЕПЛО", "Гкал", "@06", "@06"},
                       {45, "объем", "1д,м3", "@07", "@07"},
                       {63, "объем", "2д,м3", "@08", "@08"},
                       {81, "объем", "ГВС,м3", "@09", "@09"},
                       {99, "объем", "3д,м3", "@10", "@10"},
                       {117, "t°С", "подача", "@12", "@12"},
                       {133, "t°С", "обратка", "@13", "@13"},
                       {149, "t°С", "ГВС", "@14", "@14"},
                       {163, "ошибка", "код", "@17", "@17"},
                       {176, "время", "с.ошиб.", "@18", "@20"}});
    return BodyOf({{0, "ДАТА", "дд/мм", "@05", "@19"},
                   {17, "ТЕПЛО", "Гкал", "@06", "@06"},
                   {36, "объем", "1д,м3", "@07", "@07"},
                   {55, "объем", "2д,м3", "@08", "@08"},
                   {74, "объем", "ГВС,м3", "@09", "@09"},
                   {93, "объем", "3д,м3", "@10", "@10"},
                   {112, "t°С", "подача", "@12", "@12"},
                   {128, "t°С", "обратка", "@13", "@13"},
                   {144, "t°С", "ГВС", "@14", "@14"},
                   {160, "ошибка", "код", "@17", "@17"},
                   {175, "время", "с.ошиб.", "@18", "@20"}});
}

}  // namespace

TemplateSet StandardTemplateSet(const QString& family, bool hourly) {
    TemplateSet set = BuiltInTemplateSet(family);
    const bool numbered27 = family == QLatin1String("25") || family == QLatin1String("27");
    // The range and the archive name: items 03 and 04 in families 225 and
    // 227, the archive name 05, the system 03 and the range 04 elsewhere.
    set.header.lines[4] = numbered27 ? QStringLiteral("@04 @03") : QStringLiteral("@05, система @03, @04");
    if (family == QLatin1String("27")) {
        set.body.lines = Body27(hourly);
    } else if (family == QLatin1String("25")) {
        set.body = BuiltInBody();
    } else {
        set.body.lines = TwoSystemBody(hourly, ItemCount(family) > 24);
    }
    return set;
}

bool IsStandardBody(const QStringList& lines) {
    if (lines == BuiltInBody().lines) return true;
    for (const char* family : {"25", "27", "28", "29", "30", "34"})
        for (bool hourly : {false, true})
            if (lines == StandardTemplateSet(QString::fromLatin1(family), hourly).body.lines) return true;
    return false;
}

void LoadTemplateSet(const QString& folder, const QString& family, bool hourly, TemplateSet& set) {
    const QString base = folder + QLatin1Char('/');
    QStringList items;
    if (!ReadTemplateLines(base + ItemListFileName(family), items)) items = DefaultItems(family);
    if (items.size() != ItemCount(family)) items = DefaultItems(family);
    set.items = items;
    for (TemplatePart part : {TemplatePart::Header, TemplatePart::Body, TemplatePart::Footer}) {
        TemplateMemo& memo = set.Part(part);
        QStringList lines;
        if (ReadTemplateLines(base + TemplateFileName(part, family, hourly), lines)) memo.lines = lines;
        TakeFontLine(memo.lines, memo.font);
    }
}

QString SaveTemplateSet(const QString& folder, const QString& family, bool hourly, const TemplateSet& set) {
    const QString base = folder + QLatin1Char('/');
    QStringList errors;
    auto note = [&errors](const QString& error) {
        if (!error.isEmpty()) errors << error;
    };
    note(WriteLines1251(base + ItemListFileName(family), set.items));
    for (TemplatePart part : {TemplatePart::Header, TemplatePart::Body, TemplatePart::Footer}) {
        const TemplateMemo& memo = set.Part(part);
        note(WriteLines1251(base + TemplateFileName(part, family, hourly),
                            QStringList{FontLine(memo.font)} + memo.lines));
    }
    return errors.join(QLatin1Char('\r'));
}

}  // namespace omi
