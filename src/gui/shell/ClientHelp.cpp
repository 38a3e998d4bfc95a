#include "shell/ClientHelp.h"

#include <QFileInfo>

#include "shell/HelpViewer.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace omi {

QString ClientHelpPath() {
    return DataPath({kDataFolderName, QStringLiteral("помощь основной программы для клиента"), QStringLiteral("txt")});
}

QString PrintSettingsHelpPath() {
    return DataPath({kDataFolderName, QStringLiteral("помощь настройки печати"), QStringLiteral("txt")});
}

namespace {
// A help text goes whole into the trace memo or a template memo: anything
// bigger than this is not a help text.
constexpr qint64 kMaxHelpTextBytes = 1024 * 1024;
}  // namespace

QString HelpTextOrMissing(const QString& path) {
    if (QFileInfo(path).size() > kMaxHelpTextBytes) return HelpViewer::MissingText(path);
    QString error;
    QString text = ReadTextFile1251(path, &error);
    if (!error.isEmpty()) return HelpViewer::MissingText(path);
    while (text.endsWith(u'\n')) text.chop(1);
    return text;
}

QString ClientHelpText() { return HelpTextOrMissing(ClientHelpPath()); }

}  // namespace omi
