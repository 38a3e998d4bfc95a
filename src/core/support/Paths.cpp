#include "support/Paths.h"

#include <QCoreApplication>
#include <QDir>

namespace omi {

const QString kDataFolderName = QStringLiteral("ДАННЫЕ");

namespace {
QString g_dataRoot;
}

QString ExeDir() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString DataRoot() {
    if (!g_dataRoot.isEmpty()) return g_dataRoot;
    return ExeDir() + QLatin1Char('/') + kDataFolderName;
}

void SetDataRoot(const QString& dir) { g_dataRoot = dir.isEmpty() ? QString() : QDir::cleanPath(QDir(dir).absolutePath()); }

QString DataPath(const QStringList& names) {
    const qsizetype n = names.size();
    if (n == 0) return ExeDir();
    if (n == 1) return names[0] == kDataFolderName ? DataRoot() : ExeDir() + QLatin1Char('/') + names[0];

    QString path = ExeDir();
    qsizetype first = 0;
    if (n >= 3 && names[0] == kDataFolderName) {
        path = DataRoot();
        first = 1;
    }
    for (qsizetype i = first; i < n - 2; ++i)
        if (!names[i].isEmpty()) path += QLatin1Char('/') + names[i];
    if (!names[n - 2].isEmpty()) path += QLatin1Char('/') + names[n - 2] + QLatin1Char('.') + names[n - 1];
    return path;
}

}  // namespace omi
