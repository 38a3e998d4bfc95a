// Logger archive files: recognised by their name, read, decoded into their
// table and described.
//
// Input: a name byte choosing the file's type and kind, then the file bytes.

#include <QFile>

#include "FuzzSupport.h"
#include "logger/LoggerFile.h"

using namespace omi;

namespace {

const char* const kNames[] = {"417D.225",   "417H.225",   "x00417D.229", "x00417H.228",
                              "12345D.234", "12345H.234", "417D.230",    "417H.235"};

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int name = in.Byte();
    const QByteArray bytes = in.Rest();
    const QString folder = fuzz::ScratchFolder().path();

    const QString path = folder + QLatin1Char('/') + QString::fromLatin1(kNames[name % std::size(kNames)]);
    if (!writeFile(path, bytes)) return 0;
    LoggerState logger;
    logger.path = path;
    if (!ParseLoggerFileName(logger, path).isEmpty()) return 0;
    if (!LoadLoggerFile(logger).isEmpty()) return 0;
    (void)LoggerFileTitle(logger);
    (void)LoggerInfoText(logger, QLatin1Char('\n'));
    OMI_FUZZ_CHECK(logger.recordLength > 0);
    // A record is never invented: the table holds no more records than the
    // file has bytes for.
    OMI_FUZZ_CHECK(logger.records.size() <= bytes.size() / logger.recordLength + 1);
    return 0;
}
