#include "support/ShowValue.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QStringList>

namespace omi {
namespace {

TEST(ShowValue, TextByKind) {
    const struct {
        QVariant value;
        QString text;
    } cases[] = {
        {QVariant(42), "42"},
        {QVariant(qint64(-5000000000LL)), "-5000000000"},
        {QVariant(quint16(65535)), "65535"},
        {QVariant(QStringLiteral("НЕТ СВЯЗИ")), "НЕТ СВЯЗИ"},
        {QVariant(0.1), "0,1"},
        {QVariant(1.5f), "1,5"},
        {QVariant(-2.0), "-2"},
        {QVariant(true), "TRUE"},
        {QVariant(false), "F A L S E"},
        {QVariant(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 3))), "07.03.2026 09:05:03"},
        {QVariant(), "НЕ ОПОЗНАНЫЙ ВАРИЯНТ"},
        {QVariant(QStringList{"a"}), "НЕ ОПОЗНАНЫЙ ВАРИЯНТ"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShowValueText(c.value), c.text) << c.value.typeName();
    EXPECT_EQ(ShowValueMessage(7, QStringLiteral("код="), QStringLiteral("!")), QStringLiteral("код=7!"));
}

}  // namespace
}  // namespace omi
