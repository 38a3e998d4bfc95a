#pragma once
// Command line of omi-cli: connection options, output options and one command.
// Every command names the options it takes (CommandInfos); an option given to
// a command that does not take it is a usage error, never silently ignored.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace omi::cli {

struct Options {
    bool help = false;     // --help / -h / help COMMAND: the usage on stdout, nothing else done
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
    bool quiet = false;  // no progress line on stderr
    int precision = -1;  // -1: the display format "%f"
    QString dataDir;

    // The modem's dial options (one entry of the connection list).
    QString dial;
    bool pulse = false;
    QString exitCode;
    QString longDistanceCode;
    QString cityCode;

    QString command;  // with help: the command whose usage is asked for, or empty
    // The command's positional arguments followed by the options that the
    // command parses itself (calibrate's), in the order given.
    QStringList commandArgs;
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
    // send: the command code, its data bytes and the description table of the answer.
    int sendCommand = -1;
    QByteArray sendData;
    QString table;
    // collect and archive from the store.
    QString store;
    QString since;
    int jobs = 4;
    // collect: the settings file of an unattended run (instead of LIST).
    QString settings;
    // report: the PDF file and the filter by the meter's name.
    QString pdf;
    QString name;
};

struct ParseResult {
    std::optional<Options> options;
    QString error;  // usage error text when options is empty
    QString usage;  // the usage to print with the error: the command's when it is known
};

// One option: its name, the placeholder of its value (empty for a switch)
// and the line of help.
struct OptionInfo {
    const char* name;
    const char* value;
    const char* help;
};

// One command: its arguments, what it does, the options it takes and
// whether it talks to a device (then the connection options apply).
struct CommandInfo {
    const char* name;
    const char* arguments;
    const char* summary;
    QStringList options;  // besides the connection options when linked
    bool linked;
};

const QList<CommandInfo>& CommandInfos();
const CommandInfo* FindCommand(const QString& name);
const OptionInfo* FindOption(const QString& name);
QStringList ConnectionOptions();
QStringList ArchiveKinds();

ParseResult ParseCommandLine(const QStringList& args);
QString UsageText();
QString CommandUsageText(const CommandInfo& command);

}  // namespace omi::cli
