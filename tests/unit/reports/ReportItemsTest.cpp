#include "reports/ReportItems.h"

#include <gtest/gtest.h>

namespace omi {
namespace {

TEST(ReportItems, TemplateFamilyByDeviceType)
{
    const struct { int type; const char* family; } cases[] = {
        {225, "25"}, {227, "27"}, {228, "28"}, {229, "29"}, {230, "30"}, {235, "30"},
        {237, "30"}, {234, "34"}, {236, "34"}, {128, ""}, {226, ""}, {231, ""}, {0, ""}, {-1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TemplateFamily(c.type), QString::fromLatin1(c.family)) << c.type;
}

TEST(ReportItems, CountsMatchListsAndNumbering)
{
    const struct { const char* family; int count; } cases[] = {
        {"25", 23}, {"27", 21}, {"28", 24}, {"29", 41}, {"30", 24}, {"34", 41},
    };
    for (const auto& c : cases) {
        const QString family = QString::fromLatin1(c.family);
        EXPECT_EQ(ItemCount(family), c.count) << c.family;
        const QStringList& items = DefaultItems(family);
        ASSERT_EQ(items.size(), c.count) << c.family;
        // Every item starts with its own two-digit number and a point.
        for (int i = 0; i < items.size(); ++i)
            EXPECT_TRUE(items[i].startsWith(QString::asprintf("%02d.", i))) << c.family << " " << i;
    }
    EXPECT_EQ(ItemCount(QStringLiteral("26")), 0);
    EXPECT_EQ(ItemCount(QString()), 0);
    EXPECT_TRUE(DefaultItems(QStringLiteral("35")).isEmpty());
}

TEST(ReportItems, SharedLists)
{
    EXPECT_EQ(DefaultItems(QStringLiteral("29")), DefaultItems(QStringLiteral("34")));
    EXPECT_EQ(DefaultItems(QStringLiteral("28")), DefaultItems(QStringLiteral("30")));
    EXPECT_NE(DefaultItems(QStringLiteral("25")), DefaultItems(QStringLiteral("27")));
}

TEST(ReportItems, ExactTexts)
{
    // "apx" is Latin, "С" after the degree sign Cyrillic; trailing blanks are part of the text.
    const QString apxSupply = QStringLiteral("12.%10.1f~apx t\u00B0\u0421 подача");
    const struct { const char* family; int index; QString text; } cases[] = {
        {"34", 0, QStringLiteral("00.%s~Тип устройства,")},
        {"34", 6, QStringLiteral("06.dd\".\"mm\".\"yy~арх дата")},
        {"34", 12, apxSupply},
        {"34", 14, QStringLiteral("14.%10.1f~apx t\u00B0\u0421 дополнительная  ")},
        {"34", 21, QStringLiteral("21.Итого:~слово ИТОГО:")},
        {"34", 27, QStringLiteral("27.%d~арх Объем V1 за отч.период")},
        {"34", 40, QStringLiteral("40.%10.1f~ИТОГО Среднее арифметическое значение t\u00B0\u0421 подача-обратка")},
        {"28", 0, QStringLiteral("00.%s~Тип устройства,")},
        {"28", 6, QStringLiteral("06.dd\"/\"mm~арх дата")},
        {"28", 12, apxSupply},
        {"28", 16, QStringLiteral("16.%10.1f~арх давление 1   ")},
        {"28", 18, QStringLiteral("18.:%.2d~арх час записи")},
        {"28", 23, QStringLiteral("23.%d~арх наработка")},
        {"27", 0, QStringLiteral("00.%s~Тип устройства,")},
        {"27", 5, QStringLiteral("05.dd\"/\"mm~арх дата")},
        {"27", 9, QStringLiteral("09.%10.1f~арх Расход ГВС")},
        {"27", 12, apxSupply},
        {"27", 20, QStringLiteral("20.%dдн%.2d:%.2d~итого сумм время раб с ош")},
        {"25", 0, QStringLiteral("00.%s~Тип устройства,")},
        {"25", 9, QStringLiteral("09.%10.1f~арх Расход3")},
        {"25", 10, QStringLiteral("10.%10.1f~арх Расход без ГВС")},
        {"25", 12, apxSupply},
        {"25", 16, QStringLiteral("16.%10.1f~арх ЭЭ 1 тариф   ")},
        {"25", 17, QStringLiteral("17.%10.1f~арх ЭЭ 2 тариф ")},
        {"25", 22, QStringLiteral("22.%dдн%.2d:%.2d~итого сумм время раб с ош")},
    };
    for (const auto& c : cases) {
        const QStringList& items = DefaultItems(QString::fromLatin1(c.family));
        ASSERT_LT(c.index, items.size()) << c.family;
        EXPECT_EQ(items[c.index], c.text) << c.family << " " << c.index;
    }
}

TEST(ReportItems, FormatAndDescriptionSplit)
{
    const struct { QString item; QString format; QString description; } cases[] = {
        {QStringLiteral("04.от %s до %s~даты границ архива"), QStringLiteral("от %s до %s"),
         QStringLiteral("даты границ архива")},
        // Points inside the format and the description do not move the split.
        {QStringLiteral("06.dd\".\"mm\".\"yy~арх дата"), QStringLiteral("dd\".\"mm\".\"yy"),
         QStringLiteral("арх дата")},
        {QStringLiteral("26.%d~арх Тепл.энергия~за период"), QStringLiteral("%d"),
         QStringLiteral("арх Тепл.энергия~за период")},
        {QStringLiteral("17.%10.1f~арх давление 2 "), QStringLiteral("%10.1f"),
         QStringLiteral("арх давление 2 ")},
        {QStringLiteral("21.Итого:"), QStringLiteral("Итого:"), QString()},
        {QStringLiteral("05.~"), QString(), QString()},
        {QStringLiteral("%d~описание"), QStringLiteral("%d"), QStringLiteral("описание")},
        {QStringLiteral("ab~c.d"), QString(), QStringLiteral("c.d")},
        {QString(), QString(), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ItemFormat(c.item), c.format) << c.item.toStdString();
        EXPECT_EQ(ItemDescription(c.item), c.description) << c.item.toStdString();
    }
}

}  // namespace
}  // namespace omi
