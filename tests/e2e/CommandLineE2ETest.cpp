#include "e2e/SimProcess.h"

using namespace omi::test;

// --help / -h print the usage on stdout and --version the version, exit 0 and
// nothing else happens (no port opened, no window, no display needed), even
// when other options or a command stand beside them.
TEST(CommandLine, HelpAndVersionOfEveryProgram) {
    struct Case {
        QString program;
        QStringList args;
        QString expected;  // a line the output must contain
    };
    QList<Case> cases{
        {OMI_CLI_PATH, {"--help"}, "usage: omi-cli"},
        {OMI_CLI_PATH, {"-h"}, "usage: omi-cli"},
        {OMI_CLI_PATH, {"--port", "/dev/nonexistent-omi-port", "archive", "daily", "--help"}, "usage: omi-cli"},
        {OMI_CLI_PATH, {"--version"}, "omi-cli " OMI_VERSION},
        {OMI_SIM_PATH, {"--help"}, "--hangup-after"},
        {OMI_SIM_PATH, {"-h"}, "--hangup-after"},
        {OMI_SIM_PATH, {"--version"}, "omi-sim " OMI_VERSION},
    };
#ifdef OMI_APP_PATH
    cases << Case{OMI_APP_PATH, {"--help"}, "usage: omi"} << Case{OMI_APP_PATH, {"-h"}, "usage: omi"}
          << Case{OMI_APP_PATH, {"--version"}, "omi " OMI_VERSION};
#endif
    for (const Case& c : cases) {
        const QString what = c.program.section('/', -1) + ' ' + c.args.join(' ');
        // No display: the window program must answer without one.
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(env);
        p.start(c.program, c.args);
        ASSERT_TRUE(p.waitForFinished(30000)) << what.toStdString();
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << what.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << what.toStdString();
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(out.contains(c.expected)) << what.toStdString() << ": " << out.toStdString();
        EXPECT_TRUE(p.readAllStandardError().isEmpty()) << what.toStdString();
    }
}
