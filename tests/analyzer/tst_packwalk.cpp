#include "analyzer/packwalk.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using namespace kbx;

namespace {

constexpr quint32 Nav = 0x000001BB;
constexpr quint32 Aud = 0x000001BD;
constexpr quint32 Vid = 0x000001E0;

// One 2048-byte pack with a start code at bytes 14..17 and chosen bytes set.
QByteArray Pack(quint32 code, std::initializer_list<std::pair<int, quint8>> bytes = {})
{
    QByteArray p(VobPackSize, '\0');
    p[0] = 0; p[1] = 0; p[2] = 1; p[3] = char(0xBA);
    p[14] = char(code >> 24); p[15] = char(code >> 16); p[16] = char(code >> 8); p[17] = char(code);
    for (const auto &[pos, value] : bytes)
        p[pos] = char(value);
    return p;
}

struct Run
{
    PackWalkOutcome outcome;
    std::vector<PackLogLine> lines;
    std::vector<qint64> totals;
};

Run Walk(const PackWalkSetup &setup, PackWalkOptions options, int stopAfter = -1)
{
    Run run;
    int packsSeen = 0;
    PackWalkHooks hooks;
    hooks.beforePack = [&](qint64, qint64 total) { run.totals.push_back(total); };
    hooks.options = [&] { ++packsSeen; return options; };
    hooks.line = [&](const PackLogLine &line) { run.lines.push_back(line); };
    hooks.stopRequested = [&] { return stopAfter >= 0 && packsSeen >= stopAfter; };
    run.outcome = WalkPacks(setup, hooks);
    return run;
}

} // namespace

class TestPackWalk : public QObject
{
    Q_OBJECT
private slots:
    void parseHex_data();
    void parseHex();
    void formatHexField();
    void signMagnitude();
    void progressScalesLargeFiles();
    void linesPerPackAndShortTail();
    void kindsLabelsAndFilter();
    void offsetByte();
    void signedUnsignedAndWidths();
    void differences();
    void rangeMarks();
    void refusedInput();
    void positionOutsidePackRefused();
    void stopHonouredOnSkippedPacks();
    void garbageAndEmptyFiles();
    void optionsReadPerPack();

private:
    QString write(const QByteArray &data)
    {
        const QString name = m_dir.filePath(QStringLiteral("s%1.vob").arg(m_count++));
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            qFatal("cannot write test stream");
        return name;
    }
    PackWalkSetup setup(const QString &file, int bits, const QString &offset, bool nav = true,
                        bool aud = false, bool vid = false)
    {
        PackWalkSetup s;
        s.fileName = file;
        s.bits = bits;
        s.offsetText = offset;
        s.nav = nav;
        s.aud = aud;
        s.vid = vid;
        return s;
    }
    QTemporaryDir m_dir;
    int m_count = 0;
};

void TestPackWalk::parseHex_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("value");
    QTest::newRow("FF") << "FF" << 255;
    QTest::newRow("lower") << "ff" << 255;
    QTest::newRow("negative") << "-1A" << -26;
    QTest::newRow("wraps") << "FFFFFFFF" << -1;
    QTest::newRow("nine digits wrap") << "100000001" << 1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("blanks") << "   " << -1;
    QTest::newRow("lone minus") << "-" << 0;
    QTest::newRow("trimmed and cut") << "  2C xyz" << 0x2C;
    QTest::newRow("other characters") << "G" << 16;          // 'G' - 55
    QTest::newRow("below the digits") << "/" << -8;           // '/' - 55
    // 'Z' counts 35: only the last eight characters matter, higher weights wrap away.
    quint32 zs = 0;
    for (int k = 0; k < 8; ++k)
        zs += 35u << (4 * k);
    QTest::newRow("long garbage") << QString(200, QLatin1Char('Z')) << qint32(zs);
}

void TestPackWalk::parseHex()
{
    QFETCH(QString, text);
    QFETCH(qint32, value);
    QCOMPARE(ParseHex(text), value);
}

void TestPackWalk::formatHexField()
{
    QCOMPARE(FormatHexField(0x1F, 4), QStringLiteral("  1F"));
    QCOMPARE(FormatHexField(-0x7F, 2), QStringLiteral("-7F"));
    QCOMPARE(FormatHexField(0, 2), QStringLiteral(" 0"));
    QCOMPARE(FormatHexField(0xFFFFFFFF, 8), QStringLiteral("FFFFFFFF"));
    QCOMPARE(FormatHexField(-0x1FFFFFFFFLL, 8), QStringLiteral("-1FFFFFFFF"));
    QCOMPARE(FormatHexField(std::numeric_limits<qint64>::min(), 2), QStringLiteral("-8000000000000000"));
    QCOMPARE(HexFieldWidth(8), 2);
    QCOMPARE(HexFieldWidth(16), 4);
    QCOMPARE(HexFieldWidth(32), 8);
}

void TestPackWalk::signMagnitude()
{
    QCOMPARE(SignMagnitude(0x80, 8), 0);
    QCOMPARE(SignMagnitude(0xFF, 8), -127);
    QCOMPARE(SignMagnitude(0x7F, 8), 127);
    QCOMPARE(SignMagnitude(0x8001, 16), -1);
    QCOMPARE(SignMagnitude(0xFFFFFFFF, 32), -qint64(0x7FFFFFFF));
    QCOMPARE(SignMagnitude(0x7FFFFFFF, 32), qint64(0x7FFFFFFF));
}

void TestPackWalk::progressScalesLargeFiles()
{
    QCOMPARE(ProgressMaximum(0), 0);
    QCOMPARE(ProgressMaximum(1000), 1000);
    QCOMPARE(ProgressPosition(500, 1000), 500);
    // 8 TiB of packs: more packs than an int holds.
    const qint64 huge = (qint64(1) << 43) / VobPackSize * 1024;
    QVERIFY(huge > std::numeric_limits<int>::max());
    QVERIFY(ProgressMaximum(huge) > 0);
    QCOMPARE(ProgressPosition(huge, huge), ProgressMaximum(huge));
    QVERIFY(ProgressPosition(huge / 2, huge) <= ProgressMaximum(huge) / 2 + 1);
    QCOMPARE(ProgressPosition(huge + 5, huge), ProgressMaximum(huge));
}

void TestPackWalk::linesPerPackAndShortTail()
{
    QByteArray data;
    for (int i = 0; i < 3; ++i)
        data += Pack(Nav, {{0x2C, quint8(0x10 + i)}});
    const QString exact = write(data);
    const QString tail = write(data + Pack(Nav).left(1000));

    for (const QString &file : {exact, tail}) {
        const Run run = Walk(setup(file, 8, QStringLiteral("2C")), {});
        QCOMPARE(run.outcome.result, PackWalkResult::Finished);
        QCOMPARE(run.outcome.packsRead, 3);
        QCOMPARE(run.outcome.linesLogged, 3);
        QCOMPARE(int(run.lines.size()), 5);
        QCOMPARE(run.lines.front().text, QStringLiteral("Test: \"%1\"").arg(file));
        QCOMPARE(run.lines[1].text, QStringLiteral(" pack: 000000 \tvalue @ 2C == 10"));
        QCOMPARE(run.lines[3].text, QStringLiteral(" pack: 000002 \tvalue @ 2C == 12"));
        QCOMPARE(run.lines.back().text, QString());
        QCOMPARE(run.totals.front(), 3);
    }
}

void TestPackWalk::kindsLabelsAndFilter()
{
    const QString file = write(Pack(Vid, {{0x2C, 1}}) + Pack(Aud, {{0x2C, 2}}) + Pack(0x000001C0, {{0x2C, 3}})
                               + Pack(Nav, {{0x2C, 5}}));
    PackWalkOptions all;
    const Run run = Walk(setup(file, 8, QStringLiteral("2C"), true, true, true), all);
    QCOMPARE(run.outcome.packsRead, 4);
    QCOMPARE(int(run.lines.size()), 5); // the unrecognised pack is not analysed
    QCOMPARE(run.lines[1].text, QStringLiteral(" pack: 000000 [vid]  \tvalue @ 2C ==  1"));
    QCOMPARE(run.lines[2].text, QStringLiteral(" pack: 000001 [aud]  \tvalue @ 2C ==  2"));
    QCOMPARE(run.lines[3].text, QStringLiteral(" pack: 000003 [nav]  \tvalue @ 2C ==  5"));

    PackWalkOptions audOnly;
    audOnly.nav = audOnly.vid = false;
    const Run one = Walk(setup(file, 8, QStringLiteral("2C"), false, true, false), audOnly);
    QCOMPARE(int(one.lines.size()), 3);
    QCOMPARE(one.lines[1].text, QStringLiteral(" pack: 000001 \tvalue @ 2C ==  2"));
}

void TestPackWalk::offsetByte()
{
    const QString file = write(Pack(Nav, {{0, 0x05}, {0x15, 0xAB}}));
    PackWalkSetup s = setup(file, 8, QStringLiteral("10"));
    s.offsetIncText = QStringLiteral("0");
    Run run = Walk(s, {});
    QCOMPARE(run.lines[1].text, QStringLiteral(" pack: 000000 \tvalue @ 15 == AB"));
    s.offsetIncText.clear();
    run = Walk(s, {});
    QCOMPARE(run.lines[1].text, QStringLiteral(" pack: 000000 \tvalue @ 10 ==  1")); // inside the start code
}

void TestPackWalk::signedUnsignedAndWidths()
{
    const QString file = write(Pack(Nav, {{0x20, 0xFF}, {0x30, 0x00}, {0x31, 0x1F},
                                          {0x40, 0x80}, {0x41, 0}, {0x42, 0}, {0x43, 0x02}}));
    PackWalkOptions sign;
    sign.isSigned = true;
    QCOMPARE(Walk(setup(file, 8, QStringLiteral("20")), sign).lines[1].value, QStringLiteral("-7F"));
    QCOMPARE(Walk(setup(file, 8, QStringLiteral("20")), {}).lines[1].value, QStringLiteral("FF"));
    const Run w16 = Walk(setup(file, 16, QStringLiteral("30")), {});
    QCOMPARE(w16.lines[1].value, QStringLiteral("  1F"));
    QVERIFY(w16.lines[1].text.endsWith(QStringLiteral(" == ") + QStringLiteral("  1F")));
    QCOMPARE(Walk(setup(file, 32, QStringLiteral("40")), sign).lines[1].value, QStringLiteral("      -2"));
    QCOMPARE(Walk(setup(file, 32, QStringLiteral("40")), {}).lines[1].value, QStringLiteral("80000002"));
    // The last byte of the pack is still readable.
    QCOMPARE(Walk(setup(file, 8, QStringLiteral("7FF")), {}).outcome.result, PackWalkResult::Finished);
}

void TestPackWalk::differences()
{
    const QString file = write(Pack(Nav, {{0x2C, 0x07}}) + Pack(Nav, {{0x2C, 0x07}}) + Pack(Nav, {{0x2C, 0x83}})
                               + Pack(Nav, {{0x2C, 0x10}}));
    PackWalkOptions diffs;
    diffs.isSigned = diffs.diffs = true;
    const Run run = Walk(setup(file, 8, QStringLiteral("2C")), diffs);
    QCOMPARE(run.lines[1].value, QStringLiteral(" 7"));
    QCOMPARE(run.lines[2].value, QStringLiteral(" 0"));
    QCOMPARE(run.lines[3].value, QStringLiteral("-A"));  // -3 - 7
    QCOMPARE(run.lines[4].value, QStringLiteral("13"));  // 16 - (-3)
    // Differences without "signed" are plain unsigned values.
    PackWalkOptions diffOnly;
    diffOnly.diffs = true;
    QCOMPARE(Walk(setup(file, 8, QStringLiteral("2C")), diffOnly).lines[3].value, QStringLiteral("83"));
}

void TestPackWalk::rangeMarks()
{
    const QString file = write(Pack(Nav, {{0x2C, 0x1F}}) + Pack(Nav, {{0x2C, 0x10}}) + Pack(Nav, {{0x2C, 0x09}})
                               + Pack(Nav, {{0x2C, 0x21}}) + Pack(Nav, {{0x2C, 0xFF}}));
    PackWalkOptions o;
    o.range = true;
    o.range0 = QStringLiteral("10");
    o.range1 = QStringLiteral("20");
    Run run = Walk(setup(file, 8, QStringLiteral("2C")), o);
    QList<bool> marks;
    for (size_t i = 1; i + 1 < run.lines.size(); ++i)
        marks << run.lines[i].outOfRange;
    QCOMPARE(marks, (QList<bool>{false, false, true, true, true}));

    // Signed display: -7F is below 10.
    o.isSigned = true;
    QVERIFY(Walk(setup(file, 8, QStringLiteral("2C")), o).lines[5].outOfRange);

    for (int which = 0; which < 3; ++which) {
        PackWalkOptions off = o;
        if (which == 0) off.range0.clear();
        if (which == 1) off.range1.clear();
        if (which == 2) off.range = false;
        run = Walk(setup(file, 8, QStringLiteral("2C")), off);
        for (const PackLogLine &line : run.lines)
            QVERIFY(!line.outOfRange);
    }
}

void TestPackWalk::refusedInput()
{
    const QString file = write(Pack(Nav));
    const QList<PackWalkSetup> bad = {
        setup(file, 8, QString()),                          // empty base offset
        setup(file, 8, QStringLiteral("-1")),
        setup(m_dir.filePath(QStringLiteral("missing.vob")), 8, QStringLiteral("0")),
        setup(QString(), 8, QStringLiteral("0")),
        setup(m_dir.path(), 8, QStringLiteral("0")),        // a folder is no file
        setup(file, 8, QStringLiteral("0"), false, false, false),
    };
    for (const PackWalkSetup &s : bad) {
        const Run run = Walk(s, {});
        QCOMPARE(run.outcome.result, PackWalkResult::BadInput);
        QCOMPARE(run.outcome.message, QStringLiteral("Error: insufficient input"));
        QVERIFY(run.lines.empty());
    }
}

void TestPackWalk::positionOutsidePackRefused()
{
    const QString file = write(Pack(Nav));
    auto result = [&](int bits, const QString &base, const QString &inc) {
        PackWalkSetup s = setup(file, bits, base);
        s.offsetIncText = inc;
        const Run run = Walk(s, {});
        if (run.outcome.result == PackWalkResult::BadInput) {
            if (run.outcome.message != PositionOutsidePackText() || !run.lines.empty())
                return -1;
            return 0;
        }
        return 1;
    };
    QCOMPARE(result(8, QStringLiteral("7FF"), QString()), 1);
    QCOMPARE(result(8, QStringLiteral("800"), QString()), 0);
    QCOMPARE(result(16, QStringLiteral("7FE"), QString()), 1);
    QCOMPARE(result(16, QStringLiteral("7FF"), QString()), 0);
    QCOMPARE(result(32, QStringLiteral("7FC"), QString()), 1);
    QCOMPARE(result(32, QStringLiteral("7FD"), QString()), 0);
    QCOMPARE(result(32, QStringLiteral("7FFFFFFF"), QString()), 0);
    // With an offset byte, the largest byte (FF) must still fit.
    QCOMPARE(result(32, QStringLiteral("6FD"), QStringLiteral("0")), 1);
    QCOMPARE(result(32, QStringLiteral("6FE"), QStringLiteral("0")), 0);
    QCOMPARE(result(8, QStringLiteral("0"), QStringLiteral("7FF")), 1);
    QCOMPARE(result(8, QStringLiteral("0"), QStringLiteral("800")), 0);
    // A negative offset-byte text means no offset byte.
    QCOMPARE(result(8, QStringLiteral("7FF"), QStringLiteral("-4")), 1);
}

void TestPackWalk::stopHonouredOnSkippedPacks()
{
    QByteArray data;
    for (int i = 0; i < 10; ++i)
        data += Pack(Vid);
    const QString file = write(data);
    PackWalkOptions navOnly;
    navOnly.aud = navOnly.vid = false;
    const Run run = Walk(setup(file, 8, QStringLiteral("0")), navOnly, 2);
    QCOMPARE(run.outcome.result, PackWalkResult::Stopped);
    QCOMPARE(run.outcome.packsRead, 2);
    QCOMPARE(run.outcome.linesLogged, 0);
    QCOMPARE(int(run.lines.size()), 2); // header and closing empty line
}

void TestPackWalk::garbageAndEmptyFiles()
{
    // Empty, shorter than a pack, and a pack-sized block of garbage: no pack lines, no hang.
    QByteArray garbage(VobPackSize * 3 + 17, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 131 + 7) & 0xFF);
    for (const QByteArray &data : {QByteArray(), QByteArray(2047, '\xFF'), garbage}) {
        const QString file = write(data);
        const Run run = Walk(setup(file, 32, QStringLiteral("7FC"), true, true, true), {});
        QCOMPARE(run.outcome.result, PackWalkResult::Finished);
        QCOMPARE(run.outcome.linesLogged, 0);
        QCOMPARE(run.outcome.packsRead, data.size() / VobPackSize);
        QCOMPARE(int(run.lines.size()), 2);
    }
    // A pack truncated right after its start code.
    const QString cut = write(Pack(Nav, {{0x2C, 1}}) + Pack(Nav).left(18));
    const Run run = Walk(setup(cut, 8, QStringLiteral("2C")), {});
    QCOMPARE(run.outcome.linesLogged, 1);
}

void TestPackWalk::optionsReadPerPack()
{
    const QString file = write(Pack(Nav, {{0x2C, 0xFF}}) + Pack(Nav, {{0x2C, 0xFF}}) + Pack(Aud, {{0x2C, 1}}));
    int call = 0;
    PackWalkHooks hooks;
    std::vector<PackLogLine> lines;
    hooks.options = [&] {
        PackWalkOptions o;
        o.isSigned = call++ > 0;  // switched on during the run
        o.aud = false;            // unchecked although counted at the start
        return o;
    };
    hooks.line = [&](const PackLogLine &l) { lines.push_back(l); };
    const PackWalkOutcome out = WalkPacks(setup(file, 8, QStringLiteral("2C"), true, true), hooks);
    QCOMPARE(out.linesLogged, 2);
    QCOMPARE(lines[1].text, QStringLiteral(" pack: 000000 [nav]  \tvalue @ 2C == FF"));
    QCOMPARE(lines[2].value, QStringLiteral("-7F"));
}

QTEST_GUILESS_MAIN(TestPackWalk)
#include "tst_packwalk.moc"
