#pragma once
// The terminal memo Ma: the program's shared trace window. The exchange
// engine, the help action and the service-level dumps append text at the
// caret. A double-click saves every line to "ГИПЕРТЕРМИНАЛ.txt" in the
// current folder, clears the memo and starts again with "Гипертерминал".

#include "protocol/Exchange.h"

#include <QPlainTextEdit>

namespace omi {

class TraceMemo : public QPlainTextEdit, public TraceSink {
    Q_OBJECT
public:
    static constexpr const char* kSaveFile = "ГИПЕРТЕРМИНАЛ.txt";

    explicit TraceMemo(QWidget* parent = nullptr);

    // Text at the caret; CR LF and lone CR become line breaks.
    void Append(const QString& text) override;
    // The memo is on while its check box is checked, whether or not its page
    // is the one shown.
    bool Visible() const override { return !isHidden(); }
    // Adds a line (the text and a line break).
    void AddLine(const QString& line);
    // The double-click: save, clear, first line. Returns the file's message
    // ("" when saved).
    QString SaveAndClear();

Q_SIGNALS:
    void saveFailed(const QString& message);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace omi
