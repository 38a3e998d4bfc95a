#include "archives/LoggerImport.h"

#include "archives/LoggerManager.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>

#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchivePage.h"
#include "logger/LoggerFile.h"
#include "protocol/Exchange.h"
#include "protocol/Models.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/TraceMemo.h"
#include "support/Paths.h"

namespace omi {

TLoggerImport::TLoggerImport(TFomi& window) : QObject(&window), window_(window) {
    LoadDescriptionTable();
    QAction* action = window.Action(QStringLiteral("AGetDataLogger"));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [this] { AGetDataLoggerExecute(); });
}

void TLoggerImport::AGetDataLoggerExecute() {
    // The manager first; only its "открыть файл" goes on.
    if (!manager_) {
        manager_ = new TFZORT(&window_);
        const QString archive = LoggerArchiveFolder();
        manager_->SetFolder(QFileInfo(archive).isDir() ? archive : DataRoot());
    }
    if (ShowLoggerManager(*manager_) != QDialog::Accepted) return;
    if (!manager_->ChosenFile().isEmpty()) {
        importFile(manager_->ChosenFile());
        return;
    }
    FileDialogRequest request;
    request.caption = QStringLiteral("чтение архива ZORT-1");
    request.folder = DataRoot() + QStringLiteral("/АРХИВЫ/ZORT-1");
    request.filter = QStringLiteral(
        "Архивы ZORT-1|*.225;*.227;*.228;*.229;*.230;*.234;*.235;*.234;*.235;|Bсе файлы(*.*)|*.*");
    const QString path = AskFileName(&window_, request);
    if (path.isEmpty()) {
        window_.Action(QStringLiteral("AreadFileArh"))->setChecked(false);
        return;
    }
    importFile(path);
}

void TLoggerImport::importFile(const QString& path) {
    LoggerState& logger = Logger();
    logger.path = path;
    if (!ParseLoggerFileName(path).isEmpty()) {
        window_.Status().error(QStringLiteral("файл: ") + path + QStringLiteral(" - не опознан как архивный"));
        return;
    }
    SetCurrentDevice(logger.serial, logger.type);
    window_.ENo->setText(QString::number(logger.serial));
    window_.Etype->setText(ModelName(logger.type));
    window_.announceCurrentDevice();

    TArchivePage& page = *window_.archivePage;
    window_.PCW()->setCurrentWidget(window_.Page(QStringLiteral("TSa")));
    page.RGdtp->SetItemIndex(page.RGdtp->Items().size() - 1);  // "все записи"
    page.RGdtpClick();
    page.TSaShow();
    int tab = 0;
    if (logger.kind == LoggerKind::Hour) {
        const QList<ArchiveTab> tabs = ArchiveTabs(logger.type);
        for (qsizetype i = 0; i < tabs.size(); ++i)
            if (IsHourlyKind(tabs[i].kind)) {
                tab = static_cast<int>(i);
                break;
            }
    }
    page.TCa->setCurrentIndex(tab);
    page.TCaChange();

    logger.progress = [this](const QString& text) { window_.Status().busy(text); };
    const QString loaded = LoadLoggerFile();
    logger.progress = nullptr;
    if (!loaded.isEmpty()) {
        ShowValue(loaded);
        return;
    }
    if (window_.Ma() && window_.Ma()->isVisible()) window_.Ma()->AddLine(LoggerInfoText(QLatin1Char('\r')));

    const LoggerReplayData replay = logger.Replay();
    window_.Engine().SetLoggerReplay(&replay);
    page.AreadArhExecute();
    window_.Engine().SetLoggerReplay(nullptr);
    window_.Action(QStringLiteral("AArhPrint"))->setEnabled(true);
    window_.Status().ok(QStringLiteral("архив из файла: ") + QFileInfo(path).fileName() + QStringLiteral(" - прочитан"));
}

}  // namespace omi
