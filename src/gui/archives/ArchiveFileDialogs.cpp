#include "archives/ArchiveFileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace omi {

namespace {

FileDialogHook& Hook() {
    static FileDialogHook hook;
    return hook;
}

// "Архивы(*.arh)|*.arh|Bсе файлы(*.*)|*.*" as the file dialog's filter list:
// the texts of the pairs, the patterns shown inside them.
QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& text = parts[i];
        out << (text.contains(QLatin1Char('(')) ? text : text + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

}  // namespace

void SetFileDialogHook(FileDialogHook hook) { Hook() = std::move(hook); }

QString AskFileName(QWidget* parent, const FileDialogRequest& request) {
    if (Hook()) return Hook()(request);
    const QString start = request.fileName.isEmpty() ? request.folder : QDir(request.folder).filePath(request.fileName);
    return request.save ? QFileDialog::getSaveFileName(parent, request.caption, start, QtFilter(request.filter))
                        : QFileDialog::getOpenFileName(parent, request.caption, start, QtFilter(request.filter));
}

}  // namespace omi
