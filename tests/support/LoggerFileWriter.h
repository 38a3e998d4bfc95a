#pragma once
// A data-logger file of a simulated calculator's daily archive, made as the
// logger makes it: the archive pointer word, then the data part of the answer
// to each ring position, position 0 first, read through the real engine.

#include <QByteArray>
#include <QFile>
#include <QString>

#include "archives/ArchiveProcedure.h"
#include "connection/Connection.h"
#include "families/DeviceFamily.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "transport/CommPortDriver.h"

namespace omi::test {

// False when the device did not answer.
inline bool WriteDailyLoggerFile(const QString& pty, int serial, int type, const QString& path) {
    Connection line;
    line.Port().SetPortName(pty);
    line.Port().SetInputTimeout(1000);
    line.SetDevice(serial, type);
    const ArchiveProcedure& procedure = FamilyFor(type)->procedure();
    Frame pointers;
    if (!line.Exchange(*line.BuildFrame(cmd::ArchivePointers), pointers) || pointers.size() < 9) return false;
    const int daily = procedure.dailyNumber == DailyNumberField::WordAt7 ? GetW(pointers, 7) : pointers[7];
    QByteArray file;
    file.append(static_cast<char>(daily & 0xFF)).append(static_cast<char>(daily >> 8));
    for (int position = 0; position <= procedure.dailyTop; ++position) {
        const RequestBytes bytes = procedure.dailyBytes(position);
        Frame answer;
        if (!line.Exchange(*line.BuildFrame(cmd::ArchiveRecord, {bytes[0], bytes[1]}), answer) || answer.size() < 6)
            return false;
        file.append(reinterpret_cast<const char*>(answer.data()) + 5, qsizetype(answer.size()) - 6);
    }
    line.Port().ClosePort();
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(file) == file.size();
}

}  // namespace omi::test
