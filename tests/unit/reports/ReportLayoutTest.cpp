#include <gtest/gtest.h>

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveKinds.h"
#include "reports/ReportItems.h"
#include "reports/ReportLayout.h"
#include "support/Dates.h"

namespace omi {
namespace {

constexpr double kLine = 5.0;  // every font's line height in these tests
double FixedHeight(const TemplateFont&) { return kLine; }

// Daily entries of a 234, newest first, heat = day of month, and when
// difference a totals entry last.
ArchiveList Entries234(int count, bool totals) {
    ArchiveList list;
    const RecordLayout& layout = *ArchiveFamilyOf(234)->layout;
    for (int i = count; i >= 1; --i) {
        ArchiveEntry e = ZeroEntry(layout);
        for (ArchiveRecord& r : e) {
            r.SetDay(DayNumber(QDate(2026, 1, 1).addDays(i - 1)));
            r.SetReal(8, i);
        }
        list.push_back(e);
    }
    if (totals) {
        ArchiveEntry t = EmptyEntry(layout);
        for (ArchiveRecord& r : t) r.SetReal(8, 999);
        list.push_back(t);
    }
    return list;
}

ReportInput Input(int rows, bool difference) {
    ReportInput in;
    in.templates = BuiltInTemplateSet("34");
    in.templates.header.lines = {QStringLiteral("Шапка @01")};
    in.templates.body.lines = {
        QStringLiteral("0>20>"), QStringLiteral("ДАТА ТЕПЛО"), QStringLiteral("0> 20 >"),  QStringLiteral("@06 @07"),
        QStringLiteral("{^"),    QStringLiteral("{0>40>"),     QStringLiteral("{@21 @07"),
    };
    in.templates.items[6] = QStringLiteral("06.dd.mm~дата");
    in.templates.items[7] = QStringLiteral("07.%.0f~тепло");
    in.templates.footer.lines = {QStringLiteral("Низ @07")};
    in.context.deviceType = 234;
    in.context.serialText = QStringLiteral("77");
    in.context.kind = difference ? kDailyDifference : kDailyArchive;
    in.context.system = 0;
    in.entries = Entries234(rows, difference);
    in.difference = difference;
    return in;
}

std::vector<const PlacedText*> TextsOf(const ReportModel& m, const QString& text) {
    std::vector<const PlacedText*> found;
    for (const ReportPage& p : m.pages)
        for (const PlacedText& t : p.texts)
            if (t.text == text) found.push_back(&t);
    return found;
}

TEST(ReportLayout, TabStopLines) {
    const struct {
        const char* line;
        int right;
        std::vector<int> stops;
    } cases[] = {
        {"0>15>45>105>", 5, {0, 15, 45, 105}},
        {" 0 > 1 5>  45 >", 5, {0, 15, 45}},
        {"x>5>", 5, {0, 5}},
        {"254>255>300>", 5, {254, 189, 189}},
        {"300>", 10, {184}},
        {"2147483647>99999999999999999999999>", 5, {189, 189}},
        {"{0>15>", 5, {0, 15}},  // "{0" is not a number
        {"12", 5, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseTabStops(QString::fromUtf8(c.line), c.right), c.stops) << c.line;
    EXPECT_EQ(LineWords(QStringLiteral("  a   b c  ")), (QStringList{"a", "b", "c"}));
}

TEST(ReportLayout, WordsAtStopsSurplusDropped) {
    ReportInput in = Input(1, false);
    in.settings.left = 15;
    in.settings.right = 5;
    // Three stops, the last one above 254; four placeholders and a text line
    // with more words than stops.
    in.templates.body.lines = {QStringLiteral("0>30>300>"), QStringLiteral("один два три четыре"),
                               QStringLiteral("@06 @07 @01 @06")};
    const ReportModel m = LayoutReport(in, FixedHeight);
    ASSERT_EQ(m.pages.size(), 1u);
    EXPECT_DOUBLE_EQ(TextsOf(m, "один")[0]->x, 15.0);
    EXPECT_DOUBLE_EQ(TextsOf(m, "два")[0]->x, 45.0);
    EXPECT_DOUBLE_EQ(TextsOf(m, "три")[0]->x, 15.0 + 189.0);
    EXPECT_TRUE(TextsOf(m, "четыре").empty());
    // The row: date, heat, serial at the three stops; the fourth value dropped.
    EXPECT_EQ(TextsOf(m, "01.01").size(), 1u);
    EXPECT_DOUBLE_EQ(TextsOf(m, "77").back()->x, 15.0 + 189.0);
}

TEST(ReportLayout, LineIntervalOnlyAfterTabStopLines) {
    for (int interval : {-1, 0, 1, 2}) {
        ReportInput in = Input(3, false);
        in.settings.lineInterval = interval;
        in.templates.header.lines = {QStringLiteral("В1"), QStringLiteral("В2")};
        in.templates.footer.lines = {QStringLiteral("Н1"), QStringLiteral("Н2")};
        const ReportModel m = LayoutReport(in, FixedHeight);
        const double rowStep = TextsOf(m, "02.01")[0]->y - TextsOf(m, "01.01")[0]->y;
        EXPECT_DOUBLE_EQ(rowStep, kLine + interval) << interval;
        EXPECT_DOUBLE_EQ(TextsOf(m, "В2")[0]->y - TextsOf(m, "В1")[0]->y, kLine) << interval;
        EXPECT_DOUBLE_EQ(TextsOf(m, "Н2")[0]->y - TextsOf(m, "Н1")[0]->y, kLine) << interval;
    }
    int interval = 0;
    std::vector<int> seen;
    for (int i = 0; i < 5; ++i) seen.push_back(interval = NextLineInterval(interval));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, -1, 0, 1}));
}

TEST(ReportLayout, RowsInFamilyOrderWithTotalsForDifferenceKinds) {
    ReportInput in = Input(3, true);
    ReportModel m = LayoutReport(in, FixedHeight);
    // 234 prints from the oldest entry; the totals entry is no row.
    EXPECT_LT(TextsOf(m, "01.01")[0]->y, TextsOf(m, "03.01")[0]->y);
    ASSERT_EQ(TextsOf(m, "Итого:").size(), 1u);
    EXPECT_DOUBLE_EQ(TextsOf(m, "999")[0]->x, in.settings.left + 40.0);  // totals at the totals block's stops
    EXPECT_EQ(TextsOf(m, "Низ 999").size(), 1u);                         // the footer from the totals entry
    EXPECT_GT(TextsOf(m, "Итого:")[0]->y, TextsOf(m, "03.01")[0]->y);

    // A cumulative tab has no totals block; 235 prints from the newest entry.
    in = Input(3, false);
    in.context.deviceType = 235;
    in.templates.items = DefaultItems("30");
    in.templates.items[6] = QStringLiteral("06.dd.mm~дата");
    m = LayoutReport(in, FixedHeight);
    EXPECT_TRUE(TextsOf(m, "Итого:").empty());
    EXPECT_GT(TextsOf(m, "01.01")[0]->y, TextsOf(m, "03.01")[0]->y);

    // No entries: no rows, the footer from an all-zero record.
    in = Input(0, true);
    in.entries.clear();
    m = LayoutReport(in, FixedHeight);
    EXPECT_EQ(TextsOf(m, "Итого:").size(), 1u);
    EXPECT_EQ(TextsOf(m, "0").size(), 1u);
    EXPECT_EQ(TextsOf(m, "Низ 0").size(), 1u);
}

TEST(ReportLayout, PageFilledExactlyContinuesWithTheBodyHead) {
    // Where the rows lie on an endless page.
    ReportInput tall = Input(40, false);
    tall.pageHeight = 10000;
    const ReportModel endless = LayoutReport(tall, FixedHeight);
    // Make row 10 end the page exactly: its baseline on the bottom edge.
    const double row10 = TextsOf(endless, "10.01")[0]->y;

    ReportInput in = Input(40, false);
    in.pageHeight = row10 + in.settings.bottom;
    const ReportModel m = LayoutReport(in, FixedHeight);
    ASSERT_GE(m.pages.size(), 2u);
    const ReportPage& first = m.pages[0];
    EXPECT_EQ(first.texts.back().text, "10");  // the heat of row 10 ends page 1
    EXPECT_DOUBLE_EQ(first.texts.back().y, m.frameBottom);
    for (const ReportPage& p : m.pages)
        for (const PlacedText& t : p.texts) EXPECT_LE(t.y, m.frameBottom) << t.text.toStdString();
    // Page 2 starts with the body head one line below the top margin, then row 11.
    const ReportPage& second = m.pages[1];
    ASSERT_GE(second.texts.size(), 3u);
    EXPECT_EQ(second.texts[0].text, "ДАТА");
    EXPECT_DOUBLE_EQ(second.texts[0].y, in.settings.top + kLine);
    EXPECT_EQ(second.texts[2].text, "11.01");
    // Forty rows at nine or ten a page; the frame is on every page.
    EXPECT_TRUE(m.frame);
    EXPECT_DOUBLE_EQ(m.frameRight, in.pageWidth - in.settings.right);

    // Exactly ten rows: no page with only a body head.
    in.entries = Entries234(10, false);
    in.templates.footer.lines.clear();
    EXPECT_EQ(LayoutReport(in, FixedHeight).pages.size(), 1u);
}

TEST(ReportLayout, HostileTemplatesLayOutWithoutFault) {
    ReportInput in = Input(5, true);
    in.templates.header.font.size = kTemplateFontMaxSize;
    in.templates.body.lines = {QStringLiteral("2147483647>-2147483648>0>"), QStringLiteral("@@@@ @0 @ @9"),
                               QStringLiteral("{@21 @07 @99 @40"), QStringLiteral("{>>>>")};
    in.templates.items[7] = QStringLiteral("07.%2147483647.2147483647f~");
    in.templates.items[21] = QString(200, QChar('@'));
    in.settings = PrintSettings{-100, 10000, 300, -5, -1, true};
    const ReportModel m = LayoutReport(in);
    EXPECT_FALSE(m.pages.empty());
}

}  // namespace
}  // namespace omi
