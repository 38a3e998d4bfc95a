// The meter list: columns by header name, either separator, quoted fields,
// and every bad line reported with its number while the others are kept.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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

namespace {
QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray out;
    for (const int v : values) out.append(static_cast<char>(v));
    return out;
}
}  // namespace

// The list as a spreadsheet or an editor saves it: the header "name;port;serial"
// and the meter "Дом;p;5" in every readable encoding, as literal bytes.
TEST(MeterList, ReadsEveryEncodingAListIsSavedIn) {
    const QByteArray header("name;port;serial\r\n");
    const auto utf16 = [](const QString& text, bool little) {
        QByteArray out;
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            const char lo = char(u & 0xFF), hi = char(u >> 8);
            out.append(little ? lo : hi).append(little ? hi : lo);
        }
        return out;
    };
    const QString text = QStringLiteral("name;port;serial\r\nДом;p;5\r\n");
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"UTF-8", header + bytesOf({0xD0, 0x94, 0xD0, 0xBE, 0xD0, 0xBC}) + ";p;5\r\n"},
        {"UTF-8 with BOM",
         bytesOf({0xEF, 0xBB, 0xBF}) + header + bytesOf({0xD0, 0x94, 0xD0, 0xBE, 0xD0, 0xBC}) + ";p;5\r\n"},
        {"Windows-1251", header + bytesOf({0xC4, 0xEE, 0xEC}) + ";p;5\r\n"},
        {"UTF-16LE with BOM", bytesOf({0xFF, 0xFE}) + utf16(text, true)},
        {"UTF-16BE with BOM", bytesOf({0xFE, 0xFF}) + utf16(text, false)},
    };
    // The UTF-16 bytes of the first letters, written out once by hand.
    ASSERT_EQ(utf16(QStringLiteral("nД"), true), bytesOf({0x6E, 0x00, 0x14, 0x04}));
    ASSERT_EQ(utf16(QStringLiteral("nД"), false), bytesOf({0x00, 0x6E, 0x04, 0x14}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString error = QStringLiteral("not cleared");
        const QString decoded = DecodeMeterListBytes(c.bytes, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        const MeterList list = ParseMeterList(decoded);
        ASSERT_TRUE(list.fatal.isEmpty()) << list.fatal.toStdString();
        ASSERT_EQ(list.meters.size(), 1u);
        EXPECT_EQ(list.meters[0].name, QStringLiteral("Дом"));
        EXPECT_EQ(list.meters[0].serial, 5);
    }
}

TEST(MeterList, RefusesWhatItCannotReadNamingTheEncoding) {
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* named;
    };
    const Case cases[] = {
        // "name" as UTF-16LE without a byte order mark.
        {"UTF-16 without BOM", bytesOf({0x6E, 0x00, 0x61, 0x00, 0x6D, 0x00, 0x65, 0x00}), "UTF-16 без метки"},
        {"UTF-32LE", bytesOf({0xFF, 0xFE, 0x00, 0x00, 0x6E, 0x00, 0x00, 0x00}), "UTF-32"},
        {"UTF-32BE", bytesOf({0x00, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0x00, 0x6E}), "UTF-32"},
        {"UTF-16LE cut in a character", bytesOf({0xFF, 0xFE, 0x6E, 0x00, 0x61}), "UTF-16 LE"},
        {"UTF-16BE with a lone surrogate", bytesOf({0xFE, 0xFF, 0x00, 0x6E, 0xD8, 0x00, 0x00, 0x61}), "UTF-16 BE"},
        {"a BOM over Windows-1251 bytes", bytesOf({0xEF, 0xBB, 0xBF, 0xC4, 0xEE, 0xEC}), "помечен как UTF-8"},
        {"the byte Windows-1251 lacks", bytesOf({0x6E, 0x98, 0xC4}), "Windows-1251 (байт 0x98)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_TRUE(DecodeMeterListBytes(c.bytes, &error).isEmpty());
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.named))) << error.toStdString();
    }
}

TEST(MeterList, AListFileInWindows1251KeepsItsNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("meters.csv");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // "name;udp;serial" / "Котельная;h;7" in Windows-1251.
    file.write("name;udp;serial\r\n" + bytesOf({0xCA, 0xEE, 0xF2, 0xE5, 0xEB, 0xFC, 0xED, 0xE0, 0xFF}) + ";h;7\r\n");
    file.close();
    const MeterList list = ReadMeterList(path);
    ASSERT_TRUE(list.fatal.isEmpty()) << list.fatal.toStdString();
    ASSERT_EQ(list.meters.size(), 1u);
    EXPECT_EQ(list.meters[0].name, QStringLiteral("Котельная"));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytesOf({0x6E, 0x00, 0x61, 0x00}));
    file.close();
    const MeterList refused = ReadMeterList(path);
    EXPECT_TRUE(refused.meters.empty());
    EXPECT_TRUE(refused.fatal.startsWith("meters.csv: ")) << refused.fatal.toStdString();
    EXPECT_TRUE(refused.fatal.contains("UTF-16")) << refused.fatal.toStdString();
}
