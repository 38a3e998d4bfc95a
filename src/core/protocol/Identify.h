#pragma once
// Identification of the connected calculator and manual addressing of one
// device among several on a shared line.

#include "support/Status.h"

#include <QString>

namespace omi {

class Connection;

constexpr int kImitationSerial = 20560;


struct IdentifyContext {
    bool imitation = false;       // the imitation action is checked
    bool portFree = false;        // the last port probe found the port free
    bool networkActive = false;   // the network connection page is active
    // One device on the line: when the known address does not confirm
    // itself, the broadcast request asks whatever device is there.
    bool broadcastFallback = false;
};

struct IdentifyResult {
    bool ok = false;
    int serial = -1;
    int type = -1;
    QString model;
    // Whether the change-log action is to be enabled; applies only when
    // changeLogDecided (a real identification, not the imitation).
    bool changeLogDecided = false;
    bool changeLogEnabled = false;
    QString status;                 // the text shown on the status line
};

// Asks the device for its number and type: the known address is asked to
// confirm itself, an unknown one (or, with broadcastFallback, one that does
// not confirm) by the broadcast request. On success the pair becomes the
// connection's device; on failure the device is left as it was. In
// imitation the device is the imitation's type with kImitationSerial.
IdentifyResult Identify(Connection& line, const IdentifyContext& context, StatusSink& status);

struct ManualAddressResult {
    bool valid = false;
    bool changeLogEnabled = false;
    QString status;
};

// Manual entry of a serial number and (optionally) a model name from the
// device-type box, for the connection's device (the model also becomes the
// imitation's type).
ManualAddressResult SetManualAddress(Connection& line, int serial, const QString& modelName, StatusSink& status);

}  // namespace omi
