#pragma once
// The help window: one HTML help file (ДАННЫЕ/ПОМОЩЬ/HELPMY.HLP or its service
// twin under HELPFULL) shown in a text browser, opened at its top, at the
// section of a help context number (anchor "ctx<N>") or at a keyword's anchor.
//
// The file is read and checked before it is shown: a missing, unreadable,
// oversized or non-HTML file shows the line MissingText(path) instead, and the
// Open* call returns false.

#include <QPointer>
#include <QString>
#include <QWidget>

class QLineEdit;
class QTextBrowser;
class QToolButton;
class QUrl;

namespace omi {

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    // Help files larger than this are refused (the delivered ones are far smaller).
    static constexpr qint64 kMaxHelpBytes = 4 * 1024 * 1024;

    explicit HelpViewer(QWidget* parent = nullptr);

    // Each shows (and raises) the window. False when the file cannot be shown.
    bool OpenContents(const QString& helpFile);
    bool OpenContext(const QString& helpFile, int context);
    bool OpenKeyword(const QString& helpFile, const QString& keyword);

    // The file last opened successfully; empty while none is shown.
    QString CurrentFile() const { return currentFile_; }

    static QString MissingText(const QString& path);
    // Anchor of a help context number: 110 -> "ctx110".
    static QString ContextAnchor(int context);
    // Anchor of a keyword: lower case, Cyrillic letters in Latin, blanks as
    // "_": "отладка" -> "otladka".
    static QString KeywordAnchor(const QString& keyword);

    // Position of a named anchor in the shown document, -1 when it has none.
    int AnchorPosition(const QString& anchor) const;

Q_SIGNALS:
    // The window was closed (its close button or Escape).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool Load(const QString& helpFile);
    void ShowAnchor(const QString& anchor);
    void OnAnchorClicked(const QUrl& url);
    void GoBack();
    void GoHome();
    void FindInPage();

    QTextBrowser* browser_ = nullptr;
    QToolButton* back_ = nullptr;
    QLineEdit* search_ = nullptr;
    QString currentFile_;
    QList<int> backStack_;  // scroll positions before followed links
};

}  // namespace omi
