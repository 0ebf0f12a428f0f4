#include <QTest>
#include "engine/crc32.h"
class TestCrc32 : public QObject { Q_OBJECT private slots: void abc() { QCOMPARE(kbx::CrcUpdate(0, "abc", 3), 0xCA6598D0u); } };
QTEST_GUILESS_MAIN(TestCrc32)
#include "tst_crc32.moc"
