#include "protocol/Identify.h"

#include "families/DeviceFamily.h"

#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "transport/CommPortDriver.h"

namespace omi {

namespace {
int g_imitationType = 128;
const QString kOnLine = QStringLiteral("НА СВЯЗИ!");
const QString kNoLink = QStringLiteral("НЕТ СВЯЗИ");
}  // namespace

int ImitationType() { return g_imitationType; }
void SetImitationType(int type) { g_imitationType = type; }

IdentifyResult Identify(ExchangeEngine& engine, const IdentifyContext& context, StatusSink& status) {
    IdentifyResult result;
    auto fail = [&] {
        result.ok = false;
        result.status = kNoLink;
        status.error(kNoLink);
        return result;
    };
    if (context.imitation) {
        SetCurrentDevice(kImitationSerial, g_imitationType);
    } else {
        if (!context.portFree && !context.networkActive) return fail();
        status.busy(QStringLiteral("определение"));
        const auto ask = [&engine](const Frame& request, NoTu& decoded) {
            Frame response;
            if (!engine.Exchange(request, response)) return false;
            if (!response.empty() && response.size() > response[0]) response.resize(response[0]);
            decoded = DecNoTu(response);
            return decoded.message.isEmpty();
        };
        NoTu decoded;
        bool answered = false;
        const bool known = ValidNoTu(CurrentSerial(), CurrentType());
        if (known) {
            const auto built = BuildFrame(cmd::NumberType);
            answered = ask(built ? *built : NoTuRequest(), decoded);
        }
        if (!answered && (!known || context.broadcastFallback)) answered = ask(kBroadcastNoTu, decoded);
        if (!answered) return fail();
        SetCurrentDevice(decoded.serial, decoded.type);
    }
    result.ok = true;
    result.serial = CurrentSerial();
    result.type = CurrentType();
    result.model = ModelName(result.type);
    result.changeLogDecided = !context.imitation;
    result.changeLogEnabled = result.changeLogDecided && ChangeLogAfterIdentify(result.type);
    result.status = kOnLine;
    status.ok(kOnLine);
    return result;
}

ManualAddressResult SetManualAddress(int serial, const QString& modelName, StatusSink& status) {
    ManualAddressResult result;
    SetCurrentSerial(serial);
    if (!modelName.isEmpty()) {
        const int type = TypeOfModelName(modelName);
        SetCurrentType(type);
        g_imitationType = type;
    }
    if (ValidNoTu(CurrentSerial(), CurrentType())) {
        result.valid = true;
        result.status = QStringLiteral("номер правильный");
        status.ok(result.status);
    } else {
        SetCurrentSerial(-1);
        result.status = QStringLiteral("номер должен быть от 1 до 65535");
        status.error(result.status);
    }
    const DeviceModel* model = DescriptorOf(CurrentType());
    result.changeLogEnabled = model && model->changeLog == ChangeLogOffer::AlsoManual;
    return result;
}

}  // namespace omi
