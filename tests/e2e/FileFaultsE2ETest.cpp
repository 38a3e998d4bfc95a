// omi-cli where files fail it: a disk that refuses writes (a file size limit,
// and a full tmpfs where the test may mount one) leaves the previous archive
// and its text copy as they were and exits 1; files that are no archive are
// refused with exit 1.

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstring>

#include "e2e/SimProcess.h"

using namespace omi;
using namespace omi::test;

namespace {

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// 22 daily records of the 234 family dated a week ago and before: 5104 bytes.
QByteArray Archive234() {
    QByteArray bytes;
    const int today = int(QDate(1999, 12, 31).daysTo(QDate::currentDate()));
    for (int i = 0; i < 22; ++i) {
        QByteArray r(232, '\0');
        const std::int32_t day = today - 7 - i, hour = 0;
        std::memcpy(r.data() + 224, &hour, 4);
        std::memcpy(r.data() + 228, &day, 4);
        bytes += r;
    }
    return bytes;
}

QString Quoted(const QStringList& args) {
    QStringList q;
    for (const QString& a : args) q << "'" + a + "'";
    return q.join(' ');
}

}  // namespace

TEST(FileFaults, ASaveTheDiskRefusesChangesNothingAndFails) {
    QTemporaryDir dir;
    const QString source = dir.filePath("source.Arh");
    WriteFile(source, Archive234());
    const QString out = dir.filePath("out/saved.Arh");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("out")));
    WriteFile(out, "old archive");
    WriteFile(dir.filePath("out/saved.txt"), "old text copy");
    WriteFile(dir.filePath("out/t.csv"), "old csv");
    const QString cli = QStringLiteral(OMI_CLI_PATH);

    struct Way {
        const char* what;
        QString program;
        QStringList prefix;
    };
    std::vector<Way> ways;
    // 4 KB may be written per file (SIGXFSZ ignored: the write fails with EFBIG).
    ways.push_back({"file size limit", "sh", {"-c", "trap '' XFSZ; ulimit -f 4; exec \"$@\"", "sh", cli}});
    // A full tmpfs over the folder, where user namespaces allow the mount.
    const CliRun probe = RunProgram("unshare", {"-rm", "sh", "-c", "mount -t tmpfs -o size=8k tmpfs /mnt"});
    if (probe.exitCode == 0) {
        const QString script =
            "mount -t tmpfs -o size=16k tmpfs '%1' && cp -p '%1'/../keep/* '%1'/ && "
            "dd if=/dev/zero of='%1'/fill bs=1k count=64 2>/dev/null; "
            "%2 \"$@\"; status=$?; rm -f '%1'/fill; cp -p '%1'/* '%1'/../after/; exit $status";
        ways.push_back({"full tmpfs", "unshare", {"-rm", "sh", "-c", script.arg(dir.filePath("out"), cli), "sh"}});
    }
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        const bool tmpfs = QString(way.what) == "full tmpfs";
        QString folder = dir.filePath("out");
        if (tmpfs) {
            // The tmpfs hides the folder inside the namespace: its files are
            // copied in from keep/ and out to after/.
            ASSERT_TRUE(QDir().mkpath(dir.filePath("keep")) && QDir().mkpath(dir.filePath("after")));
            for (const QString& name : QDir(folder).entryList(QDir::Files))
                QFile::copy(folder + "/" + name, dir.filePath("keep/" + name));
        }
        for (const QStringList& args : {QStringList{"--save", out}, QStringList{"--csv", dir.filePath("out/t.csv")}}) {
            const CliRun r =
                RunProgram(way.program, way.prefix + QStringList{"show-archive", source, "--type", "234"} + args);
            EXPECT_EQ(r.exitCode, 1) << Quoted(args).toStdString() << " " << r.err.toStdString();
            EXPECT_TRUE(r.err.contains("не могу записать файл")) << r.err.toStdString();
            const QString seen = tmpfs ? dir.filePath("after") : folder;
            EXPECT_EQ(ReadFile(seen + "/saved.Arh"), "old archive");
            EXPECT_EQ(ReadFile(seen + "/saved.txt"), "old text copy");
            EXPECT_EQ(ReadFile(seen + "/t.csv"), "old csv");
            EXPECT_EQ(QDir(seen).entryList(QDir::Files | QDir::Hidden),
                      QStringList({"saved.Arh", "saved.txt", "t.csv"}));
        }
    }
    // With room the pair is written.
    const CliRun ok = RunCli({"show-archive", source, "--type", "234", "--save", out});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(ReadFile(out), Archive234());
}

TEST(FileFaults, FilesThatAreNoArchiveAreRefused) {
    QTemporaryDir dir;
    QByteArray noise(500, '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
    const struct {
        const char* name;
        QByteArray bytes;
        QStringList command;
    } cases[] = {
        {"00999D.229", noise, {"logger-import"}},
        {"1D.234", "hello", {"logger-import"}},
        {"417H.234", {}, {"logger-import"}},
        {"notes.txt", QByteArray("не архив, а заметки\r\n").repeated(40), {"show-archive"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(c.name);
        WriteFile(path, c.bytes);
        QStringList args = c.command;
        args << path;
        if (args.first() == "show-archive")
            args << "--type"
                 << "234";
        const CliRun r = RunCli(args);
        EXPECT_EQ(r.exitCode, 1) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains("не опознан как архивный")) << r.err.toStdString();
        EXPECT_FALSE(r.out.contains("1899")) << r.out.toStdString();
    }
}
