#include "support/scripteddialogs.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kbx;

class TestScriptedDialogs : public QObject
{
    Q_OBJECT
private slots:
    void answersAreTakenInOrderAndRecorded();
    void fileFolderAndInputAnswers();
    void unansweredDialogFailsAndGetsSafeAnswer_data();
    void unansweredDialogFailsAndGetsSafeAnswer();
    void answerForAnotherKindIsNotConsumed();
    void answerThatIsNoButtonOfTheBoxFails();
    void informationCanBeAcknowledged();
    void realMessageBoxReturnsClickedButton();
    void pipeFiltersBecomeQtFilters_data();
    void pipeFiltersBecomeQtFilters();
};

void TestScriptedDialogs::answersAreTakenInOrderAndRecorded()
{
    ScriptedDialogs dialogs;
    QCOMPARE(&Dialogs::instance(), &dialogs);
    dialogs.answer(QMessageBox::Yes);
    dialogs.answer(QMessageBox::No);
    dialogs.answer(QMessageBox::Ok);
    QCOMPARE(dialogs.pending(), 3);

    QVERIFY(Dialogs::instance().question(nullptr, "T1", "Overwrite?"));
    QVERIFY(!Dialogs::instance().question(nullptr, "T2", "Really?"));
    Dialogs::instance().warning(nullptr, "T3", "Careful");

    QVERIFY(dialogs.allAnswered());
    QCOMPARE(dialogs.texts(), QStringList({"Overwrite?", "Really?", "Careful"}));
    const auto &first = dialogs.shown().at(0);
    QCOMPARE(first.title, QString("T1"));
    QCOMPARE(first.icon, QMessageBox::Question);
    QCOMPARE(first.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(dialogs.shown().at(2).icon, QMessageBox::Warning);
    QVERIFY(dialogs.unexpected().isEmpty());
}

void TestScriptedDialogs::fileFolderAndInputAnswers()
{
    ScriptedDialogs dialogs;
    dialogs.chooseFile("/data/in.vob", "Video (*.vob)");
    dialogs.cancelFile();
    dialogs.chooseFiles({"/a", "/b"});
    dialogs.chooseFile("/data");
    dialogs.enterText("profile 1");
    dialogs.cancelInput();

    FileDialogRequest request;
    request.title = "Open";
    request.start = "/data/x.vob";
    request.filter = "All (*);;Video (*.vob)";
    request.selectedFilter = "All (*)";
    QString filter;
    Dialogs &d = Dialogs::instance();
    QCOMPARE(d.openFileName(nullptr, request, &filter), QString("/data/in.vob"));
    QCOMPARE(filter, QString("Video (*.vob)"));
    filter.clear();
    QCOMPARE(d.saveFileName(nullptr, request, &filter), QString());
    QVERIFY(filter.isEmpty()); // a cancelled dialog reports no filter
    QCOMPARE(d.openFileNames(nullptr, request), QStringList({"/a", "/b"}));
    QCOMPARE(d.folder(nullptr, "Folder", "/start"), QString("/data"));
    QCOMPARE(d.inputText(nullptr, "Name", "Profile name:"), std::optional<QString>("profile 1"));
    QCOMPARE(d.inputText(nullptr, "Name", "Profile name:"), std::optional<QString>());

    QVERIFY(dialogs.allAnswered());
    QCOMPARE(dialogs.shown().size(), 6);
    QCOMPARE(dialogs.shown().at(0).kind, ScriptedDialogs::Kind::OpenFile);
    QCOMPARE(dialogs.shown().at(0).text, QString("/data/x.vob"));
    QCOMPARE(dialogs.shown().at(0).filter, request.filter);
    QCOMPARE(dialogs.shown().at(1).kind, ScriptedDialogs::Kind::SaveFile);
    QCOMPARE(dialogs.shown().at(3).kind, ScriptedDialogs::Kind::Folder);
    QCOMPARE(dialogs.shown().at(3).text, QString("/start"));
}

void TestScriptedDialogs::unansweredDialogFailsAndGetsSafeAnswer_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("expected");
    QTest::newRow("yes/no") << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No);
    QTest::newRow("yes/no/cancel") << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)
                                   << int(QMessageBox::Cancel);
    QTest::newRow("retry/abort") << int(QMessageBox::Retry | QMessageBox::Abort) << int(QMessageBox::Abort);
    QTest::newRow("ok") << int(QMessageBox::Ok) << int(QMessageBox::Ok);
}

void TestScriptedDialogs::unansweredDialogFailsAndGetsSafeAnswer()
{
    QFETCH(int, buttons);
    QFETCH(int, expected);
    ScriptedDialogs dialogs;
    QEXPECT_FAIL("", "a dialog with no queued answer fails the test", Continue);
    const auto answer = Dialogs::instance().message(nullptr, QMessageBox::Question, "Kinbox", "Delete?",
                                                    QMessageBox::StandardButtons(buttons));
    QCOMPARE(int(answer), expected);
    QCOMPARE(dialogs.unexpected().size(), 1);
    QVERIFY(dialogs.unexpected().first().contains("Delete?"));
    QCOMPARE(dialogs.texts(), QStringList({"Delete?"}));

    QEXPECT_FAIL("", "an unanswered file dialog fails too", Continue);
    QCOMPARE(Dialogs::instance().openFileName(nullptr, FileDialogRequest{}), QString());
    QEXPECT_FAIL("", "an unanswered input box fails too", Continue);
    QCOMPARE(Dialogs::instance().inputText(nullptr, "T", "L"), std::optional<QString>());
    QCOMPARE(dialogs.unexpected().size(), 3);
}

void TestScriptedDialogs::answerForAnotherKindIsNotConsumed()
{
    ScriptedDialogs dialogs;
    dialogs.answer(QMessageBox::Yes);
    QEXPECT_FAIL("", "a file dialog cannot take a button answer", Continue);
    QCOMPARE(Dialogs::instance().saveFileName(nullptr, FileDialogRequest{}), QString());
    QCOMPARE(dialogs.pending(), 1);
    QVERIFY(Dialogs::instance().question(nullptr, "T", "Still answered?"));
    QVERIFY(dialogs.allAnswered());
    QCOMPARE(dialogs.unexpected().size(), 1);
}

void TestScriptedDialogs::answerThatIsNoButtonOfTheBoxFails()
{
    ScriptedDialogs dialogs;
    dialogs.answer(QMessageBox::Yes);
    QEXPECT_FAIL("", "Yes is not offered by an OK box", Continue);
    QCOMPARE(Dialogs::instance().message(nullptr, QMessageBox::Information, "T", "Done", QMessageBox::Ok),
             QMessageBox::Ok);
    QCOMPARE(dialogs.unexpected().size(), 1);
}

void TestScriptedDialogs::informationCanBeAcknowledged()
{
    ScriptedDialogs dialogs;
    dialogs.setAcknowledgeInformation(true);
    dialogs.answer(QMessageBox::No);
    Dialogs::instance().information(nullptr, "T", "Job finished");
    QCOMPARE(dialogs.pending(), 1); // the queued answer stays for the question
    QVERIFY(!Dialogs::instance().question(nullptr, "T", "Again?"));
    QCOMPARE(dialogs.texts(), QStringList({"Job finished", "Again?"}));
    QVERIFY(dialogs.unexpected().isEmpty());
}

void TestScriptedDialogs::realMessageBoxReturnsClickedButton()
{
    bool clicked = false;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        QCOMPARE(box->text(), QString("Proceed?"));
        box->button(QMessageBox::No)->click();
        clicked = true;
    });
    // Closes the box should the click above not have happened, so the test cannot hang.
    QTimer::singleShot(5000, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    QtDialogs real;
    const auto answer = real.message(nullptr, QMessageBox::Question, "Kinbox", "Proceed?",
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    QVERIFY(clicked);
    QCOMPARE(answer, QMessageBox::No);
}

void TestScriptedDialogs::pipeFiltersBecomeQtFilters_data()
{
    QTest::addColumn<QString>("pipe");
    QTest::addColumn<QString>("qt");
    QTest::newRow("default") << "All files (*.*)|*.*" << "All files (*)";
    QTest::newRow("two") << "All files (*.*)|*.*|MPEG-Videos (*.vob;*.mpg;*.m2v)|*.vob;*.mpg;*.m2v"
                         << "All files (*);;MPEG-Videos (*.vob *.mpg *.m2v)";
    QTest::newRow("no patterns in text") << "Executables|*.sh;*.bin" << "Executables (*.sh *.bin)";
    QTest::newRow("description only") << "Profiles (*.ini)" << "Profiles (*.ini)";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("trailing bar") << "Text|*.txt|" << "Text (*.txt)";
}

void TestScriptedDialogs::pipeFiltersBecomeQtFilters()
{
    QFETCH(QString, pipe);
    QFETCH(QString, qt);
    QCOMPARE(QtFileFilter(pipe), qt);
}

QTEST_MAIN(TestScriptedDialogs)
#include "tst_scripteddialogs.moc"
