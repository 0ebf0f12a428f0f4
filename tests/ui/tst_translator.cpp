#include "ui/codepage.h"
#include "ui/program.h"
#include "support/scripteddialogs.h"
#include "ui/translator.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace kbx;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TTranslator withEntries(const QString &lines)
{
    TTranslator translator;
    translator.LoadFromText(lines);
    return translator;
}

} // namespace

class TestTranslator : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void stripAccelerators_data();
    void stripAccelerators();
    void windows1252Decoding();
    void languageFileParsing();
    void missingFileKeepsDictionary();
    void relativeNameResolvesInProgramFolder();
    void oddEntryLinesDoNotBreakTranslate();
    void translate_data();
    void translate();
    void selfFeedingEntriesStopGrowing();
    void entriesFeedingEachOtherCostBoundedWork();
    void translationHoldingItsSourceTerminates();
    void caseSensitiveOption();
    void informConfirmAndAskQuestion();
    void systemLanguageName_data();
    void systemLanguageName();

private:
    QTemporaryDir m_dir;
};

void TestTranslator::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QGuiApplication::setApplicationDisplayName("Kinbox");
}

void TestTranslator::cleanup()
{
    ProgramFolder::setPath(QString());
    InstallTranslator(nullptr);
}

void TestTranslator::stripAccelerators_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("none") << "Abort" << "Abort";
    QTest::newRow("one") << "&Abort" << "Abort";
    QTest::newRow("inside") << "Ab&brechen" << "Abbrechen";
    QTest::newRow("double") << "Tom && Jerry" << "Tom & Jerry";
    QTest::newRow("triple") << "&&&x" << "&x";
    QTest::newRow("trailing") << "x&" << "x";
}

void TestTranslator::stripAccelerators()
{
    QFETCH(QString, text);
    QFETCH(QString, stripped);
    QCOMPARE(StripAccelerators(text), stripped);
}

void TestTranslator::windows1252Decoding()
{
    QCOMPARE(DecodeWindows1252("K\xE4se \x80 \x84x\x93 \x9F\xFF"), QString("Käse € „x“ Ÿÿ"));
    // The five undefined codes decode to the C1 controls, as Windows does.
    QCOMPARE(DecodeWindows1252("\x81\x8D\x8F\x90\x9D"), QString("\u0081\u008D\u008F\u0090\u009D"));
    QByteArray all;
    for (int code = 0; code < 256; ++code)
        all.append(char(code));
    const QString decoded = DecodeWindows1252(all);
    QCOMPARE(decoded.size(), 256);
    QCOMPARE(EncodeWindows1252(decoded), all);
    QCOMPARE(EncodeWindows1252(QString("a\u4E2Db")), QByteArray("a?b"));
}

void TestTranslator::languageFileParsing()
{
    const QString path = m_dir.filePath("deutsch.lng");
    QVERIFY(writeFile(path, "; comment \"a\"=\"b\"\r\n"
                            "# also \"c\"=\"d\"\n"
                            "\r\n"
                            "no separator here\r"
                            "\"Start\"=\"Los\"\r"
                            "\"&Ok\"=\"&Jawohl\"\n"
                            "\"K\xE4se\"=\"Cheese \x80\"\r\n"
                            "\"a=b\"=\"x\"=\"y\"\r\n"
                            "\"Start\"=\"Duplicate\"\n"
                            "\"M&&M\"=\"Bonbon\""));
    TTranslator translator;
    QVERIFY(!translator.IsLoaded());
    QVERIFY(translator.LoadFromFile(path));
    QVERIFY(translator.IsLoaded());
    QCOMPARE(translator.SourceTexts(), QStringList({"Start", "Ok", "Käse", "a=b", "Start", "M&M"}));
    QCOMPARE(translator.Translations(),
             QStringList({"Los", "&Jawohl", "Cheese €", "x\"=\"y", "Duplicate", "Bonbon"}));
    // The first of duplicate entries wins; the stored source lost its ampersand.
    QCOMPARE(translator.Translate("Start"), QString("Los"));
    QCOMPARE(translator.Translate("Ok"), QString("&Jawohl"));
    QCOMPARE(translator.Translate("käse"), QString("Cheese €"));

    // Loading again replaces the dictionary.
    const QString other = m_dir.filePath("english.lng");
    QVERIFY(writeFile(other, "\"Los\"=\"Go\"\n"));
    QVERIFY(translator.LoadFromFile(other));
    QCOMPARE(translator.SourceTexts(), QStringList({"Los"}));

    // A file of comments only loads, but leaves nothing to translate with.
    QVERIFY(writeFile(other, ";\"Los\"=\"Go\"\n\n"));
    QVERIFY(translator.LoadFromFile(other));
    QVERIFY(!translator.IsLoaded());
}

void TestTranslator::missingFileKeepsDictionary()
{
    TTranslator translator = withEntries("\"Start\"=\"Los\"");
    QVERIFY(!translator.LoadFromFile(m_dir.filePath("missing.lng")));
    QVERIFY(!translator.LoadFromFile(m_dir.path())); // a folder is no language file
    QCOMPARE(translator.SourceTexts(), QStringList({"Start"}));
}

void TestTranslator::relativeNameResolvesInProgramFolder()
{
    QTemporaryDir program;
    QVERIFY(writeFile(program.filePath("deutsch.lng"), "\"Start\"=\"Los\""));
    ProgramFolder::setPath(program.path());
    TTranslator translator;
    QVERIFY(translator.LoadFromFile("deutsch.lng"));
    QCOMPARE(translator.Translate("Start"), QString("Los"));
}

void TestTranslator::oddEntryLinesDoNotBreakTranslate()
{
    // Quote-equals-quote at the very start or end gives empty texts; they must not match everything.
    TTranslator translator = withEntries("\"=\"\nx\"=\"\n\"=\"\"\"\n\"Start\"=\"Los\"");
    QCOMPARE(translator.SourceTexts(), QStringList({"", "", "", "Start"}));
    QCOMPARE(translator.Translations(), QStringList({"", "", "\"", "Los"}));
    QCOMPARE(translator.Translate("Start now"), QString("Los now"));
    QCOMPARE(translator.Translate("!"), QString("!"));
}

void TestTranslator::translate_data()
{
    QTest::addColumn<QString>("dictionary");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    const QString start = "\"Start\"=\"Los\"";
    QTest::newRow("whole text") << start << "Start" << "Los";
    QTest::newRow("other case") << start << "start" << "Los";
    QTest::newRow("word at start") << start << "Start now" << "Los now";
    QTest::newRow("letter before joins") << start << "Restart" << "Restart";
    QTest::newRow("digit 0 joins (code 48)") << start << "Start0" << "Start0";
    QTest::newRow("slash separates (code 47)") << start << "x/Start/y" << "x/Los/y";
    QTest::newRow("colon joins (code 58)") << start << "Start:" << "Start:";
    QTest::newRow("umlaut joins") << start << "Startä" << "Startä";
    QTest::newRow("punctuation separates") << start << "(Start)!" << "(Los)!";
    QTest::newRow("every occurrence") << start << "Start, start, START" << "Los, Los, Los";
    QTest::newRow("ampersands kept without whole match") << start << "&Start" << "&Los";
    QTest::newRow("no match keeps ampersands") << start << "&Abort" << "&Abort";
    QTest::newRow("empty text") << start << "" << "";
    QTest::newRow("nothing loaded strips") << "" << "&Abort" << "Abort";
    QTest::newRow("two entries, file order") << start + "\n\"now\"=\"jetzt\"" << "Start now" << "Los jetzt";
    QTest::newRow("later entry inside earlier translation")
        << "\"Open\"=\"Open file\"\n\"file\"=\"Datei\"" << "Open it" << "Open Datei it";
    QTest::newRow("earlier entry not applied to later translation")
        << "\"file\"=\"Datei\"\n\"Open\"=\"Open file\"" << "Open it" << "Open file it";
    QTest::newRow("earlier whole match stops") << "\"Start now\"=\"Los jetzt!\"\n\"now\"=\"jetzt\""
                                               << "Start now" << "Los jetzt!";
    QTest::newRow("earlier word spoils later whole match")
        << "\"now\"=\"jetzt\"\n\"Start now\"=\"Los jetzt!\"" << "Start now" << "Start jetzt";
    QTest::newRow("non-ASCII case") << "\"Käse\"=\"Cheese\"" << "KÄSE please" << "Cheese please";
    // A match right after a replacement is judged by the replaced text's last character.
    QTest::newRow("after replacement, joined") << "\"-\"=\"x\"" << "--" << "x-";
    QTest::newRow("after replacement, separated") << "\"-\"=\"x.\"" << "--" << "x.x.";
    QTest::newRow("after empty replacement, text start") << "\"-\"=\"\"" << "--a" << "-a";
    QTest::newRow("after empty replacement, separated") << "\"-\"=\"\"" << ".--x" << ".-x";
}

void TestTranslator::translate()
{
    QFETCH(QString, dictionary);
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(withEntries(dictionary).Translate(text), result);
}

void TestTranslator::translationHoldingItsSourceTerminates()
{
    // The search goes on after the inserted translation, never into it.
    QCOMPARE(withEntries("\"go\"=\"let go\"").Translate("go home, go"), QString("let go home, let go"));
    QCOMPARE(withEntries("\"Go\"=\"Go Go\"").Translate("Go now"), QString("Go Go now"));
    QCOMPARE(withEntries("\"a\"=\"a a a\"").Translate("a b a"), QString("a a a b a a a"));
}

void TestTranslator::caseSensitiveOption()
{
    TTranslator translator = withEntries("\"Start\"=\"Los\"");
    QVERIFY(!translator.CaseSensitive());
    translator.setCaseSensitive(true);
    QCOMPARE(translator.Translate("start now"), QString("start now"));
    QCOMPARE(translator.Translate("Start now"), QString("Los now"));
}

void TestTranslator::informConfirmAndAskQuestion()
{
    ScriptedDialogs dialogs;
    dialogs.answer(QMessageBox::Ok);
    dialogs.answer(QMessageBox::Yes);
    dialogs.answer(QMessageBox::Ok);
    dialogs.answer(QMessageBox::No);
    dialogs.answer(QMessageBox::Yes);

    Inform("&Abort now"); // nothing loaded: shown as given
    QVERIFY(Confirm("Start, really"));
    InstallTranslator(std::make_unique<TTranslator>(withEntries("\"Start\"=\"Los\"")));
    Inform("Start now");
    QVERIFY(!Confirm("Start, really"));
    QVERIFY(AskQuestion("Start, really")); // never translated

    QVERIFY(dialogs.allAnswered());
    QCOMPARE(dialogs.texts(), QStringList({"&Abort now", "Start, really", "Los now", "Los, really", "Start, really"}));
    const auto &shown = dialogs.shown();
    QCOMPARE(shown.at(0).title, QString("Kinbox"));
    QCOMPARE(shown.at(0).icon, QMessageBox::Information);
    QCOMPARE(shown.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(shown.at(1).buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(shown.at(4).title, QString("Kinbox has a question"));
    QCOMPARE(shown.at(4).icon, QMessageBox::Question);
    QCOMPARE(shown.at(4).buttons, QMessageBox::Yes | QMessageBox::No);
}

// Every entry doubles the word the one before produced: without a bound this takes hours.
void TestTranslator::selfFeedingEntriesStopGrowing()
{
    QString lines;
    for (int i = 0; i < 40; ++i)
        lines += QStringLiteral("\"a\"=\"a a\"\r\n");
    const TTranslator translator = withEntries(lines);
    const QString result = translator.Translate(QStringLiteral("a b"));
    QVERIFY(result.size() <= 4096 + 3);
    QVERIFY(result.startsWith(QStringLiteral("a a")));
    QVERIFY(result.endsWith(QStringLiteral(" b")));
}

// Entries that turn every word into the next entry's source keep the whole text changing with every
// entry; rebuilding it once per replaced word cost seconds per text. Every word is replaced by each entry.
void TestTranslator::entriesFeedingEachOtherCostBoundedWork()
{
    const auto cycle = [](int entries) {
        QString lines;
        for (int i = 0; i < entries; ++i)
            lines += QStringLiteral("\"w%1\"=\"W%2\"\r\n").arg(i % 3).arg((i + 1) % 3);
        return withEntries(lines);
    };
    const QString text = QStringLiteral("w0 ").repeated(1000).trimmed();

    // 214 entries, 214 mod 3 = 1: every word ends as w1, in the last entry's case.
    const TTranslator small = cycle(214);
    QCOMPARE(small.Translate(text), QStringLiteral("W1 ").repeated(1000).trimmed());
    // One pass over the text per entry, not one per replaced word.
    const qsizetype smallWork = small.TranslateWork(text);
    QVERIFY2(smallWork <= 214 * 3 * (text.size() + 2), qPrintable(QString::number(smallWork)));

    // However many entries the file holds, one text costs the budget and one more pass at most.
    const TTranslator large = cycle(20000);
    const qsizetype work = large.TranslateWork(text);
    QVERIFY2(work <= TTranslator::TranslateWorkBudget + 3 * 4096, qPrintable(QString::number(work)));
    const QString result = large.Translate(text);
    QCOMPARE(result.size(), text.size());
    QVERIFY(result.split(QLatin1Char(' ')).size() == 1000);
}

void TestTranslator::systemLanguageName_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("name");
    QTest::newRow("German") << "de_DE" << "Deutsch";
    QTest::newRow("Swiss German") << "de_CH" << "Deutsch";
    QTest::newRow("US English") << "en_US" << "English";
    QTest::newRow("C") << "C" << "English";
    QTest::newRow("French") << "fr_FR" << "français";
    QTest::newRow("Mexican Spanish") << "es_MX" << "español";
}

void TestTranslator::systemLanguageName()
{
    QFETCH(QString, locale);
    QFETCH(QString, name);
    QCOMPARE(SystemLanguageName(QLocale(locale)), name);
    QVERIFY(!SystemLanguageName().contains(' '));
}

QTEST_MAIN(TestTranslator)
#include "tst_translator.moc"
