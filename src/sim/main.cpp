// omi-sim: simulated calculators on a pseudo-terminal and/or UDP on loopback,
// for development, tests and training. See SimOptions.cpp for the options.

#include "SimOptions.h"
#include "SimPty.h"
#include "SimUdp.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop through a self-pipe, so the process
// leaves cleanly (descriptors closed, log flushed) whatever it was doing.
bool installSignalHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return false;
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

void printLine(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int fail(const QString& text) {
    std::fputs(("omi-sim: " + text + '\n').toLocal8Bit().constData(), stderr);
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("omi-sim"));

    omi::SimOptions options;
    if (const QString error = omi::ParseSimOptions(QCoreApplication::arguments(), options); !error.isEmpty())
        return fail(error + QStringLiteral(" (справка: omi-sim --help)"));
    if (options.help) {
        std::fputs(options.helpText.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs("omi-sim " OMI_VERSION "\n", stdout);
        return 0;
    }
    if (!installSignalHandlers()) return fail(QStringLiteral("не могу установить обработчик сигналов"));
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });

    std::vector<omi::SimDevice> devices;
    for (const auto& [type, serial] : options.devices) devices.emplace_back(type, serial, options.settings);
    omi::SimResponder responder(std::move(devices), options.faults);
    if (!options.logPath.isEmpty()) {
        if (const QString error = responder.SetLogFile(options.logPath); !error.isEmpty()) return fail(error);
    }

    omi::SimPty pty(responder);
    omi::SimUdp udp(responder);
    // The adapter unplugged: both sides go away and the process ends.
    auto hangup = [&] {
        pty.Close();
        udp.Close();
        QCoreApplication::quit();
    };
    QObject::connect(&pty, &omi::SimPty::HangupDue, &app, hangup);
    QObject::connect(&udp, &omi::SimUdp::HangupDue, &app, hangup);

    if (options.modem.enabled) pty.EnableModem(options.modem);
    if (options.pty) {
        if (const QString error = pty.Open(); !error.isEmpty()) return fail(error);
        printLine(pty.SlavePath());
    }
    if (options.udp) {
        if (const QString error = udp.Bind(options.udpHost, options.udpPort); !error.isEmpty()) return fail(error);
        printLine(QStringLiteral("udp %1:%2").arg(udp.LocalAddress().toString()).arg(udp.LocalPort()));
    }
    return app.exec();
}
