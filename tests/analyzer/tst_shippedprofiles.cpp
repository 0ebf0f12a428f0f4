// The profile file that ships beside the program: every profile in it loads, reads inside a pack,
// is written exactly as the page itself would write it, and finds what its name promises in a
// stream laid out like a DVD's.

#include "analyzer/analyzepage.h"
#include "analyzer/packwalk.h"
#include "analyzer/profiles.h"
#include "ui/fileedit.h"
#include "ui/program.h"
#include "support/scripteddialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

namespace {

QByteArray shippedBytes()
{
    QFile f(QStringLiteral(KINBOX_DATA_DIR "/analyzeVOB.ini"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A pack with the pack header of a DVD (mux rate 10.08 Mbit/s) and `code` at bytes 14 to 17.
QByteArray dvdPack(quint32 code, const QList<QPair<int, quint8>> &bytes = {})
{
    QByteArray p(VobPackSize, '\0');
    const quint8 head[] = {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8};
    for (int i = 0; i < 14; ++i)
        p[i] = char(head[i]);
    for (int i = 0; i < 4; ++i)
        p[14 + i] = char(code >> (24 - 8 * i));
    for (const auto &b : bytes)
        p[b.first] = char(b.second);
    return p;
}

QStringList redTexts(const TAnalyzeVOBFrame &page)
{
    QStringList red;
    for (qint64 i = 0; i < page.log().lineCount(); ++i) {
        if (page.log().redStart(i) >= 0)
            red << page.log().line(i).mid(page.log().redStart(i));
    }
    return red;
}

} // namespace

class TestShippedProfiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Runs the named shipped profile over `stream` and returns the analysed lines.
    QStringList run(TAnalyzeVOBFrame &page, const QString &profile, const QByteArray &stream)
    {
        const QString source = m_dir.filePath(QStringLiteral("stream.vob"));
        if (!writeFile(source, stream))
            return {};
        const int index = page.ed_profile->findText(profile);
        if (index < 0)
            return {QStringLiteral("no profile ") + profile};
        page.ed_profile->setCurrentIndex(index);
        page.ed_profileChange();
        page.btn_ClearLogClick();
        page.ed_source->setText(source);
        page.btn_research->click();
        QStringList lines = page.output->toPlainText().split(QLatin1Char('\n'));
        return lines.mid(1, lines.size() - 2);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("analyzeVOB.ini")), shippedBytes()));
        ProgramFolder::setPath(m_dir.path());
    }
    void cleanup() { ProgramFolder::setPath(QString()); }

    void everyProfileIsSound()
    {
        const TVobProfileFile file(m_dir.path());
        const QStringList names = file.SectionNames();
        QVERIFY(names.size() >= 10);
        for (const QString &name : names) {
            TVobProfile p;
            try {
                file.LoadProfile(name, p);
            } catch (const EConvertError &e) {
                QFAIL(qPrintable(name + QStringLiteral(": ") + QString::fromUtf8(e.what())));
            }
            QVERIFY2(TVobProfileFile::ValidProfileName(name), qPrintable(name));
            // The width is stated, not left to the fallback.
            QVERIFY2(WidthOfType(p.type) == p.type, qPrintable(name));
            const qint32 base = ParseHex(p.offset);
            const qint32 bytePos = p.offsetInc.isEmpty() ? -1 : ParseHex(p.offsetInc);
            QVERIFY2(base >= 0, qPrintable(name));
            QVERIFY2(base + p.type / 8 + (bytePos >= 0 ? 255 : 0) <= VobPackSize, qPrintable(name));
            QVERIFY2(bytePos < VobPackSize, qPrintable(name));
            QVERIFY2(p.nav || p.aud || p.vid, qPrintable(name));
            QVERIFY2(!p.diffs || p.isSigned, qPrintable(name));
            if (p.range) {
                QVERIFY2(!p.range0.isEmpty() && !p.range1.isEmpty(), qPrintable(name));
                QVERIFY2(ParseHex(p.range0) <= ParseHex(p.range1), qPrintable(name));
            }
        }
    }

    void writtenAsThePageWritesIt()
    {
        // Saving every shipped profile in order into an empty file gives the shipped bytes, so a
        // profile the user saves later leaves the others exactly as they were.
        QTemporaryDir fresh;
        const TVobProfileFile shipped(m_dir.path());
        const TVobProfileFile rewritten(fresh.path());
        for (const QString &name : shipped.SectionNames()) {
            TVobProfile p;
            shipped.LoadProfile(name, p);
            QVERIFY(rewritten.SaveProfile(name, p));
        }
        QCOMPARE(readFile(rewritten.fileName()), shippedBytes());

        TVobProfile mine;
        mine.offset = QStringLiteral("2C");
        QVERIFY(shipped.SaveProfile(QStringLiteral("mine"), mine));
        const QByteArray after = readFile(shipped.fileName());
        QVERIFY(after.startsWith(shippedBytes()));
        QVERIFY(after.endsWith("[mine]\r\noffset=2C\r\noffsetInc=\r\ntype=1\r\np_nav=-1\r\np_aud=-1\r\n"
                               "p_vid=-1\r\nrange0=\r\nrange1=\r\nrange=-1\r\nsigned=0\r\ndiffs=0\r\n"));
    }

    void pageStartsWithTheShippedList()
    {
        ScriptedDialogs dialogs;
        TAnalyzeVOBFrame page;
        page.FrameCreate();
        const QStringList names = TVobProfileFile(m_dir.path()).SectionNames();
        QCOMPARE(page.ed_profile->count(), names.size());
        QCOMPARE(page.ed_profile->currentText(), names.last());
        QVERIFY(dialogs.shown().isEmpty());
    }

    void profilesFindWhatTheyName()
    {
        ScriptedDialogs dialogs;
        TAnalyzeVOBFrame page;
        page.FrameCreate();

        // Navigation pack numbers at 0x40B, a video and an audio pack in between.
        QByteArray stream = dvdPack(0x1BB, {{0x40E, 0x07}});
        stream += dvdPack(0x1E0);
        stream += dvdPack(0x1BD);
        stream += dvdPack(0x1BB, {{0x40D, 0x01}, {0x40E, 0x2A}});
        QCOMPARE(run(page, QStringLiteral("Nav: pack number (DSI nv_pck_lbn)"), stream),
                 (QStringList{QStringLiteral(" pack: 000000 \tvalue @ 40B ==        7"),
                              QStringLiteral(" pack: 000003 \tvalue @ 40B ==      12A")}));
        QCOMPARE(run(page, QStringLiteral("Nav: packs between nav packs (DSI nv_pck_lbn, differences)"), stream)
                     .last(),
                 QStringLiteral(" pack: 000003 \tvalue @ 40B ==      123"));

        // Every kind, labelled; a pack with another mux rate is marked.
        QByteArray mux = dvdPack(0x1BB) + dvdPack(0x1BD, {{12, 0xC4}});
        QCOMPARE(run(page, QStringLiteral("Pack header: mux rate 10.08 Mbit/s (red = other)"), mux),
                 (QStringList{QStringLiteral(" pack: 000000 [nav]  \tvalue @ A ==  189C3F8"),
                              QStringLiteral(" pack: 000001 [aud]  \tvalue @ A ==  189C4F8")}));
        QCOMPARE(redTexts(page), QStringList{QStringLiteral(" 189C4F8")});

        // The substream id follows the PES header, whose length is at byte 22.
        QByteArray audio = dvdPack(0x1BD, {{22, 5}, {28, 0x80}}) + dvdPack(0x1BD, {{22, 0}, {23, 0x21}});
        QCOMPARE(run(page, QStringLiteral("Audio: substream id (red = not AC-3)"), audio),
                 (QStringList{QStringLiteral(" pack: 000000 \tvalue @ 1C == 80"),
                              QStringLiteral(" pack: 000001 \tvalue @ 17 == 21")}));
        QCOMPARE(redTexts(page), QStringList{QStringLiteral("21")});

        const QStringList ids = run(page, QStringLiteral("Stream id at byte 17 (every pack)"), stream);
        QCOMPARE(ids.size(), 4);
        QVERIFY(ids.at(1).endsWith(QStringLiteral("[vid]  \tvalue @ 11 == E0")));
        QVERIFY(dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(TestShippedProfiles)
#include "tst_shippedprofiles.moc"
