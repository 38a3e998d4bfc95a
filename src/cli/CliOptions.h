#pragma once
// Command line of omi-cli: connection options, output options and one command.

#include <QString>
#include <QStringList>
#include <optional>

namespace omi::cli {

struct Options {
    bool help = false;     // --help / -h: the usage on stdout, nothing else done
    bool version = false;  // --version
    enum class Link { None, Serial, Udp, Imitation } link = Link::None;
    QString port;
    QString udpHost;
    quint16 udpPort = 5001;
    quint32 baud = 9600;
    QString parity = QStringLiteral("none");
    int dataBits = 8;
    QString stopBits = QStringLiteral("1");
    int timeoutMs = 1000;
    int serial = -1;
    int type = -1;
    bool json = false;
    int precision = -1;  // -1: the display format "%f"
    QString dataDir;

    QString command;
    QStringList commandArgs;  // everything after the command, parsed per command
    // Archive and file options.
    QString kind;
    QString from, to;
    bool allRecords = false;
    int system = 1;
    QString save;
    QString csv;     // archive table for spreadsheets
    QString report;  // the archive report as a PDF file
    QString file;
    bool yes = false;
    int number = -1;
};

struct ParseResult {
    std::optional<Options> options;
    QString error;  // usage error text when options is empty
};

ParseResult ParseCommandLine(const QStringList& args);
QString UsageText();

}  // namespace omi::cli
