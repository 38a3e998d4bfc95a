// The help window and the help texts against the delivered data folder: the
// help files as the build copies them beside omi, the text files converted to
// Windows-1251, and broken or missing files in a temporary folder.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtTest>

#include "shell/ClientHelp.h"
#include "shell/HelpViewer.h"
#include "shell/MainWindow.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

using namespace omi;

namespace {

const QString kBuiltData = QStringLiteral(OMI_EXE_DIR "/ДАННЫЕ");
const QString kSourceData = QStringLiteral(OMI_SOURCE_DIR "/data/ДАННЫЕ");
const QString kMainHelp = QStringLiteral("ПОМОЩЬ/HELPMY.HLP");
const QString kFullHelp = QStringLiteral("ПОМОЩЬ/HELPFULL/HELPMY.HLP");
const int kContexts[] = {1, 40, 80, 90, 100, 110, 170, 270, 290, 320, 330, 340, 350, 370, 400};

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList AnchorNames(const QTextDocument* doc) {
    QStringList names;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) names += it.fragment().charFormat().anchorNames();
    return names;
}

QTextBrowser* Browser(HelpViewer& viewer) { return viewer.findChild<QTextBrowser*>(QStringLiteral("TBhelp")); }

}  // namespace

class HelpViewerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deliveredHelpFiles_data();
    void deliveredHelpFiles();
    void serviceHelpCoversMainHelp();
    void opensAtTheSection_data();
    void opensAtTheSection();
    void brokenFileShowsMissingText_data();
    void brokenFileShowsMissingText();
    void clientHelpText();
};

void HelpViewerTest::deliveredHelpFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("main") << kMainHelp;
    QTest::newRow("service") << kFullHelp;
}

// Both help files reach the build's data folder unchanged and carry an anchor
// for every help context of the window and for the debug keyword.
void HelpViewerTest::deliveredHelpFiles() {
    QFETCH(QString, file);
    const QString path = kBuiltData + u'/' + file;
    const QByteArray built = ReadBytes(path);
    QVERIFY2(!built.isEmpty(), qPrintable(path));
    QCOMPARE(built, ReadBytes(kSourceData + u'/' + file));
    QVERIFY(built.contains("<meta charset=\"utf-8\">"));

    HelpViewer viewer;
    QVERIFY(viewer.OpenContents(path));
    QCOMPARE(viewer.CurrentFile(), path);
    for (const int context : kContexts)
        QVERIFY2(viewer.AnchorPosition(HelpViewer::ContextAnchor(context)) >= 0,
                 qPrintable(HelpViewer::ContextAnchor(context)));
    QVERIFY(viewer.AnchorPosition(HelpViewer::KeywordAnchor(QStringLiteral("отладка"))) >= 0);
    // Every link of the document leads to an anchor of it.
    const QStringList names = AnchorNames(Browser(viewer)->document());
    const QTextDocument* doc = Browser(viewer)->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString href = it.fragment().charFormat().anchorHref();
            if (href.startsWith(u'#')) QVERIFY2(names.contains(href.mid(1)), qPrintable(href));
        }
}

// The service help holds every section of the main help plus the service
// level; the service code stays out of the help that every user sees.
void HelpViewerTest::serviceHelpCoversMainHelp() {
    HelpViewer main;
    QVERIFY(main.OpenContents(kBuiltData + u'/' + kMainHelp));
    HelpViewer service;
    QVERIFY(service.OpenContents(kBuiltData + u'/' + kFullHelp));
    const QStringList serviceAnchors = AnchorNames(Browser(service)->document());
    for (const QString& anchor : AnchorNames(Browser(main)->document()))
        QVERIFY2(serviceAnchors.contains(anchor), qPrintable(anchor));
    const QString code = TFomi::kServiceCode;  // the code the window accepts
    QVERIFY(Browser(service)->toPlainText().contains(code));
    QVERIFY(!Browser(main)->toPlainText().contains(code, Qt::CaseInsensitive));
    QVERIFY(Browser(service)->toPlainText().contains(QStringLiteral("ВВОД УРОВНЯ ДОСТУПА")));
}

void HelpViewerTest::opensAtTheSection_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("keyword");  // empty: by context number
    QTest::addColumn<int>("context");
    QTest::addColumn<QString>("heading");  // empty: the top of the document
    QTest::addColumn<QString>("nextAnchor");
    QTest::newRow("device group") << kMainHelp << QString() << 110
                                  << QStringLiteral("Рамка «УСТРОЙСТВО»: определение прибора")
                                  << QStringLiteral("ctx140");
    QTest::newRow("archives") << kMainHelp << QString() << 170 << QStringLiteral("Архивы") << QStringLiteral("arhread");
    QTest::newRow("debug keyword") << kFullHelp << QStringLiteral("отладка") << 0
                                   << QStringLiteral("Страница «ОТЛАДКА»") << QStringLiteral("soobsch");
    QTest::newRow("unknown context") << kMainHelp << QString() << 12345 << QString() << QString();
    QTest::newRow("unknown keyword") << kFullHelp << QStringLiteral("нет такого") << 0 << QString() << QString();
}

// The window opens at the section of a context number or keyword: the cursor
// stands on its heading and the heading is the first text in view; without
// such an anchor it opens at the top.
void HelpViewerTest::opensAtTheSection() {
    QFETCH(QString, file);
    QFETCH(QString, keyword);
    QFETCH(int, context);
    QFETCH(QString, heading);
    QFETCH(QString, nextAnchor);

    HelpViewer viewer;
    viewer.resize(700, 500);
    // Something else shown first, so that the scroll really has to move.
    QVERIFY(viewer.OpenContents(kBuiltData + u'/' + kFullHelp));
    Browser(viewer)->verticalScrollBar()->setValue(Browser(viewer)->verticalScrollBar()->maximum());

    const QString path = kBuiltData + u'/' + file;
    QVERIFY(keyword.isEmpty() ? viewer.OpenContext(path, context) : viewer.OpenKeyword(path, keyword));
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QCoreApplication::processEvents();
    QTextBrowser* browser = Browser(viewer);

    if (heading.isEmpty()) {
        QCOMPARE(browser->textCursor().position(), 0);
        QCOMPARE(browser->verticalScrollBar()->value(), 0);
        return;
    }
    QCOMPARE(browser->textCursor().block().text(), heading);
    const int start = browser->textCursor().block().position();
    const int end = viewer.AnchorPosition(nextAnchor);
    QVERIFY(end > start);
    const int topVisible = browser->cursorForPosition(QPoint(4, 4)).position();
    QVERIFY2(topVisible >= start && topVisible < end,
             qPrintable(QStringLiteral("%1 not in %2..%3").arg(topVisible).arg(start).arg(end)));
}

void HelpViewerTest::brokenFileShowsMissingText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // null: no file at all
    QTest::addColumn<bool>("folder");
    const QByteArray html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>";
    QTest::newRow("missing") << "HELPMY.HLP" << QByteArray() << false;
    QTest::newRow("a folder of that name") << "HELPMY.HLP" << QByteArray() << true;
    QTest::newRow("empty") << "HELPMY.HLP" << QByteArray("") << false;
    QTest::newRow("old binary help") << "HELPMY.HLP" << QByteArray("?_\x03\x00\x10\x00\x00\x00\xff\xff", 10) << false;
    QTest::newRow("plain text") << "HELPMY.HLP" << QByteArray("just some notes\r\n") << false;
    QTest::newRow("Windows-1251 html") << "HELPMY.HLP" << html + ToCp1251(QStringLiteral("Справка")) << false;
    QTest::newRow("too large") << "HELPMY.HLP" << html + QByteArray(HelpViewer::kMaxHelpBytes, 'x') << false;
}

// A file that cannot be shown never reaches the browser: the window shows the
// missing-file line and keeps no current file; a good file shows again after it.
void HelpViewerTest::brokenFileShowsMissingText() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, folder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    if (folder) QVERIFY(QDir(dir.path()).mkdir(name));
    if (!bytes.isNull()) QVERIFY(WriteBytes(path, bytes));

    HelpViewer viewer;
    const QString good = kBuiltData + u'/' + kMainHelp;
    QVERIFY(viewer.OpenContents(good));
    QVERIFY(!viewer.OpenContext(path, 110));
    QCOMPARE(Browser(viewer)->toPlainText(), HelpViewer::MissingText(path));
    QCOMPARE(HelpViewer::MissingText(path), QStringLiteral("файл справки ") + path + " отсутствует или поврежден");
    QVERIFY(viewer.CurrentFile().isEmpty());
    QVERIFY(viewer.isVisible());
    QVERIFY(!viewer.OpenKeyword(path, QStringLiteral("отладка")));
    QVERIFY(!viewer.OpenContents(path));
    QCOMPARE(Browser(viewer)->toPlainText(), HelpViewer::MissingText(path));

    QVERIFY(viewer.OpenContext(good, 110));
    QCOMPARE(viewer.CurrentFile(), good);
    QVERIFY(viewer.AnchorPosition(QStringLiteral("ctx110")) >= 0);
}

// The client help text as the build delivers it (Windows-1251, CR LF) reads
// back as the repository's UTF-8 text; without the file it is the missing line.
void HelpViewerTest::clientHelpText() {
    SetDataRoot(kBuiltData);
    for (const QString& path : {ClientHelpPath(), PrintSettingsHelpPath()}) {
        const QString sourcePath = kSourceData + u'/' + QFileInfo(path).fileName();
        const QByteArray built = ReadBytes(path);
        QVERIFY2(!built.isEmpty(), qPrintable(path));
        QCOMPARE(built.count("\r\n"), built.count('\n'));  // every line ends in CR LF
        QVERIFY(QString::fromUtf8(ReadBytes(sourcePath)).contains(u'П'));
        QVERIFY(!built.contains(QStringLiteral("П").toUtf8()));  // not left in UTF-8

        QString expected = QString::fromUtf8(ReadBytes(sourcePath));
        while (expected.endsWith(u'\n')) expected.chop(1);
        QCOMPARE(HelpTextOrMissing(path), expected);
    }
    QCOMPARE(ClientHelpText(), HelpTextOrMissing(ClientHelpPath()));
    QVERIFY(ClientHelpText().startsWith(QStringLiteral("ПОМОЩЬ.")));

    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    SetDataRoot(empty.path());
    const QString missing = empty.path() + QStringLiteral("/помощь основной программы для клиента.txt");
    QCOMPARE(ClientHelpPath(), missing);
    QCOMPARE(ClientHelpText(), HelpViewer::MissingText(missing));
    SetDataRoot(QString());
}

QTEST_MAIN(HelpViewerTest)
#include "HelpViewerTest.moc"
