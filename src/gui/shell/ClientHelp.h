#pragma once
// The plain-text help texts of the data folder (Windows-1251, CR LF).

#include <QString>

namespace omi {

// ДАННЫЕ/помощь основной программы для клиента.txt: what the main window's
// help action puts into the trace memo.
QString ClientHelpPath();
// ДАННЫЕ/помощь настройки печати.txt: the help of the print settings page.
QString PrintSettingsHelpPath();

// The text of a help text file with "\n" line ends and no trailing line end,
// or, when the file is missing or cannot be read, the single line
// "файл справки " + path + " отсутствует или поврежден".
QString HelpTextOrMissing(const QString& path);

// HelpTextOrMissing(ClientHelpPath()).
QString ClientHelpText();

}  // namespace omi
