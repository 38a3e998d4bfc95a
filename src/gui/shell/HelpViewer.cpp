#include "shell/HelpViewer.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace omi {

namespace {

// The help file as text, or an empty text when it cannot be shown: missing,
// unreadable, too large, not UTF-8, or not an HTML document.
QString ReadHelpHtml(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() <= 0 || info.size() > HelpViewer::kMaxHelpBytes) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.read(HelpViewer::kMaxHelpBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > HelpViewer::kMaxHelpBytes) return {};
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError() || text.contains(QChar(0))) return {};
    const QString head = text.left(1024).toLower();
    if (!head.contains(QStringLiteral("<html")) && !head.contains(QStringLiteral("<!doctype html"))) return {};
    return text;
}

}  // namespace

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Справка"));
    resize(900, 700);

    back_ = new QToolButton(this);
    back_->setObjectName(QStringLiteral("BThelpBack"));
    back_->setText(QStringLiteral("назад"));
    back_->setToolTip(QStringLiteral("вернуться к месту до перехода по ссылке"));
    back_->setEnabled(false);
    auto* home = new QToolButton(this);
    home->setObjectName(QStringLiteral("BThelpHome"));
    home->setText(QStringLiteral("содержание"));
    home->setToolTip(QStringLiteral("в начало справки"));
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("EhelpFind"));
    search_->setPlaceholderText(QStringLiteral("поиск на странице (Enter - следующее)"));
    search_->setClearButtonEnabled(true);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("TBhelp"));
    // Links are followed here: anchors of the document scroll, outside links
    // go to the system's browser.
    browser_->setOpenLinks(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(back_);
    bar->addWidget(home);
    bar->addWidget(search_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);

    connect(back_, &QToolButton::clicked, this, &HelpViewer::GoBack);
    connect(home, &QToolButton::clicked, this, &HelpViewer::GoHome);
    connect(search_, &QLineEdit::returnPressed, this, &HelpViewer::FindInPage);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpViewer::OnAnchorClicked);
}

QString HelpViewer::MissingText(const QString& path) {
    return QStringLiteral("файл справки ") + path + QStringLiteral(" отсутствует или поврежден");
}

QString HelpViewer::ContextAnchor(int context) { return QStringLiteral("ctx") + QString::number(context); }

QString HelpViewer::KeywordAnchor(const QString& keyword) {
    static const char* const kLatin[] = {"a", "b",  "v",  "g",   "d", "e", "zh", "z", "i",  "j", "k",
                                         "l", "m",  "n",  "o",   "p", "r", "s",  "t", "u",  "f", "h",
                                         "c", "ch", "sh", "sch", "",  "y", "",   "e", "yu", "ya"};
    QString anchor;
    for (const QChar c : keyword.trimmed().toLower()) {
        const char16_t u = c.unicode();
        if (u >= u'а' && u <= u'я')
            anchor += QLatin1String(kLatin[u - u'а']);
        else if (u == u'ё')
            anchor += u'e';
        else if (c.isSpace())
            anchor += u'_';
        else if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'_' || u == u'-')
            anchor += c;
    }
    return anchor;
}

int HelpViewer::AnchorPosition(const QString& anchor) const {
    if (anchor.isEmpty()) return -1;
    const QTextDocument* doc = browser_->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().anchorNames().contains(anchor)) return fragment.position();
        }
    }
    return -1;
}

bool HelpViewer::Load(const QString& helpFile) {
    if (isVisible()) raise();
    show();
    backStack_.clear();
    back_->setEnabled(false);
    const QString html = ReadHelpHtml(helpFile);
    if (html.isEmpty()) {
        currentFile_.clear();
        browser_->setPlainText(MissingText(helpFile));
        return false;
    }
    currentFile_ = helpFile;
    browser_->setHtml(html);
    return true;
}

void HelpViewer::ShowAnchor(const QString& anchor) {
    const int position = AnchorPosition(anchor);
    QTextCursor cursor(browser_->document());
    cursor.setPosition(position < 0 ? 0 : position);
    browser_->setTextCursor(cursor);
    // The first layout of a window that has just been shown can still change
    // the scroll range, so the scroll is done now and once more after it.
    const auto scroll = [this, anchor, position] {
        if (position < 0)
            browser_->verticalScrollBar()->setValue(0);
        else
            browser_->scrollToAnchor(anchor);
    };
    scroll();
    QTimer::singleShot(0, browser_, scroll);
}

bool HelpViewer::OpenContents(const QString& helpFile) {
    if (!Load(helpFile)) return false;
    ShowAnchor(QString());
    return true;
}

bool HelpViewer::OpenContext(const QString& helpFile, int context) {
    if (!Load(helpFile)) return false;
    ShowAnchor(ContextAnchor(context));
    return true;
}

bool HelpViewer::OpenKeyword(const QString& helpFile, const QString& keyword) {
    if (!Load(helpFile)) return false;
    ShowAnchor(KeywordAnchor(keyword));
    return true;
}

void HelpViewer::OnAnchorClicked(const QUrl& url) {
    const bool inDocument = url.isRelative() && url.path().isEmpty() && url.hasFragment();
    if (!inDocument) {
        QDesktopServices::openUrl(url);
        return;
    }
    backStack_.append(browser_->verticalScrollBar()->value());
    back_->setEnabled(true);
    const QString anchor = url.fragment();
    const int position = AnchorPosition(anchor);
    if (position >= 0) {
        QTextCursor cursor(browser_->document());
        cursor.setPosition(position);
        browser_->setTextCursor(cursor);
        browser_->scrollToAnchor(anchor);
    }
}

void HelpViewer::GoBack() {
    if (!backStack_.isEmpty()) browser_->verticalScrollBar()->setValue(backStack_.takeLast());
    back_->setEnabled(!backStack_.isEmpty());
}

void HelpViewer::GoHome() {
    backStack_.append(browser_->verticalScrollBar()->value());
    back_->setEnabled(true);
    browser_->moveCursor(QTextCursor::Start);
    browser_->verticalScrollBar()->setValue(0);
}

void HelpViewer::FindInPage() {
    const QString text = search_->text();
    if (text.isEmpty()) return;
    if (browser_->find(text)) return;
    // Not found below the cursor: once more from the top.
    browser_->moveCursor(QTextCursor::Start);
    browser_->find(text);
}

void HelpViewer::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    Q_EMIT closed();
}

void HelpViewer::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace omi
