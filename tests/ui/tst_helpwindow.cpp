#include "ui/codepage.h"
#include "ui/helpwindow.h"
#include "ui/program.h"
#include "ui/translator.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>
#include <memory>

using namespace kbx;

namespace {

const QString kMissingFile =
    "Kinbox Openhelp not found!\r\n\r\nPlease make sure Kinbox can find the file Kinbox.ohp.";
const QString kMissingTopic = "The requested topic was not found!";

const char *const kPages[] = {"Page_Backup",  "Page_Calc",       "Page_FileProc",  "Page_CPUmon",
                              "Page_IFOedit", "Page_MovieSplit", "Page_AnalyzeVOB"};
const char *const kPrefixes[] = {"Backup", "Calc", "FileProc", "Shutdown", "IfoEdit", "MovieSplit", ""};
const char *const kWords[] = {"Infos", "Howto", "FAQ"};

// Hands out at most `chunk` bytes per read and fails once `failAt` bytes have been read.
class ScriptedDevice : public QIODevice
{
public:
    ScriptedDevice(QByteArray bytes, qint64 chunk, qint64 failAt = -1)
        : m_bytes(std::move(bytes)), m_chunk(chunk), m_failAt(failAt)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_failAt >= 0 && m_pos >= m_failAt)
            return -1;
        qint64 n = qMin(qMin(maxSize, m_chunk), qint64(m_bytes.size()) - m_pos);
        if (m_failAt >= 0)
            n = qMin(n, m_failAt - m_pos);
        memcpy(data, m_bytes.constData() + m_pos, size_t(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_chunk;
    qint64 m_failAt;
    qint64 m_pos = 0;
};

// A stand-in for the main window: a "TabSheet" holding the seven pages.
std::unique_ptr<QWidget> makeMainWindow()
{
    auto main = std::make_unique<QWidget>();
    main->setObjectName("Form1");
    auto *tabs = new QTabWidget(main.get());
    tabs->setObjectName("TabSheet");
    for (const char *name : kPages) {
        auto *page = new QWidget(tabs);
        page->setObjectName(name);
        tabs->addTab(page, name);
    }
    return main;
}

QTabWidget *tabsOf(QWidget *main)
{
    return main->findChild<QTabWidget *>("TabSheet");
}

void selectPage(QWidget *main, const QString &name)
{
    QTabWidget *tabs = tabsOf(main);
    tabs->setCurrentWidget(tabs->findChild<QWidget *>(name));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray resourceBytes(const QString &name)
{
    QFile file(":/" + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList blueLines(const QTextEdit *memo)
{
    QStringList lines;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
        bool blue = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().foreground().color() == QColor(0, 0, 255))
                blue = true;
        }
        if (blue)
            lines << block.text();
    }
    return lines;
}

} // namespace

class TestHelpWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ProgramFolder::setPath(QString()); }

    void readTopicFromFile_data();
    void readTopicFromFile();
    void readTopicHandlesEveryLineEnd_data();
    void readTopicHandlesEveryLineEnd();
    void readErrors();
    void missingHelpFile();
    void relativeHelpFileUsesProgramFolder();
    void topicButtonsAreOneGroup();
    void notTranslatedWithMainWindow();
    void topicButtonsFollowActivePage();
    void pageChangeWithoutRefreshKeepsTopic();
    void faqMarksQuestions();
    void showingDocksAndRefreshes();
    void closingEmitsAndKeepsButton();

    void docking_data();
    void docking();
    void placementIsGeometry_data();
    void placementIsGeometry();
    void followsMainWindowWhileVisible();

    void shippedHelpFiles_data();
    void shippedHelpFiles();
};

void TestHelpWindow::readTopicFromFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("text");

    QTest::newRow("header case ignored") << QByteArray("[CALC_FAQ]\r\nQ?\r\nA\r\n") << "calc_FAQ" << "Q?\r\nA";
    QTest::newRow("next header ends topic")
        << QByteArray("[calc_infos]\r\none\r\n[calc_howto]\r\ntwo\r\n") << "Calc_Infos" << "one";
    QTest::newRow("topic at end of file")
        << QByteArray("[a_x]\r\nzero\r\n[calc_howto]\r\ntwo\r\n\r\nthree") << "Calc_Howto" << "two\r\n\r\nthree";
    QTest::newRow("blank lines trimmed")
        << QByteArray("[t]\r\n\r\n  \r\n\tbody line\r\n\r\n \t\r\n[u]\r\n") << "t" << "body line";
    QTest::newRow("inner blank lines kept") << QByteArray("[t]\r\na\r\n\r\nb\r\n") << "t" << "a\r\n\r\nb";
    QTest::newRow("same header again is skipped")
        << QByteArray("[t]\r\na\r\n[T]\r\nb\r\n[u]\r\nc\r\n") << "t" << "a\r\nb";
    QTest::newRow("any bracket line ends topic") << QByteArray("[t]\r\na\r\n[not a header\r\nb\r\n") << "t" << "a";
    QTest::newRow("lines before header ignored") << QByteArray("intro\r\n[x]\r\nno\r\n[t]\r\nyes\r\n") << "t" << "yes";
    QTest::newRow("reading stops at first end")
        << QByteArray("[t]\r\nfirst\r\n[u]\r\nother\r\n[t]\r\nsecond\r\n") << "t" << "first";
    QTest::newRow("header must be the whole line")
        << QByteArray(" [t]\r\na\r\n[t] \r\nb\r\n[t]x\r\nc\r\n") << "t" << kMissingTopic;
    QTest::newRow("empty topic") << QByteArray("[t]\r\n\r\n   \r\n[u]\r\nx\r\n") << "t" << kMissingTopic;
    QTest::newRow("missing topic") << QByteArray("[u]\r\nx\r\n") << "t" << kMissingTopic;
    QTest::newRow("empty file") << QByteArray() << "t" << kMissingTopic;
    QTest::newRow("analyze page topic") << QByteArray("[_Infos]\r\nVOB\r\n[_howto]\r\nsteps\r\n") << "_Infos" << "VOB";
    QTest::newRow("prefix alone does not match") << QByteArray("[calc]\r\nx\r\n[_faq]\r\ny\r\n") << "calc_faq" << kMissingTopic;
    QTest::newRow("windows-1252 text")
        << QByteArray("[t]\r\nGr\xf6\xdf" "e \x96 \x93x\x94 \x80\r\n") << "t"
        << QString::fromUtf8("Größe – “x” €");
    QTest::newRow("windows-1252 header")
        << QByteArray("[\xc4nderung]\r\nok\r\n") << "\xc3\xa4nderung" << "ok";
    QTest::newRow("control characters trimmed")
        << QByteArray("[t]\r\n\x01\x1f\xa0 text \x7f\x81\r\n") << "t" << "text";
}

void TestHelpWindow::readTopicFromFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, topic);
    QFETCH(QString, text);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("kinbox.ohp"), file));
    TfoHelp help(nullptr);
    help.setHelpFile(dir.filePath("kinbox.ohp"));
    QCOMPARE(help.ReadTopic(topic), text);
}

void TestHelpWindow::readTopicHandlesEveryLineEnd_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("chunk");
    QTest::newRow("crlf") << QByteArray("[t]\r\na\r\nb\r\n[u]\r\nc") << 4096;
    QTest::newRow("lf") << QByteArray("[t]\na\nb\n[u]\nc") << 4096;
    QTest::newRow("cr") << QByteArray("[t]\ra\rb\r[u]\rc") << 4096;
    // Every CR LF pair is split across two reads.
    QTest::newRow("crlf byte by byte") << QByteArray("[t]\r\na\r\nb\r\n[u]\r\nc") << 1;
    QTest::newRow("cr byte by byte") << QByteArray("[t]\ra\rb\r[u]\rc") << 1;
    QTest::newRow("no final line end") << QByteArray("junk\r\n[t]\r\na\r\nb") << 3;
}

void TestHelpWindow::readTopicHandlesEveryLineEnd()
{
    QFETCH(QByteArray, file);
    QFETCH(int, chunk);
    ScriptedDevice device(file, chunk);
    const std::optional<QString> text = TfoHelp::ReadTopicFrom(device, "T");
    QVERIFY(text);
    QCOMPARE(*text, QString("\r\na\r\nb"));
}

void TestHelpWindow::readErrors()
{
    const QByteArray file("[t]\r\nanswer\r\n[u]\r\nmore text that is never needed\r\n");
    // Failing inside the topic gives nothing, not half a topic.
    ScriptedDevice early(file, 2, 9);
    QVERIFY(!TfoHelp::ReadTopicFrom(early, "t"));
    ScriptedDevice atOnce(file, 2, 0);
    QVERIFY(!TfoHelp::ReadTopicFrom(atOnce, "t"));
    // Once the topic has ended nothing more is read, so a later fault does not matter.
    ScriptedDevice late(file, 2, file.indexOf("more"));
    const std::optional<QString> text = TfoHelp::ReadTopicFrom(late, "t");
    QVERIFY(text);
    QCOMPARE(*text, QString("\r\nanswer"));
}

void TestHelpWindow::missingHelpFile()
{
    QTemporaryDir dir;
    TfoHelp help(nullptr);
    QCOMPARE(help.ReadTopic("calc_faq"), kMissingFile);
    help.setHelpFile(dir.filePath("nothere.ohp"));
    QCOMPARE(help.ReadTopic("calc_faq"), kMissingFile);
    // A folder of that name is no help file.
    QVERIFY(QDir(dir.path()).mkdir("kinbox.ohp"));
    help.setHelpFile(dir.filePath("kinbox.ohp"));
    QCOMPARE(help.ReadTopic("calc_faq"), kMissingFile);
}

void TestHelpWindow::relativeHelpFileUsesProgramFolder()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("deutsch.ohp"), "[calc_infos]\r\nRechner\r\n"));
    ProgramFolder::setPath(dir.path());
    TfoHelp help(nullptr);
    help.setHelpFile("deutsch.ohp");
    QCOMPARE(help.ReadTopic("calc_infos"), QString("Rechner"));
}

void TestHelpWindow::topicButtonsAreOneGroup()
{
    auto main = makeMainWindow();
    TfoHelp help(main.get());
    QVERIFY(help.HelpFAQ()->isChecked());
    QVERIFY(!help.HelpInfos()->isChecked() && !help.HelpHowto()->isChecked());
    help.HelpHowto()->click();
    QVERIFY(help.HelpHowto()->isChecked() && !help.HelpFAQ()->isChecked());
    // Pressing the button that is down leaves it down: one is always down.
    help.HelpHowto()->click();
    QVERIFY(help.HelpHowto()->isChecked());
}

void TestHelpWindow::notTranslatedWithMainWindow()
{
    auto main = makeMainWindow();
    TfoHelp help(main.get());
    TTranslator translator;
    translator.LoadFromText("\"FAQ\"=\"Fragen\"\r\n\"Infos\"=\"Hinweise\"\r\n");
    translator.TranslateComponent(main.get());
    QCOMPARE(help.HelpFAQ()->text(), QString("FAQ"));
    QCOMPARE(help.HelpInfos()->text(), QString("Infos"));
}

void TestHelpWindow::topicButtonsFollowActivePage()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("kinbox.ohp"),
                      "[calc_infos]\r\ncalc infos\r\n[calc_howto]\r\ncalc howto\r\n[Calc_FAQ]\r\ncalc faq\r\n"
                      "[_Infos]\r\nanalyze infos\r\n[shutdown_infos]\r\ncpu infos\r\n"));
    auto main = makeMainWindow();
    TfoHelp help(main.get());
    help.setHelpFile(dir.filePath("kinbox.ohp"));
    QTextEdit *memo = help.oHelpMemo();

    selectPage(main.get(), "Page_Calc");
    QCOMPARE(help.ActivePageName(), QString("Page_Calc"));
    help.HelpInfos()->click();
    QCOMPARE(memo->toPlainText(), QString("calc infos"));
    help.HelpHowto()->click();
    QCOMPARE(memo->toPlainText(), QString("calc howto"));
    help.HelpFAQ()->click();
    QCOMPARE(memo->toPlainText(), QString("calc faq"));

    selectPage(main.get(), "Page_AnalyzeVOB");
    help.HelpInfos()->click();
    QCOMPARE(memo->toPlainText(), QString("analyze infos"));
    selectPage(main.get(), "Page_CPUmon");
    help.RefreshTopic();
    QCOMPARE(memo->toPlainText(), QString("cpu infos"));
    help.HelpHowto()->click();
    QCOMPARE(memo->toPlainText(), kMissingTopic);

    help.setHelpFile(dir.filePath("gone.ohp"));
    help.RefreshTopic();
    QCOMPARE(memo->toPlainText(), QString(kMissingFile).replace("\r\n", "\n"));
}

void TestHelpWindow::pageChangeWithoutRefreshKeepsTopic()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("kinbox.ohp"), "[calc_infos]\r\ncalc\r\n[backup_infos]\r\nbackup\r\n"));
    auto main = makeMainWindow();
    TfoHelp help(main.get());
    help.setHelpFile(dir.filePath("kinbox.ohp"));
    selectPage(main.get(), "Page_Calc");
    help.HelpInfos()->click();
    QCOMPARE(help.oHelpMemo()->toPlainText(), QString("calc"));
    // A page chosen from the module list is not followed until a topic button is pressed.
    selectPage(main.get(), "Page_Backup");
    QCOMPARE(help.oHelpMemo()->toPlainText(), QString("calc"));
    help.HelpInfos()->click();
    QCOMPARE(help.oHelpMemo()->toPlainText(), QString("backup"));
}

void TestHelpWindow::faqMarksQuestions()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("kinbox.ohp"),
                      "[calc_faq]\r\nWhy?\r\nBecause.\r\nIs it? No.\r\nTrailing blank? \r\n\r\nHow so?\r\nLike this.\r\n"
                      "Last question?\r\n[calc_infos]\r\nA question?\r\nNo mark.\r\n"));
    auto main = makeMainWindow();
    TfoHelp help(main.get());
    help.setHelpFile(dir.filePath("kinbox.ohp"));
    selectPage(main.get(), "Page_Calc");
    QTextEdit *memo = help.oHelpMemo();

    help.HelpFAQ()->click();
    QCOMPARE(blueLines(memo), QStringList({"Why?", "How so?", "Last question?"}));
    QCOMPARE(memo->textCursor().position(), 0);
    QVERIFY(!memo->textCursor().hasSelection());
    // The first fragment of an answer stays black.
    const QTextBlock answer = memo->document()->findBlockByNumber(1);
    QCOMPARE(answer.begin().fragment().charFormat().foreground().color(), QColor(Qt::black));
    QCOMPARE(memo->palette().color(QPalette::Text), QColor(Qt::black));

    // Other topics show questions unmarked, also right after the FAQ.
    help.HelpInfos()->click();
    QVERIFY(blueLines(memo).isEmpty());
}

void TestHelpWindow::showingDocksAndRefreshes()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("kinbox.ohp"), "[fileproc_faq]\r\nfiles faq\r\n"));
    auto main = makeMainWindow();
    main->setGeometry(100, 50, 400, 500);
    TfoHelp help(main.get());
    help.setScreenRectSource([] { return QRect(0, 0, 1000, 800); });
    help.setHelpFile(dir.filePath("kinbox.ohp"));
    selectPage(main.get(), "Page_FileProc");
    help.show();
    QCOMPARE(help.oHelpMemo()->toPlainText(), QString("files faq"));
    QCOMPARE(help.frameGeometry().topLeft(), QPoint(main->frameGeometry().right() + 1, main->frameGeometry().top()));
}

void TestHelpWindow::closingEmitsAndKeepsButton()
{
    auto main = makeMainWindow();
    TfoHelp help(main.get());
    help.setScreenRectSource([] { return QRect(0, 0, 1000, 800); });
    QSignalSpy closed(&help, &TfoHelp::closed);
    help.show();
    help.HelpHowto()->click();
    QVERIFY(help.close());
    QCOMPARE(closed.count(), 1);
    QVERIFY(help.isHidden());
    QVERIFY(help.HelpHowto()->isChecked());
    // Hiding by the program is no close by the user.
    help.show();
    help.hide();
    QCOMPARE(closed.count(), 1);
}

void TestHelpWindow::docking_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("main");
    QTest::addColumn<int>("mainMinimum");
    QTest::addColumn<QPoint>("expected");
    QTest::addColumn<QRect>("mainAfter");

    const QRect screen(0, 0, 1000, 800);
    QTest::newRow("room on the right") << screen << QRect(100, 50, 400, 600) << 0 << QPoint(500, 50)
                                       << QRect(100, 50, 400, 600);
    QTest::newRow("exactly fits on the right") << screen << QRect(100, 50, 632, 600) << 0 << QPoint(732, 50)
                                               << QRect(100, 50, 632, 600);
    QTest::newRow("at the right edge") << screen << QRect(600, 70, 400, 600) << 0 << QPoint(332, 70)
                                       << QRect(600, 70, 400, 600);
    QTest::newRow("exactly fits on the left") << screen << QRect(268, 0, 700, 600) << 0 << QPoint(0, 0)
                                              << QRect(268, 0, 700, 600);
    // No room on either side: the main window gives way to the help at the screen's right edge.
    QTest::newRow("no room on either side") << screen << QRect(100, 50, 850, 600) << 0 << QPoint(732, 50)
                                            << QRect(0, 50, 732, 600);
    QTest::newRow("one pixel short on the left") << screen << QRect(267, 0, 700, 600) << 0 << QPoint(732, 0)
                                                 << QRect(32, 0, 700, 600);
    // ... but not below its minimum width: then nothing moves.
    QTest::newRow("cannot give way") << screen << QRect(100, 50, 850, 600) << 800 << QPoint(-1, -1)
                                     << QRect(100, 50, 850, 600);
    // A second screen to the right of the first: the first one's room does not count.
    QTest::newRow("second screen, right") << QRect(1920, 0, 1280, 1024) << QRect(1930, 10, 700, 600) << 0
                                          << QPoint(2630, 10) << QRect(1930, 10, 700, 600);
    QTest::newRow("second screen, left") << QRect(1920, 0, 1280, 1024) << QRect(2500, 10, 700, 600) << 0
                                         << QPoint(2232, 10) << QRect(2500, 10, 700, 600);
    QTest::newRow("second screen, neither") << QRect(1920, 0, 1280, 1024) << QRect(1930, 10, 1200, 600) << 0
                                            << QPoint(2932, 10) << QRect(1920, 10, 1012, 600);
}

void TestHelpWindow::docking()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, main);
    QFETCH(int, mainMinimum);
    QFETCH(QPoint, expected);
    QFETCH(QRect, mainAfter);
    auto mainWindow = makeMainWindow();
    mainWindow->setMinimumWidth(mainMinimum);
    mainWindow->setGeometry(main);
    TfoHelp help(mainWindow.get());
    help.setScreenRectSource([screen] { return screen; });
    const QPoint start(5, 5);
    help.move(start);
    const QSize size = help.size();
    help.DockBesideMainWindow();
    QCOMPARE(mainWindow->geometry(), mainAfter);
    if (expected == QPoint(-1, -1)) {
        QCOMPARE(help.pos(), start);
        QCOMPARE(help.size(), size);
    } else {
        QCOMPARE(help.pos(), expected);
        QCOMPARE(help.height(), main.height());
        QCOMPARE(help.width(), 268);
        QVERIFY(!help.frameGeometry().intersects(mainWindow->frameGeometry()));
    }
}

void TestHelpWindow::placementIsGeometry_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QRect>("main");
    QTest::addColumn<int>("mainMinimum");
    QTest::addColumn<QRect>("help");
    QTest::addColumn<QRect>("mainAfter");

    const QRect screen(0, 0, 1920, 1040);
    const QSize help(280, 400);
    // Maximised on 1920x1080 less a 40-pixel panel: the window narrows, the help takes the right edge.
    QTest::newRow("maximised") << screen << screen << 640 << QRect(1640, 0, 280, 1040) << QRect(0, 0, 1640, 1040);
    QTest::newRow("a main window taller than the screen") << screen << QRect(100, -30, 600, 1200) << 640
                                                          << QRect(700, 0, 280, 1040) << QRect(100, -30, 600, 1200);
    QTest::newRow("below the screen's top") << QRect(0, 40, 1920, 1040) << QRect(50, 0, 600, 600) << 640
                                            << QRect(650, 40, 280, 560) << QRect(50, 0, 600, 600);
    QTest::newRow("narrowed and moved left") << screen << QRect(200, 10, 1700, 500) << 640
                                             << QRect(1640, 10, 280, 500) << QRect(0, 10, 1640, 500);
    QTest::newRow("too narrow a screen") << QRect(0, 0, 900, 700) << QRect(0, 0, 900, 700) << 640 << QRect()
                                         << QRect();
    QTest::newRow("no screen") << QRect() << QRect(0, 0, 600, 500) << 640 << QRect() << QRect();
    QTest::newRow("help wider than the screen") << QRect(0, 0, 200, 700) << QRect(0, 0, 100, 500) << 0 << QRect()
                                                << QRect();
}

void TestHelpWindow::placementIsGeometry()
{
    QFETCH(QRect, screen);
    QFETCH(QRect, main);
    QFETCH(int, mainMinimum);
    QFETCH(QRect, help);
    QFETCH(QRect, mainAfter);
    const HelpDock dock = PlaceHelpBeside(screen, main, QSize(280, 400), mainMinimum);
    QCOMPARE(dock.help, help);
    QCOMPARE(dock.main, mainAfter);
    if (!dock.help.isEmpty()) {
        QVERIFY(!dock.help.intersects(dock.main));
        QVERIFY(screen.contains(dock.help));
    }
}

void TestHelpWindow::followsMainWindowWhileVisible()
{
    auto main = makeMainWindow();
    main->setGeometry(100, 50, 400, 500);
    TfoHelp help(main.get());
    help.setScreenRectSource([] { return QRect(0, 0, 2000, 1200); });
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QCOMPARE(help.pos(), QPoint(main->frameGeometry().right() + 1, main->frameGeometry().top()));

    main->move(300, 120);
    QTRY_COMPARE(help.pos(), QPoint(main->frameGeometry().right() + 1, main->frameGeometry().top()));
    main->resize(450, 600);
    QTRY_COMPARE(help.pos(), QPoint(main->frameGeometry().right() + 1, main->frameGeometry().top()));
    QTRY_COMPARE(help.frameGeometry().height(), main->frameGeometry().height());

    // Maximised (here: filling the screen), the main window leaves no room: the help steps aside as if
    // closed rather than cover it or undo the user's change.
    QSignalSpy closed(&help, &TfoHelp::closed);
    main->setGeometry(0, 0, 2000, 1200);
    QTRY_VERIFY(help.isHidden());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(main->geometry(), QRect(0, 0, 2000, 1200));
    // Shown again, it docks and the main window gives way.
    main->setGeometry(100, 50, 400, 500);
    help.show();
    main->setGeometry(0, 0, 2000, 1200);
    QTRY_VERIFY(help.isHidden());
    help.show();
    QTRY_VERIFY(!help.frameGeometry().intersects(main->frameGeometry()));
    QVERIFY(help.isVisible());

    // A hidden help window stays where it was.
    help.hide();
    const QPoint parked = help.pos();
    main->move(200, 100);
    QTRY_COMPARE(main->pos(), QPoint(200, 100));
    QCOMPARE(help.pos(), parked);
}

void TestHelpWindow::shippedHelpFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("english") << "kinbox.ohp";
    QTest::newRow("german") << "deutsch.ohp";
}

void TestHelpWindow::shippedHelpFiles()
{
    QFETCH(QString, name);
    const QByteArray bytes = resourceBytes(name);
    QVERIFY(!bytes.isEmpty());
    // Windows-1252 with CR LF line ends: no lone CR or LF, no code the page leaves undefined, no UTF-8.
    QCOMPARE(bytes.count("\r\n"), bytes.count('\r'));
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    for (const char undefined : {'\x81', '\x8d', '\x8f', '\x90', '\x9d'})
        QVERIFY(!bytes.contains(undefined));
    QVERIFY(!bytes.contains("\xc3\xa4") && !bytes.contains("\xc3\xb6") && !bytes.contains("\xc3\xbc")
            && !bytes.contains("\xe2\x80"));
    QCOMPARE(EncodeWindows1252(DecodeWindows1252(bytes)), bytes);

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(name), bytes));
    TfoHelp help(nullptr);
    help.setHelpFile(dir.filePath(name));
    for (int page = 0; page < 7; ++page) {
        const QString prefix = PageTopicPrefix(kPages[page]);
        QCOMPARE(prefix, QString(kPrefixes[page]));
        for (const char *word : kWords) {
            const QString topic = prefix + "_" + word;
            const QString text = help.ReadTopic(topic);
            QVERIFY2(text != kMissingTopic && text != kMissingFile && !text.isEmpty(), qPrintable(topic));
            const QStringList lines = text.split("\r\n");
            // Short enough for the narrow window.
            QVERIFY2(lines.size() <= 24 && text.size() <= 1100, qPrintable(topic));
            const qsizetype questions =
                std::count_if(lines.begin(), lines.end(), [](const QString &l) { return l.endsWith('?'); });
            if (QString(word) == "FAQ")
                QVERIFY2(questions >= 3, qPrintable(topic));
        }
    }
}

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
