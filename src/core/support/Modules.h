#pragma once
// The program's own modules: shared objects loaded when a command first
// needs them, so that a command that does not pays nothing for their
// libraries at start. "omi-report" draws PDF reports (Qt GUI, fonts), and
// "omi-store" is the archive store (Qt SQL).
//
// A module is looked for in the folder an installation keeps it in
// (<exe folder>/../lib/.../omi, set by the build), then in the build tree's
// module folder; OMI_MODULE_DIR, when set, comes first.

#include <QString>

namespace omi {

// The function symbol of a module, the module loaded on first use and kept to
// the end of the process; nullptr with a Russian message in *error when the
// module or the function is missing.
void* ModuleFunction(const char* module, const char* symbol, QString* error);

template <typename Fn>
Fn* ModuleFunctionAs(const char* module, const char* symbol, QString* error) {
    return reinterpret_cast<Fn*>(ModuleFunction(module, symbol, error));
}

}  // namespace omi
