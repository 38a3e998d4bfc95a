#include "protocol/Models.h"

#include <array>

namespace omi {

const QString kTypeMismatch = QStringLiteral("НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА");

namespace {
struct Named {
    int code;
    const char* name;
};
constexpr std::array<Named, 10> kNamed{{
    {128, "ЛОРС"},
    {225, "ОМИ-1 А1(А2)М"},
    {227, "ОМИ-1 А3"},
    {228, "ОМИ-1 Б2"},
    {229, "ОМИ-1 Б4"},
    {230, "ОМИ-1 Б5"},
    {234, "ОМИ-1 Б4М"},
    {235, "ОМИ-1 Б5М"},
    {236, "ОМИ-1 Б4М new"},
    {237, "ОМИ-1 Б5М new"},
}};
}  // namespace

QString ModelName(int type) {
    if (type < 128 || type > 237) return {};
    for (const auto& n : kNamed)
        if (n.code == type) return QString::fromUtf8(n.name);
    return kTypeMismatch;
}

QStringList KnownModelNames() {
    QStringList out;
    for (int t = 128; t <= 237; ++t)
        if (ModelName(t) != kTypeMismatch) out << ModelName(t);
    return out;
}

int TypeOfModelName(const QString& name) {
    for (int t = 128; t <= 237; ++t)
        if (ModelName(t) == name) return t;
    return -1;
}

Family FamilyOf(int type) {
    switch (type) {
    case 128: return Family::Lors128;
    case 225: return Family::F225;
    case 227: return Family::F227;
    case 228: return Family::F228;
    case 229:
    case 230: return Family::F229;
    case 234:
    case 235:
    case 236:
    case 237: return Family::F234;
    default: return Family::None;
    }
}

bool ChangeLogAfterIdentify(int type) {
    return type == 229 || type == 230 || (type >= 234 && type <= 237);
}

}  // namespace omi
