#pragma once
// Helpers shared by the window tests: a running omi-sim, dialog answers, a
// temporary data folder.

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "connection/Connection.h"
#include "protocol/Frame.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "support/Paths.h"
#include "support/SimRunner.h"
#include "transport/Modem.h"

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

// A fresh window (with a connection of its own) after its preparation: no
// device known, the line free,
// `port` (when given) listed and probed, the access code (when given)
// applied, then shown.
inline std::unique_ptr<TFomi> OpenWindow(const QString& port = {}, const QString& accessCode = {}) {
    Flags() = ShellFlags{};
    TFomiOptions options;
    if (!port.isEmpty()) options.extraPorts = {port};
    options.systemPorts = false;
    auto w = std::make_unique<TFomi>(options);
    w->AcreateExecute();
    if (!port.isEmpty()) {
        auto* cbC = child<QComboBox>(w.get(), QStringLiteral("cbC"));
        cbC->setCurrentIndex(cbC->findText(port));
        w->cbCClick(cbC);
    }
    if (!accessCode.isEmpty()) {
        w->Epsw->setText(accessCode);
        w->EpswChange();
        w->ApplyAccessLevel();
    }
    w->show();
    (void)QTest::qWaitForWindowExposed(w.get());
    return w;
}

}  // namespace omi::guitest
