#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

#include "engine/checksums.h"
#include "pagetestbase.h"
#include "ui/fileedit.h"
#include "ui/page.h"

using namespace kbx;

namespace {

QByteArray Bytes(int size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (char &c : data) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    return data;
}

bool Write(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

class MapStore : public TSettingsAccess
{
public:
    bool Has(const QString &key) const override { return values.contains(key); }
    QString Read(const QString &key) const override { return values.value(key); }
    void Write(const QString &key, const QString &value) override { values[key] = value; }
    QMap<QString, QString> values;
};

} // namespace

class TestFileProcPageChecksums : public PageTestBase
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QVERIFY(SetUpPage(true).isEmpty()); }
    void cleanup()
    {
        const QString problems = TearDownPage();
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // A split with a SHA-256 list: one line per part, as the system's tool checks them.
    void splitWritesAListTheToolAccepts()
    {
        QVERIFY(Write(path("in.bin"), Bytes(2500000, 1)));
        control<QAction>("cbSidecarSha256")->trigger();
        control<QAction>("cbHashSha256")->trigger();
        m_dialogs->chooseFile(path("in.bin"));
        control<TOxFileEdit>("inputFName")->Browse();
        control<QLineEdit>("offLength")->setText(QStringLiteral("1000000"));
        control<TOxFileEdit>("outputFName")->setText(path("movie??.bin"));
        QVERIFY(runJob());
        QVERIFY(QFile::exists(path("movie.sha256")));
        QVERIFY2(status().contains(QStringLiteral("movie.sha256")), qPrintable(status()));
        QVERIFY(status().contains(QStringLiteral("SHA-256: ")));
        if (!QStandardPaths::findExecutable(QStringLiteral("sha256sum")).isEmpty()) {
            QProcess p;
            p.setWorkingDirectory(m_dir->path());
            p.start(QStringLiteral("sha256sum"), {QStringLiteral("-c"), QStringLiteral("movie.sha256")});
            QVERIFY(p.waitForFinished(30000));
            QCOMPARE(p.exitCode(), 0);
            QCOMPARE(p.readAllStandardOutput().count("OK"), 3);
        }

        // Again: the list exists, and No (the default) leaves it and starts nothing.
        const QByteArray before = QFile(path("movie.sha256")).exists() ? Read(path("movie.sha256")) : QByteArray();
        QVERIFY(QFile::remove(path("movie01.bin")));
        m_dialogs->answer(QMessageBox::No);
        control<QPushButton>("startBtn")->click();
        QVERIFY(!m_page->IsBusy());
        QVERIFY(!QFile::exists(path("movie01.bin")));
        QCOMPARE(Read(path("movie.sha256")), before);
    }

    // A damaged part stops the merge before anything is written, and the check names it.
    void damagedPartStopsTheMerge()
    {
        QStringList parts;
        QByteArray sums;
        for (int i = 1; i <= 3; ++i) {
            const QString name = QStringLiteral("p%1.vob").arg(i);
            QVERIFY(Write(path(name), Bytes(300000, i)));
            parts << path(name);
        }
        QProcess p;
        p.setWorkingDirectory(m_dir->path());
        p.start(QStringLiteral("sha256sum"), {QStringLiteral("p1.vob"), QStringLiteral("p2.vob"), QStringLiteral("p3.vob")});
        if (!p.waitForStarted() || !p.waitForFinished(30000))
            QSKIP("sha256sum is not installed");
        QVERIFY(Write(path("p.sha256"), p.readAllStandardOutput()));
        QByteArray damaged = Read(path("p2.vob"));
        damaged[1000] = char(damaged[1000] ^ 0x40);
        QVERIFY(Write(path("p2.vob"), damaged));

        m_page->MergeFiles(parts);
        control<TOxFileEdit>("outputFName")->setText(path("whole.vob"));
        m_dialogs->answer(QMessageBox::Yes);  // verify first
        control<QPushButton>("startBtn")->click();
        QVERIFY(!m_page->IsBusy());
        QVERIFY(!QFile::exists(path("whole.vob")));
        QVERIFY(m_dialogs->texts().last().contains(QStringLiteral("damaged")));

        auto *list = m_page->findChild<QTreeWidget *>(QStringLiteral("verifyList"));
        QVERIFY(list);
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("p2.vob"));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("damaged"));
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("OK"));
        QCOMPARE(m_page->findChild<QLabel *>(QStringLiteral("verifySummary"))->text(),
                 QStringLiteral("3 files checked: 2 OK, 1 damaged, 0 missing"));

        // The menu item checks any list; with the part repaired all pass.
        QVERIFY(Write(path("p2.vob"), Bytes(300000, 2)));
        m_dialogs->chooseFile(path("p.sha256"));
        control<QAction>("mi_VerifyChecksums")->trigger();
        QCOMPARE(status(), QStringLiteral("3 files checked: 3 OK, 0 damaged, 0 missing"));
    }

    void choicesAreKept()
    {
        MapStore store;
        control<QAction>("cbHashCrc32")->trigger();
        control<QAction>("cbSidecarSfv")->trigger();
        for (const QString &key : m_page->ChecksumSettingKeys())
            m_page->SaveChecksumSetting(key, store);
        QCOMPARE(store.values.value(QStringLiteral("HashKinds")), QStringLiteral("3"));
        QCOMPARE(store.values.value(QStringLiteral("Sidecar")), QStringLiteral("1"));

        store.values[QStringLiteral("HashKinds")] = QStringLiteral("4");
        store.values[QStringLiteral("Sidecar")] = QStringLiteral("2");
        for (const QString &key : m_page->ChecksumSettingKeys())
            m_page->LoadChecksumSetting(key, store);
        QCOMPARE(m_page->HashKinds(), unsigned(HashSha256));
        QCOMPARE(m_page->SidecarChoice(), 2);
    }

private:
    QString status() const { return control<QLabel>("fpStatus")->text(); }
    static QByteArray Read(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool runJob()
    {
        QSignalSpy finished(m_page.get(), &TFileProcPage::jobFinished);
        control<QPushButton>("startBtn")->click();
        return m_page->IsBusy() && finished.wait(60000);
    }
};

QTEST_MAIN(TestFileProcPageChecksums)
#include "tst_fileprocpage_checksums.moc"
