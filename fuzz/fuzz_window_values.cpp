// The window values file (ДАННЫЕ/ПАМЯТЬ.mem) read from disk: whatever the
// bytes, every pair has a name without "=" or line ends and a value of at
// most 255 characters; writing the pairs back and reading them again gives
// them sorted ignoring case, each once, and nothing else.
//
// Input: the file bytes.

#include "FuzzSupport.h"

#include "support/WindowValuesFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace omi;

namespace {

bool HasLineEnd(const QString& text) { return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    OMI_FUZZ_CHECK(fuzz::ScratchFolder().isValid());
    const QString path = fuzz::ScratchFolder().filePath(QStringLiteral("ПАМЯТЬ.mem"));
    const QString copy = fuzz::ScratchFolder().filePath(QStringLiteral("copy.mem"));
    {
        QFile file(path);
        OMI_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        OMI_FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    const QList<QPair<QString, QString>> pairs = ReadWindowValues(path);
    OMI_FUZZ_CHECK(pairs.size() <= bytes.count('='));
    QStringList entries;
    for (const auto& [name, value] : pairs) {
        OMI_FUZZ_CHECK(!name.contains(QLatin1Char('=')));
        OMI_FUZZ_CHECK(!HasLineEnd(name) && !HasLineEnd(value));
        OMI_FUZZ_CHECK(value.size() <= kMaxWindowValueLength);
        entries << name + QLatin1Char('=') + value;
    }

    OMI_FUZZ_CHECK(WriteWindowValues(copy, entries).isEmpty());
    QStringList again;
    for (const auto& [name, value] : ReadWindowValues(copy)) again << name + QLatin1Char('=') + value;
    const QStringList sorted = SortedWindowValues(entries);
    OMI_FUZZ_CHECK(again == sorted);
    OMI_FUZZ_CHECK(SortedWindowValues(sorted) == sorted);
    for (qsizetype i = 1; i < sorted.size(); ++i)
        OMI_FUZZ_CHECK(QString::compare(sorted[i - 1], sorted[i], Qt::CaseInsensitive) <= 0);
    return 0;
}
