#include "protocol/Identify.h"

#include "connection/Connection.h"
#include "families/DeviceFamily.h"

#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "transport/CommPortDriver.h"

namespace omi {

namespace {
const QString kOnLine = QStringLiteral("НА СВЯЗИ!");
const QString kNoLink = QStringLiteral("НЕТ СВЯЗИ");
}  // namespace

IdentifyResult Identify(Connection& line, const IdentifyContext& context, StatusSink& status) {
    IdentifyResult result;
    auto fail = [&] {
        result.ok = false;
        result.status = kNoLink;
        status.error(kNoLink);
        return result;
    };
    if (context.imitation) {
        line.SetDevice(kImitationSerial, line.ImitationType());
    } else {
        if (!context.portFree && !context.networkActive) return fail();
        status.busy(QStringLiteral("определение"));
        const auto ask = [&line](const Frame& request, NoTu& decoded) {
            Frame response;
            if (!line.Exchange(request, response)) return false;
            if (!response.empty() && response.size() > response[0]) response.resize(response[0]);
            decoded = DecNoTu(response);
            return decoded.message.isEmpty();
        };
        NoTu decoded;
        bool answered = false;
        const bool known = ValidNoTu(line.Serial(), line.Type());
        if (known) {
            const auto built = line.BuildFrame(cmd::NumberType);
            answered = ask(built ? *built : line.NoTuRequest(), decoded);
        }
        if (!answered && (!known || context.broadcastFallback)) answered = ask(kBroadcastNoTu, decoded);
        if (!answered) return fail();
        line.SetDevice(decoded.serial, decoded.type);
    }
    result.ok = true;
    result.serial = line.Serial();
    result.type = line.Type();
    result.model = ModelName(result.type);
    result.changeLogDecided = !context.imitation;
    result.changeLogEnabled = result.changeLogDecided && ChangeLogAfterIdentify(result.type);
    result.status = kOnLine;
    status.ok(kOnLine);
    return result;
}

ManualAddressResult SetManualAddress(Connection& line, int serial, const QString& modelName, StatusSink& status) {
    ManualAddressResult result;
    if (!modelName.isEmpty()) {
        const int type = TypeOfModelName(modelName);
        line.SetDevice(serial, type);
        line.SetImitationType(type);
    } else {
        line.SetSerial(serial);
    }
    if (ValidNoTu(line.Serial(), line.Type())) {
        result.valid = true;
        result.status = QStringLiteral("номер правильный");
        status.ok(result.status);
    } else {
        line.SetSerial(-1);
        result.status = QStringLiteral("номер должен быть от 1 до 65535");
        status.error(result.status);
    }
    const DeviceModel* model = line.Model();
    result.changeLogEnabled = model && model->changeLog == ChangeLogOffer::AlsoManual;
    return result;
}

}  // namespace omi
