#pragma once
// Helpers shared by the window tests: a running omi-sim, dialog answers, a
// temporary data folder.

#include "shell/Dialogs.h"
#include "support/Paths.h"
#include "support/SimRunner.h"

#include <QFile>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace omi::guitest {

using test::Sim;

// A widget of the window by its object name; a missing one ends the test run.
template <class T>
T* child(const QObject* w, const QString& name) {
    T* c = w->findChild<T*>(name);
    if (!c) qFatal("no widget %s", qPrintable(name));
    return c;
}

// Answers every dialog from a queue of answers and records what was asked.
class DialogScript {
public:
    DialogScript() {
        SetDialogHook([this](const DialogRequest& r) {
            asked.append(r);
            if (answers.isEmpty()) return DialogAnswer{};
            return answers.takeFirst();
        });
    }
    ~DialogScript() { SetDialogHook({}); }
    QList<DialogRequest> asked;
    QList<DialogAnswer> answers;
};

// A data folder of the test's own.
class DataFolder {
public:
    DataFolder() { SetDataRoot(dir_.filePath(QStringLiteral("ДАННЫЕ"))); }
    ~DataFolder() { SetDataRoot({}); }
    QString Path(const QString& name) const { return dir_.filePath(QStringLiteral("ДАННЫЕ/") + name); }

private:
    QTemporaryDir dir_;
};

}  // namespace omi::guitest
