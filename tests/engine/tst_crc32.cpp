#include <QTest>

#include "engine/crc32.h"
#include "enginetestutil.h"

using namespace testutil;

class TestCrc32 : public QObject
{
    Q_OBJECT

private slots:
    void knownValues()
    {
        QCOMPARE(kbx::CrcUpdate(0, "abc", 3), 0xCA6598D0u);
        QCOMPARE(kbx::CrcUpdate(0, "", 0), 0u);
        // A register of 0 stays 0 over zero bytes: nothing inverts it.
        const QByteArray zeros(4096, '\0');
        QCOMPARE(kbx::CrcUpdate(0, zeros.constData(), size_t(zeros.size())), 0u);
        QCOMPARE(kbx::CrcUpdate(0x12345678u, "", 0), 0x12345678u);
    }

    // The fast routine must equal the bytewise table at every length and alignment, and when the
    // data arrives in pieces that cut anywhere (slot boundaries).
    void matchesTableAcrossChunks()
    {
        const QByteArray data = RandomBytes(70000, 7);
        for (int offset : {0, 1, 3, 7}) {
            for (int len : {0, 1, 15, 16, 17, 63, 64, 65, 255, 256, 4095, 4096, 65537}) {
                const QByteArray part = data.mid(offset, len);
                QCOMPARE(kbx::CrcUpdate(0xDEADBEEFu, part.constData(), size_t(part.size())),
                         TableCrc(0xDEADBEEFu, part));
            }
        }
        const uint32_t whole = TableCrc(0, data);
        for (int cut : {1, 4096, 33333, 69999}) {
            uint32_t r = kbx::CrcUpdate(0, data.constData(), size_t(cut));
            r = kbx::CrcUpdate(r, data.constData() + cut, size_t(data.size() - cut));
            QCOMPARE(r, whole);
        }
    }
};

QTEST_GUILESS_MAIN(TestCrc32)
#include "tst_crc32.moc"
