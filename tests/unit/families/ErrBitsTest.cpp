// Error codes as texts with the tables of the family 234/235.

#include <gtest/gtest.h>

#include "families/ErrBits.h"
#include "families/U34.h"

using namespace omi;

namespace {

QString entry(int code, const QString& text) {
    return QStringLiteral("Код=") + QString::number(code) + QStringLiteral(":\n\r") + text + QStringLiteral("\n\r");
}

TEST(ErrBits, CodesOfTheFamily234) {
    const QStringList& sys = u34::SystemErrorTexts();
    const QStringList& dev = u34::DeviceErrorTexts();
    ASSERT_EQ(sys.size(), 9);
    ASSERT_EQ(dev.size(), 6);
    const QString unknown = QStringLiteral("неизвестный");
    struct Case {
        const char* name;
        std::int32_t code;
        const QStringList& table;
        QString expected;
    };
    const Case cases[] = {
        {"no bit", 0, sys, QStringLiteral(" НОРМА")},
        {"no bit, device", 0, dev, QStringLiteral(" НОРМА")},
        {"bits 0 and 2, lowest first", 5, sys, entry(1, sys[1]) + entry(4, sys[3])},
        {"0x12: bits 1 and 4", 0x12, sys,
         entry(2, sys[2]) + entry(16, QStringLiteral("Расход теплоносителя выходит за предел минимального  значения"))},
        {"highest system bit", 128, sys, entry(128, sys[8])},
        {"system bit 8 has no text", 0x101, sys, entry(1, sys[1]) + entry(256, unknown)},
        {"device bit 5 has no text", 32, dev, entry(32, unknown)},
        {"device bits 0 and 4", 17, dev,
         entry(1, QStringLiteral("Ошибка АЦП.")) +
             entry(16, QStringLiteral("Отсутствие напряжения питания внешнего расходомера"))},
        {"negative code: its 32-bit pattern", INT32_MIN, dev, QStringLiteral("Код=2147483648:\n\rнеизвестный\n\r")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrBitsText(c.code, c.table), c.expected);
    }
    EXPECT_EQ(ErrBitsText(0, QStringList{}), QString());
}

TEST(ErrBits, TablesByDeviceTypeAndTag) {
    for (int type : {234, 235, 236, 237}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(ErrorTextTable(type, ErrorTag::Device), &u34::DeviceErrorTexts());
        EXPECT_EQ(ErrorTextTable(type, ErrorTag::System), &u34::SystemErrorTexts());
        EXPECT_EQ(ErrorTextTable(type, ErrorTag::None), nullptr);
    }
    EXPECT_EQ(ErrorTextTable(100, ErrorTag::Device), nullptr);
    EXPECT_EQ(ErrorTextTable(-1, ErrorTag::System), nullptr);
}

}  // namespace
