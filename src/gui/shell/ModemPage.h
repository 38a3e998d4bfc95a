#pragma once
// The "МОДЕМ" connection page: the stored connections (ДАННЫЕ/МОДЕМ/
// СОЕДИНЕНИЯ.TXT), dialling, manual AT commands, hanging up, and the reading
// of the modem's replies that arrive on the engine's asynchronous receive
// path. Once connected, every exchange of the program runs over the same
// port as on a direct line, from any page.

#include <QObject>

#include "support/GridText.h"
#include "transport/Modem.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTimer;
class QToolBar;

namespace omi {

class Connection;
class TFomi;

class TModemPage : public QObject {
    Q_OBJECT
public:
    // The modem's guard time around the escape "+++" (S12, one second), and a little more.
    static constexpr int kEscapeGuardMs = 1100;
    TModemPage(TFomi& window, Connection& line);

    void TSmodShow();
    void TSmodHide();
    void CBconClick();
    void AsaveExecute();
    void AdeleteExecute();
    void AcommandExecute();
    void AcallExecute();
    void AdisconExecute();
    void CBtruClick();
    void CBstaClick();
    // The complete reply of the modem (the asynchronous receive path).
    void ModemReply(const QByteArray& reply);

    const Grid& List() const { return list_; }
    QString LastCommand() const { return lastCommand_; }

    QComboBox* CBcon = nullptr;
    QLineEdit* Etel = nullptr;
    QComboBox* CBmod = nullptr;
    QCheckBox* CBton = nullptr;
    QCheckBox* CBtru = nullptr;
    QLineEdit* Ekmg = nullptr;
    QLineEdit* Etru = nullptr;
    QCheckBox* CBsta = nullptr;
    QLineEdit* Esta = nullptr;
    QToolBar* ActionToolBar2 = nullptr;
    QAction* Asave = nullptr;
    QAction* Adelete = nullptr;
    QAction* Acommand = nullptr;
    QAction* Acall = nullptr;
    QAction* Adiscon = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPage();
    ModemConnection connectionOfControls() const;
    // Sends a text to the modem through the port, the answer coming back on
    // the asynchronous path. False (and the port named busy) when the port
    // cannot be opened.
    bool sendToModem(const QString& text);
    void portBusy();
    void saveList();
    int selected() const;
    void setSelected(int index);
    // The hang-up ended without the modem's "OK" (reply: what it said instead).
    void hangUpDone(const QString& reply);

    TFomi& window_;
    Connection& line_;
    Grid list_;
    QString lastCommand_;
    QTimer* hangUpTimer_ = nullptr;    // the ATH of "отсоединить" unanswered
    bool hangingUp_ = false;           // "отсоединить" waits for the reply to its ATH
    std::uint32_t directTimeout_ = 0;  // the port's input timeout before the page set 2000 ms
    bool shown_ = false;
};

}  // namespace omi
