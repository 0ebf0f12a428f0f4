#include "ui/program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

class TestProgram : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        ProgramFolder::setPath(QString());
        UserDataFolder::setPath(QString());
    }
    void shippedFolderPrefersInstalledShare();
    void userFilesSeededFromShippedAndPreferred();
    void seedingFailsOverToShippedFile();
    void languagesFromBothFolders();
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

static bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

static QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void TestProgram::shippedFolderPrefersInstalledShare()
{
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath("bin"));
    // The build tree: data beside the program.
    QCOMPARE(ProgramFolder::shippedFolderFor(prefix.filePath("bin")), prefix.filePath("bin"));
    // Installed: <prefix>/share/kinbox beside <prefix>/bin, also when reached through "bin/".
    QVERIFY(QDir(prefix.path()).mkpath("share/kinbox"));
    QCOMPARE(ProgramFolder::shippedFolderFor(prefix.filePath("bin")), prefix.filePath("share/kinbox"));
    QCOMPARE(ProgramFolder::shippedFolderFor(prefix.filePath("bin") + "/"), prefix.filePath("share/kinbox"));
    // A plain file of that name is no data folder.
    QVERIFY(QDir(prefix.filePath("share/kinbox")).removeRecursively());
    QVERIFY(writeFile(prefix.filePath("share/kinbox"), "x"));
    QCOMPARE(ProgramFolder::shippedFolderFor(prefix.filePath("bin")), prefix.filePath("bin"));
}

void TestProgram::userFilesSeededFromShippedAndPreferred()
{
    QTemporaryDir shipped, home;
    ProgramFolder::setPath(shipped.path());
    // Without a folder of its own, a program folder set by hand holds the user's files too.
    QCOMPARE(UserDataFolder::path(), shipped.path());
    const QString user = home.filePath("data/kinbox");
    UserDataFolder::setPath(user);
    QCOMPARE(UserDataFile("/x/analyseVOB.log"), user + "/analyseVOB.log");

    QVERIFY(writeFile(shipped.filePath("analyzeVOB.ini"), "[shipped]\r\n"));
    QVERIFY(QFile::setPermissions(shipped.filePath("analyzeVOB.ini"), QFileDevice::ReadOwner | QFileDevice::ReadOther));
    QString error;
    const QString copy = SeededUserFile("analyzeVOB.ini", &error);
    QCOMPARE(copy, user + "/analyzeVOB.ini");
    QVERIFY(error.isEmpty());
    QCOMPARE(readFile(copy), QByteArray("[shipped]\r\n"));
    QVERIFY(QFileInfo(copy).isWritable());
    // The user's copy is kept from then on, and read before the shipped file.
    QVERIFY(writeFile(copy, "[mine]\r\n"));
    QCOMPARE(SeededUserFile("analyzeVOB.ini"), copy);
    QCOMPARE(readFile(copy), QByteArray("[mine]\r\n"));
    QCOMPARE(readFile(shipped.filePath("analyzeVOB.ini")), QByteArray("[shipped]\r\n"));
    QCOMPARE(DataFile("analyzeVOB.ini"), copy);
    QCOMPARE(DataFile("file_id.diz"), shipped.filePath("file_id.diz"));
}

void TestProgram::seedingFailsOverToShippedFile()
{
    QTemporaryDir shipped, home;
    ProgramFolder::setPath(shipped.path());
    // The user's folder cannot be made: a file stands where its parent should be.
    QVERIFY(writeFile(home.filePath("blocked"), "x"));
    UserDataFolder::setPath(home.filePath("blocked/kinbox"));
    QString error;
    QCOMPARE(SeededUserFile("analyzeVOB.ini", &error), home.filePath("blocked/kinbox/analyzeVOB.ini"));
    QVERIFY2(error.contains(shipped.filePath("analyzeVOB.ini")), qPrintable(error));
    QVERIFY(writeFile(shipped.filePath("analyzeVOB.ini"), "[shipped]\r\n"));
    error.clear();
    QCOMPARE(SeededUserFile("analyzeVOB.ini", &error), shipped.filePath("analyzeVOB.ini"));
    QVERIFY2(error.contains(home.filePath("blocked/kinbox")), qPrintable(error));
}

void TestProgram::languagesFromBothFolders()
{
    QTemporaryDir shipped, user;
    ProgramFolder::setPath(shipped.path());
    UserDataFolder::setPath(user.path());
    QVERIFY(writeFile(shipped.filePath("deutsch.lng"), "shipped"));
    QVERIFY(writeFile(shipped.filePath("readme.txt"), ""));
    QVERIFY(writeFile(shipped.filePath("old.LNG"), ""));
    QVERIFY(writeFile(user.filePath("Mine.lng"), "mine"));
    QVERIFY(writeFile(user.filePath("deutsch.lng"), "improved"));
    QVERIFY(writeFile(user.filePath("zulu.lng"), ""));
    QCOMPARE(LanguageFileNames(), (QStringList{"deutsch.lng", "Mine.lng", "zulu.lng"}));
    // The user's improved copy is the one loaded.
    QCOMPARE(readFile(DataFile("deutsch.lng")), QByteArray("improved"));
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
