#pragma once
// Reading the state and the configuration of the current device: one request,
// repeated while the answers fail the family's checks (20 attempts in all),
// with the status texts of each step; and the raw-byte listings that access
// level 0 shows and saves.
//
// The procedure is the same for every family; a family plugs in its decoder,
// which puts an accepted answer into the family's current records.

#include <QString>
#include <QStringList>
#include <functional>

#include "families/StateLayout.h"
#include "protocol/Frame.h"
#include "support/Status.h"

namespace omi {

class Connection;

inline constexpr int kReadAttempts = 20;

// Decodes a response into a connection's family records; an empty text means
// the response was accepted.
using ResponseDecoder = std::function<QString(const Frame& response)>;

enum class ReadOutcome {
    Ok,
    NoLink,       // no valid response ("НЕТ СВЯЗИ")
    BadAnswers,   // every attempt failed the decoder ("Ошибка связи Повторите...")
    NoAddress,    // no request could be built for the device's address (nothing shown)
    UnknownType,  // no decoder for the device type (message for a message box)
};

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::NoLink;
    int attempts = 0;       // requests sent
    Frame response;         // the last response (the accepted one on success)
    QString decodeMessage;  // the last decoder finding; not shown to the user
    QString message;        // NoAddress / UnknownType: the text for the caller to show
    bool ok() const { return outcome == ReadOutcome::Ok; }
};

struct ReadJob {
    int command = cmd::State;
    QString busyText;     // shown before each attempt, followed by its number
    QString successText;  // shown after an accepted response
    ResponseDecoder decode;
};

// The generic procedure: for attempt n = 1..20 busy text + n, request without
// data, exchange; no response ends at once with the error "НЕТ СВЯЗИ"; an
// accepted response ends with the success text (when announceSuccess); after
// 20 refused responses the error "Ошибка связи Повторите...".
ReadResult ReadWithAttempts(Connection& line, StatusSink& status, const ReadJob& job, bool announceSuccess = true);

// The decoders of the connection's device into the connection's records, for
// the device it addresses. An empty decoder: the type has no family.
ResponseDecoder StateDecoder(Connection& line);
ResponseDecoder ConfigDecoder(Connection& line);
int ConfigCommand(int deviceType);  // 5; 1 for the ЛОРС (128)

// The state of the connection's device into its state records; success
// "Cостояние прочитано успешно".
ReadResult ReadState(Connection& line, StatusSink& status);
// The configuration of the connection's device into its configuration
// records; success "Конфигурация успешно прочитана". The window announces the
// success itself after building its page (announceSuccess false).
ReadResult ReadConfig(Connection& line, StatusSink& status, bool announceSuccess = true);

// The texts of the last state reading for one heat system (index 0 or 1) and
// the state layout table of the family; empty / null for an unknown type.
QStringList StateValueTexts(const Connection& line, int system);
const StateLayoutTable* StateTableOf(int deviceType);
// The configuration texts of both heat systems, system 1 first (44 lines for
// the family 234/235).
QStringList ConfigValueTexts(const Connection& line);

// Level-0 listings of a raw response: one line per byte i, then the check
// byte of the whole frame (0 for a correct frame).
QStringList StateByteLines(const Frame& response);   // "%.3d=%d hex=%s"
QStringList ConfigByteLines(const Frame& response);  // "%.3d=%d(%s)"

extern const QString kStateDumpFile;   // "байты состояния" (no extension)
extern const QString kConfigDumpFile;  // "конфигурация.txt"
// Writes the lines into folder/fileName (Windows-1251, CR LF), replacing an
// earlier file. Returns a Russian message, empty on success.
QString SaveDump(const QString& folder, const QString& fileName, const QStringList& lines);

}  // namespace omi
