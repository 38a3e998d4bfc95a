#include "support/TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include <algorithm>
#include <array>

namespace omi {

namespace {

// Characters of the bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0 А..
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8 ..Я
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0 а..
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8 ..я
};

// Byte of a character, or -1 when the code page lacks it.
int ByteOf(char16_t c) {
    if (c < 0x80) return c;
    if (c >= 0x0410 && c <= 0x044F) return 0xC0 + (c - 0x0410);
    for (int i = 0; i < 64; ++i)
        if (kHigh[static_cast<std::size_t>(i)] == c) return 0x80 + i;
    return -1;
}

bool g_forceBuiltin = false;

bool QtHasCp1251() {
    static const bool has = QStringDecoder("windows-1251").isValid() && QStringEncoder("windows-1251").isValid();
    return has;
}

// Replaces every character the code page lacks (a surrogate pair counts as one) by '?'.
QString Mappable(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        out += ByteOf(c.unicode()) < 0 ? QChar(u'?') : c;
    }
    return out;
}

QString NormalizeLineEnds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

QByteArray ToCp1251Builtin(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    const QString clean = Mappable(text);
    for (const QChar c : clean) out.append(static_cast<char>(ByteOf(c.unicode())));
    return out;
}

QString FromCp1251Builtin(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        out += QChar(u < 0x80 ? char16_t(u) : kHigh[u - 0x80]);
    }
    return out;
}

void SetForceBuiltinCp1251(bool force) { g_forceBuiltin = force; }

bool Cp1251UsesQt() { return !g_forceBuiltin && QtHasCp1251(); }

QByteArray ToCp1251(const QString& text) {
    if (!Cp1251UsesQt()) return ToCp1251Builtin(text);
    QStringEncoder encoder("windows-1251");
    return encoder.encode(Mappable(text));
}

QString FromCp1251(const QByteArray& bytes) {
    if (!Cp1251UsesQt()) return FromCp1251Builtin(bytes);
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QByteArray ReadAtMost(QIODevice& file, qint64 limit) {
    // QIODevice::read(n) allocates n bytes before it reads; a read of the
    // limit would take 64 MB for every small file.
    const qint64 announced = std::clamp<qint64>(file.size() - file.pos(), 0, limit);
    QByteArray bytes = file.read(announced + 1);
    if (bytes.size() == announced + 1 && bytes.size() <= limit)  // the file is longer than it said
        bytes += file.read(limit + 1 - bytes.size());
    return bytes;
}

QString ReadTextFile1251(const QString& path, QString* error) {
    QString message;
    QString text;
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        message = QStringLiteral("не найден файл:\r") + path;
    } else if (file.size() > kMaxTextFileBytes) {
        message = QStringLiteral("файл слишком большой:\r") + path;
    } else if (!file.open(QIODevice::ReadOnly)) {
        message = QStringLiteral("не могу прочитать файл:\r") + path;
    } else {
        const QByteArray bytes = ReadAtMost(file, kMaxTextFileBytes);
        if (file.error() != QFileDevice::NoError) message = QStringLiteral("не могу прочитать файл:\r") + path;
        else if (bytes.size() > kMaxTextFileBytes) message = QStringLiteral("файл слишком большой:\r") + path;
        else text = NormalizeLineEnds(FromCp1251(bytes));
    }
    if (error) *error = message;
    return text;
}

QStringList ReadLines1251(const QString& path, QString* error) {
    const QString text = ReadTextFile1251(path, error);
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
    return lines;
}

namespace {

// The reason of the last failed file operation in the user's words where the
// system's text would be English.
QString failureReason(int error, const QString& systemText) {
    switch (error) {
        case ENOSPC:
            return QStringLiteral("нет места на диске");
#ifdef EDQUOT
        case EDQUOT:
            return QStringLiteral("превышена квота диска");
#endif
        case EFBIG:
            return QStringLiteral("файл больше, чем разрешено записывать");
        case EISDIR:
            return QStringLiteral("под этим именем папка");
        case EROFS:
            return QStringLiteral("диск только для чтения");
        case EACCES:
        case EPERM:
            return QStringLiteral("нет прав на запись");
        default:
            return systemText;
    }
}

QString cannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("не могу записать файл:\r") + path +
           (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
}

std::filesystem::path fsPath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

// Moves a file over another one (replacing it); the reason on failure.
QString moveOver(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::rename(fsPath(from), fsPath(to), error);
    return error ? failureReason(error.value(), QString::fromStdString(error.message())) : QString();
}

}  // namespace

QString WriteToEnd(QFileDevice& file, const QByteArray& bytes) {
    errno = 0;
    const qint64 written = file.write(bytes);
    // Small writes only fill Qt's buffer: the disk is met at the flush.
    const bool flushed = written == bytes.size() && file.flush();
    if (flushed && file.error() == QFileDevice::NoError) return {};
    const int error = errno;
    const QString text = file.errorString();
    return failureReason(
        error, text.isEmpty()
                   ? QStringLiteral("записано %1 байт из %2").arg(std::max<qint64>(written, 0)).arg(bytes.size())
                   : text);
}

QString WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return cannotWrite(path, failureReason(errno, file.errorString()));
    const QString failed = WriteToEnd(file, bytes);
    if (!failed.isEmpty()) {
        // Nothing replaces the file that was there; the temporary goes.
        file.cancelWriting();
        file.commit();
        return cannotWrite(path, failed);
    }
    errno = 0;
    if (!file.commit()) return cannotWrite(path, failureReason(errno, file.errorString()));
    return {};
}

QString WriteFilesTogether(const std::vector<FileBytes>& files) {
    // 1. Every new file in full beside its target; the old files untouched.
    std::vector<std::unique_ptr<QTemporaryFile>> written;
    for (const FileBytes& f : files) {
        const QFileInfo target(f.path);
        auto file = std::make_unique<QTemporaryFile>(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                                                     QStringLiteral(".XXXXXX"));
        if (!file->open()) return cannotWrite(f.path, failureReason(errno, file->errorString()));
        QString failed = WriteToEnd(*file, f.bytes);
#ifdef Q_OS_UNIX
        // A file system that allocates late says "full" only here.
        if (failed.isEmpty() && ::fsync(file->handle()) != 0) failed = failureReason(errno, QString());
#endif
        file->close();
        if (failed.isEmpty() && file->error() != QFileDevice::NoError) failed = file->errorString();
        if (!failed.isEmpty()) return cannotWrite(f.path, failed);
        written.push_back(std::move(file));
    }
    // 2. The targets replaced in order, each in one step (a rename over it),
    // so a target is always there, old or new. The previous file is kept
    // under a second name first (a hard link, or a copy where the file
    // system has none) and comes back when a later target fails.
    struct Replaced {
        QString target;
        QString kept;  // empty: there was no previous file
    };
    std::vector<Replaced> done;
    const auto rollBack = [&] {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            if (it->kept.isEmpty())
                QFile::remove(it->target);
            else
                moveOver(it->kept, it->target);
        }
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString& target = files[i].path;
        Replaced r{target, {}};
        if (QFileInfo(target).isFile()) {
            r.kept = written[i]->fileName() + QStringLiteral(".old");
            std::error_code linked;
            std::filesystem::create_hard_link(fsPath(target), fsPath(r.kept), linked);
            if (linked && !QFile::copy(target, r.kept)) {
                rollBack();
                return cannotWrite(target, QStringLiteral("не могу сохранить прежний файл"));
            }
        }
        if (const QString failed = moveOver(written[i]->fileName(), target); !failed.isEmpty()) {
            if (!r.kept.isEmpty()) QFile::remove(r.kept);
            rollBack();
            return cannotWrite(target, failed);
        }
        written[i]->setAutoRemove(false);  // it is the target now
        done.push_back(r);
    }
    for (const Replaced& r : done)
        if (!r.kept.isEmpty()) QFile::remove(r.kept);
    return {};
}

QString WriteTextFile1251(const QString& path, const QString& text) {
    QString crlf = NormalizeLineEnds(text);
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return WriteFileBytes(path, ToCp1251(crlf));
}

QString WriteLines1251(const QString& path, const QStringList& lines) {
    QString text;
    for (const QString& line : lines) text += line + QStringLiteral("\r\n");
    return WriteFileBytes(path, ToCp1251(text));
}

}  // namespace omi
