#include "archives/ArchiveFamily.h"

#include "families/U34Archive.h"
#include "protocol/Models.h"

namespace omi {

const ArchiveFamily* ArchiveFamilyOf(int type) {
    switch (FamilyOf(type)) {
    case Family::F234:
        return &u34::ArchiveTables();
    default:
        return nullptr;
    }
}

}  // namespace omi
