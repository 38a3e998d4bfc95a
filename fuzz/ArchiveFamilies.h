#pragma once
// Every archive family: the tables of each family driver, then any other that
// ArchiveFamilyOf gives for a type code 0..255. fuzz_archive_file picks one
// by index, make_fuzz_seeds writes seeds for each.

#include "archives/ArchiveFamily.h"
#include "families/U25Archive.h"
#include "families/U27Archive.h"
#include "families/U29Archive.h"
#include "families/U34Archive.h"

#include <algorithm>
#include <vector>

namespace omi::fuzz {

inline std::vector<const ArchiveFamily*> ArchiveFamilies() {
    std::vector<const ArchiveFamily*> out{&u25::ArchiveTables(), &u27::ArchiveTables(), &u28::ArchiveTables(),
                                          &u29::ArchiveTables(), &u34::ArchiveTables()};
    for (int type = 0; type <= 255; ++type) {
        const ArchiveFamily* f = ArchiveFamilyOf(type);
        if (f && std::find(out.begin(), out.end(), f) == out.end()) out.push_back(f);
    }
    return out;
}

inline int ArchiveFamilyIndex(const ArchiveFamily* family) {
    const auto all = ArchiveFamilies();
    const auto it = std::find(all.begin(), all.end(), family);
    return it == all.end() ? -1 : static_cast<int>(it - all.begin());
}

}  // namespace omi::fuzz
