#pragma once
// Model names and family groups of the device type codes, as the
// descriptors (families/DeviceFamily.h) declare them.

#include <QString>
#include <QStringList>

namespace omi {

extern const QString kTypeMismatch;  // "НЕСОВПАДЕНИЕ ТИПА УСТРОЙСТВА"

// Table entry for codes 128..237, empty text for any other code.
QString ModelName(int type);

// The named models in code order (ЛОРС first), as the device-type box lists them.
QStringList KnownModelNames();
// Code whose ModelName equals the text, -1 when none.
int TypeOfModelName(const QString& name);

// Dispatch groups of every family operation.
enum class Family { None, Lors128, F225, F227, F228, F229, F234 };
Family FamilyOf(int type);

// The change-log action is available for these types after identification.
bool ChangeLogAfterIdentify(int type);

}  // namespace omi
