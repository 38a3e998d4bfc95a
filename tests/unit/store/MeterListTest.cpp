// The meter list: columns by header name, either separator, quoted fields,
// and every bad line reported with its number while the others are kept.

#include <gtest/gtest.h>

#include "store/MeterList.h"

using namespace omi;

TEST(MeterList, ReadsColumnsByNameWithEitherSeparator) {
    const MeterList semicolon = ParseMeterList(
        "# meters of the district\n"
        "name;port;baud;line;serial;type;archives\n"
        "Котельная 1;/dev/ttyUSB0;19200;7E2;417;234;hourly\n"
        "\n"
        "\"Школа; корпус 2\";/dev/ttyUSB0;;;1001;ОМИ-1 Б4;\n");
    ASSERT_TRUE(semicolon.fatal.isEmpty()) << semicolon.fatal.toStdString();
    ASSERT_TRUE(semicolon.errors.isEmpty()) << semicolon.errors.join('\n').toStdString();
    ASSERT_EQ(semicolon.meters.size(), 2u);
    const Meter& a = semicolon.meters[0];
    EXPECT_EQ(a.lineNumber, 3);
    EXPECT_EQ(a.baud, 19200);
    EXPECT_EQ(a.dataBits, 7);
    EXPECT_EQ(a.parity, QChar('E'));
    EXPECT_EQ(a.stopBits, 2);
    EXPECT_EQ(a.type, 234);
    EXPECT_FALSE(a.daily);
    EXPECT_TRUE(a.hourly);
    const Meter& b = semicolon.meters[1];
    EXPECT_EQ(b.name, "Школа; корпус 2");
    EXPECT_EQ(b.type, 229);  // by model name
    EXPECT_EQ(b.baud, 9600);
    EXPECT_TRUE(b.daily && b.hourly);
    EXPECT_EQ(a.LineKey(), b.LineKey());  // one line: read one after another

    const MeterList comma = ParseMeterList("serial,udp,name\r\n77,10.0.0.5:5002,Больница\r\n78,10.0.0.5,Баня\r\n");
    ASSERT_EQ(comma.meters.size(), 2u);
    EXPECT_EQ(comma.meters[0].udpHost, "10.0.0.5");
    EXPECT_EQ(comma.meters[0].udpPort, 5002);
    EXPECT_EQ(comma.meters[1].udpPort, 5001);
    EXPECT_NE(comma.meters[0].LineKey(), comma.meters[1].LineKey());
    EXPECT_EQ(comma.meters[0].type, -1);
}

TEST(MeterList, BadLinesAreReportedWithTheirNumberAndSkipped) {
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {";/dev/ttyS0;;1;;", "нет имени"},
        {"A;;;1;;", "укажите одну линию"},
        {"A;/dev/ttyS0;h:5001;1;;", "укажите одну линию"},
        {"A;;h:0;1;;", "неверный порт UDP"},
        {"A;/dev/ttyS0;;0;;", "от 1 до 65535"},
        {"A;/dev/ttyS0;;70000;;", "от 1 до 65535"},
        {"A;/dev/ttyS0;;x;;", "от 1 до 65535"},
        {"A;/dev/ttyS0;;5;999;", "неизвестный тип"},
        {"A;/dev/ttyS0;;5;;monthly", "неизвестный архив"},
    };
    for (const Case& c : cases) {
        const MeterList list = ParseMeterList(QStringLiteral("name;port;udp;serial;type;archives\n"
                                                             "Хороший;/dev/ttyS1;;9;;\n") +
                                              QString::fromUtf8(c.line) + "\n");
        SCOPED_TRACE(c.line);
        ASSERT_EQ(list.errors.size(), 1);
        EXPECT_TRUE(list.errors[0].startsWith("строка 3: ")) << list.errors[0].toStdString();
        EXPECT_TRUE(list.errors[0].contains(QString::fromUtf8(c.message))) << list.errors[0].toStdString();
        ASSERT_EQ(list.meters.size(), 1u);  // the good line is kept
        EXPECT_EQ(list.meters[0].name, "Хороший");
    }
    const MeterList twice = ParseMeterList("name;port;serial;type\nA;/dev/ttyS0;5;234\nB;/dev/ttyS1;5;234\n");
    ASSERT_EQ(twice.errors.size(), 1);
    EXPECT_EQ(twice.errors[0], "строка 3: прибор № 5 уже есть в строке 2");
}

TEST(MeterList, AFileWithoutAUsableHeaderIsRefusedAsAWhole) {
    EXPECT_FALSE(ParseMeterList("# only a comment\n").fatal.isEmpty());
    EXPECT_TRUE(ParseMeterList("name;port;colour\n").fatal.contains("неизвестный столбец «colour»"));
    EXPECT_TRUE(ParseMeterList("name;port\nA;/dev/ttyS0\n").fatal.contains("serial"));
    EXPECT_TRUE(ReadMeterList("/nonexistent/meters.csv").fatal.startsWith("не могу открыть список приборов"));
}
