#include "ui/program.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ProgramFolder::setPath(QString()); }
    void programFolderDefaultsToExecutableFolder();
    void programFolderFileTakesFileNamePart_data();
    void programFolderFileTakesFileNamePart();
    void defaultTitleRule_data();
    void defaultTitleRule();
    void executableBasePathKeepsNameWithoutExtension();
};

void TestProgram::programFolderDefaultsToExecutableFolder()
{
    QCOMPARE(ProgramFolder::path(), QCoreApplication::applicationDirPath());
    QTemporaryDir dir;
    ProgramFolder::setPath(dir.path() + "/");
    QCOMPARE(ProgramFolder::path(), dir.path());
    ProgramFolder::setPath(QString());
    QCOMPARE(ProgramFolder::path(), QCoreApplication::applicationDirPath());
}

void TestProgram::programFolderFileTakesFileNamePart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("plain") << "deutsch.lng" << "deutsch.lng";
    QTest::newRow("path") << "/elsewhere/sub/english.lng" << "english.lng";
    QTest::newRow("relative path") << "sub/help.ohp" << "help.ohp";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("folder only") << "/elsewhere/" << "";
    QTest::newRow("backslash is part of a name here") << "a\\b.lng" << "a\\b.lng";
}

void TestProgram::programFolderFileTakesFileNamePart()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QTemporaryDir dir;
    ProgramFolder::setPath(dir.path());
    QCOMPARE(ProgramFolderFile(name), dir.path() + "/" + file);
}

void TestProgram::defaultTitleRule_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("title");
    QTest::newRow("windows name") << "PROG.EXE" << "Prog";
    QTest::newRow("lower case") << "kinbox" << "kinbox";
    QTest::newRow("mixed") << "KinBox" << "Kinbox";
    QTest::newRow("up to first dot") << "KinBox.v2.bin" << "Kinbox";
    QTest::newRow("non-ASCII") << "ÄRGER.EXE" << "Ärger";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("leading dot") << ".hidden" << "";
}

void TestProgram::defaultTitleRule()
{
    QFETCH(QString, fileName);
    QFETCH(QString, title);
    QCOMPARE(DefaultTitleFromFileName(fileName), title);
}

void TestProgram::executableBasePathKeepsNameWithoutExtension()
{
    // The test executable has no extension, so nothing is cut.
    QCOMPARE(ExecutableBasePath(), QCoreApplication::applicationFilePath());
    QCOMPARE(PlatformDefaultTitle(), QString("tst_program"));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
