// The data files that ship beside the program: the German language file, the overview, the desktop
// entry, the icons and the documentation page. The test works on copies in its own folder, which it
// makes the program folder, so the language file is found the way the program finds it.

#include "ui/codepage.h"
#include "ui/program.h"
#include "ui/translator.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace kbx;

namespace {

const QStringList ShippedFiles = {
    QStringLiteral("deutsch.lng"),   QStringLiteral("file_id.diz"),
    QStringLiteral("org.fernhillcrew.Kinbox.desktop"),
    QStringLiteral("kinbox.svg"),    QStringLiteral("kinbox.png"),  QStringLiteral("kinbox_features.html"),
};

// The tab captions of the seven modules.
const QStringList ModuleTabs = {
    QStringLiteral("Backup"), QStringLiteral("Calc"),   QStringLiteral("Files"),   QStringLiteral("CPU"),
    QStringLiteral("Edit"),   QStringLiteral("Movies"), QStringLiteral("Analyze"),
};

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

} // namespace

class TestDataFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void languageFileLoadsFromProgramFolder();
    void languageFileIsWindows1252WithCrLf();
    void languageFileHasOnlyCommentsAndEntries();
    void keyCaptions_data();
    void keyCaptions();
    void umlautsDecode();
    void everyEntryTakesEffect();
    void translationsStayWhenTranslatedAgain();
    void jobTextsTranslatePhraseByPhrase_data();
    void jobTextsTranslatePhraseByPhrase();

    void overviewFitsItsWidth();
    void desktopEntryHasRequiredKeys();
    void iconsAreUsable();
    void documentationPageIsSelfContained();

private:
    QByteArray bytesOf(const QString &name) const;

    QTemporaryDir m_dir;
    TTranslator m_german;
};

void TestDataFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QDir source(QStringLiteral(KINBOX_DATA_DIR));
    for (const QString &name : ShippedFiles)
        QVERIFY2(QFile::copy(source.filePath(name), m_dir.filePath(name)), qPrintable(name));
    ProgramFolder::setPath(m_dir.path());
    QVERIFY(m_german.LoadFromFile(QStringLiteral("deutsch.lng")));
}

void TestDataFiles::cleanupTestCase()
{
    ProgramFolder::setPath(QString());
}

QByteArray TestDataFiles::bytesOf(const QString &name) const
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void TestDataFiles::languageFileLoadsFromProgramFolder()
{
    TTranslator translator;
    QVERIFY(translator.LoadFromFile(QStringLiteral("deutsch.lng")));
    QVERIFY(translator.IsLoaded());
    QVERIFY(translator.SourceTexts().size() > 150);
    QCOMPARE(translator.SourceTexts().size(), translator.Translations().size());
}

void TestDataFiles::languageFileIsWindows1252WithCrLf()
{
    const QByteArray bytes = bytesOf(QStringLiteral("deutsch.lng"));
    QVERIFY(!bytes.isEmpty());
    QVERIFY(bytes.endsWith("\r\n"));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '\n')
            QVERIFY2(i > 0 && bytes.at(i - 1) == '\r', qPrintable(QStringLiteral("bare LF at byte %1").arg(i)));
        if (bytes.at(i) == '\r')
            QVERIFY2(i + 1 < bytes.size() && bytes.at(i + 1) == '\n',
                     qPrintable(QStringLiteral("bare CR at byte %1").arg(i)));
    }
    // Single-byte umlauts ("ä" is 0xE4), not UTF-8, and none of the codes Windows-1252 leaves undefined.
    QVERIFY(bytes.contains(char(0xE4)));
    QVERIFY(!isUtf8(bytes));
    for (const unsigned char undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        QVERIFY(!bytes.contains(char(undefined)));
}

void TestDataFiles::languageFileHasOnlyCommentsAndEntries()
{
    const QString text = DecodeWindows1252(bytesOf(QStringLiteral("deutsch.lng")));
    int entries = 0;
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (int n = 0; n < lines.size(); ++n) {
        const QString &line = lines.at(n);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("line %1: %2").arg(n + 1).arg(line);
        const qsizetype p = line.indexOf(QStringLiteral("\"=\""));
        QVERIFY2(line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"')), qPrintable(where));
        QVERIFY2(p > 1, qPrintable(where));
        QVERIFY2(line.size() - p - 4 > 0, qPrintable(where + QStringLiteral(" (empty translation)")));
        QVERIFY2(!line.contains(QLatin1Char('\t')) && line.trimmed() == line, qPrintable(where));
        ++entries;
    }
    QCOMPARE(entries, int(m_german.SourceTexts().size()));
}

void TestDataFiles::keyCaptions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("german");
    QTest::newRow("tab") << "Files" << "Dateien";
    QTest::newRow("selector") << "File Processor 2.62" << "Dateiprozessor 2.62";
    QTest::newRow("function") << "Split file" << "Datei teilen";
    // A push button is looked up with its ampersand, the "start" label of the offsets without.
    QTest::newRow("start button") << "&Start" << "&Starten";
    QTest::newRow("stop button") << "S&top" << "&Stopp";
    QTest::newRow("offset label") << "start" << "Anfang";
    // Menu items lose their first ampersand before the lookup and take the translation's own.
    QTest::newRow("menu item") << "Configuration" << "&Einstellungen";
    QTest::newRow("tool-bar button") << "&Docs..." << "&Doku...";
    QTest::newRow("question") << "Are you sure you want to do that ?" << "Wollen Sie das wirklich tun?";
    QTest::newRow("close question") << "Kinbox is currently processing files !" << "Kinbox verarbeitet gerade Dateien!";
    QTest::newRow("literal ampersand")
        << "Required parameters for merge&split: input files, output file name with wildcards (?), part length"
        << "Benötigte Angaben zum Zusammenfügen und Teilen: Quelldateien, Zieldatei mit Platzhaltern (?), Länge der Teile";
    QTest::newRow("dialog title") << "Select destination file..." << "Zieldatei wählen...";
    QTest::newRow("not a word of its own") << "Restart" << "Restart";
}

void TestDataFiles::keyCaptions()
{
    QFETCH(QString, text);
    QFETCH(QString, german);
    QCOMPARE(m_german.Translate(text), german);
}

void TestDataFiles::umlautsDecode()
{
    QCOMPARE(m_german.Translate(QStringLiteral("Add files...")), QStringLiteral("Dateien hinzuf\u00fcgen..."));
    QCOMPARE(m_german.Translate(QStringLiteral("Volume Control")), QStringLiteral("Lautst\u00e4rkeregelung"));
    QVERIFY(m_german.Translate(QStringLiteral("right-click to activate popup menu")).contains(QChar(0xF6)));
    QVERIFY(m_german.Translate(QStringLiteral("Merge files and split them into parts of another size"))
                .contains(QChar(0xDF)));
    QCOMPARE(m_german.Translate(QStringLiteral("about Kinbox")), QStringLiteral("\u00dc&ber Kinbox"));
    for (const QString &translation : m_german.Translations()) {
        // Signs of a file saved as UTF-8 and read as Windows-1252.
        QVERIFY2(!translation.contains(QChar(0xC3)) && !translation.contains(QChar(0xFFFD)), qPrintable(translation));
    }
}

// Entries are matched in file order and also replace their text as a word inside longer texts, so an
// entry placed after a shorter one that it contains would never be reached.
void TestDataFiles::everyEntryTakesEffect()
{
    QStringList unreachable;
    QSet<QString> seen;
    for (qsizetype i = 0; i < m_german.SourceTexts().size(); ++i) {
        const QString source = m_german.SourceTexts().at(i);
        if (seen.contains(source.toLower()))
            continue;
        seen.insert(source.toLower());
        const QString got = m_german.Translate(source);
        if (got != m_german.Translations().at(i))
            unreachable << QStringLiteral("\"%1\" gives \"%2\"").arg(source, got);
    }
    QVERIFY2(unreachable.isEmpty(), qPrintable(unreachable.join(QLatin1Char('\n'))));
}

// Labels are translated twice, the second time from the first result.
void TestDataFiles::translationsStayWhenTranslatedAgain()
{
    QStringList changed;
    for (const QString &translation : m_german.Translations()) {
        const QString again = m_german.Translate(translation);
        if (again != translation)
            changed << QStringLiteral("\"%1\" becomes \"%2\"").arg(translation, again);
    }
    QVERIFY2(changed.isEmpty(), qPrintable(changed.join(QLatin1Char('\n'))));
}

void TestDataFiles::jobTextsTranslatePhraseByPhrase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("german");
    QTest::newRow("split") << "Split \"a.vob\" into 3 parts named \"b??.vob\", each 1.0 MB long."
                           << "Zerlege \"a.vob\" in 3 Teile namens \"b??.vob\", je 1.0 MB lang.";
    QTest::newRow("merge") << "Merge 3 files into \"c.vob\" (length is 30.0 MB)."
                           << "Vereinige 3 Dateien zu \"c.vob\" (L\u00e4nge: 30.0 MB).";
    QTest::newRow("merge and split")
        << "Merge 3 files (30.0 MB) and split into 5 parts named \"d?.vob\", each 6.0 MB long."
        << "Vereinige 3 Dateien (30.0 MB) und zerlege in 5 Teile namens \"d?.vob\", je 6.0 MB lang.";
    QTest::newRow("crc") << "Compute CRC checksum from file \"e.vob\"."
                         << "Berechne die CRC-Pr\u00fcfsumme der Datei \"e.vob\".";
    QTest::newRow("progress")
        << "42% done, 3 files read, 2 files written, speed is 12.34 MB/s, 00:12 min passed, 00:30 min left"
        << "42% erledigt, 3 Dateien gelesen, 2 Dateien geschrieben, Geschwindigkeit 12.34 MB/s, 00:12 min vergangen, "
           "00:30 min verbleibend";
    QTest::newRow("parts menu") << "7 parts" << "7 Teile";
}

void TestDataFiles::jobTextsTranslatePhraseByPhrase()
{
    QFETCH(QString, text);
    QFETCH(QString, german);
    QCOMPARE(m_german.Translate(text), german);
}

void TestDataFiles::overviewFitsItsWidth()
{
    const QByteArray bytes = bytesOf(QStringLiteral("file_id.diz"));
    QVERIFY(!bytes.isEmpty());
    const QList<QByteArray> lines = bytes.split('\n');
    QVERIFY(lines.size() <= 20);
    QVERIFY(lines.first().startsWith("Kinbox"));
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        QVERIFY2(line.size() <= 45, line.constData());
        for (const char c : line)
            QVERIFY2(c >= 0x20 && c < 0x7F, line.constData());
    }
    for (const QString &tab : ModuleTabs)
        QVERIFY2(bytes.contains(tab.toLatin1()), qPrintable(tab));
}

void TestDataFiles::desktopEntryHasRequiredKeys()
{
    const QByteArray bytes = bytesOf(QStringLiteral("org.fernhillcrew.Kinbox.desktop"));
    QVERIFY(isUtf8(bytes));
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
    QMap<QString, QString> keys;
    for (const QString &line : lines.mid(1)) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        QVERIFY2(equals > 0 && !line.startsWith(QLatin1Char('[')), qPrintable(line));
        QVERIFY2(!keys.contains(line.left(equals)), qPrintable(line));
        keys.insert(line.left(equals), line.mid(equals + 1));
    }
    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Kinbox"));
    QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("kinbox"));
    QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("org.fernhillcrew.Kinbox"));
    QCOMPARE(keys.value(QStringLiteral("Categories")), QStringLiteral("AudioVideo;Video;"));
    QVERIFY(!keys.value(QStringLiteral("GenericName")).isEmpty());
    QVERIFY(!keys.value(QStringLiteral("Comment")).isEmpty());
}

void TestDataFiles::iconsAreUsable()
{
    const QImage png(m_dir.filePath(QStringLiteral("kinbox.png")));
    QCOMPARE(png.size(), QSize(48, 48));
    QVERIFY(png.hasAlphaChannel());
    QCOMPARE(qAlpha(png.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(png.pixel(24, 24)), 255);

    QXmlStreamReader svg(bytesOf(QStringLiteral("kinbox.svg")));
    QVERIFY(svg.readNextStartElement());
    QCOMPARE(svg.name(), QStringLiteral("svg"));
    QCOMPARE(svg.attributes().value(QStringLiteral("viewBox")), QStringLiteral("0 0 48 48"));
    while (!svg.atEnd())
        svg.readNext();
    QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
}

void TestDataFiles::documentationPageIsSelfContained()
{
    const QByteArray bytes = bytesOf(QStringLiteral("kinbox_features.html"));
    QVERIFY(isUtf8(bytes));
    const QString page = QString::fromUtf8(bytes);
    QVERIFY(page.startsWith(QStringLiteral("<!DOCTYPE html>")));
    QVERIFY(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    QVERIFY(page.contains(QStringLiteral("0.1.0")));
    QVERIFY(page.contains(QStringLiteral("id=\"history\"")));
    for (const QString &tab : ModuleTabs)
        QVERIFY2(page.contains(QStringLiteral("<h3 id=\"%1\">").arg(tab.toLower())), qPrintable(tab));
    // Opened from the program folder, perhaps without a network: nothing may be fetched from elsewhere.
    QVERIFY(!page.contains(QStringLiteral("<link")));
    QVERIFY(!page.contains(QStringLiteral("<script")));
    QVERIFY(!page.contains(QStringLiteral("src=")));
    QVERIFY(!page.contains(QStringLiteral("url(http")));
}

QTEST_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
