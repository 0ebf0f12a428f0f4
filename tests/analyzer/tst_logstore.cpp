// The log store against the text the page showed line by line before: pack lines, text lines, red
// value texts, saved bytes, block boundaries and clearing.

#include "analyzer/logstore.h"
#include "analyzer/packwalk.h"
#include "common/textfuncs.h"

#include <QBuffer>
#include <QTest>

using namespace kbx;

namespace {

// The line as the walk used to build it from strings.
QString referenceLine(const PackLine &l)
{
    const QString label = l.label == PackKind::Other ? QString() : QStringLiteral(" [%1] ").arg(PackKindLabel(l.label));
    return QStringLiteral(" pack: ") + PadLeft(QString::number(l.index), 6, QLatin1Char('0')) + label
        + QStringLiteral(" \tvalue @ ") + HexText(l.offset) + QStringLiteral(" == ") + FormatHexField(l.value, l.width);
}

PackLine pack(qint64 index, qint64 value, quint8 width = 8, PackKind label = PackKind::Other, bool red = false,
              quint16 offset = 0x2C)
{
    PackLine l;
    l.index = index;
    l.value = value;
    l.width = width;
    l.label = label;
    l.outOfRange = red;
    l.offset = offset;
    return l;
}

} // namespace

class TestLogStore : public QObject
{
    Q_OBJECT

private slots:
    void packLinesMatchTheStringBuiltText()
    {
        const qint64 values[] = {0, 1, -1, 0x7F, -0x7F, 0x80, 0xFF, 0x7FFF, -0x7FFF, 0xFFFF, 0x7FFFFFFF,
                                 -0x7FFFFFFF, 0xFFFFFFFFLL, -0xFFFFFFFFLL, 0x1FFFFFFFELL, -0x1FFFFFFFELL};
        const qint64 indexes[] = {0, 5, 999999, 1000000, 0xFFFFFFFFLL, 0x100000000LL, 0xFFFFFFFFFFLL};
        TLogStore store;
        QStringList expected;
        for (quint8 width : {quint8(2), quint8(4), quint8(8)})
            for (PackKind label : {PackKind::Other, PackKind::Nav, PackKind::Aud, PackKind::Vid})
                for (qint64 v : values)
                    for (qint64 i : indexes) {
                        const PackLine l = pack(i, v, width, label, false, quint16(v & 0x7FF));
                        store.appendPack(l);
                        expected << referenceLine(l);
                    }
        QCOMPARE(store.lineCount(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(store.line(i), expected.at(i));
    }

    void redStartsAtTheValueText()
    {
        TLogStore store;
        store.appendText(QStringLiteral("Test: \"x\""));
        store.appendPack(pack(0, -9, 4, PackKind::Nav, true));
        store.appendPack(pack(1, 0x15, 4, PackKind::Aud, false));
        store.appendPack(pack(2, -0x7FFF, 4, PackKind::Other, true));
        QCOMPARE(store.redStart(0), -1);
        QCOMPARE(store.line(1).mid(store.redStart(1)), QStringLiteral("  -9"));
        QCOMPARE(store.redStart(2), -1);
        QCOMPARE(store.line(3).mid(store.redStart(3)), QStringLiteral("-7FFF"));
        QCOMPARE(store.redStart(4), -1);
        QCOMPARE(store.redStart(-1), -1);
        QVERIFY(store.line(4).isNull());
    }

    void saveAndSelectionAcrossBlocks()
    {
        TLogStore store;
        QByteArray expected;
        store.appendText(QStringLiteral("Test: \"/tmp/ä b.vob\""));
        expected += QStringLiteral("Test: \"/tmp/ä b.vob\"").toLocal8Bit() + '\n';
        // Past the end of the first block, so lines come from two blocks.
        const int packs = TLogStore::BlockLines + 3;
        for (int i = 0; i < packs; ++i) {
            const PackLine l = pack(i, i % 300 - 150, 2, PackKind::Vid, i % 7 == 0);
            store.appendPack(l);
            expected += referenceLine(l).toLatin1() + '\n';
        }
        store.appendText(QString());
        expected += '\n';
        QCOMPARE(store.lineCount(), packs + 2);

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(store.write(out));
        QCOMPARE(out.data(), expected);

        const int b = TLogStore::BlockLines;
        QCOMPARE(store.text(b, b + 1), store.line(b) + QLatin1Char('\n') + store.line(b + 1));
        QCOMPARE(store.line(b + 1), referenceLine(pack(b, b % 300 - 150, 2, PackKind::Vid)));
        QCOMPARE(store.text(packs + 1, packs + 5), QString());
        QVERIFY(store.redStart(b + 1) < 0);
        QVERIFY(store.redStart(7 + 1) > 0);
    }

    void emptyLogAndClear()
    {
        TLogStore store;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(store.write(out));
        // As the editor saved an empty log: its one empty line.
        QCOMPARE(out.data(), QByteArray("\n"));

        store.appendText(QStringLiteral("a"));
        store.appendPack(pack(1, 2));
        store.clear();
        QVERIFY(store.isEmpty());
        QCOMPARE(store.text(0, 10), QString());
        store.appendText(QStringLiteral("b"));
        QCOMPARE(store.line(0), QStringLiteral("b"));
        QCOMPARE(store.lineCount(), 1);
    }

    void refusedWriteIsReported()
    {
        TLogStore store;
        store.appendText(QStringLiteral("a"));
        QBuffer closed;
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): device not open");
        QVERIFY(!store.write(closed));
    }
};

QTEST_GUILESS_MAIN(TestLogStore)
#include "tst_logstore.moc"
