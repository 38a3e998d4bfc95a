#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "reports/ReportItems.h"
#include "reports/ReportTemplates.h"
#include "support/TextCodec.h"

namespace omi {
namespace {

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ReportTemplates, FileNamesPerFamilyAndClass) {
    EXPECT_EQ(ItemListFileName("34"), QStringLiteral("ФОРМАТЫ_34.txt"));
    EXPECT_EQ(TemplateFileName(TemplatePart::Header, "34", false), QStringLiteral("ВЕРХ_СУТ_34.txt"));
    EXPECT_EQ(TemplateFileName(TemplatePart::Body, "27", false), QStringLiteral("ОСНОВА_СУТ_27.txt"));
    EXPECT_EQ(TemplateFileName(TemplatePart::Footer, "30", true), QStringLiteral("НИЗ_ЧАС_30.txt"));
}

TEST(ReportTemplates, FontLineReadAndWritten) {
    const struct {
        const char* line;
        bool taken;
        TemplateFont font;  // starting from the default font
    } cases[] = {
        {"Name=MS Sans Serif\tSize=8\tBold\t", true, {"MS Sans Serif", 8, true, false}},
        {"Name=Arial\tSize=12\tItalic\t", true, {"Arial", 12, false, true}},
        {"Name=Arial\tSize=x\t", true, {"Arial", 8, false, false}},
        {"Name=Arial\t", true, {"Arial", 8, false, false}},
        {"Name=Arial\tSize=2147483647\t", true, {"Arial", kTemplateFontMaxSize, false, false}},
        {"Name=Arial\tSize=-5\tBoldItalic", true, {"Arial", kTemplateFontMinSize, true, true}},
        {"ДАТА ТЕПЛО", false, {}},
        {"a=b без табуляции", false, {}},
    };
    for (const auto& c : cases) {
        QStringList lines{QString::fromUtf8(c.line), QStringLiteral("next")};
        TemplateFont font;
        EXPECT_EQ(TakeFontLine(lines, font), c.taken) << c.line;
        EXPECT_EQ(font, c.font) << c.line;
        EXPECT_EQ(lines.size(), c.taken ? 1 : 2) << c.line;
    }
    // Bold and italic are only switched on by a font line.
    QStringList lines{QStringLiteral("Name=Arial\tSize=9\t")};
    TemplateFont font{"X", 8, true, true};
    TakeFontLine(lines, font);
    EXPECT_TRUE(font.bold && font.italic);
    // Written and read back.
    const TemplateFont written{"DejaVu Sans", 11, true, true};
    QStringList back{FontLine(written)};
    TemplateFont read;
    ASSERT_TRUE(TakeFontLine(back, read));
    EXPECT_EQ(read, written);
    EXPECT_EQ(FontLine(BuiltInHeader().font), QStringLiteral("Name=MS Sans Serif\tSize=8\tBold\t"));
}

TEST(ReportTemplates, MissingFilesGiveDefaultsAndKeepMemos) {
    QTemporaryDir dir;
    TemplateSet set = BuiltInTemplateSet("34");
    set.items.clear();
    set.body.lines = QStringList{QStringLiteral("мой текст")};
    LoadTemplateSet(dir.path(), "34", false, set);
    EXPECT_EQ(set.items, DefaultItems("34"));
    EXPECT_EQ(set.body.lines, QStringList{QStringLiteral("мой текст")});
    EXPECT_EQ(set.header.lines, BuiltInHeader().lines);

    // An item list of the wrong length falls back to the defaults as well.
    ASSERT_TRUE(WriteLines1251(dir.filePath(ItemListFileName("34")), {"00.%s~a", "01.%s~b"}).isEmpty());
    LoadTemplateSet(dir.path(), "34", false, set);
    EXPECT_EQ(set.items, DefaultItems("34"));
}

TEST(ReportTemplates, SaveAndLoadRoundTripIn1251) {
    QTemporaryDir dir;
    TemplateSet set = StandardTemplateSet("30", true);
    set.items[7] = QStringLiteral("07.%.3f~арх ТЕПЛО изменено");
    set.footer.font = TemplateFont{"DejaVu Sans Mono", 10, false, true};
    set.footer.lines << QStringLiteral("Подпись @02");
    ASSERT_EQ(SaveTemplateSet(dir.path(), "30", true, set), QString());

    // Windows-1251 with CR LF, the font line first.
    const QByteArray footer = FileBytes(dir.filePath(QStringLiteral("НИЗ_ЧАС_30.txt")));
    EXPECT_TRUE(footer.startsWith("Name=DejaVu Sans Mono\tSize=10\tItalic\t\r\n"));
    EXPECT_TRUE(footer.contains(ToCp1251(QStringLiteral("Подпись @02\r\n"))));
    // The daily files are not touched.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("НИЗ_СУТ_30.txt"))));

    TemplateSet back = BuiltInTemplateSet("30");
    LoadTemplateSet(dir.path(), "30", true, back);
    EXPECT_EQ(back.items, set.items);
    for (TemplatePart part : {TemplatePart::Header, TemplatePart::Body, TemplatePart::Footer}) {
        EXPECT_EQ(back.Part(part).lines, set.Part(part).lines) << int(part);
        EXPECT_EQ(back.Part(part).font, set.Part(part).font) << int(part);
    }
}

TEST(ReportTemplates, SaveReportsAFolderThatCannotBeWritten) {
    QTemporaryDir dir;
    EXPECT_FALSE(SaveTemplateSet(dir.filePath("нет/такой"), "34", false, BuiltInTemplateSet("34")).isEmpty());
}

TEST(ReportTemplates, StandardBodiesUseOnlyTheFamilysItems) {
    for (const char* f : {"25", "27", "28", "29", "30", "34"})
        for (bool hourly : {false, true}) {
            const QString family = QString::fromLatin1(f);
            const TemplateSet set = StandardTemplateSet(family, hourly);
            EXPECT_TRUE(IsStandardBody(set.body.lines));
            for (const QString& line : set.header.lines + set.body.lines + set.footer.lines)
                for (qsizetype p = line.indexOf('@'); p >= 0; p = line.indexOf('@', p + 1))
                    EXPECT_LT(line.mid(p + 1, 2).toInt(), ItemCount(family)) << f << " " << line.toStdString();
        }
    EXPECT_TRUE(IsStandardBody(BuiltInBody().lines));
    EXPECT_FALSE(IsStandardBody({QStringLiteral("^")}));
}

}  // namespace
}  // namespace omi
