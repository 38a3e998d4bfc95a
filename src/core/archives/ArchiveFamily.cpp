#include "archives/ArchiveFamily.h"

#include "families/DeviceFamily.h"

namespace omi {

const ArchiveFamily* ArchiveFamilyOf(int type) {
    const DeviceFamily* family = FamilyFor(type);
    return family && family->archive ? &family->archive() : nullptr;
}

}  // namespace omi
