#pragma once
// Whole-file reads and writes for tests that check exact bytes on disk.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace omi::test {

inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace omi::test
