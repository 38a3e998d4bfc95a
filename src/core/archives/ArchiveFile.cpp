#include "archives/ArchiveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <set>
#include <span>

#include "archives/ArchiveKinds.h"
#include "protocol/Models.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace omi {

const QString kCannotCreateFolder = QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР");

namespace {
const QString kArchivesFolderName = QStringLiteral("АРХИВЫ");
}

QString ArchivesRoot() { return DataPath({kDataFolderName, kArchivesFolderName, QString(), QString()}); }

QString ArchiveFolder(int type, int serial) {
    return ArchivesRoot() + QLatin1Char('/') + ModelName(type) + QLatin1Char('/') +
           Format(QStringLiteral("%.5d"), {serial});
}

QString MakeArchiveFolder(int type, int serial) {
    const QString model = ArchivesRoot() + QLatin1Char('/') + ModelName(type);
    for (const QString& dir : {DataRoot(), ArchivesRoot(), model, ArchiveFolder(type, serial)}) {
        if (QFileInfo(dir).isDir()) continue;
        if (!QDir().mkdir(dir)) return kCannotCreateFolder;
    }
    return {};
}

namespace {
// A tab caption as the start of a file name.
QString captionStem(const QString& tabCaption) {
    QString name = tabCaption;
    for (const QChar c : {u'/', u'\\', u':', u'-', u'+', u'.'}) name.replace(c, QLatin1Char('_'));
    return name;
}
}  // namespace

QString ProposedArchiveName(const QString& tabCaption, const QDate& first, const QDate& last, const QDateTime& now,
                            bool partial) {
    const QString name = captionStem(tabCaption);
    const QDate today = now.date();
    // The range with its years: a range over a year apart is not mistaken
    // for a few days.
    return SafeFileName(name +
                        Format(QStringLiteral("_от%.4d%.2d%.2dдо%.4d%.2d%.2dдз%.2d%.2d%.2d"),
                               {first.year(), first.month(), first.day(), last.year(), last.month(), last.day(),
                                today.month(), today.day(), now.time().hour()}) +
                        (partial ? QStringLiteral("_неполный") : QString()) + QStringLiteral(".Arh"));
}

ArchiveFileOrigin ArchiveFileOriginOf(const QString& path, int deviceType) {
    ArchiveFileOrigin origin;
    const QFileInfo info(path);
    // The folders above the file, nearest first (they need not exist).
    QStringList folders = QDir::fromNativeSeparators(path).split(QLatin1Char('/'));
    folders.removeLast();
    const QString serialFolder = folders.value(folders.size() - 1);
    bool number = serialFolder.size() == 5;
    for (const QChar c : serialFolder) number = number && c.isDigit();
    const int serial = number ? serialFolder.toInt() : -1;
    if (serial >= 1 && serial <= 65535) {
        origin.serial = serial;
        const int type = TypeOfModelName(folders.value(folders.size() - 2));
        if (type >= 0 && ModelName(type) != kTypeMismatch) origin.type = type;
    }
    const int type = deviceType >= 0 ? deviceType : origin.type;
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    if (tabs.isEmpty()) return origin;
    const bool oneSystem = std::all_of(tabs.begin(), tabs.end(), [](const ArchiveTab& t) { return t.system == 0; });
    if (oneSystem) origin.system = 0;
    // The longest caption the name begins with, followed by "_".
    const QString name = info.fileName();
    qsizetype best = 0;
    for (const ArchiveTab& tab : tabs) {
        const QString stem = captionStem(tab.caption) + QLatin1Char('_');
        if (stem.size() > best && name.startsWith(stem)) {
            best = stem.size();
            origin.system = tab.system;
            origin.kind = tab.kind;
        }
    }
    return origin;
}

int ArchiveFileKind(int deviceType, const QString& path, const ArchiveList& entries, bool hasTotals) {
    bool hours = false;
    std::set<int> days;
    for (const ArchiveEntry& e : entries) {
        if (e.empty() || EntryDay(e) < 0) continue;  // the totals record
        if (EntryHour(e) != 0 || !days.insert(EntryDay(e)).second) hours = true;
    }
    const int named = ArchiveFileOriginOf(path, deviceType).kind;
    const bool hourly = hours || IsHourlyKind(named);
    if (hourly) return hasTotals ? kHourlyDifference : kHourlyArchive;
    return hasTotals ? kDailyDifference : kDailyArchive;
}

QString TextCopyName(const QString& archivePath) {
    const qsizetype slash =
        std::max(archivePath.lastIndexOf(QLatin1Char('/')), archivePath.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = archivePath.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? archivePath.left(dot) : archivePath;
    return stem + QStringLiteral(".txt");
}

QString ArchiveExtensionWarning(const QString& path) {
    if (path.endsWith(QStringLiteral(".Arh"), Qt::CaseSensitive)) return {};
    return QStringLiteral("файл: ") + path + QStringLiteral(" - не опознан как архивный");
}

QByteArray ArchiveFileBytes(const ArchiveFamily& family, const ArchiveList& entries, int system) {
    const int size = family.layout->size;
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(entries.size()) * size);
    for (const ArchiveEntry& e : entries) {
        const bool present = system >= 0 && static_cast<std::size_t>(system) < e.size() &&
                             e[static_cast<std::size_t>(system)].Size() == size;
        if (present) {
            const auto& block = e[static_cast<std::size_t>(system)].Bytes();
            bytes.append(reinterpret_cast<const char*>(block.data()), size);
        } else {
            bytes.append(size, '\0');  // an entry without that record: a zero record keeps the file aligned
        }
    }
    return bytes;
}

QString WriteArchiveFile(const ArchiveFamily& family, const QString& path, const ArchiveList& entries, int system) {
    return WriteFileBytes(path, ArchiveFileBytes(family, entries, system));
}

QString WriteArchiveTextCopy(const QString& path, const Grid& rows) { return SaveGridText(rows, path); }

QString SaveArchiveWithTextCopy(const ArchiveFamily& family, const QString& path, const ArchiveList& entries,
                                int system, const Grid& rows) {
    return WriteFilesTogether(
        {{TextCopyName(path), GridTextBytes(rows)}, {path, ArchiveFileBytes(family, entries, system)}});
}

ArchiveFileContent ParseArchiveFile(const ArchiveFamily& family, const QByteArray& bytes, const QString& numberFormat,
                                    const QDate& today) {
    ArchiveFileContent content;
    const qsizetype size = family.layout->size;
    const qsizetype count = bytes.size() / size;
    content.entries.reserve(static_cast<std::size_t>(count));
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    bool dated = false;
    for (qsizetype i = 0; i < count; ++i) {
        ArchiveEntry e = ZeroEntry(*family.layout);
        e[0].SetBytes(std::span<const std::uint8_t>(data + i * size, static_cast<std::size_t>(size)));
        // The totals record of a difference tab closes the file.
        const bool totals = i == count - 1 && e[0].Day() == kEmptyDayNumber && e[0].Hour() >= 0;
        if (!totals && !IsRecordDate(e, today)) {
            ++content.impossible;
            continue;
        }
        dated = dated || !totals;
        content.entries.push_back(std::move(e));
    }
    // A file without one dated record is not an archive (a totals record
    // alone is one of a difference tab of a single entry).
    if (!dated && !(content.entries.size() == 1 && content.impossible == 0)) content.entries.clear();
    content.cells = ArchiveTableCells(family, content.entries, 0, numberFormat);
    if (!content.entries.empty() && content.entries.back()[0].Day() == kEmptyDayNumber) {
        content.cells.last() = ArchiveTotalsCells(family, content.entries.back()[0], numberFormat);
        content.hasTotals = true;
    }
    content.lines = ArchiveLinesOf(content.cells);
    content.codes = ArchiveColumnCodes(family, kHourlyArchive);
    return content;
}

QString ReadArchiveFile(const ArchiveFamily& family, const QString& path, const QString& numberFormat,
                        ArchiveFileContent& content) {
    const QFileInfo info(path);
    if (!info.isFile()) return QStringLiteral("не найден файл:\r") + path;
    if (info.size() > kMaxArchiveFileBytes) return QStringLiteral("файл слишком большой:\r") + path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("не могу прочитать файл:\r") + path;
    const QByteArray bytes = ReadAtMost(file, kMaxArchiveFileBytes);
    if (file.error() != QFileDevice::NoError) return QStringLiteral("не могу прочитать файл:\r") + path;
    if (bytes.size() > kMaxArchiveFileBytes) return QStringLiteral("файл слишком большой:\r") + path;
    ArchiveFileContent parsed = ParseArchiveFile(family, bytes, numberFormat);
    // An empty file is what an empty view saves; bytes without one record
    // of a device are no archive.
    if (parsed.entries.empty() && !bytes.isEmpty())
        return QStringLiteral("файл: ") + path +
               QStringLiteral(" - не опознан как архивный: в нем нет ни одной записи архива с настоящей датой");
    content = std::move(parsed);
    return {};
}

}  // namespace omi
