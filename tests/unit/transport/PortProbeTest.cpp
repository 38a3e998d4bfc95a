#include <gtest/gtest.h>

#include <memory>

#include "DevicePty.h"
#include "protocol/Frame.h"
#include "transport/CommPortDriver.h"
#include "transport/PortProbe.h"
#include "transport/SerialPorts.h"

namespace omi {
namespace {

using test::DevicePty;

TEST(PortProbe, ReportsFreeHeldAndMissingPortsAndLeavesThePortClosed) {
    DevicePty free;
    DevicePty held;
    ASSERT_TRUE(free.Ok());
    ASSERT_TRUE(held.Ok());
    TCommPortDriver holder;
    holder.SetPortName(held.SlavePath());
    ASSERT_TRUE(holder.OpenPort());

    struct Case {
        QString name;
        bool free;
        QString label, status, modem;
    };
    const QString missing = QStringLiteral("/dev/omi-no-such-port");
    const Case table[] = {
        {free.SlavePath(), true, QStringLiteral("свободен (подключен)"),
         free.SlavePath() + QStringLiteral(" свободен (подключен)"), QStringLiteral("порт свободен (подключен)")},
        {held.SlavePath(), false, QStringLiteral("занят (отсутсвует)"),
         held.SlavePath() + QStringLiteral(" занят (отсутсвует)"),
         held.SlavePath() + QStringLiteral(" занят (отсутсвует)")},
        {missing, false, QStringLiteral("занят (отсутсвует)"), missing + QStringLiteral(" занят (отсутсвует)"),
         missing + QStringLiteral(" занят (отсутсвует)")},
    };
    for (const Case& c : table) {
        SCOPED_TRACE(c.name.toStdString());
        TCommPortDriver port;
        // A port left open on another device is closed first.
        DevicePty previous;
        port.SetPortName(previous.SlavePath());
        ASSERT_TRUE(port.OpenPort());

        const PortProbeResult r = ProbePort(port, c.name, 19200);
        EXPECT_EQ(r.free, c.free);
        EXPECT_EQ(r.label, c.label);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.modemLabel, c.modem);
        EXPECT_EQ(r.busy, QStringLiteral("определение состояния порта ") + c.name);
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.PortName(), c.name);
        EXPECT_EQ(port.BaudRateValue(), 19200u);
    }
    // The probe of the free port did not keep it: another driver can open it.
    TCommPortDriver after;
    after.SetPortName(free.SlavePath());
    EXPECT_TRUE(after.OpenPort());
}

TEST(SerialPorts, ListsSystemLocations) {
    // The machine may have no serial ports; whatever it lists must be device
    // paths a driver can be pointed at.
    for (const QString& name : ListSerialPorts()) {
#ifdef Q_OS_WIN
        EXPECT_TRUE(name.startsWith(QStringLiteral("\\\\.\\"))) << name.toStdString();
#else
        EXPECT_TRUE(name.startsWith(QLatin1Char('/'))) << name.toStdString();
#endif
    }
}

}  // namespace
}  // namespace omi
