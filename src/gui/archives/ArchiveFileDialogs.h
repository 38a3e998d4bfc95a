#pragma once
// The save and open dialogs of the archive page. A hook set with
// SetFileDialogHook answers instead of the real dialogs, so that tests (and
// scripted runs) see each request and choose the file.

#include <QString>
#include <functional>

class QWidget;

namespace omi {

struct FileDialogRequest {
    bool save = false;  // save dialog (true) or open dialog
    QString caption;
    QString folder;    // the folder the dialog starts in
    QString fileName;  // the proposed name (save dialog)
    QString filter;    // "Архивы(*.arh)|*.arh|..." as the program lists its filters
};

// Returns the chosen file, empty for cancel.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;
// An empty hook returns to the real dialogs.
void SetFileDialogHook(FileDialogHook hook);

QString AskFileName(QWidget* parent, const FileDialogRequest& request);

}  // namespace omi
