// Logger archive files and the debug terminal's description tables.
//
// Input: a selector byte (bit 0: the bytes are a description table file,
// else a logger file), a name byte choosing the file's type and kind, then
// the file bytes. A logger file is recognised by its name, read, decoded
// into its table and replayed as answers to the reading procedure's
// requests; a table file is loaded, composed into a request with the
// device's type and number, and decodes the input bytes as an answer.

#include "FuzzSupport.h"

#include <QFile>

#include "debug/DescriptionTable.h"
#include "logger/LoggerFile.h"
#include "protocol/LoggerReplay.h"

using namespace omi;

namespace {

const char* const kNames[] = {"417D.225", "417H.225", "x00417D.229", "x00417H.228", "12345D.234",
                              "12345H.234", "417D.230", "417H.235"};

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int selector = in.Byte();
    const int name = in.Byte();
    const QByteArray bytes = in.Rest();
    const QString folder = fuzz::ScratchFolder().path();

    if (selector & 1) {
        const QString path = folder + QStringLiteral("/таблица.txt");
        if (!writeFile(path, bytes)) return 0;
        const debug::LoadedTable table = debug::LoadTable(path);
        if (!table.error.isEmpty()) return 0;
        const debug::Encoded encoded = debug::EncodeTable(table.grid, name, 417);
        OMI_FUZZ_CHECK(encoded.error.isEmpty() || encoded.bytes.empty());
        // A composed request has one byte per data row.
        if (encoded.error.isEmpty() && table.grid.size() >= 2)
            OMI_FUZZ_CHECK(encoded.bytes.size() == static_cast<std::size_t>(table.grid.size() - 1));
        (void)debug::DecodeTable(table.grid, Frame(bytes.begin(), bytes.end()));
        double value = 0;
        (void)debug::EvalExpr(QString::fromLatin1(bytes.left(200)), value);
        return 0;
    }

    const QString path = folder + QLatin1Char('/') + QString::fromLatin1(kNames[name % std::size(kNames)]);
    if (!writeFile(path, bytes)) return 0;
    LoggerState& logger = Logger();
    logger = LoggerState{};
    logger.path = path;
    if (!ParseLoggerFileName(path).isEmpty()) return 0;
    if (!LoadLoggerFile().isEmpty()) return 0;
    (void)LoggerFileTitle();
    (void)LoggerInfoText(QLatin1Char('\n'));
    OMI_FUZZ_CHECK(logger.recordLength > 0);
    // A record is never invented: the table holds no more records than the
    // file has bytes for.
    OMI_FUZZ_CHECK(logger.records.size() <= bytes.size() / logger.recordLength + 1);
    return 0;
}
