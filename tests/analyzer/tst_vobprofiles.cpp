#include "analyzer/profiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

class TestVobProfiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void booleans_data();
    void booleans();
    void widthOfType();
    void missingFileAndSectionGiveDefaults();
    void readsSectionsInFileOrder();
    void malformedBooleanKeepsEarlierFields();
    void typeThatIsNoNumber();
    void roundTrips();
    void saveAddsAtEndAndOverwritesKeys();
    void badNamesRefused();
    void garbageFiles();
    void contributionMail();

private:
    void writeIni(const QByteArray &bytes)
    {
        QFile f(m_file->fileName());
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write profile file");
    }
    QByteArray readIni() const
    {
        QFile f(m_file->fileName());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TVobProfileFile> m_file;
};

void TestVobProfiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = std::make_unique<TVobProfileFile>(m_dir->path());
    QCOMPARE(m_file->fileName(), QDir(m_dir->path()).filePath(QStringLiteral("analyzeVOB.ini")));
}

void TestVobProfiles::booleans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // 1 true, 0 false, -1 conversion error
    QTest::newRow("-1") << "-1" << 1;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("1") << "1" << 1;
    QTest::newRow("42") << "42" << 1;
    QTest::newRow("+0") << "+0" << 0;
    QTest::newRow("true") << "true" << 1;
    QTest::newRow("TrUe") << "TrUe" << 1;
    QTest::newRow("FALSE") << "FALSE" << 0;
    QTest::newRow("yes") << "yes" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("hex") << "0x1" << -1;
    QTest::newRow("too big") << "99999999999" << -1;
    QTest::newRow("minus alone") << "-" << -1;
}

void TestVobProfiles::booleans()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    if (expected < 0) {
        QVERIFY_THROWS_EXCEPTION(EConvertError, ProfileBool(text));
    } else {
        QCOMPARE(ProfileBool(text), expected == 1);
    }
    QCOMPARE(ProfileBoolText(true), QStringLiteral("-1"));
    QCOMPARE(ProfileBoolText(false), QStringLiteral("0"));
}

void TestVobProfiles::widthOfType()
{
    QCOMPARE(WidthOfType(8), 8);
    QCOMPARE(WidthOfType(16), 16);
    QCOMPARE(WidthOfType(32), 32);
    QCOMPARE(WidthOfType(1), 32);
    QCOMPARE(WidthOfType(264), 8);   // 0x108: only the low byte counts
    QCOMPARE(WidthOfType(272), 16);
    QCOMPARE(WidthOfType(-248), 8);  // low byte 0x08
    QCOMPARE(WidthOfType(0), 32);
}

void TestVobProfiles::missingFileAndSectionGiveDefaults()
{
    QVERIFY(m_file->SectionNames().isEmpty());
    TVobProfile p;
    p.offset = QStringLiteral("stale");
    p.nav = false;
    p.diffs = true;
    m_file->LoadProfile(QStringLiteral("none"), p);
    QCOMPARE(p.offset, QString());
    QCOMPARE(p.type, 1);
    QVERIFY(p.nav && p.aud && p.vid && p.range);
    QVERIFY(!p.isSigned && !p.diffs);

    writeIni("[other]\r\noffset=2C\r\n");
    TVobProfile q;
    q.offset = QStringLiteral("x");
    m_file->LoadProfile(QStringLiteral("none"), q);
    QCOMPARE(q.offset, QString());
}

void TestVobProfiles::readsSectionsInFileOrder()
{
    writeIni("; note\n[zeta]\noffset = 2C \n\n[Alpha]\ntype=16\n[mid dle]\n[ZETA]\noffset=99\n");
    QCOMPARE(m_file->SectionNames(), (QStringList{"zeta", "Alpha", "mid dle"}));
    TVobProfile p;
    m_file->LoadProfile(QStringLiteral("Zeta"), p); // names match regardless of case
    QCOMPARE(p.offset, QStringLiteral("2C"));
    m_file->LoadProfile(QStringLiteral("alpha"), p);
    QCOMPARE(p.type, 16);
    QCOMPARE(p.offset, QString());
}

void TestVobProfiles::malformedBooleanKeepsEarlierFields()
{
    writeIni("[p]\r\noffset=10\r\ntype=8\r\np_nav=0\r\np_aud=maybe\r\np_vid=0\r\n");
    TVobProfile p;
    QVERIFY_THROWS_EXCEPTION(EConvertError, m_file->LoadProfile(QStringLiteral("p"), p));
    QCOMPARE(p.offset, QStringLiteral("10"));
    QCOMPARE(p.type, 8);
    QVERIFY(!p.nav);
    QVERIFY(p.vid); // not reached
}

void TestVobProfiles::typeThatIsNoNumber()
{
    writeIni("[a]\ntype=abc\n[b]\ntype=264\n[c]\ntype=\n");
    TVobProfile p;
    m_file->LoadProfile(QStringLiteral("a"), p);
    QCOMPARE(WidthOfType(p.type), 32);
    m_file->LoadProfile(QStringLiteral("b"), p);
    QCOMPARE(WidthOfType(p.type), 8);
    m_file->LoadProfile(QStringLiteral("c"), p);
    QCOMPARE(p.type, 1);
}

void TestVobProfiles::roundTrips()
{
    TVobProfile p;
    p.offset = QStringLiteral("2C");
    p.offsetInc = QStringLiteral("0");
    p.type = 16;
    p.nav = false;
    p.aud = true;
    p.vid = false;
    p.range0 = QStringLiteral("10");
    p.range1 = QStringLiteral("20");
    p.range = false;
    p.isSigned = true;
    p.diffs = false;
    QVERIFY(m_file->SaveProfile(QStringLiteral("signed only"), p));
    QCOMPARE(readIni(), QByteArray("[signed only]\r\noffset=2C\r\noffsetInc=0\r\ntype=16\r\np_nav=0\r\np_aud=-1\r\n"
                                   "p_vid=0\r\nrange0=10\r\nrange1=20\r\nrange=0\r\nsigned=-1\r\ndiffs=0\r\n"));
    TVobProfile q;
    m_file->LoadProfile(QStringLiteral("signed only"), q);
    QCOMPARE(q.offset, p.offset);
    QCOMPARE(q.offsetInc, p.offsetInc);
    QCOMPARE(q.type, 16);
    QCOMPARE(q.nav, false);
    QCOMPARE(q.aud, true);
    QCOMPARE(q.vid, false);
    QCOMPARE(q.range0, p.range0);
    QCOMPARE(q.range1, p.range1);
    QCOMPARE(q.range, false);
    QCOMPARE(q.isSigned, true);
    QCOMPARE(q.diffs, false);

    // A line break in a text would split the file; it is stored as a space.
    p.offset = QStringLiteral("1\n[x]");
    QVERIFY(m_file->SaveProfile(QStringLiteral("signed only"), p));
    m_file->LoadProfile(QStringLiteral("signed only"), q);
    QCOMPARE(q.offset, QStringLiteral("1 [x]"));
    QCOMPARE(m_file->SectionNames(), QStringList{QStringLiteral("signed only")});
}

void TestVobProfiles::saveAddsAtEndAndOverwritesKeys()
{
    writeIni("[first]\noffset=1\nextra=keep\n[second]\ntype=8\n");
    TVobProfile p;
    p.offset = QStringLiteral("AA");
    QVERIFY(m_file->SaveProfile(QStringLiteral("new one"), p));
    QCOMPARE(m_file->SectionNames(), (QStringList{"first", "second", "new one"}));

    p.offset = QStringLiteral("BB");
    QVERIFY(m_file->SaveProfile(QStringLiteral("FIRST"), p));
    QCOMPARE(m_file->SectionNames(), (QStringList{"first", "second", "new one"}));
    TVobProfile q;
    m_file->LoadProfile(QStringLiteral("first"), q);
    QCOMPARE(q.offset, QStringLiteral("BB"));
    QVERIFY(readIni().contains("extra=keep"));
    QCOMPARE(readIni().count("offset="), 2);
    m_file->LoadProfile(QStringLiteral("second"), q);
    QCOMPARE(q.type, 8);
    m_file->LoadProfile(QStringLiteral("new one"), q);
    QCOMPARE(q.offset, QStringLiteral("AA"));
}

void TestVobProfiles::badNamesRefused()
{
    TVobProfile p;
    for (const QString &name : {QString(), QStringLiteral("  "), QStringLiteral("a]b"), QStringLiteral("[x"),
                                QStringLiteral("two\nlines")}) {
        QVERIFY(!TVobProfileFile::ValidProfileName(name));
        QVERIFY(!m_file->SaveProfile(name, p));
    }
    QVERIFY(!QFile::exists(m_file->fileName()));
    QVERIFY(TVobProfileFile::ValidProfileName(QStringLiteral("Nav: SCR (ä)")));
}

void TestVobProfiles::garbageFiles()
{
    // Unterminated and empty headers, keys before any section, binary bytes, no final line break.
    static const char raw[] = "offset=stray\n[open\n[]\n[ok]\r\n=novalue\r\nnoequals\r\n\x01\xff\x00garbage\r\noffset=7";
    const QByteArray bytes(raw, sizeof raw - 1);
    writeIni(bytes);
    QCOMPARE(m_file->SectionNames(), QStringList{QStringLiteral("ok")});
    TVobProfile p;
    m_file->LoadProfile(QStringLiteral("ok"), p);
    QCOMPARE(p.offset, QStringLiteral("7"));
    m_file->LoadProfile(QString(), p);
    QCOMPARE(p.offset, QString());

    writeIni(QByteArray(5000, '\xfe'));
    QVERIFY(m_file->SectionNames().isEmpty());
}

void TestVobProfiles::contributionMail()
{
    const QString url = ContributionMailUrl({QStringLiteral("[a b]"), QStringLiteral("x=1&2#3%")},
                                            QStringLiteral("maker@example.org"));
    QCOMPARE(url, QStringLiteral("mailto:maker@example.org?subject=Analyze%20VOB%20contribution&body="
                                 "%0D%0A%0D%0A%0D%0A------------------------------%0D%0A"
                                 "analyzeVOB.ini:%0D%0A%0D%0A[a%20b]%0D%0Ax=1%262%233%25%0D%0A"));
}

QTEST_GUILESS_MAIN(TestVobProfiles)
#include "tst_vobprofiles.moc"
