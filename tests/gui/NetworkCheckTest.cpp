// The network check of the "СЕТЬ" page: an empty address, a name that does
// not resolve, a real echo of the loopback address, and a scripted line for
// the reply speed and for two unanswered echoes.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "GuiTestSupport.h"
#include "shell/MainWindow.h"
#include "shell/NetworkCheck.h"
#include "shell/ShellFlags.h"

using namespace omi;
using namespace omi::guitest;

namespace {

// The window after its first activation (the check resolves names only then).
std::unique_ptr<TFomi> openWindow() {
    auto w = OpenWindow();
    Flags().activated = true;
    return w;
}

}  // namespace

class NetworkCheckTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addressMissingOrUnknown() {
        DataFolder data;
        auto w = openWindow();
        int echoes = 0;
        w->networkCheck->Ping().SetEchoBackend([&](const QHostAddress&, auto) { ++echoes; });
        w->MEip->clear();
        w->MEip->setFocus();
        QTest::keyClick(w->MEip, Qt::Key_Return);
        QCOMPARE(w->LuState->text(), QString("ВВЕДИТЕ АДРЕС"));
        QCOMPARE(w->LNstate->text(), QString("НЕТ АДРЕСА"));

        w->MEip->setText("no-such-host.invalid");
        QTest::mouseClick(w->LNstate, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w->LNstate->text(), QString("НЕТ ТАКОГО АДРЕСА"), 10000);
        QCOMPARE(w->LuState->text(), QString("АДРЕС no-such-host.invalid НЕ СУЩЕСТВУЕТ"));
        QCOMPARE(echoes, 0);
    }

    void loopbackIsReached() {
        DataFolder data;
        auto w = openWindow();
        QVERIFY(w->Action("Aping")->isEnabled());
        w->MEip->setText("127.0.0.1");
        w->Action("Aping")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w->LNstate->text().startsWith("скорость ответа"), 10000);
        QCOMPARE(w->LuState->text(), QString("IP-АДРЕС 127.0.0.1 НА СВЯЗИ"));
    }

    void scriptedLine() {
        DataFolder data;
        auto w = openWindow();
        TPing& ping = w->networkCheck->Ping();

        // A reply of 56 bytes after 8 ms.
        ping.SetEchoBackend([](const QHostAddress&, std::function<void(const TPing::Echo&)> done) {
            TPing::Echo e;
            e.replies = 1;
            e.dataSize = 56;
            e.roundTripMs = 8;
            e.replyAddress = "10.0.0.7";
            done(e);
        });
        w->MEip->setText("10.0.0.7");
        w->Action("Aping")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w->LNstate->text(), QString("скорость ответа 7000 Kb/ceк"), 10000);
        QCOMPARE(w->LuState->text(), QString("IP-АДРЕС 10.0.0.7 НА СВЯЗИ"));

        // Nobody answers: two echo requests, then the timeout is said.
        int echoes = 0;
        ping.SetEchoBackend([&](const QHostAddress&, std::function<void(const TPing::Echo&)> done) {
            ++echoes;
            TPing::Echo e;
            e.error = TPing::kTimedOut;
            done(e);
        });
        w->Action("Aping")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w->LNstate->text(), QString("Превышено время ожидания"), 10000);
        QCOMPARE(echoes, 2);
        QCOMPARE(w->LuState->text(), QString("АДРЕС 10.0.0.7 НЕ ОТВЕТИЛ"));
        QTest::qWait(1500);
        QCOMPARE(echoes, 2);

        // Another failure: its code and text.
        ping.SetEchoBackend([](const QHostAddress&, std::function<void(const TPing::Echo&)> done) {
            TPing::Echo e;
            e.error = 101;
            e.errorText = "Network is unreachable";
            done(e);
        });
        w->Action("Aping")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w->LNstate->text(), QString("101: Network is unreachable"), 10000);
    }
};

QTEST_MAIN(NetworkCheckTest)
#include "NetworkCheckTest.moc"
