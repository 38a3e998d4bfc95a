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

TEST(SafeFileName, ProgramTextsBecomeOneSafeName) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"СУТ 1_Я_от0305до0312дз031309.Arh", "СУТ 1_Я_от0305до0312дз031309.Arh"},  // safe: unchanged
        {"a/b\\c:d", "a_b_c_d"},
        {"../../etc/passwd", "_.__._etc_passwd"},
        {"..", "_"},
        {"name. . ", "name"},
        {"x\ty\nz\x7f", "x_y_z_"},
        {"a<b>c|d?e*f\"g", "a_b_c_d_e_f_g"},
        {"CON", "_CON"},
        {"nul.txt", "_nul.txt"},
        {"COM1.Arh", "_COM1.Arh"},
        {"lpt9", "_lpt9"},
        {"COM10.Arh", "COM10.Arh"},
        {"CONSOLE.txt", "CONSOLE.txt"},
        {"", "_"},
        {"   ", "_"},
    };
    for (const Case& c : cases) {
        const QString out = omi::SafeFileName(QString::fromUtf8(c.in));
        EXPECT_EQ(out, QString::fromUtf8(c.out)) << c.in;
        EXPECT_FALSE(out.contains('/') || out.contains('\\') || out == "." || out.contains("..")) << c.in;
    }
}
