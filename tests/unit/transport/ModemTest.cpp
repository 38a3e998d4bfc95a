// The modem's dial string from a stored connection, the reading of its
// replies, and the connection list kept sorted with one row per name.

#include "transport/Modem.h"

#include <gtest/gtest.h>

namespace omi {
namespace {

TEST(Modem, DialStringFromItsParts) {
    ModemConnection c;
    c.telephone = "1234567";
    EXPECT_EQ(DialString(c), QStringLiteral("ATDT1234567\r"));
    c.exitCode = "9";
    c.longDistanceCode = "8";
    c.cityCode = "495";
    EXPECT_EQ(DialString(c), QStringLiteral("ATDT9W8W4951234567\r"));
    c.tone = false;
    c.exitCode.clear();
    EXPECT_EQ(DialString(c), QStringLiteral("ATDP8W4951234567\r"));
}

TEST(Modem, RepliesReadAsTheModemPageReadsThem) {
    struct Case {
        QByteArray reply;
        const char* command;
        const char* reduced;
        DialOutcome outcome;
        const char* failure;
    };
    const Case cases[] = {
        {"ATDT525\r\r\nBUSY\r\n", "ATDT525\r", "BUSY", DialOutcome::Failed, "BUSY (занято)"},
        {"\r\nCONNECT 9600\r\n", "ATDT525\r", "CONNECT", DialOutcome::Connected, ""},
        {"\r\nOK\r\n", "ATDT525\r", "OK", DialOutcome::Connected, ""},
        {"\r\nNO CARRIER\r\n", "ATDT525\r", "NOCARRIER", DialOutcome::Failed, "NOCARRIER (нет несущей)"},
        {"\r\nNO DIALTONE\r\n", "ATDT525\r", "NODIALTONE", DialOutcome::Failed, "NODIALTONE (нет гудка)"},
        {"ATDT525\r", "ATDT525\r", "", DialOutcome::Waiting, ""},  // only the echo so far
        {"\r\nERROR\r\n", "ATDT525\r", "ERROR", DialOutcome::Failed, "ERROR"},
    };
    for (const Case& c : cases) {
        const QString reduced = ReduceModemReply(c.reply, QString::fromLatin1(c.command));
        EXPECT_EQ(reduced, QString::fromLatin1(c.reduced)) << c.reply.toStdString();
        EXPECT_EQ(JudgeDialReply(reduced), c.outcome) << c.reduced;
        if (c.outcome == DialOutcome::Failed) {
            EXPECT_EQ(DialFailureText(reduced), QString::fromUtf8(c.failure));
        }
    }
}

TEST(Modem, ConnectionListStaysSortedWithOneRowPerName) {
    Grid list = DefaultConnectionList();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(ConnectionOfRow(list[1]).telephone, QStringLiteral("525"));
    EXPECT_EQ(ConnectionOfRow(list[1]).port, QStringLiteral("COM5"));

    ModemConnection a;
    a.name = "АЛЬФА";
    a.telephone = "111";
    a.tone = false;
    a.exitCode = "9";
    StoreConnection(list, a);
    a.telephone = "222";  // the same name again: overwritten
    StoreConnection(list, a);
    ModemConnection z;
    z.name = "ЯКОРЬ";
    z.telephone = "333";
    StoreConnection(list, z);
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list[0], ConnectionListHeadings());
    EXPECT_EQ(list[1][0], QStringLiteral("АЛЬФА"));
    EXPECT_EQ(list[2][0], QStringLiteral("ОРВАЛИС"));
    EXPECT_EQ(list[3][0], QStringLiteral("ЯКОРЬ"));
    const ModemConnection back = ConnectionOfRow(list[1]);
    EXPECT_EQ(back.telephone, QStringLiteral("222"));
    EXPECT_FALSE(back.tone);
    EXPECT_EQ(back.exitCode, QStringLiteral("9"));

    DeleteConnection(list, "ОРВАЛИС");
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[2][0], QStringLiteral("ЯКОРЬ"));
    DeleteConnection(list, "НАИМЕНОВАНИЕ");  // the headings are not an entry
    EXPECT_EQ(list[0], ConnectionListHeadings());
}

}  // namespace
}  // namespace omi
