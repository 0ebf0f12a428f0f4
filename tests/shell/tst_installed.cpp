// Kinbox installed under a prefix that the user cannot write: the program is copied to <prefix>/bin,
// its data to <prefix>/share/kinbox, the prefix made read-only, and a copy of this test started from
// there saves an analyzer profile and lists the languages, as an ordinary user would.

#include "analyzer/analyzepage.h"
#include "shell/localizedialog.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "ui/translator.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace kbx;

namespace {

// What the copy in the prefix does, and prints for the test to check.
int RunInstalled()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qEnvironmentVariable("XDG_CONFIG_HOME"));
    InstallRegistry(std::make_unique<TOxRegistry>("Kinbox"));
    QStringList out;
    out << "shipped " + ProgramFolder::path();
    out << "user " + UserDataFolder::path();
    {
        TAnalyzeVOBFrame page;
        page.FrameCreate();
        page.SaveProfile("my disc");
        QStringList profiles;
        for (int i = 0; i < page.ed_profile->count(); ++i)
            profiles << page.ed_profile->itemText(i);
        out << "profiles " + profiles.join(",");
        out << "profile file " + page.ProfileFile();
    }
    TfoLocalizeDialog languages;
    languages.LoadStoredLanguage(nullptr, true);
    QStringList entries;
    for (int i = 0; i < languages.ListBox1()->count(); ++i)
        entries << languages.ListBox1()->item(i)->text();
    out << "languages " + entries.join(",");
    std::fputs(qPrintable(out.join('\n') + '\n'), stdout);
    return 0;
}

QStringList Listing(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        files << path.mid(root.size()) + " " + QString::number(qHash(bytes));
    }
    files.sort();
    return files;
}

void MakeReadOnly(const QString &root, bool readOnly)
{
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList paths{root};
    while (it.hasNext())
        paths << it.next();
    for (const QString &path : paths) {
        QFile::Permissions p = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        if (QFileInfo(path).isDir() || QFileInfo(path).isExecutable())
            p |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        if (!readOnly)
            p |= QFile::WriteOwner;
        QFile::setPermissions(path, p);
    }
}

} // namespace

class TestInstalled : public QObject
{
    Q_OBJECT

private slots:
    void profileSaveAndLanguagesFromReadOnlyPrefix();
};

void TestInstalled::profileSaveAndLanguagesFromReadOnlyPrefix()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString prefix = dir.filePath("prefix"), home = dir.filePath("home");
    const QString share = prefix + "/share/kinbox";
    QVERIFY(QDir().mkpath(prefix + "/bin") && QDir().mkpath(share) && QDir().mkpath(home + "/data/kbxtest"));
    const QString program = prefix + "/bin/kbxtest";
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    for (const char *name : {"analyzeVOB.ini", "deutsch.lng"})
        QVERIFY(QFile::copy(QStringLiteral(KINBOX_DATA_DIR "/") + name, share + "/" + name));
    // A language of the user's own, dropped into the user's data folder.
    QVERIFY(QFile::copy(QStringLiteral(KINBOX_DATA_DIR "/deutsch.lng"), home + "/data/kbxtest/mine.lng"));
    MakeReadOnly(prefix, true);
    const QStringList before = Listing(prefix);

    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KBX_INSTALLED_RUN", "1");
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    run.setProcessEnvironment(env);
    run.start(program, {});
    QVERIFY(run.waitForFinished(60000));
    const QString output = QString::fromUtf8(run.readAllStandardOutput());
    const QString errors = QString::fromUtf8(run.readAllStandardError());
    MakeReadOnly(prefix, false);
    QVERIFY2(run.exitCode() == 0, qPrintable(errors));
    const QStringList lines = output.split('\n', Qt::SkipEmptyParts);

    QCOMPARE(lines.value(0), "shipped " + share);
    QCOMPARE(lines.value(1), "user " + home + "/data/kbxtest");
    // The shipped profiles were copied for the user and the new one saved beside them.
    QVERIFY2(lines.value(2).startsWith("profiles ") && lines.value(2).contains("my disc")
                 && lines.value(2).count(',') >= 2,
             qPrintable(lines.value(2)));
    QCOMPARE(lines.value(3), "profile file " + home + "/data/kbxtest/analyzeVOB.ini");
    QFile saved(home + "/data/kbxtest/analyzeVOB.ini");
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("[my disc]"));
    QCOMPARE(lines.value(4), QString("languages default (english),deutsch,mine"));
    // Nothing in the prefix changed (root could have written there: the check does not rely on the modes).
    QCOMPARE(Listing(prefix), before);
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("KBX_INSTALLED_RUN")) {
        QApplication app(argc, argv);
        return RunInstalled();
    }
    QApplication app(argc, argv);
    TestInstalled test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_installed.moc"
