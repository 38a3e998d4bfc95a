#pragma once
// Qt's own texts in Russian: the standard dialogs (open, save, print,
// preview), their buttons and tooltips, the context menus of edits.

class QCoreApplication;

namespace omi {

// Installs Qt's Russian translations (qtbase_ru from Qt's translations
// folder) into the application. False when they are not installed; Qt's
// texts then stay in English and nothing else changes.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace omi
