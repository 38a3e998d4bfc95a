#include "support/Format.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QRandomGenerator>

#include <cmath>
#include <limits>

namespace omi {
namespace {

struct FormatCase {
    const char* fmt;
    QList<FormatArg> args;
    const char* expected;
};

void CheckTable(const std::vector<FormatCase>& cases) {
    for (const FormatCase& c : cases)
        EXPECT_EQ(Format(QString::fromUtf8(c.fmt), c.args), QString::fromUtf8(c.expected)) << "format: " << c.fmt;
}

// The format texts the program itself uses, with typical arguments.
TEST(Format, ProgramTexts) {
    CheckTable({
        {"архив прочитан от %s г. до %s г.", {"01.03.2026", "07.03.2026"}, "архив прочитан от 01.03.2026 г. до 07.03.2026 г."},
        {"\\\\.\\COM%d", {12}, "\\\\.\\COM12"},
        {"скорость ответа %d Kb/ceк", {31}, "скорость ответа 31 Kb/ceк"},
        {"%sчасовой=%d%sсуточный=%d", {"\t", 1022, "\t", 126}, "\tчасовой=1022\tсуточный=126"},
        {"Запрос(day %s):%d %d %d %s", {"9563", 12, 1, 268, "\t"}, "Запрос(day 9563):12 1 268 \t"},
        {"чтение архива. Ждите... %d мин %d сек", {3, 5}, "чтение архива. Ждите... 3 мин 5 сек"},
        {"%d=%.2d(%s)%s", {4, 7, "07", "\t"}, "4=07(07)\t"},
        {"%d=%.2d(%s)%s", {5, 250, "FA", "\t"}, "5=250(FA)\t"},
        {"%d:Ошибка чтения текущих номеров записей. Повторите...", {-9}, "-9:Ошибка чтения текущих номеров записей. Повторите..."},
        {"%.3d=%d hex=%s", {5, 250, "FA"}, "005=250 hex=FA"},
        {"%.3d=%.2d(%s) %s", {1, 6, "06", "ACK"}, "001=06(06) ACK"},
        {"%.2d:%.2d", {7, 5}, "07:05"},
        {"%.2d:%.2d", {-7, 5}, "-07:05"},
        {"ИТОГО(%d):\t%d\t", {31, 31}, "ИТОГО(31):\t31\t"},
        {"%s.%df", {"%", 3}, "%.3f"},
        {"ОМИ=%d № %d архив=%s", {234, 15, "atDay"}, "ОМИ=234 № 15 архив=atDay"},
        {"записей в арх =%d(от 1)+остаток=%dбайт", {366, 2}, "записей в арх =366(от 1)+остаток=2байт"},
        {"УРОВЕНЬ ДОСТУПА=%d (должен быть от 1 до 3), заменен на 1", {7}, "УРОВЕНЬ ДОСТУПА=7 (должен быть от 1 до 3), заменен на 1"},
        {"%s=%d;%d//Panel.Height;Width", {"Panel1", 120, 300}, "Panel1=120;300//Panel.Height;Width"},
        {"%s=%s//1-checked", {"CLB", "101"}, "CLB=101//1-checked"},
        {"%s=%d;//Color", {"Splitter1", -16777201}, "Splitter1=-16777201;//Color"},
        {"%s %s %d %d %s", {"T1", "B", 3, 200, "норма"}, "T1 B 3 200 норма"},
        {"%s=%f", {"S", 1.5}, "S=1,50"},
        {"%d.=%d (0x%s)", {0, 6, "06"}, "0.=6 (0x06)"},
        {"%s № %d: %S", {"ОМИ-1 Б5", 15, "текст"}, "ОМИ-1 Б5 № 15: текст"},
        {"\\%.5d", {15}, "\\00015"},
        {"\\%s от %.2d%.2d%.2d_%s", {"СУТОЧНЫЙ", 3, 7, 9, "15D234"}, "\\СУТОЧНЫЙ от 030709_15D234"},
        // Report items.
        {"%-25.1f|", {1234.56}, "1234,6                   |"},
        {"%10.1f", {-5.25}, "      -5,3"},
        {"%.2d:00", {9}, "09:00"},
        {"%dдн%.2d:%.2d", {1, 1, 5}, "1дн01:05"},
        {"от %s до %s", {"01.03.2026", "07.03.2026"}, "от 01.03.2026 до 07.03.2026"},
        {"%d", {1234.4}, "1234"},  // real values printed with "%d" are rounded
        {"%d", {2.6}, "3"},
        {"%d", {-2.5}, "-3"},
        {"Итого:", {}, "Итого:"},
    });
}

TEST(Format, Reals) {
    CheckTable({
        {"%f", {1.5}, "1,50"},
        {"%f", {3}, "3,00"},  // an integer where a real is expected is used as one
        {"%.5f", {1.5}, "1,50000"},
        {"%.0f", {2.5}, "3"},
        {"%.2f", {0.125}, "0,13"},
        {"%.2f", {2.675}, "2,68"},  // rounded at 15 digits first, then halves away from zero
        {"%.1f", {55.55}, "55,6"},
        {"%.2f", {-0.001}, "0,00"},
        {"%.2f", {999.999}, "1000,00"},
        {"%f", {1e20}, "1E20"},
        {"%f", {std::numeric_limits<double>::infinity()}, "INF"},
        {"%f", {std::nan("")}, "NAN"},
        {"%e", {1000.0}, "1,00000000000000E+003"},
        {"%.3e", {-0.0012345}, "-1,23E-003"},
        {"%.3e", {0.0}, "0,00E+000"},
        {"%g", {0.5}, "0,5"},
        {"%g", {100}, "100"},
        {"%g", {0.00001}, "0,00001"},
        {"%g", {0.000001}, "1E-6"},
        {"%g", {1.0 / 3}, "0,333333333333333"},
        {"%.3g", {123456.0}, "1,23E5"},
        {"%n", {1234567.891}, "1 234 567,89"},
        {"%.0n", {999.5}, "1 000"},
        {"%n", {-1234.5}, "-1 234,50"},
        {"%m", {1234.5}, "1 234,50 р."},
    });
    const QString third = Format(QStringLiteral("%.99f"), {1.0 / 3});
    EXPECT_EQ(third, QStringLiteral("0,") + QString(15, u'3') + QString(84, u'0'));
}

TEST(Format, IntegersWidthsAndIndexes) {
    CheckTable({
        {"%x", {255}, "FF"},
        {"%X", {-1}, "FFFFFFFF"},
        {"%.4x", {10}, "000A"},
        {"%x", {255.6}, "100"},
        {"%u", {-1}, "4294967295"},
        {"%u", {18446744073709551615ULL}, "18446744073709551615"},
        {"%d", {-9223372036854775807LL - 1}, "-9223372036854775808"},
        {"%p", {255}, "000000FF"},
        {"%5d|%-5d|", {42, 42}, "   42|42   |"},
        {"%5s|%.2s|", {"ab", "abcdef"}, "   ab|ab|"},
        {"%*d", {5, 42}, "   42"},
        {"%-*.*f|", {8, 1, 2.25}, "2,3     |"},
        {"%1:s %0:s %s", {"a", "b"}, "b a b"},
        {"%s %s", {42, 1.5}, "42 1,5"},
        {"100%% готово", {}, "100% готово"},
    });
}

// Format texts come from files and users: every mismatch gives a short
// marker, never a crash or a huge text.
TEST(Format, MismatchesAndRefusedSpecifiers) {
    CheckTable({
        {"%d", {"abc"}, "?"},
        {"%f", {"abc"}, "?"},
        {"%x", {"abc"}, "?"},
        {"%d %d", {1}, "1 ?"},
        {"%f", {}, "?"},
        {"[%5f]", {}, "[    ?]"},
        {"%2:d", {1}, "?"},
        {"%d", {std::nan("")}, "?"},
        {"%d", {1e300}, "?"},
        {"%2147483647d", {1}, "%?"},
        {"%.2147483647f", {1.0}, "%?"},
        {"%999s", {"a"}, "%?"},
        {"%.100f", {1.0}, "%?"},
        {"%100:d", {1}, "%?"},
        {"%*d", {1000, 1}, "%?"},
        {"%*d", {"a", 1}, "%?"},
        {"%k%d", {4}, "%?4"},
        {"100% готово", {}, "100%? готово"},
        {"abc%", {}, "abc%?"},
        {"%-", {}, "%?"},
        {"%.", {1.0}, "%?"},
    });
}

// Random specifiers over random arguments: each one yields a bounded
// text (99 characters of width or decimals at most), never a crash.
TEST(Format, RandomTextsStayBounded) {
    QRandomGenerator random(20260307);
    const QString alphabet = QStringLiteral("%%%%.-*:0123456789999dDfFsSxXeEgGnNmMuUpPkй ");
    const QList<FormatArg> args = {7, -1.5e300, "текст", 99, 18446744073709551615ULL, std::nan(""), 0.000123};
    for (int round = 0; round < 20000; ++round) {
        QString fmt;
        const int length = random.bounded(1, 16);
        for (int i = 0; i < length; ++i) fmt += alphabet[random.bounded(alphabet.size())];
        const QString out = Format(fmt, args.mid(0, random.bounded(args.size() + 1)));
        EXPECT_LE(out.size(), fmt.count(u'%') * 140 + fmt.size()) << fmt.toStdString();
    }
}

TEST(Format, ValidFormatText) {
    const struct {
        const char* fmt;
        bool valid;
    } cases[] = {
        {"%.2d:%.2d", true}, {"%-25.1f", true},  {"100%%", true},        {"%1:s %*d", true}, {"нет подстановок", true},
        {"%.100f", false},   {"%2147483647d", false}, {"%q", false}, {"конец %", false},   {"% d", false},
    };
    for (const auto& c : cases) {
        QString why = QStringLiteral("старое");
        EXPECT_EQ(ValidFormatText(QString::fromUtf8(c.fmt), &why), c.valid) << c.fmt;
        EXPECT_EQ(why.isEmpty(), c.valid) << c.fmt << " why=" << why.toStdString();
    }
    QString why;
    ValidFormatText(QStringLiteral("ab%2147483647d"), &why);
    EXPECT_EQ(why, QStringLiteral("ошибка формата в позиции 3: число больше 99"));
}

TEST(Format, FloatAndDisplayFormat) {
    EXPECT_EQ(FormatFloat(1.5, 3), QStringLiteral("1,500"));
    EXPECT_EQ(FormatFloat(-2.5, 0), QStringLiteral("-3"));
    EXPECT_EQ(FormatFloat(1.0, 1000).size(), 2 + kFormatMaxField);

    EXPECT_EQ(DisplayFormat(), QStringLiteral("%f"));
    EXPECT_EQ(DisplayReal(12.345), QStringLiteral("12,35"));
    SetDisplayDecimals(4);
    EXPECT_EQ(DisplayFormat(), QStringLiteral("%.4f"));
    EXPECT_EQ(DisplayReal(12.34567), QStringLiteral("12,3457"));
    SetDisplayDecimals(-1);
    EXPECT_EQ(DisplayFormat(), QStringLiteral("%f"));
}

// Decimal comma and grouping are the same whatever locale the system has.
TEST(Format, IndependentOfLocale) {
    const QLocale saved;
    for (const QLocale& locale : {QLocale(QLocale::German), QLocale(QLocale::English, QLocale::UnitedStates), QLocale::c()}) {
        QLocale::setDefault(locale);
        EXPECT_EQ(Format(QStringLiteral("%f|%n|%e|%g"), {1.5, 1234.5, 1000.0, 0.25}),
                  QStringLiteral("1,50|1 234,50|1,00000000000000E+003|0,25"))
            << locale.name().toStdString();
    }
    QLocale::setDefault(saved);
}

}  // namespace
}  // namespace omi
