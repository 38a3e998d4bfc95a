#include "protocol/Models.h"

#include "families/DeviceFamily.h"

namespace omi {

const QString kTypeMismatch = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

QString ModelName(int type) {
    if (type < 128 || type > 237) return {};
    const DeviceModel* model = DescriptorOf(type);
    return model ? QString::fromUtf8(model->name) : kTypeMismatch;
}

QStringList KnownModelNames() {
    QStringList out;
    for (const DeviceModel& model : DeviceModels()) out << QString::fromUtf8(model.name);
    return out;
}

int TypeOfModelName(const QString& name) {
    for (int t = 128; t <= 237; ++t)
        if (ModelName(t) == name) return t;
    return -1;
}

Family FamilyOf(int type) {
    const DeviceFamily* family = FamilyFor(type);
    return family ? family->id : Family::None;
}

bool ChangeLogAfterIdentify(int type) {
    const DeviceModel* model = DescriptorOf(type);
    return model && model->changeLog != ChangeLogOffer::None;
}

}  // namespace omi
