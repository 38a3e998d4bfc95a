#include "CollectSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include "store/MeterList.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace omi::cli {

std::optional<CollectSettings> ReadCollectSettings(const QString& path, QString* error) {
    const QString where = QStringLiteral("файл настроек ") + path;
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        *error = where + QStringLiteral(" не найден");
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = where + QStringLiteral(" не читается: ") + file.errorString();
        return std::nullopt;
    }
    QString decodeError;
    // The same encodings as a meter list: what an editor on either desktop saves.
    const QString text = DecodeMeterListBytes(file.readAll(), &decodeError);
    if (!decodeError.isEmpty()) {
        *error = where + QStringLiteral(": ") + decodeError;
        return std::nullopt;
    }
    CollectSettings s;
    QStringList seen;
    const QStringList lines = text.split(QLatin1Char('\n'));
    const auto bad = [&](int n, const QString& what) {
        *error = where + QStringLiteral(", строка %1: ").arg(n) + what;
        return std::nullopt;
    };
    for (int i = 0; i < lines.size(); ++i) {
        const int n = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) return bad(n, QStringLiteral("ожидается ИМЯ = ЗНАЧЕНИЕ, а не \"%1\"").arg(line));
        const QString name = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (seen.contains(name)) return bad(n, QStringLiteral("параметр %1 задан второй раз").arg(name));
        seen << name;
        bool ok = false;
        if (name == QLatin1String("list")) {
            if (value.isEmpty()) return bad(n, QStringLiteral("list: не указан файл списка приборов"));
            s.list = QFileInfo(value).isAbsolute() ? value : QFileInfo(path).dir().filePath(value);
        } else if (name == QLatin1String("store")) {
            if (value.isEmpty()) return bad(n, QStringLiteral("store: не указано хранилище"));
            // A file is found beside the settings, as the list is.
            const bool url =
                value.startsWith(QLatin1String("postgresql://")) || value.startsWith(QLatin1String("postgres://"));
            s.store = url || QFileInfo(value).isAbsolute() ? value : QFileInfo(path).dir().filePath(value);
        } else if (name == QLatin1String("archives")) {
            const QStringList words =
                value.toLower().split(QRegularExpression(QStringLiteral("[\\s,+;]+")), Qt::SkipEmptyParts);
            s.daily = false;
            s.hourly = false;
            for (const QString& w : words) {
                if (w == QLatin1String("daily"))
                    s.daily = true;
                else if (w == QLatin1String("hourly"))
                    s.hourly = true;
                else
                    return bad(n, QStringLiteral("archives: \"%1\" - не архив; можно daily, hourly или оба").arg(w));
            }
            if (words.isEmpty()) return bad(n, QStringLiteral("archives: не указан ни один архив (daily, hourly)"));
        } else if (name == QLatin1String("jobs")) {
            const int v = value.toInt(&ok);
            if (!ok || v < 1 || v > 256)
                return bad(n, QStringLiteral("jobs: нужно число от 1 до 256, а не \"%1\"").arg(value));
            s.jobs = v;
        } else if (name == QLatin1String("timeout")) {
            const int v = value.toInt(&ok);
            if (!ok || v < 1 || v > 60000)
                return bad(n, QStringLiteral("timeout: нужно время ответа в мс от 1 до 60000, а не \"%1\"").arg(value));
            s.timeoutMs = v;
        } else {
            return bad(
                n, QStringLiteral("неизвестный параметр \"%1\" (есть list, store, archives, jobs, timeout)").arg(name));
        }
    }
    if (s.list.isEmpty()) {
        *error = where + QStringLiteral(": нет параметра list - файла списка приборов");
        return std::nullopt;
    }
    return s;
}

ListRunLock::~ListRunLock() {
#ifndef _WIN32
    if (fd_ >= 0) ::close(fd_);
#endif
}

bool ListRunLock::TryLock(const QString& list, bool* busy, QString* error) {
    *busy = false;
#ifndef _WIN32
    const QByteArray name = QFile::encodeName(QFileInfo(list).absoluteFilePath());
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("список ") + list + QStringLiteral(" не открывается: ") +
                 QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        if (code == EWOULDBLOCK) {
            *busy = true;
            return false;
        }
        *error = QStringLiteral("список ") + list + QStringLiteral(" не блокируется: ") +
                 QString::fromLocal8Bit(std::strerror(code));
        return false;
    }
    fd_ = fd;
#else
    Q_UNUSED(list);
    Q_UNUSED(error);
#endif
    return true;
}

}  // namespace omi::cli
