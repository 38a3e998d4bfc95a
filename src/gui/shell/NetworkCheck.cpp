#include "shell/NetworkCheck.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

#include "connection/Connection.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "shell/StatusLine.h"

namespace omi {

TNetworkCheck::TNetworkCheck(TFomi& window, Connection& line) : QObject(&window), window_(window), line_(line) {
    QAction* action = window.Action(QStringLiteral("Aping"));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [this] { ApingExecute(); });
    connect(&ping_, &TPing::DnsLookupDone, this, &TNetworkCheck::PingDnsLookupDone);
    connect(&ping_, &TPing::EchoReply, this, &TNetworkCheck::PingEchoReply);
    window.LNstate->installEventFilter(this);
    window.LNstate->setCursor(Qt::PointingHandCursor);
    window.MEip->installEventFilter(this);
}

QString TNetworkCheck::checkingText() const {
    return QStringLiteral("АДРЕС ") + window_.MEip->text().trimmed() + QStringLiteral("=") +
           ping_.Address().toString() + QStringLiteral(": ПРОВЕРКА СВЯЗИ...");
}

void TNetworkCheck::ApingExecute() {
    if (window_.MEip->text().trimmed().isEmpty()) {
        window_.Status().error(QStringLiteral("ВВЕДИТЕ АДРЕС"));
        ShowError(window_.LNstate, nullptr, QStringLiteral("НЕТ АДРЕСА"));
        return;
    }
    window_.Status().busy(QStringLiteral("ПРОВЕРКА АДРЕСА"));
    ShowBusy(window_.LNstate, nullptr, QStringLiteral("ПРОВЕРКА СЕТИ"), &line_.Engine());
    retries_ = 0;
    if (Flags().activated) ping_.LookupHost(window_.MEip->text().trimmed());
}

void TNetworkCheck::PingDnsLookupDone(int error) {
    const QString host = window_.MEip->text().trimmed();
    if (host.isEmpty()) return;
    if (error != 0) {
        window_.Status().error(QStringLiteral("АДРЕС ") + host + QStringLiteral(" НЕ СУЩЕСТВУЕТ"));
        ShowError(window_.LNstate, nullptr, QStringLiteral("НЕТ ТАКОГО АДРЕСА"));
        return;
    }
    window_.Status().busy(checkingText());
    ShowBusy(window_.LNstate, nullptr, QStringLiteral("ждем ответа..."), &line_.Engine());
    ping_.SendEcho();
}

void TNetworkCheck::showReached() {
    const TPing::Echo& echo = ping_.LastEcho();
    ShowOk(window_.LNstate, nullptr, PingSpeedText(echo.dataSize, echo.roundTripMs));
    window_.Status().ok(QStringLiteral("IP-АДРЕС ") + echo.replyAddress + QStringLiteral(" НА СВЯЗИ"));
}

void TNetworkCheck::PingEchoReply(int replies) {
    if (replies > 0) {
        showReached();
        return;
    }
    const TPing::Echo& echo = ping_.LastEcho();
    window_.Status().error(QStringLiteral("АДРЕС ") + window_.MEip->text().trimmed() + QStringLiteral(" НЕ ОТВЕТИЛ"));
    if (echo.error == 0) {
        showReached();
    } else if (echo.error == TPing::kTimedOut) {
        ++retries_;
        if (retries_ > 1) {
            ShowError(window_.LNstate, nullptr, QStringLiteral("Превышено время ожидания"));
            return;
        }
        // The second request a second later; the window stays live meanwhile.
        window_.Status().busy(checkingText());
        QTimer::singleShot(1000, this, [this] { ping_.SendEcho(); });
    } else {
        ShowError(window_.LNstate, nullptr, QString::number(echo.error) + QStringLiteral(": ") + echo.errorText);
    }
}

bool TNetworkCheck::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_.LNstate && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ApingExecute();
        return true;
    }
    if (watched == window_.MEip && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ApingExecute();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace omi
