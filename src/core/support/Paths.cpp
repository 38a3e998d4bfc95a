#include "support/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <mutex>

namespace omi {

const QString kDataFolderName = QStringLiteral("ДАННЫЕ");

namespace {
QString g_dataRoot;
}

QString ExeDir() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

namespace {

// The user's own data folder of an installed program: settings, archives and
// templates are written there, so it is the user's, not the read-only copy
// under <prefix>/share.
QString UserDataRoot() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/omi/") + kDataFolderName;
}

// Copies the files of the installed data folder that the user's folder does
// not have yet; what the user has (saved settings, edited texts) stays.
void SeedDataFolder(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        if (QFileInfo::exists(target)) continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (QFile::copy(source, target))
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    }
}

}  // namespace

QString InstalledDataRoot() { return QDir::cleanPath(ExeDir() + QStringLiteral("/../share/omi/") + kDataFolderName); }

QString DataRoot() {
    if (!g_dataRoot.isEmpty()) return g_dataRoot;
    const QString beside = ExeDir() + QLatin1Char('/') + kDataFolderName;
    // The build tree and an unpacked copy: the folder beside the executable.
    if (QFileInfo(beside).isDir()) return beside;
    // Installed (<prefix>/bin with <prefix>/share/omi/ДАННЫЕ): the user's
    // folder, filled from the installed one the first time.
    const QString installed = InstalledDataRoot();
    if (!QFileInfo(installed).isDir()) return beside;
    // Seeded once per user folder, also when lines in several threads ask
    // at the same moment.
    static std::mutex seeding;
    static QString seeded;
    const QString user = UserDataRoot();
    const std::lock_guard<std::mutex> lock(seeding);
    if (seeded != user) {
        QDir().mkpath(user);
        SeedDataFolder(installed, user);
        seeded = user;
    }
    return user;
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

QString SafeFileName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool bad = u < 0x20 || u == 0x7F || c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' ||
                         c == u'"' || c == u'<' || c == u'>' || c == u'|' || c.isSurrogate() ||
                         c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
                         c.category() == QChar::Separator_Paragraph;
        out += bad ? QChar(u'_') : c;
    }
    while (out.contains(QStringLiteral(".."))) out.replace(QStringLiteral(".."), QStringLiteral("_."));
    while (!out.isEmpty() && (out.endsWith(u'.') || out.endsWith(u' '))) out.chop(1);
    if (out.isEmpty()) return QStringLiteral("_");
    const QString stem = out.section(u'.', 0, 0).trimmed().toUpper();
    static const QStringList reserved{"CON", "PRN", "AUX", "NUL"};
    const bool numbered = stem.size() == 4 && (stem.startsWith("COM") || stem.startsWith("LPT")) &&
                          stem[3] >= u'1' && stem[3] <= u'9';
    if (reserved.contains(stem) || numbered) out.prepend(u'_');
    return out;
}

}  // namespace omi
