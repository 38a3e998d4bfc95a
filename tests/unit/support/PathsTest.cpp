#include "support/Paths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace omi {
namespace {

TEST(Paths, DataPathUnderTheExecutableAndUnderAnOverride) {
    ASSERT_NE(QCoreApplication::instance(), nullptr);  // made by the test program's main
    const QString exe = QCoreApplication::applicationDirPath();
    ASSERT_FALSE(exe.isEmpty());
    EXPECT_EQ(ExeDir(), exe);

    QTemporaryDir override;
    ASSERT_TRUE(override.isValid());
    const QString root = QDir::cleanPath(QDir(override.path()).absolutePath());

    const struct {
        QStringList names;
        QString underExe;   // relative to the executable's folder
        QString underRoot;  // with the data folder set to root ("" = same as underExe)
    } cases[] = {
        {{"ДАННЫЕ", "ПАМЯТЬ", "mem"}, "ДАННЫЕ/ПАМЯТЬ.mem", "ПАМЯТЬ.mem"},
        {{"ДАННЫЕ", "ПОМОЩЬ", "HELPMY", "HLP"}, "ДАННЫЕ/ПОМОЩЬ/HELPMY.HLP", "ПОМОЩЬ/HELPMY.HLP"},
        {{"ДАННЫЕ", "ПОМОЩЬ", "HELPFULL", "HELPMY", "HLP"}, "ДАННЫЕ/ПОМОЩЬ/HELPFULL/HELPMY.HLP", "ПОМОЩЬ/HELPFULL/HELPMY.HLP"},
        {{"ДАННЫЕ", "помощь настройки печати", "txt"}, "ДАННЫЕ/помощь настройки печати.txt", "помощь настройки печати.txt"},
        {{"ДАННЫЕ", "ПЕЧАТЬ", "", ""}, "ДАННЫЕ/ПЕЧАТЬ", "ПЕЧАТЬ"},
        {{"ДАННЫЕ", "", ""}, "ДАННЫЕ", "."},
        {{"ДАННЫЕ"}, "ДАННЫЕ", "."},
        {{"ГИПЕРТЕРМИНАЛ", "txt"}, "ГИПЕРТЕРМИНАЛ.txt", ""},
    };
    for (const auto& c : cases) {
        SetDataRoot(QString());
        EXPECT_EQ(DataPath(c.names), QDir::cleanPath(exe + "/" + c.underExe)) << c.names.join('|').toStdString();
        SetDataRoot(override.path());
        const QString expected = c.underRoot.isEmpty() ? exe + "/" + c.underExe : root + "/" + c.underRoot;
        EXPECT_EQ(QDir::cleanPath(DataPath(c.names)), QDir::cleanPath(expected)) << c.names.join('|').toStdString();
    }
    SetDataRoot(QString());
    EXPECT_EQ(DataRoot(), exe + "/ДАННЫЕ");
}

}  // namespace
}  // namespace omi
