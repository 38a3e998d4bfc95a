#include "shell/TraceMemo.h"

#include "support/TextCodec.h"

#include <QDir>
#include <QScrollBar>

namespace omi {

namespace {
const QString kFirstLine = QStringLiteral("Гипертерминал");
}

TraceMemo::TraceMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("Ma"));
    setReadOnly(true);
    setToolTip(QStringLiteral("ГиперТерминал дв.щ-очистить"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A long session must not grow without bound.
    setMaximumBlockCount(20000);
    setPlainText(kFirstLine);
    moveCursor(QTextCursor::End);
}

void TraceMemo::Append(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QTextCursor c = textCursor();
    c.insertText(t);
    setTextCursor(c);
    ensureCursorVisible();
}

void TraceMemo::AddLine(const QString& line) {
    moveCursor(QTextCursor::End);
    const QString all = toPlainText();
    Append((all.isEmpty() || all.endsWith(QLatin1Char('\n')) ? QString() : QStringLiteral("\n")) + line +
           QStringLiteral("\n"));
}

QString TraceMemo::SaveAndClear() {
    const QString message = WriteTextFile1251(QDir::current().filePath(QString::fromUtf8(kSaveFile)), toPlainText());
    // The lines are kept when they could not be saved.
    if (!message.isEmpty()) return message;
    setPlainText(kFirstLine);
    moveCursor(QTextCursor::End);
    return message;
}

void TraceMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    (void)event;
    const QString message = SaveAndClear();
    if (!message.isEmpty()) Q_EMIT saveFailed(message);
}

}  // namespace omi
