#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "dvd/titleinfo.h"
#include "dvdfixtures.h"

#include <vector>

using namespace kbx;
using namespace dvdtest;

namespace {

// Packs 2 to 7 are never looked at; fill them with video so the stream packs start at 8.
QByteArray Title(const QByteArray &pack0, const QByteArray &pack1, const QList<QByteArray> &streamPacks = {})
{
    QByteArray data = pack0 + pack1;
    for (int i = 2; i < 8; ++i)
        data += StreamPack(0xC5);
    for (const QByteArray &pack : streamPacks)
        data += pack;
    return data;
}

TitleInfo Walk(const QByteArray &data, int regionByte = 1, qint64 packSize = 2048, uint8_t kind = MpegDvd)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("VTS_01_1.VOB");
    if (!WriteFile(file, data))
        return {};
    return ShowTitleInfo({file, packSize, kind, regionByte});
}

} // namespace

class TestTitleInfo : public QObject
{
    Q_OBJECT

private slots:
    void regionByte()
    {
        QTemporaryDir dir;
        const QString ifo = dir.filePath("VIDEO_TS.IFO");
        QByteArray data(36, '\0');
        data[35] = char(254);
        QVERIFY(WriteFile(ifo, data));
        QCOMPARE(ReadRegionByte(ifo), 254);
        QCOMPARE(ReadRegionByte(ifo, false), 1);
        QVERIFY(WriteFile(ifo, data.left(35)));
        QCOMPARE(ReadRegionByte(ifo), 1);
        QCOMPARE(ReadRegionByte(dir.filePath("missing.ifo")), 1);
        QCOMPARE(ReadRegionByte(QString()), 1);
    }

    void regionTexts_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("region");
        QTest::addColumn<QString>("text");
        QTest::newRow("254") << 254 << 128 << "Code 1 (USA/Canada)";
        QTest::newRow("253") << 253 << 64 << "Code 2 (Europe)";
        QTest::newRow("251") << 251 << 32 << "Code 3 (India)";
        QTest::newRow("247") << 247 << 16 << "Code 4 (Australia)";
        QTest::newRow("239") << 239 << 8 << "Code 5 (Africa)";
        QTest::newRow("223") << 223 << 4 << "Code 6 (China)";
        QTest::newRow("191") << 191 << 2 << "invalid";
        QTest::newRow("192") << 192 << 252 << "1 2 3 4 5 6 ";
        QTest::newRow("255") << 255 << 0 << "region free";
        QTest::newRow("region 8 ignored") << 127 << 0 << "region free";
        QTest::newRow("1 and 3") << 250 << 160 << "1 3 ";
    }
    void regionTexts()
    {
        QFETCH(int, byte);
        QFETCH(int, region);
        QFETCH(QString, text);
        QCOMPARE(RegionFromByte(byte), region);
        QCOMPARE(RegionText(region), text);
    }

    void otherTexts()
    {
        QCOMPARE(RegionText(3), QStringLiteral("invalid"));
        const auto translate = [](const char *text) { return QStringLiteral("[%1]").arg(text); };
        QCOMPARE(RegionText(64, translate), QStringLiteral("Code 2 ([Europe])"));
        QCOMPARE(AspectText(1), QStringLiteral("1:1"));
        QCOMPARE(AspectText(2), QStringLiteral("4:3"));
        QCOMPARE(AspectText(3), QStringLiteral("16:9"));
        QCOMPARE(AspectText(4), QStringLiteral("2.21:1"));
        QCOMPARE(AspectText(0), QString());
        QCOMPARE(AspectText(5), QString());
        QCOMPARE(FrameRateText(1), QStringLiteral("23.976 fps"));
        QCOMPARE(FrameRateText(2, translate), QStringLiteral("24 fps, [Cinema]"));
        QCOMPARE(FrameRateText(4), QStringLiteral("29.97 fps, NTSC"));
        QCOMPARE(FrameRateText(8), QStringLiteral("60 fps"));
        QCOMPARE(FrameRateText(0), QStringLiteral("?"));
        QCOMPARE(FrameRateText(9), QStringLiteral("?"));
        QCOMPARE(FrameRateText(15), QStringLiteral("?"));
    }

    void palWidescreen()
    {
        const TitleInfo info = Walk(Title(NavPack(), VideoPack(720, 576, 3, 3)), 254);
        QVERIFY(!info.readFailed);
        QVERIFY(info.sequenceHeaderFound);
        QCOMPARE(info.width, 720);
        QCOMPARE(info.height, 576);
        QCOMPARE(*info.widthText, QStringLiteral("720"));
        QCOMPARE(*info.heightText, QStringLiteral("576"));
        QCOMPARE(*info.aspectText, QStringLiteral("16:9, 25 fps, PAL"));
        QCOMPARE(*info.regionText, QStringLiteral("Code 1 (USA/Canada)"));
        QCOMPARE(*info.macrovision, false);
        QCOMPARE(*info.css, false);
        QCOMPARE(int(info.mpegKind), int(MpegDvd));
        QCOMPARE(info.packsRead, 8);
    }

    void movedSequenceHeader_data()
    {
        QTest::addColumn<QByteArray>("pack1");
        // One byte of PES stuffing more than usual: the header starts at 37.
        QTest::newRow("at 37") << VideoPack(720, 480, 2, 4, 14);
        QTest::newRow("at 60") << VideoPack(720, 480, 2, 4, 37);
        // Pack header stuffing moves the packet itself.
        QTest::newRow("pack stuffing")
            << Pack(PackHeader(3) + Pes(0xE0, QByteArray(13, char(0xFF)), SequenceHeader(720, 480, 2, 4), 0x81, 0xC0));
        // No video packet where the pack header ends: the first header in the pack is taken.
        QTest::newRow("searched")
            << Pack(PackHeader() + Pes(0xBE, QByteArray(), QByteArray(80, char(0xFF))) + SequenceHeader(720, 480, 2, 4));
    }
    void movedSequenceHeader()
    {
        QFETCH(QByteArray, pack1);
        const TitleInfo info = Walk(Title(NavPack(), pack1));
        QVERIFY(info.sequenceHeaderFound);
        QCOMPARE(info.width, 720);
        QCOMPARE(info.height, 480);
        QCOMPARE(*info.aspectText, QStringLiteral("4:3, 29.97 fps, NTSC"));
        QCOMPARE(int(info.mpegKind), int(MpegDvd));
    }

    void noSequenceHeader()
    {
        const TitleInfo info = Walk(Title(NavPack(), StreamPack(0xE0)));
        QVERIFY(!info.readFailed);
        QVERIFY(!info.sequenceHeaderFound);
        QCOMPARE(*info.widthText, QStringLiteral("0"));
        QCOMPARE(*info.aspectText, QStringLiteral(", ?"));
        QCOMPARE(int(info.mpegKind), int(MpegDvd));
    }

    void mpeg1_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("mpeg1");
        QTest::newRow("352x240") << 352 << 240 << false;
        QTest::newRow("352x242") << 352 << 242 << true;
        QTest::newRow("360x240") << 360 << 240 << true;
    }
    void mpeg1()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, mpeg1);
        const TitleInfo info = Walk(Title(NavPack(0x40), VideoPack(width, height, 2, 3, 13, 0x91)), 254);
        QCOMPARE(info.width, width);
        QCOMPARE(info.height, height);
        if (mpeg1) {
            QCOMPARE(int(info.mpegKind), int(MpegOne));
            QCOMPARE(*info.regionText, QStringLiteral("not applicable"));
            QCOMPARE(*info.aspectText, QStringLiteral("MPEG1 stream"));
            QCOMPARE(*info.css, false);
            QCOMPARE(*info.macrovision, false);
            QCOMPARE(*info.widthText, QString());
            QCOMPARE(*info.heightText, QString());
        } else {
            QCOMPARE(int(info.mpegKind), int(MpegDvd));
            QCOMPARE(*info.widthText, QString::number(width));
            QCOMPARE(*info.css, true);
            QCOMPARE(*info.macrovision, true);
            QCOMPARE(*info.aspectText, QStringLiteral("4:3, 25 fps, PAL"));
        }
        // A kind of 3 left by an earlier title stays until the next probe.
        const TitleInfo again = Walk(Title(NavPack(), VideoPack(720, 576, 3, 3)), 1, 2048, MpegOne);
        QCOMPARE(*again.aspectText, QStringLiteral("MPEG1 stream"));
    }

    void regionFallback_data()
    {
        QTest::addColumn<int>("regionByte");
        QTest::addColumn<int>("protection");
        QTest::addColumn<QString>("region");
        QTest::addColumn<bool>("macrovision");
        QTest::newRow("ifo 192") << 192 << 0 << "1 2 3 4 5 6 " << false;
        QTest::newRow("ifo 255, marked") << 255 << 0x40 << "region free" << true;
        QTest::newRow("ifo 0, vob 0") << 0 << 0 << "region free" << false;
        QTest::newRow("ifo 0, vob 64") << 0 << 64 << "Code 2 (Europe)" << true;
        QTest::newRow("no ifo, vob 0") << 1 << 0 << "region free" << false;
        QTest::newRow("unknown") << 1 << 1 << QString() << false;
    }
    void regionFallback()
    {
        QFETCH(int, regionByte);
        QFETCH(int, protection);
        QFETCH(QString, region);
        QFETCH(bool, macrovision);
        const TitleInfo info = Walk(Title(NavPack(protection), VideoPack(720, 576, 3, 3)), regionByte);
        QCOMPARE(int(info.protectionByte), protection);
        if (region.isNull()) {
            // Region 1 means "not known": the page keeps what it showed.
            QVERIFY(!info.regionText.has_value());
            QVERIFY(!info.macrovision.has_value());
        } else {
            QCOMPARE(*info.regionText, region);
            QCOMPARE(*info.macrovision, macrovision);
        }
    }

    void protectionOnlyFromNavigationPacks()
    {
        // Byte 49 set, but pack 0 holds padding instead of a presentation-control packet.
        QByteArray padding = Pack(PackHeader() + Bytes({0x00, 0x00, 0x01, 0xBE, 0x07, 0xEE}));
        padding[49] = char(0xFF);
        // A private stream 2 packet of the search sub-stream (1) is no presentation control either.
        QByteArray search = NavPack(0x40);
        search[44] = 0x01;
        for (const QByteArray &pack0 : {padding, search}) {
            const TitleInfo info = Walk(Title(pack0, VideoPack(720, 576, 3, 3)));
            QCOMPARE(int(info.protectionByte), 0);
            QCOMPARE(*info.regionText, QStringLiteral("not applicable"));
            QCOMPARE(*info.macrovision, false);
            // The disc's own region byte still counts.
            QCOMPARE(*Walk(Title(pack0, VideoPack(720, 576, 3, 3)), 254).regionText,
                     QStringLiteral("Code 1 (USA/Canada)"));
        }
        // The scrambling bits of an MPEG-1 packet header (flags 0x31 here) are no CSS mark.
        const QByteArray mpeg1 = VideoPack(720, 576, 3, 3, 13, 0x31);
        QCOMPARE(*Walk(Title(NavPack(), mpeg1)).css, false);
        QCOMPARE(*Walk(Title(NavPack(), VideoPack(720, 576, 3, 3, 13, 0x91))).css, true);
        // An MPEG-1 pack header makes the title an MPEG-1 stream whatever its picture size.
        QByteArray mpeg1Pack = NavPack();
        mpeg1Pack[4] = char(0x21);
        QCOMPARE(int(Walk(Title(mpeg1Pack, VideoPack(352, 288, 1, 3))).mpegKind), int(MpegOne));
    }

    void streams()
    {
        QList<QByteArray> packs;
        packs << StreamPack(0xE0) << StreamPack(0xBD, 0x81) << StreamPack(0xBD, 0x80) << StreamPack(0xBD, 0x81)
              << StreamPack(0xBD, 0xA0) << StreamPack(0xBD, 0x20) << StreamPack(0xC0) << StreamPack(0xBE)
              << StreamPack(0xC8) << StreamPack(0xBD, 0xA8) << NavPack();
        while (packs.size() < 120)   // up to pack 127
            packs << StreamPack(0xE0);
        packs << StreamPack(0xC1);     // pack 128, the last one read
        packs << StreamPack(0xC2);     // pack 129 is never read
        const TitleInfo info = Walk(Title(NavPack(), VideoPack(720, 576, 3, 3), packs));
        QCOMPARE(info.streams, QStringList({"80 (Audiostream)", "81 (Audiostream)", "A0 (Audiostream)",
                                            "C0 (Audiostream)", "C1 (Audiostream)", "E0 (Videostream)"}));
        QCOMPARE(info.packsRead, 129);
        // Packs 2 to 7 are not looked at (they carry C5 here).
        QVERIFY(!info.streams.contains("C5 (Audiostream)"));
        // Only what the title holds: a title ending after pack 9.
        const TitleInfo shortTitle = Walk(Title(NavPack(), VideoPack(720, 576, 3, 3), {StreamPack(0xBD, 0x88),
                                                                                         StreamPack(0xE0)}));
        QCOMPARE(shortTitle.streams, QStringList({"88 (Audiostream)", "E0 (Videostream)"}));
    }

    void svcdPacks()
    {
        const QByteArray data = NavPack(0, 2324) + VideoPack(480, 576, 2, 3, 13, 0x81, 2324);
        const TitleInfo info = Walk(data + StreamPack(0xE0, -1, 2324), 1, 2324, MpegSvcd);
        QCOMPARE(info.width, 480);
        QCOMPARE(info.height, 576);
        QVERIFY(!info.readFailed);
    }

    void unreadable()
    {
        const QByteArray good = Title(NavPack(), VideoPack(720, 576, 3, 3));
        QVERIFY(Walk(QByteArray()).readFailed);
        QVERIFY(Walk(good.left(2047)).readFailed);                     // the first pack is short
        QVERIFY(Walk(Pack(Pes(0xE0, {}, {})) + good).readFailed);       // no pack header first
        QVERIFY(Walk(good, 1, 0).readFailed);                          // nothing to read
        QVERIFY(Walk(good, 1, 4097).readFailed);                       // larger than any pack
        QVERIFY(ShowTitleInfo({"/nonexistent/VTS_01_1.VOB", 2048, MpegDvd, 1}).readFailed);
        // A title failing to read leaves the other fields to the page.
        const TitleInfo failed = Walk(QByteArray(), 254);
        QVERIFY(!failed.regionText.has_value());
        QVERIFY(!failed.aspectText.has_value());

        // Pack 0 alone, or pack 1 cut short: read, without a picture.
        for (const QByteArray &data : {good.left(2048), good.left(2048 + 100)}) {
            const TitleInfo info = Walk(data, 254);
            QVERIFY(!info.readFailed);
            QVERIFY(!info.css.has_value());
            QCOMPARE(*info.widthText, QStringLiteral("0"));
            QCOMPARE(*info.regionText, QStringLiteral("Code 1 (USA/Canada)"));
        }
        // Small packs hold no protection byte and no whole sequence header.
        const TitleInfo tiny = Walk(good, 1, 40);
        QVERIFY(!tiny.readFailed);
        QCOMPARE(int(tiny.protectionByte), 0);
        QVERIFY(!tiny.sequenceHeaderFound);
    }

    void packBoundaries()
    {
        // Every cut of a pack is examined within its own bytes (the sanitizers see any overread).
        const QList<QByteArray> packs = {NavPack(0x40), VideoPack(720, 576, 3, 3, 14), StreamPack(0xBD, 0x80),
                                         Pack(PackHeader(7) + Bytes({0, 0, 1, 0xBB, 0xFF, 0xFF}))};
        for (const QByteArray &pack : packs) {
            for (int length = 0; length <= pack.size(); ++length) {
                const std::vector<uint8_t> bytes(pack.begin(), pack.begin() + length);
                for (int index : {0, 1, 8}) {
                    TitlePackWalk walk({}, DvdSourceText);
                    walk.addPack(index, bytes.data(), int64_t(bytes.size()));
                    walk.finish(false);
                }
            }
        }
        // Random packs, from a fixed seed.
        QRandomGenerator random(6);
        for (int round = 0; round < 2000; ++round) {
            std::vector<uint8_t> bytes(random.bounded(2049));
            for (uint8_t &b : bytes)
                b = uint8_t(random.bounded(256));
            if (bytes.size() > 40 && round % 2 == 0) {
                bytes[14] = 0;
                bytes[15] = 0;
                bytes[16] = 1;
            }
            TitlePackWalk walk({}, DvdSourceText);
            for (int index = 0; index <= 9; ++index)
                walk.addPack(index, bytes.data(), int64_t(bytes.size()));
            walk.finish(false);
        }
    }
};

QTEST_GUILESS_MAIN(TestTitleInfo)
#include "tst_titleinfo.moc"
