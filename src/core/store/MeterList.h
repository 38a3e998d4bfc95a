#pragma once
// The meter list of a collection: a text file the operator edits, CSV with a
// header row naming the columns (";" or "," between fields, quotes around a
// field that holds one). Columns, in any order:
//   name     the meter's name in progress lines and summaries (required)
//   port     serial device of a direct line or of the modem
//   baud     line speed (default 9600); line  data bits, parity, stop bits ("8N1")
//   udp      HOST[:PORT] of a network adapter (instead of port)
//   dial     telephone number the modem on port calls first
//   serial   the device's number, 1..65535 (required)
//   type     type code or model name; empty when not known
//   archives daily, hourly or both ("daily hourly", "daily+hourly"; default both)
// Lines that are empty or start with "#" are skipped. A bad line is reported
// with its number and left out; the others are collected.
//
// The file is UTF-8 (with or without a byte order mark), UTF-16 with a byte
// order mark (either byte order), or Windows-1251 (what a spreadsheet saves
// on a Russian desktop) when its bytes are not UTF-8. Anything else is
// refused as a whole with a message naming what the file seems to be, so a
// name never reaches the store changed.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace omi {

struct Meter {
    int lineNumber = 0;  // in the list file
    QString name;
    QString port;
    int baud = 9600;
    int dataBits = 8;
    QChar parity = QLatin1Char('N');  // N, E, O, M, S
    int stopBits = 1;                 // 1, 2; 15 for 1.5
    QString udpHost;
    quint16 udpPort = 5001;
    QString dial;
    int serial = 0;
    int type = -1;  // unknown
    bool daily = true;
    bool hourly = true;

    bool Udp() const { return !udpHost.isEmpty(); }
    // Meters with the same key share a line and are read one after another.
    QString LineKey() const;
    // The link as the operator wrote it: "/dev/ttyS0 9600 8N1", "udp 10.0.0.5:5001",
    // "/dev/ttyS0 9600 8N1 тел. 84951234567".
    QString LinkText() const;
};

struct MeterList {
    std::vector<Meter> meters;
    QStringList errors;  // "строка N: ..." per bad line
    QString fatal;       // the file cannot be used at all (missing, no header)
};

MeterList ParseMeterList(const QString& text);
// The text of a list file's bytes; on failure an empty text and *error set to
// a Russian message naming the encoding.
QString DecodeMeterListBytes(const QByteArray& bytes, QString* error);
// Reads, decodes and parses a list file.
MeterList ReadMeterList(const QString& path);

}  // namespace omi
