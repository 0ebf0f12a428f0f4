// Processor identification: the clock snapping, the tables, and the label on this machine.

#include "monitor/cpu.h"
#include "monitortestutil.h"

#include <QFile>
#include <QTest>

using namespace kbx;


class TestCpu : public QObject
{
    Q_OBJECT
private slots:
    void snapping_data();
    void snapping();
    void nameTable();
    void makers();
    void cacheDescriptors();
    void identifyOldProcessor();
    void identifyCurrentProcessor();
    void failingSubObject();
    void thisMachine();
};

void TestCpu::snapping_data()
{
    QTest::addColumn<int>("measured");
    QTest::addColumn<int>("snapped");
    QTest::newRow("1466") << 1466 << 1466;
    QTest::newRow("1497") << 1497 << 1500;
    QTest::newRow("799") << 799 << 800;
    QTest::newRow("1000") << 1000 << 1000;
    QTest::newRow("610 tie goes up") << 610 << 620;
    QTest::newRow("732") << 732 << 733;
    QTest::newRow("745") << 745 << 750;
    QTest::newRow("0") << 0 << 0;
}

void TestCpu::snapping()
{
    QFETCH(int, measured);
    QFETCH(int, snapped);
    QCOMPARE(SnapFrequency(measured), snapped);
}

void TestCpu::nameTable()
{
    auto name = [](int maker, int family, int model, int mhz = 500, int l2 = 256, int type = 0, int brand = 0) {
        return LookupCPUName(maker, family, model, mhz, l2, type, brand).name;
    };
    // Intel family 6 model 5 without level-2 cache is a Celeron; with a big one, a Xeon.
    QCOMPARE(name(1, 6, 5, 300, 0), QString("Celeron"));
    QCOMPARE(name(1, 6, 5, 300, 1024), QString("Pentium II Xeon"));
    QCOMPARE(name(1, 6, 5, 300, 512), QString("Pentium II"));
    QCOMPARE(name(1, 6, 3, 300, 512, 1), QString("Pentium II OverDrive"));
    QCOMPARE(LookupCPUName(1, 6, 3, 300, 333, 0, 0).codeName, QString("P6T (0.25 µm)"));
    QCOMPARE(name(1, 6, 7, 500, 512), QString("Pentium III"));
    QCOMPARE(name(1, 6, 6, 500, 128), QString("Celeron A"));
    QCOMPARE(name(1, 8, 1, 500, 2048, 0, 4), QString("Pentium IV"));
    QCOMPARE(name(1, 8, 1, 500, 2048, 0, 2), QString("Pentium III Xeon"));
    QCOMPARE(name(1, 15, 2), QString("Pentium IV"));
    const TCPUName coppermine = LookupCPUName(1, 6, 8, 733, 256, 0, 0);
    QCOMPARE(coppermine.codeName, QString("Coppermine (0.18 µm)"));
    QCOMPARE(coppermine.transistors, 28100000);
    QCOMPARE(LookupCPUName(1, 5, 4, 200, 0, 0, 0).codeName, QString("P55C (0,28µm)"));
    QCOMPARE(name(2, 6, 4), QString("Athlon"));
    QCOMPARE(name(2, 5, 13), QString("K6-II+/K6-III+"));
    // Cyrix family 4 model 0 goes by the clock.
    QCOMPARE(name(3, 4, 0, 66), QString("Cx486SLC/DLC"));
    QCOMPARE(name(3, 4, 0, 50), QString("Cx486S"));
    QCOMPARE(name(3, 4, 0, 100), QString("Cx486DX/DX2/DX4"));
    QCOMPARE(name(3, 6, 0, 224), QString("6x86MX (PR166-266)"));
    QCOMPARE(name(3, 6, 0, 225), QString("M-II (PR300-433)"));
    QCOMPARE(name(4, 5, 8), QString("WinChip 2x"));
    QCOMPARE(name(5, 5, 6), QString("Nx686"));
    QCOMPARE(name(6, 4, 3), QString("U486DX2"));
    const TCPUName umc = LookupCPUName(6, 4, 7, 0, 0, 0, 0);
    QVERIFY(umc.name.isEmpty());
    QCOMPARE(umc.codeName, QString("U5D and U5S"));
    QCOMPARE(name(7, 5, 2), QString("mP6"));
    // No row: nothing.
    QVERIFY(name(1, 6, 2 + 1000).isEmpty());
    QVERIFY(name(2, 7, 0).isEmpty());
    QVERIFY(name(0, 6, 8).isEmpty());
}

void TestCpu::makers()
{
    QString shortName, fullName;
    QCOMPARE(MakerIndex("GenuineIntel", &shortName, &fullName), 1);
    QCOMPARE(shortName, QString("Intel"));
    QCOMPARE(MakerIndex("UMC UMC UMC ", &shortName, &fullName), 6);
    QCOMPARE(fullName, QString("United Microelectronics Corp"));
    QCOMPARE(MakerIndex("UMC UMC UMC", &shortName), 0);
    QCOMPARE(MakerIndex("RiseRiseRise", &shortName), 7);
    QCOMPARE(MakerIndex("HygonGenuine", &shortName, &fullName), 0);
    QVERIFY(shortName.isEmpty() && fullName.isEmpty());
}

void TestCpu::cacheDescriptors()
{
    FakeCpuFacts facts;
    // One run; a later level-2 descriptor overrides an earlier one.
    facts.leaves[2] = {0x43'0A'08'01, 0x00'00'00'82, 0, 0x00'80'00'00};
    TCPUCache cache;
    cache.GetInfo(1);
    QCOMPARE(cache.Level2, 256);
    QCOMPARE(cache.L1Data, 8);
    QCOMPARE(cache.L1Code, 16);
    QCOMPARE(cache.Level1, 16);

    facts.leaves[0x80000005] = {0, 0, 0x40'02'02'80, 0x20'02'02'40};
    cache.GetInfo(2);
    QCOMPARE(cache.L1Data, 64);
    QCOMPARE(cache.L1Code, 32);
    QCOMPARE(cache.Level1, 96);
    QCOMPARE(cache.Level2, 0);
    cache.GetInfo(3);
    QCOMPARE(cache.Level1, 16);
    QCOMPARE(cache.L1Data, 0);
    cache.GetInfo(4);
    QCOMPARE(cache.Level1, 0);
}

void TestCpu::identifyOldProcessor()
{
    FakeCpuFacts facts;
    facts.setVendor("GenuineIntel");
    facts.setSignature(6, 8);
    facts.leaves[1].edx = 1u << 18 | 1u << 4 | 1u;
    facts.leaves[3] = {0, 0, 0x89ABCDEF, 0x01234567};
    facts.leaves[2] = {0x00'00'82'01, 0, 0, 0};
    TCPU cpu;
    cpu.Identify();
    QCOMPARE(cpu.Frequency, 733);
    QCOMPARE(cpu.VendorString, QString("GenuineIntel"));
    QCOMPARE(cpu.Family, 6);
    QCOMPARE(cpu.Model, 8);
    QCOMPARE(cpu.Stepping, 3);
    QVERIFY(cpu.Features->TSC && cpu.Features->FPU && !cpu.Features->MMX);
    QCOMPARE(cpu.SerialNumber, QString("0000-0683-0123-4567-89AB-CDEF"));
    QVERIFY(!cpu.FDIVBug);
    QCOMPARE(cpu.LabelText(), QString("Intel Pentium III E 733"));

    // An unknown maker and a model without a row, on a processor too old to name itself.
    facts.setVendor("SiSSiSSiSSiS");
    facts.mhz = 100;
    cpu.Identify();
    QCOMPARE(cpu.LabelText(), QString("  100"));

    // No counter: no frequency.
    facts.frequency = 0;
    cpu.Identify();
    QCOMPARE(cpu.Frequency, 0);
}

void TestCpu::identifyCurrentProcessor()
{
    FakeCpuFacts facts;
    facts.setVendor("GenuineIntel");
    // Family 6, model 5 with an extended model: the table would call it a Celeron.
    facts.setSignature(6, 5, 9);
    facts.setBrand("      Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz");
    facts.mhz = 2899;
    TCPU cpu;
    cpu.Identify();
    QCOMPARE(cpu.VendorID, QString("Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz"));
    QVERIFY(cpu.CodeName.isEmpty());
    QCOMPARE(cpu.LabelText(), QString("Intel Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz 2900"));

    facts.setVendor("AuthenticAMD");
    facts.leaves[1].eax = 0x00A20F12;  // family 15 with extended family
    facts.setBrand("AMD Ryzen 5 5600X 6-Core Processor");
    cpu.Identify();
    QCOMPARE(cpu.LabelText().left(39), QString("AMD AMD Ryzen 5 5600X 6-Core Processor "));
}

void TestCpu::failingSubObject()
{
    FakeCpuFacts facts;
    facts.setVendor("GenuineIntel");
    facts.setSignature(6, 8);
    facts.failingLeaf = 2;
    TCPU cpu;
    QCOMPARE(cpu.ExceptionMode, emMessage);
    QStringList messages;
    cpu.ShowMessage = [&messages](const QString &text) { messages << text; };
    cpu.Identify();
    QCOMPARE(messages, QStringList{"TCPUCache.GetInfo: no answer"});
    // The identification went on after the message.
    QCOMPARE(cpu.VendorID, QString("Pentium III E"));

    cpu.ExceptionMode = emSilent;
    cpu.Identify();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(cpu.VendorID, QString("Pentium III E"));

    cpu.ExceptionMode = emRaise;
    try {
        cpu.Identify();
        QFAIL("no error raised");
    } catch (const std::exception &error) {
        QCOMPARE(QString(error.what()), QString("TCPUCache.GetInfo: no answer"));
    }
}

void TestCpu::thisMachine()
{
    QFile cpuinfo("/proc/cpuinfo");
    if (!cpuinfo.open(QIODevice::ReadOnly))
        QSKIP("no /proc/cpuinfo");
    double reported = 0;
    QString vendor;
    for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        if (parts.size() < 2)
            continue;
        if (reported == 0 && parts.at(0).trimmed() == "cpu MHz")
            reported = parts.at(1).trimmed().toDouble();
        if (vendor.isEmpty() && parts.at(0).trimmed() == "vendor_id")
            vendor = QString::fromLatin1(parts.at(1).trimmed());
    }
    if (reported == 0 || vendor.isEmpty())
        QSKIP("this processor reports no clock or maker");
    TCPU cpu;
    cpu.Identify();
    qInfo("%s (system: %s, %.0f MHz)", qPrintable(cpu.LabelText()), qPrintable(cpu.RegistryIdentifier), reported);
    QCOMPARE(cpu.VendorString, vendor);
    QVERIFY(!cpu.VendorName.isEmpty());
    // A hypervisor may give /proc/cpuinfo another model name than the processor's own brand string.
    QVERIFY(!cpu.VendorID.isEmpty());
    if (cpu.VendorID != cpu.RegistryIdentifier.simplified())
        qInfo("brand string and system model name differ (a virtual processor)");
    QVERIFY2(qAbs(cpu.Frequency - reported) <= reported / 10, qPrintable(QString::number(cpu.Frequency)));
    QVERIFY(cpu.LabelText().startsWith(cpu.VendorName + ' ' + cpu.VendorID + ' '));
}

QTEST_GUILESS_MAIN(TestCpu)
#include "tst_cpu.moc"
