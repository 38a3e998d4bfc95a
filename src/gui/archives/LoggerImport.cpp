#include "archives/LoggerImport.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>

#include "archives/ArchiveFileDialogs.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchivePage.h"
#include "archives/ArchiveReader.h"
#include "archives/LoggerManager.h"
#include "connection/Connection.h"
#include "logger/LoggerFile.h"
#include "protocol/Exchange.h"
#include "protocol/Models.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/TraceMemo.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/Paths.h"

namespace omi {

TLoggerImport::TLoggerImport(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    LoadDescriptionTable();
    QAction* action = window.Action(QStringLiteral("AGetDataLogger"));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [this] { AGetDataLoggerExecute(); });
}

void TLoggerImport::AGetDataLoggerExecute() {
    // The manager first; only its "открыть файл" goes on.
    if (!manager_) {
        manager_ = new TFZORT(&window_);
        // The logger's drive when one is there, else the program's logger
        // archive folder.
        if (manager_->Folder().isEmpty()) {
            const QString archive = LoggerArchiveFolder();
            manager_->SetFolder(QFileInfo(archive).isDir() ? archive : DataRoot());
        }
    }
    if (ShowLoggerManager(*manager_) != QDialog::Accepted) return;
    if (!manager_->ChosenFile().isEmpty()) {
        importFile(manager_->ChosenFile());
        return;
    }
    FileDialogRequest request;
    request.caption = QStringLiteral("чтение архива ZORT-1");
    request.folder = DataRoot() + QStringLiteral("/АРХИВЫ/ZORT-1");
    request.filter =
        QStringLiteral("Архивы ZORT-1|*.225;*.227;*.228;*.229;*.230;*.234;*.235;*.234;*.235;|Bсе файлы(*.*)|*.*");
    const QString path = AskFileName(&window_, request);
    if (path.isEmpty()) {
        window_.Action(QStringLiteral("AreadFileArh"))->setChecked(false);
        return;
    }
    importFile(path);
}

void TLoggerImport::importFile(const QString& path) {
    LoggerState& logger = line_.Logger();
    logger.path = path;
    if (!ParseLoggerFileName(logger, path).isEmpty()) {
        window_.Status().error(QStringLiteral("файл: ") + path + QStringLiteral(" - не опознан как архивный"));
        return;
    }
    // The file's device becomes the line's: the pages follow the change.
    window_.ENo->setText(QString::number(logger.serial));
    window_.Etype->setText(ModelName(logger.type));
    line_.SetDevice(logger.serial, logger.type);

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
    const QString loaded = LoadLoggerFile(logger);
    logger.progress = nullptr;
    if (!loaded.isEmpty()) {
        ShowValue(loaded);
        return;
    }
    if (window_.Ma() && window_.Ma()->isVisible()) window_.Ma()->AddLine(LoggerInfoText(logger, QLatin1Char('\r')));

    const LoggerReplayData replay = logger.Replay();
    line_.Engine().SetLoggerReplay(&replay);
    page.AreadArhExecute();
    line_.Engine().SetLoggerReplay(nullptr);
    window_.Action(QStringLiteral("AArhPrint"))->setEnabled(true);
    reportRead(QFileInfo(path).fileName(), IsHourlyKind(ArchiveTabs(logger.type).value(tab).kind));
}

void TLoggerImport::reportRead(const QString& name, bool hourly) {
    // What the replay did: the records it brought with their range, or its
    // own failure. "прочитан" only when there are records to show.
    const TArchivePage& page = *window_.archivePage;
    const ArchiveReadResult& read = page.LastRead();
    const ArchiveList& list = hourly ? page.Hourly() : page.Daily();
    const QString head = QStringLiteral("архив из файла: ") + name;
    QDate first;
    QDate last;
    int records = 0;
    for (const ArchiveEntry& entry : list) {
        const QDate day = DateOfDayNumber(EntryDay(entry));
        if (!day.isValid() || EntryDay(entry) <= 0) continue;
        ++records;
        if (!first.isValid() || day < first) first = day;
        if (!last.isValid() || day > last) last = day;
    }
    if (read.outcome == ArchiveReadOutcome::Completed && records > 0) {
        window_.Status().ok(head + Format(QStringLiteral(" - прочитан: записей %d, от %s г. до %s г."),
                                          {records, ShortDateText(first), ShortDateText(last)}));
        return;
    }
    QString why = read.text;
    if (read.outcome == ArchiveReadOutcome::Completed || why.isEmpty())
        why = QStringLiteral("в файле нет ни одной записи архива");
    window_.Status().error(head + QStringLiteral(" - не прочитан: ") + why);
}

}  // namespace omi
