#include "archives/LoggerManager.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStorageInfo>
#include <QStyle>
#include <QTextBlock>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "logger/LoggerFile.h"
#include "shell/HelpViewer.h"
#include "shell/LayoutFile.h"
#include "support/Paths.h"

namespace omi {

namespace {

std::function<int(TFZORT&)> g_managerHook;

const QString kNoFiles = QStringLiteral("ЗОРТ: файлов не найдено");
const QString kUnchecked = QStringLiteral("- - - - - ");
const QString kNoMedium = QStringLiteral("НЕТ_В_НАЛИЧИИ");

void paint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

TFZORT::TFZORT(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FZORT"));
    setWindowTitle(QStringLiteral("ЗОРТ-1"));
    resize(1032, 746);
    clock_ = [] { return QDateTime::currentDateTime(); };
    askOverwrite_ = [this](const QString& path) {
        return QMessageBox::question(this, windowTitle(),
                                     QStringLiteral("Файл %1 уже есть. Заменить его?").arg(path)) == QMessageBox::Yes;
    };

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    LAind = new QLabel(QStringLiteral("Состояние программы и ее процессов"), this);
    LAind->setObjectName(QStringLiteral("LAind"));
    LAind->setToolTip(QStringLiteral("Состояние программы и ее процессов"));
    LAind->setWordWrap(true);
    LAind->setAutoFillBackground(true);
    QPalette palette = LAind->palette();
    palette.setColor(QPalette::Window, QColor(225, 247, 231));
    LAind->setPalette(palette);
    QFont bold = LAind->font();
    bold.setBold(true);
    LAind->setFont(bold);
    LAind->setMinimumHeight(41);
    ATB = new QToolBar(this);
    ATB->setObjectName(QStringLiteral("ATB"));
    ATB->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto action = [&](const char* name, const QString& caption, const QString& hint) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromUtf8(name));
        if (!hint.isEmpty()) a->setToolTip(hint);
        addAction(a);
        return a;
    };
    AGetDisk = action("AGetDisk", QStringLiteral("список дисков"), {});
    AFileListAction = action("AFileList", QStringLiteral("список файлов"), {});
    AfileDLOpenAction = action("AfileDLOpen", QStringLiteral("открыть файл"), QStringLiteral("открыть выбранный файл"));
    AZORTCopyAction = action("AZORTCopy", QStringLiteral("копировать файлы"),
                             QStringLiteral("копировать отмеченные файлы с новыми именами"));
    AHelpZORT = action("AHelpZORT", QStringLiteral("помощь"), {});
    AfileDLOpenAction->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    AZORTCopyAction->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    AHelpZORT->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    ATB->setLayoutDirection(Qt::RightToLeft);
    ATB->addAction(AHelpZORT);
    ATB->addAction(AZORTCopyAction);
    ATB->addAction(AfileDLOpenAction);
    top->addWidget(LAind, 1);
    top->addWidget(ATB);
    outer->addLayout(top);

    auto* split = new QSplitter(Qt::Horizontal, this);
    auto* pc = new QGroupBox(QStringLiteral("Мой компьютер"), split);
    pc->setObjectName(QStringLiteral("GBpc"));
    auto* pcLayout = new QVBoxLayout(pc);
    BitBtn1 = new QPushButton(QStringLiteral("Перейти в папку с программой"), pc);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setRootPath(QDir::rootPath());
    ShellTreeView1 = new QTreeView(pc);
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1->setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c) ShellTreeView1->hideColumn(c);
    ShellTreeView1->header()->hide();
    TVc = new QTreeWidget(pc);
    TVc->setObjectName(QStringLiteral("TVc"));
    TVc->setHeaderLabel(QStringLiteral("диски"));
    TVc->setMaximumHeight(120);
    pcLayout->addWidget(BitBtn1);
    pcLayout->addWidget(ShellTreeView1, 1);
    pcLayout->addWidget(TVc);
    auto* zort = new QGroupBox(QStringLiteral("ЗОРТ файлы"), split);
    zort->setObjectName(QStringLiteral("GBzort"));
    auto* zortLayout = new QVBoxLayout(zort);
    LVc = new QTreeWidget(zort);
    LVc->setObjectName(QStringLiteral("LVc"));
    LVc->setRootIsDecorated(false);
    LVc->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVc->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Columns as wide as their texts; a narrow list scrolls sideways instead
    // of cutting the detail column.
    LVc->header()->setStretchLastSection(false);
    LVc->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    zortLayout->addWidget(LVc);
    auto* names = new QGroupBox(QStringLiteral("новое имя"), split);
    names->setObjectName(QStringLiteral("GBNewName"));
    auto* namesLayout = new QVBoxLayout(names);
    REName = new QPlainTextEdit(names);
    REName->setObjectName(QStringLiteral("REName"));
    QFont nameFont = REName->font();
    nameFont.setPixelSize(15);
    REName->setFont(nameFont);
    namesLayout->addWidget(REName);
    split->setSizes({304, 352, 376});
    outer->addWidget(split, 1);

    connect(AFileListAction, &QAction::triggered, this, [this] { AFileList(); });
    connect(AfileDLOpenAction, &QAction::triggered, this, [this] { AfileDLOpen(); });
    connect(AZORTCopyAction, &QAction::triggered, this, [this] { AZORTCopy(); });
    connect(AGetDisk, &QAction::triggered, this, [this] { AGetDiskExecute(); });
    connect(TVc, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item) return;
        SetFolder(item->data(0, Qt::UserRole).toString());
        addSubfolders(item);
    });
    connect(TVc, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { addSubfolders(item); });
    connect(AHelpZORT, &QAction::triggered, this, [this] {
        setStatus(QStringLiteral("Вызываю файл справки. Ждите..."));
        const QString file =
            DataPath({kDataFolderName, QStringLiteral("ПОМОЩЬ"), QStringLiteral("ZORThelp"), QStringLiteral("hlp")});
        auto* help = new HelpViewer(this);
        help->setAttribute(Qt::WA_DeleteOnClose);
        help->setWindowFlag(Qt::Window, true);
        help->OpenContents(file);
        help->show();
        setStatus(QStringLiteral("готово!"));
    });
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (index.isValid()) SetFolder(folders_->filePath(index));
            });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    // A click on a row flips its box once: a click on the box itself is
    // flipped by the view before itemClicked, so the handler then only
    // follows it (the state at the press tells which happened).
    LVc->viewport()->installEventFilter(this);
    connect(LVc, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const bool flippedByView = item == pressedItem_ && item->checkState(0) != pressedState_;
        pressedItem_ = nullptr;
        LVcClick(LVc->indexOfTopLevelItem(item), flippedByView);
    });
    AGetDisk->trigger();
    RestoreLayout(this, QStringLiteral("память"));
}

TFZORT::~TFZORT() { SaveLayout(this, {}, QStringLiteral("память")); }

void TFZORT::AGetDiskExecute() {
    setStatus(QStringLiteral("определяю список дисков..."));
    TVc->clear();
    QTreeWidgetItem* logger = nullptr;
    for (const QString& drive : drives_ ? drives_() : DriveList()) {
        // A drive without a medium is listed by DriveList but has no node.
        if (drive.section(QLatin1Char(','), 2, 2) == kNoMedium) continue;
        // The label with its "_" shown as blanks.
        const QString shown = drive.section(QLatin1Char(','), 0, 1) + QLatin1Char(',') +
                              drive.section(QLatin1Char(','), 2).replace(QLatin1Char('_'), QLatin1Char(' '));
        auto* item = new QTreeWidgetItem(TVc, {shown});
        item->setData(0, Qt::UserRole, drive.section(QLatin1Char(','), 0, 0));
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        if (!logger && (drive.contains(QStringLiteral("ЗОРТ-1")) || drive.contains(QStringLiteral("ZORT-1"))))
            logger = item;
    }
    setStatus(QStringLiteral("готово!"));
    // The logger's drive is the folder listed.
    if (logger) TVc->setCurrentItem(logger);
}

void TFZORT::addSubfolders(QTreeWidgetItem* node) {
    if (!node || node->childCount() > 0) return;
    const QDir dir(node->data(0, Qt::UserRole).toString());
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllDirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        auto* child = new QTreeWidgetItem(node, {entry.fileName()});
        child->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        child->setData(0, Qt::UserRole, entry.absoluteFilePath());
        child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    if (entries.isEmpty()) node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void TFZORT::setStatus(const QString& text) {
    LAind->setText(text);
    paint();
}

void TFZORT::SetFolder(const QString& folder) {
    folder_ = QDir::cleanPath(folder);
    setWindowTitle(folder_);
    const QModelIndex index = folders_->index(folder_);
    if (index.isValid() && ShellTreeView1->currentIndex() != index) {
        const QSignalBlocker quiet(ShellTreeView1->selectionModel());
        ShellTreeView1->setCurrentIndex(index);
        ShellTreeView1->scrollTo(index);
    }
    AFileList();
}

void TFZORT::BitBtn1Click() {
    const QString target = LoggerArchiveFolder();
    SetFolder(QFileInfo(target).isDir() ? target : DataRoot());
    ShellTreeView1->setFocus();
}

void TFZORT::AFileList() {
    setStatus(QStringLiteral("определяю список файлов..."));
    LVc->clear();
    LVc->setColumnCount(2);
    LVc->setHeaderLabels({folder_, QStringLiteral("Подробно")});
    const QStringList files = ListLoggerFiles(folder_);
    setStatus(QStringLiteral("готово!"));
    if (files.isEmpty()) {
        auto* row = new QTreeWidgetItem(LVc, {kNoFiles});
        row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
        REName->clear();
        setStatus(kNoFiles);
        AfileDLOpenAction->setEnabled(false);
        AZORTCopyAction->setEnabled(false);
        LVc->resizeColumnToContents(0);
        return;
    }
    AfileDLOpenAction->setEnabled(true);
    AZORTCopyAction->setEnabled(true);
    for (const QString& path : files) {
        // The manager only names files: each is recognised on its own,
        // apart from any line's loaded logger file.
        LoggerState file;
        const QString error = ParseLoggerFileName(file, path);
        auto* row =
            new QTreeWidgetItem(LVc, {QFileInfo(path).fileName(), error.isEmpty() ? LoggerFileTitle(file) : error});
        row->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
    }
    // The file names set the first column's width; its heading (the folder,
    // often long) is elided there, so that the detail column is in sight.
    int names = 0;
    for (int r = 0; r < LVc->topLevelItemCount(); ++r)
        names = std::max(names, LVc->fontMetrics().horizontalAdvance(LVc->topLevelItem(r)->text(0)));
    LVc->setColumnWidth(0, names + style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                               style()->pixelMetric(QStyle::PM_SmallIconSize) + 30);
    LVc->headerItem()->setToolTip(0, folder_);
    LVc->resizeColumnToContents(1);
    fitList();
}

void TFZORT::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    fitList();
}

void TFZORT::fitList() {
    // The list shows both columns whole when the window has the room; the
    // folder tree and the new-name pane share the rest, each kept readable.
    auto* split = qobject_cast<QSplitter*>(LVc->parentWidget()->parentWidget());
    if (!split || split->count() != 3) return;
    const int wanted =
        LVc->header()->length() + 2 * LVc->frameWidth() + LVc->verticalScrollBar()->sizeHint().width() + 24;
    QList<int> sizes = split->sizes();
    const int total = sizes[0] + sizes[1] + sizes[2];
    if (total <= 0 || sizes[1] >= wanted) return;
    const int list = std::max(sizes[1], std::min(wanted, total - 2 * 230));
    const int rest = total - list;
    sizes = {rest / 2, list, rest - rest / 2};
    split->setSizes(sizes);
}

bool TFZORT::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LVc->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* e = static_cast<QMouseEvent*>(event);
        pressedItem_ = LVc->itemAt(e->position().toPoint());
        if (pressedItem_) pressedState_ = pressedItem_->checkState(0);
    }
    return QDialog::eventFilter(watched, event);
}

void TFZORT::LVcClick(int row, bool alreadyFlipped) {
    QTreeWidgetItem* item = LVc->topLevelItem(row);
    if (!item || item->text(0) == kNoFiles) return;
    if (!alreadyFlipped) item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    setStatus(item->text(1));
    AZORTRENAME();
}

void TFZORT::AZORTRENAME() {
    REName->clear();
    const QString archive = LoggerArchiveFolder();
    if (!QDir().mkpath(archive)) QMessageBox::warning(this, windowTitle(), QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"));
    QStringList lines{archive + QStringLiteral("...")};
    const QDateTime now = clock_();
    for (int r = 0; r < LVc->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = LVc->topLevelItem(r);
        if (item->checkState(0) != Qt::Checked) {
            lines << kUnchecked;
            continue;
        }
        LoggerState file;
        const QString error = ParseLoggerFileName(file, item->text(0));
        if (!error.isEmpty()) {
            // Not a logger file name: nothing to file it under.
            setStatus(error);
            lines << kUnchecked;
            continue;
        }
        const QString filed = LoggerFilingName(file, item->text(0), now);
        if (!QDir().mkpath(archive + QFileInfo(filed).path()))
            QMessageBox::warning(this, windowTitle(), QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"));
        lines << QStringLiteral("...") + filed;
    }
    REName->setPlainText(lines.join(QLatin1Char('\n')));
    // The folder line in bold.
    QTextCursor first(REName->document()->firstBlock());
    first.select(QTextCursor::BlockUnderCursor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    first.mergeCharFormat(bold);
}

void TFZORT::AZORTCopy() {
    const QStringList lines = REName->toPlainText().split(QLatin1Char('\n'));
    QStringList sources;
    QStringList targets;
    for (int r = 0; r < LVc->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = LVc->topLevelItem(r);
        if (item->checkState(0) != Qt::Checked) continue;
        const QString line = lines.value(r + 1).trimmed();
        if (line.isEmpty() || line == kUnchecked.trimmed()) continue;
        sources << QDir(folder_).filePath(item->text(0));
        targets << QString(lines.value(0) + line).remove(QStringLiteral("......"));
    }
    if (sources.isEmpty()) {
        setStatus(QStringLiteral("нет файлов для копирования. Поставте галочки в списке"));
        return;
    }
    QProgressDialog progress(QStringLiteral("копирую файлы..."), QStringLiteral("Отмена"), 0,
                             static_cast<int>(sources.size()), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    bool failed = false;
    bool cancelled = false;
    int copied = 0;
    int kept = 0;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        progress.setValue(static_cast<int>(i));
        if (progress.wasCanceled()) {
            cancelled = true;
            break;
        }
        const QString& target = targets[i];
        QDir().mkpath(QFileInfo(target).path());
        if (QFileInfo::exists(target)) {
            if (!askOverwrite_(target)) {  // the file there stays
                ++kept;
                continue;
            }
            QFile::remove(target);
        }
        if (QFile::copy(sources[i], target))
            ++copied;
        else
            failed = true;
    }
    progress.setValue(static_cast<int>(sources.size()));
    // Success only when every checked file was copied.
    QString result = cancelled ? QStringLiteral("Выполнение операции прервано пользователем")
                     : failed ? QStringLiteral("Ошибка выполнения операции")
                     : kept   ? QStringLiteral("Операция завершена не полностью")
                              : QStringLiteral("Операция успешно завершена");
    if (cancelled || failed || kept)
        result += QStringLiteral(": скопировано файлов %1 из %2").arg(copied).arg(sources.size());
    if (kept) result += QStringLiteral(", не заменено (отказ от замены) %1").arg(kept);
    setStatus(result);
}

void TFZORT::AfileDLOpen() {
    QTreeWidgetItem* item = LVc->currentItem();
    chosen_ = item && item->text(0) != kNoFiles ? QDir(folder_).filePath(item->text(0)) : QString();
    accept();
}

QStringList TFZORT::DriveList() {
    QStringList drives;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid()) continue;
        const QString type = QString::fromLatin1(v.fileSystemType());
        // Pseudo file systems of the system are not drives a logger is on.
        static const QStringList pseudo{"proc",      "sysfs",       "tmpfs",    "devtmpfs",   "devpts",  "cgroup",
                                        "cgroup2",   "overlay",     "squashfs", "securityfs", "debugfs", "tracefs",
                                        "mqueue",    "pstore",      "fusectl",  "configfs",   "bpf",     "autofs",
                                        "hugetlbfs", "binfmt_misc", "ramfs"};
        if (pseudo.contains(type)) continue;
        const QString kind = v.device().startsWith("//") || type.startsWith("nfs") || type == "cifs"
                                 ? QStringLiteral("сетевой")
                             : type == "iso9660" || type == "udf" ? QStringLiteral("CDROM")
                             : type == "vfat" || type == "exfat"  ? QStringLiteral("съемный")
                                                                  : QStringLiteral("локальный");
        if (kind == QStringLiteral("CDROM")) continue;
        QString label = v.displayName() == v.rootPath() ? v.name() : v.displayName();
        label.replace(QLatin1Char(' '), QLatin1Char('_'));
        if (label.isEmpty()) label = QStringLiteral("БЕЗЫМЯННЫЙ");
        // A drive whose medium is out.
        if (!v.isReady()) label = kNoMedium;
        drives << v.rootPath() + QLatin1Char(',') + kind + QLatin1Char(',') + label;
    }
    return drives;
}

int ShowLoggerManager(TFZORT& manager) { return g_managerHook ? g_managerHook(manager) : manager.exec(); }

void SetLoggerManagerHook(std::function<int(TFZORT&)> hook) { g_managerHook = std::move(hook); }

}  // namespace omi
