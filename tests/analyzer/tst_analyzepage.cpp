#include "analyzer/analyzepage.h"
#include "support/fakeplatform.h"
#include "ui/fileedit.h"
#include "ui/program.h"
#include "support/scripteddialogs.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace kbx;

namespace {

struct Pack
{
    quint32 code;
    QList<QPair<int, quint8>> bytes; // position, value
};

// Writes the packs one byte at a time, then `tail` extra bytes.
QString writeStream(const QTemporaryDir &dir, const QList<Pack> &packs, int tail = 0)
{
    const QString name = dir.filePath(QStringLiteral("test.vob"));
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    for (const Pack &p : packs) {
        QByteArray pack(2048, '\0');
        pack[0] = 0; pack[1] = 0; pack[2] = 1; pack[3] = char(0xBA);
        pack[14] = char(p.code >> 24);
        pack[15] = char(p.code >> 16);
        pack[16] = char(p.code >> 8);
        pack[17] = char(p.code);
        for (const auto &b : p.bytes)
            pack[b.first] = char(b.second);
        for (char c : std::as_const(pack))
            f.putChar(c);
    }
    for (int i = 0; i < tail; ++i)
        f.putChar(char(0x11));
    return name;
}

QStringList logLines(const TAnalyzeVOBFrame &page)
{
    return page.output->toPlainText().split(QLatin1Char('\n'));
}

// The red value text of every line of the log.
QStringList redTexts(const TAnalyzeVOBFrame &page)
{
    QStringList red;
    for (qint64 i = 0; i < page.log().lineCount(); ++i) {
        if (page.log().redStart(i) >= 0)
            red << page.log().line(i).mid(page.log().redStart(i));
    }
    return red;
}

constexpr quint32 Nav = 0x1BB, Aud = 0x1BD, Vid = 0x1E0;

// Selects the log from the start of line `first` to the end of line `last`.
void selectLines(TAnalyzeVOBFrame &page, int first, int last)
{
    page.output->selectLines(first, last);
}

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestAnalyzePage : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        ProgramFolder::setPath(m_dir.path());
    }
    void cleanup() { ProgramFolder::setPath(QString()); }

    void layoutAndNames()
    {
        TAnalyzeVOBFrame page;
        QCOMPARE(page.objectName(), QStringLiteral("Page_AnalyzeVOB"));
        QVERIFY(qobject_cast<QVBoxLayout *>(page.layout()));
        QVERIFY(page.findChild<TOxFileEdit *>(QStringLiteral("ed_source")));
        for (const char *n : {"btn_research", "btn_Stop"})
            QVERIFY(page.findChild<QPushButton *>(QLatin1String(n)));
        QVERIFY(page.btn_Stop->isHidden());
        QVERIFY(page.btn_edit->isChecked());
        QVERIFY(page.pack_nav->isChecked());
        QVERIFY(!page.pack_aud->isChecked());
    }

    void onePackKindLogsPerPack()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {{0x2C, 0x1F}}}, {Aud, {{0x2C, 0x01}}},
                                               {Nav, {{0x2C, 0xFF}}}}, 100);
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("2C"));
        page.type_8->setChecked(true);
        page.btn_research->click();
        QCOMPARE(logLines(page), (QStringList{
            QStringLiteral("Test: \"%1\"").arg(name),
            QStringLiteral(" pack: 000000 \tvalue @ 2C == 1F"),
            QStringLiteral(" pack: 000002 \tvalue @ 2C == FF"),
            QString()}));
        QVERIFY(!page.btn_research->isHidden());
        QVERIFY(page.btn_Stop->isHidden());
        QVERIFY(page.btn_ClearLog->isEnabled());
        QCOMPARE(page.ProgressBar1->value(), 0);
        QVERIFY(dialogs.shown().isEmpty());
    }

    void allKindsSignedAndLabels()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {{0x2C, 0xFF}}}, {Aud, {{0x2C, 0x01}}},
                                               {Vid, {{0x2C, 0x7F}}}, {Nav, {{0x2C, 0x05}}}});
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("2C"));
        page.type_8->setChecked(true);
        page.ed_signed->setChecked(true);
        page.pack_aud->setChecked(true);
        page.pack_vid->setChecked(true);
        page.btn_research->click();
        const QStringList lines = logLines(page);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.at(1), QStringLiteral(" pack: 000000 [nav]  \tvalue @ 2C == -7F"));
        QCOMPARE(lines.at(2), QStringLiteral(" pack: 000001 [aud]  \tvalue @ 2C ==  1"));
        QCOMPARE(lines.at(3), QStringLiteral(" pack: 000002 [vid]  \tvalue @ 2C == 7F"));
        QCOMPARE(lines.at(4), QStringLiteral(" pack: 000003 [nav]  \tvalue @ 2C ==  5"));
    }

    void offsetByteAnd16Bit()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        // The first byte of the pack is 0x00 here; put 0x05 at position 20 and read through it.
        const QString name = writeStream(dir, {{Nav, {{20, 0x05}, {0x15, 0x00}, {0x16, 0x1F}}}});
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("10"));
        page.ed_OffsetInc->setText(QStringLiteral("14"));
        page.type_16->setChecked(true);
        page.btn_research->click();
        QCOMPARE(logLines(page).at(1), QStringLiteral(" pack: 000000 \tvalue @ 15 ==   1F"));
    }

    void differences()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {{0x30, 0x10}}}, {Nav, {{0x30, 0x10}}},
                                               {Nav, {{0x30, 0x13}}}});
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("30"));
        page.type_8->setChecked(true);
        page.ed_diffs->click();
        QVERIFY(page.ed_signed->isChecked());
        QVERIFY(!page.ed_signed->isEnabled());
        page.btn_research->click();
        const QStringList lines = logLines(page);
        QVERIFY(lines.at(1).endsWith(QStringLiteral("== 10")));
        QVERIFY(lines.at(2).endsWith(QStringLiteral("==  0")));
        QVERIFY(lines.at(3).endsWith(QStringLiteral("==  3")));
        page.ed_diffs->click();
        QVERIFY(page.ed_signed->isEnabled());
        QVERIFY(page.ed_signed->isChecked());
    }

    void rangeMarksRed()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {{0x40, 0x1F}}}, {Nav, {{0x40, 0x10}}},
                                               {Nav, {{0x40, 0x09}}}, {Nav, {{0x40, 0x21}}}});
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("40"));
        page.type_8->setChecked(true);
        page.cb_Range->setChecked(true);
        page.range_0->setText(QStringLiteral("10"));
        page.range_1->setText(QStringLiteral("20"));
        page.btn_research->click();
        QCOMPARE(redTexts(page), (QStringList{QStringLiteral(" 9"), QStringLiteral("21")}));
        QVERIFY(logLines(page).at(3).endsWith(QStringLiteral("==  9")));

        page.btn_ClearLog->click();
        QVERIFY(page.output->toPlainText().isEmpty());
        QVERIFY(!page.btn_SaveLog->isEnabled());
        page.range_1->clear();
        page.btn_research->click();
        QVERIFY(redTexts(page).isEmpty());
        QCOMPARE(logLines(page).size(), 6);
    }

    void stopEndsTheRunAfterThePack()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {}}, {Nav, {}}, {Nav, {}}, {Nav, {}}});
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("0"));
        bool wasRunning = false;
        // Runs on the first round of events inside the walk, before the first pack is read.
        QTimer::singleShot(0, &page, [&] {
            wasRunning = page.isRunning() && !page.btn_Stop->isHidden();
            page.btn_Stop->click();
        });
        page.btn_research->click();
        QVERIFY(wasRunning);
        const QStringList lines = logLines(page);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(1).startsWith(QStringLiteral(" pack: 000000")));
        QVERIFY(!page.isRunning());
        QVERIFY(!page.btn_research->isHidden());
    }

    void insufficientInput_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("offset");
        QTest::addColumn<bool>("kinds");
        QTest::newRow("missing file") << QStringLiteral("missing.vob") << QStringLiteral("0") << true;
        QTest::newRow("folder") << QString() << QStringLiteral("0") << true;
        QTest::newRow("empty offset") << QStringLiteral("test.vob") << QString() << true;
        QTest::newRow("negative offset") << QStringLiteral("test.vob") << QStringLiteral("-4") << true;
        QTest::newRow("no kind") << QStringLiteral("test.vob") << QStringLiteral("0") << false;
    }

    void insufficientInput()
    {
        QFETCH(QString, source);
        QFETCH(QString, offset);
        QFETCH(bool, kinds);
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        QTemporaryDir dir;
        writeStream(dir, {{Nav, {}}});
        TAnalyzeVOBFrame page;
        page.ed_source->setText(source.isEmpty() ? dir.path() : dir.filePath(source));
        page.ed_offset->setText(offset);
        page.pack_nav->setChecked(kinds);
        page.btn_research->click();
        QCOMPARE(dialogs.texts(), QStringList{QStringLiteral("Error: insufficient input")});
        QVERIFY(page.output->toPlainText().isEmpty());
        QVERIFY(!page.btn_research->isHidden());
        QVERIFY(page.btn_Stop->isHidden());
    }

    void emptySourceBrowsesFirst()
    {
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {}}});
        TAnalyzeVOBFrame page;
        page.ed_offset->setText(QStringLiteral("0"));
        dialogs.chooseFile(name);
        page.btn_research->click();
        QCOMPARE(dialogs.shown().at(0).kind, ScriptedDialogs::Kind::OpenFile);
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(logLines(page).size(), 3);
    }

    void positionOutsidePackIsRefused()
    {
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {}}});
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("7FE")); // 2046 + 4 bytes
        page.btn_research->click();
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY(page.output->toPlainText().isEmpty());
        QVERIFY(!page.btn_research->isHidden());
    }

    void unreadableSourceReturnsToIdle()
    {
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {}}});
        QFile::setPermissions(name, QFileDevice::Permissions());
        {
            QFile probe(name);
            if (probe.open(QIODevice::ReadOnly))
                QSKIP("file permissions do not stop this user from reading");
        }
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("0"));
        page.btn_research->click();
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.shown().at(0).icon, QMessageBox::Critical);
        QVERIFY(page.output->toPlainText().isEmpty());
        QVERIFY(!page.btn_research->isHidden());
        QVERIFY(page.btn_Stop->isHidden());
    }

    void profileRoundTrip()
    {
        ScriptedDialogs dialogs;
        {
            QFile ini(m_dir.filePath(QStringLiteral("analyzeVOB.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ini.write("[first]\r\noffset=2C\r\ntype=8\r\n[second]\r\noffset=10\r\ntype=16\r\np_aud=0\r\n");
        }
        TAnalyzeVOBFrame page;
        page.FrameCreate();
        QCOMPARE(page.ed_profile->count(), 2);
        QCOMPARE(page.ed_profile->currentText(), QStringLiteral("second"));
        QCOMPARE(page.ed_offset->text(), QStringLiteral("10"));
        QVERIFY(page.type_16->isChecked());
        QVERIFY(page.pack_nav->isChecked());
        QVERIFY(!page.pack_aud->isChecked());
        QVERIFY(page.cb_Range->isChecked());
        QVERIFY(!page.gb_offset->isHidden());

        page.ed_offset->setText(QStringLiteral("44"));
        page.type_8->setChecked(true);
        page.ed_signed->setChecked(true);
        page.range_0->setText(QStringLiteral("3"));
        dialogs.enterText(QStringLiteral("mine"));
        page.btn_save->click();
        QCOMPARE(dialogs.shown().at(0).title, QStringLiteral("als Vorlage speichern..."));
        QCOMPARE(dialogs.shown().at(0).text, QStringLiteral("Name der Vorlage:"));
        QCOMPARE(page.ed_profile->count(), 3);
        QCOMPARE(page.ed_profile->currentIndex(), 2);
        QCOMPARE(page.ed_profile->currentText(), QStringLiteral("mine"));
        QVERIFY(!page.btn_edit->isChecked());
        for (QGroupBox *g : {page.gb_offset, page.gb_type, page.gb_signed, page.gb_packs, page.gb_range})
            QVERIFY(g->isHidden());

        // Another profile, then back to the saved one.
        page.ed_profile->setCurrentIndex(0);
        page.ed_profileChange();
        QCOMPARE(page.ed_offset->text(), QStringLiteral("2C"));
        QVERIFY(!page.ed_signed->isChecked());
        page.ed_profile->setCurrentIndex(2);
        page.ed_profileChange();
        QCOMPARE(page.ed_offset->text(), QStringLiteral("44"));
        QVERIFY(page.type_8->isChecked());
        QVERIFY(page.ed_signed->isChecked());
        QVERIFY(!page.ed_diffs->isChecked());
        QCOMPARE(page.range_0->text(), QStringLiteral("3"));

        // A cancelled input box saves nothing.
        dialogs.cancelInput();
        page.btn_save->click();
        QCOMPARE(page.ed_profile->count(), 3);
        QVERIFY(dialogs.unexpected().isEmpty());
    }

    void noProfileFileGivesDefaults()
    {
        ScriptedDialogs dialogs;
        QFile::remove(m_dir.filePath(QStringLiteral("analyzeVOB.ini")));
        TAnalyzeVOBFrame page;
        page.ed_offset->setText(QStringLiteral("12"));
        page.type_8->setChecked(true);
        page.FrameCreate();
        QCOMPARE(page.ed_profile->count(), 0);
        QVERIFY(page.ed_offset->text().isEmpty());
        QVERIFY(page.type_32->isChecked());
        QVERIFY(page.pack_nav->isChecked() && page.pack_aud->isChecked() && page.pack_vid->isChecked());
        QVERIFY(page.cb_Range->isChecked());
        QVERIFY(!page.ed_signed->isChecked() && !page.ed_diffs->isChecked());
        QVERIFY(dialogs.shown().isEmpty());
    }

    void malformedBooleanReportsAndKeepsEarlierKeys()
    {
        ScriptedDialogs dialogs;
        dialogs.answer(QMessageBox::Ok);
        {
            QFile ini(m_dir.filePath(QStringLiteral("analyzeVOB.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ini.write("[good]\noffset=1\n[bad]\noffset=99\nsigned=yes\n");
        }
        TAnalyzeVOBFrame page;
        page.FrameCreate();
        QCOMPARE(dialogs.shown().size(), 1);
        QCOMPARE(dialogs.shown().at(0).icon, QMessageBox::Critical);
        QCOMPARE(page.ed_offset->text(), QStringLiteral("99"));
        QVERIFY_THROWS_EXCEPTION(EConvertError, page.LoadProfile(QStringLiteral("bad")));
    }

    void saveLog()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {{0x2C, 0x1F}}}});
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("2C"));
        page.type_8->setChecked(true);
        page.btn_research->click();
        const QString logName = dir.filePath(QStringLiteral("out.log"));
        dialogs.chooseFile(logName);
        page.btn_SaveLog->click();
        QCOMPARE(dialogs.shown().at(0).title, QStringLiteral("Logdatei speichern..."));
        QCOMPARE(dialogs.shown().at(0).defaultSuffix, QStringLiteral("log"));
        QFile log(logName);
        QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.at(1), QStringLiteral(" pack: 000000 \tvalue @ 2C == 1F"));
    }

    // Two runs into one log, red marks in both, then the saved bytes, a copied selection and a clear.
    void logSaveCopyAndClearAreExact()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {{0x2C, 0x80}, {0x2D, 0x09}}}, {Aud, {{0x2C, 0x00}, {0x2D, 0x21}}},
                                               {Vid, {{0x2C, 0x00}, {0x2D, 0x15}}}, {0x1BE, {}},
                                               {Nav, {{0x2C, 0xFF}, {0x2D, 0xFF}}}}, 7);
        TAnalyzeVOBFrame page;
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("2C"));
        page.type_16->setChecked(true);
        page.pack_aud->setChecked(true);
        page.pack_vid->setChecked(true);
        page.ed_signed->setChecked(true);
        page.cb_Range->setChecked(true);
        page.range_0->setText(QStringLiteral("10"));
        page.range_1->setText(QStringLiteral("20"));
        page.btn_research->click();
        page.pack_aud->setChecked(false);
        page.pack_vid->setChecked(false);
        page.ed_diffs->setChecked(true);
        page.type_8->setChecked(true);
        page.range_0->setText(QStringLiteral("-5"));
        page.range_1->setText(QStringLiteral("0"));
        page.btn_research->click();

        const QByteArray test = "Test: \"" + name.toLocal8Bit() + "\"\n";
        const QByteArray expected = test
            + " pack: 000000 [nav]  \tvalue @ 2C ==   -9\n"
              " pack: 000001 [aud]  \tvalue @ 2C ==   21\n"
              " pack: 000002 [vid]  \tvalue @ 2C ==   15\n"
              " pack: 000004 [nav]  \tvalue @ 2C == -7FFF\n"
              "\n"
            + test
            + " pack: 000000 \tvalue @ 2C ==  0\n"
              " pack: 000004 \tvalue @ 2C == -7F\n"
              "\n";
        QCOMPARE(redTexts(page), (QStringList{QStringLiteral("  -9"), QStringLiteral("  21"),
                                             QStringLiteral("-7FFF"), QStringLiteral("-7F")}));

        const QString logName = dir.filePath(QStringLiteral("out.log"));
        dialogs.chooseFile(logName);
        page.btn_SaveLog->click();
        QCOMPARE(readAll(logName), expected);

        selectLines(page, 2, 4);
        page.output->copy();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral(" pack: 000001 [aud]  \tvalue @ 2C ==   21\n"
                                " pack: 000002 [vid]  \tvalue @ 2C ==   15\n"
                                " pack: 000004 [nav]  \tvalue @ 2C == -7FFF"));

        page.btn_ClearLog->click();
        QVERIFY(!page.btn_ClearLog->isEnabled());
        QVERIFY(redTexts(page).isEmpty());
        page.btn_research->click();
        dialogs.chooseFile(logName);
        page.btn_SaveLog->click();
        QCOMPARE(readAll(logName), test + " pack: 000000 \tvalue @ 2C ==  0\n pack: 000004 \tvalue @ 2C == -7F\n\n");
    }

    // Keys select whole lines; a clear drops the selection with the lines.
    void logViewSelectsAndCopiesByKeys()
    {
        ScriptedDialogs dialogs;
        QTemporaryDir dir;
        const QString name = writeStream(dir, {{Nav, {{0x2C, 1}}}, {Nav, {{0x2C, 2}}}, {Nav, {{0x2C, 3}}}});
        TAnalyzeVOBFrame page;
        page.resize(640, 600);
        page.ed_source->setText(name);
        page.ed_offset->setText(QStringLiteral("2C"));
        page.type_8->setChecked(true);
        page.btn_research->click();
        QCOMPARE(page.output->lineCount(), 5);
        QTest::keyClick(page.output, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(page.output, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), page.output->toPlainText());
        QVERIFY(QGuiApplication::clipboard()->text().endsWith(QStringLiteral("==  3\n")));

        page.output->selectLines(1, 1);
        QTest::keyClick(page.output, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(page.output->selectedText(), QStringLiteral(" pack: 000000 \tvalue @ 2C ==  1\n"
                                                             " pack: 000001 \tvalue @ 2C ==  2"));
        QTest::keyClick(page.output, Qt::Key_Down);
        QCOMPARE(page.output->selectedText(), QStringLiteral(" pack: 000002 \tvalue @ 2C ==  3"));

        page.btn_ClearLog->click();
        QVERIFY(!page.output->hasSelection());
        QCOMPARE(page.output->lineCount(), 0);
        QVERIFY(page.output->selectedText().isEmpty());
    }

    void contributionMail()
    {
        ScriptedDialogs dialogs;
        dialogs.setAcknowledgeInformation(true);
        FakePlatform platform;
        QFile::remove(m_dir.filePath(QStringLiteral("analyzeVOB.ini")));
        TAnalyzeVOBFrame page;
        // No profile file: an error, and no mail.
        page.btn_contrib->click();
        QCOMPARE(dialogs.shown().size(), 1);
        QVERIFY(platform.shell.calls.isEmpty());

        {
            QFile ini(m_dir.filePath(QStringLiteral("analyzeVOB.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ini.write("[a b]\r\noffset=1\r\n");
        }
        page.btn_contrib->click();
        QCOMPARE(platform.shell.calls.size(), 1);
        const QString url = platform.shell.calls.at(0).url.toString(QUrl::FullyEncoded);
        QVERIFY2(url.startsWith(QStringLiteral("mailto:")), qPrintable(url));
        QVERIFY2(url.contains(QStringLiteral("a%20b")), qPrintable(url));

        platform.shell.defaultAnswer = false;
        page.btn_contrib->click();
        QCOMPARE(dialogs.shown().size(), 2);
        QVERIFY(dialogs.shown().at(1).text.startsWith(QStringLiteral("Unable to open requested URL \"mailto:")));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestAnalyzePage)
#include "tst_analyzepage.moc"
