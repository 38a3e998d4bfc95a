#include "support/Modules.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace omi {

namespace {

// The running program's folder: /proc/self/exe needs no application object
// (a module may be wanted before one exists).
QString ProgramDir() {
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    const QString target = exe.canonicalFilePath();
    return target.isEmpty() ? QDir::currentPath() : QFileInfo(target).absolutePath();
}

QStringList ModuleDirs() {
    QStringList dirs;
    if (const QString env = qEnvironmentVariable("OMI_MODULE_DIR"); !env.isEmpty()) dirs << env;
#ifdef OMI_MODULE_INSTALL_RELATIVE
    dirs << QDir::cleanPath(ProgramDir() + QLatin1Char('/') + QStringLiteral(OMI_MODULE_INSTALL_RELATIVE));
#endif
#ifdef OMI_MODULE_BUILD_DIR
    dirs << QStringLiteral(OMI_MODULE_BUILD_DIR);
#endif
    return dirs;
}

}  // namespace

void* ModuleFunction(const char* module, const char* symbol, QString* error) {
    // The modules loaded so far, kept for the life of the process; threads
    // that open stores at the same moment load a module once between them.
    static std::mutex loading;
    static std::map<std::string, std::unique_ptr<QLibrary>> loaded;
    const std::lock_guard<std::mutex> lock(loading);
    auto it = loaded.find(module);
    if (it == loaded.end()) {
        const QString file = QString::fromLatin1(module) + QStringLiteral(".so");
        QString reason;
        std::unique_ptr<QLibrary> library;
        for (const QString& dir : ModuleDirs()) {
            const QString path = dir + QLatin1Char('/') + file;
            if (!QFileInfo::exists(path)) continue;
            auto candidate = std::make_unique<QLibrary>(path);
            // Every symbol now: one the program lacks is a message here, not
            // a crash at the first call.
            candidate->setLoadHints(QLibrary::ResolveAllSymbolsHint);
            if (candidate->load()) {
                library = std::move(candidate);
                break;
            }
            reason = candidate->errorString();
        }
        if (!library) {
            if (error)
                *error = QStringLiteral("не найден модуль программы ") + file +
                         (reason.isEmpty() ? QStringLiteral(" (искал в ") + ModuleDirs().join(QStringLiteral(", ")) +
                                                 QLatin1Char(')')
                                           : QStringLiteral(": ") + reason);
            return nullptr;
        }
        it = loaded.emplace(module, std::move(library)).first;
    }
    void* fn = reinterpret_cast<void*>(it->second->resolve(symbol));
    if (!fn && error)
        *error = QStringLiteral("модуль программы ") + QString::fromLatin1(module) + QStringLiteral(" без функции ") +
                 QString::fromLatin1(symbol);
    return fn;
}

}  // namespace omi
