#include "archives/ArchiveFamily.h"

#include "families/U25Archive.h"
#include "families/U27Archive.h"
#include "families/U29Archive.h"
#include "families/U34Archive.h"
#include "protocol/Models.h"

namespace omi {

const ArchiveFamily* ArchiveFamilyOf(int type) {
    switch (FamilyOf(type)) {
    case Family::F234:
        return &u34::ArchiveTables();
    case Family::F229:
        return &u29::ArchiveTables();
    case Family::F228:
        return &u28::ArchiveTables();
    case Family::F227:
        return &u27::ArchiveTables();
    case Family::F225:
        return &u25::ArchiveTables();
    default:
        return nullptr;
    }
}

}  // namespace omi
