// Every page of the main window in German: no visible text may stay English. A text counts as English
// when a word of it (three letters or more) survives the translation unchanged and is not a name, unit
// or abbreviation that German uses as well.

#include "shell/tform1.h"
#include "ui/page.h"
#include "ui/translator.h"
#include "windowtestenv.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QTreeWidget>
#include <QFile>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTextDocumentFragment>

using namespace kbx;

namespace {

// Words German shares with English here: names, units, abbreviations and loan words.
const QSet<QString> Shared = {
    "Kinbox", "DVD", "DVDs", "CDs", "VOB", "IFO", "BUP", "IFOs", "VOBs", "MPEG", "MPG", "AVI", "DIVX", "DivX", "PAL",
    "NTSC", "CRC", "CRC32", "SFV", "SHA", "MD5", "Kbit", "KByte", "MByte", "GByte", "Bytes", "Byte", "fps", "Hex",
    "CPU", "LPCM", "AC3", "DTS", "MP2", "MP3", "PCM", "VCD", "SVCD", "CSS", "NAV", "PCI", "DSI", "Macrovision",
    "Info", "Status", "Name", "Start", "Stop", "Offset", "Offsets", "Film", "Filme", "Modus", "Backup", "Log",
    "Profil", "Audio", "Video", "Format", "Bitrate", "Codec", "Header", "Sektor", "Sektoren", "Clone",
    "ext", "ISO", "UDF", "GOP", "PTS", "SCR", "Kb", "KB", "MB", "GB", "TB", "min", "sec", "max", "www", "http",
    "https", "html", "diz", "Windows", "Linux", "Cinema", "Lossless", "Layer", "Sub", "Fernhill", "Crew",
    "Medium", "Region", "Pause", "sfv", "sha", "SFV", "Navigation", "Online", "MJPEG", "vob", "optimal", "Mail",
};

struct Text {
    QString where;
    QString text;
};

QString plain(const QString &text)
{
    QString s = Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    return s.remove(QLatin1Char('&'));
}

// The visible texts of every object below `root`, keyed by object and kind.
QHash<QString, Text> texts(QObject *root)
{
    QHash<QString, Text> all;
    int serial = 0;
    auto add = [&](QObject *object, const QString &kind, const QString &text) {
        if (text.trimmed().isEmpty())
            return;
        const QString key = QString::number(quintptr(object)) + '/' + kind;
        all.insert(key, {object->objectName() + ' ' + kind, plain(text)});
    };
    const QList<QObject *> objects = root->findChildren<QObject *>();
    for (QObject *object : objects) {
        ++serial;
        if (object->objectName() == QLatin1String("CPUlabel")) // the processor's own name
            continue;
        if (auto *label = qobject_cast<QLabel *>(object))
            add(object, "text", label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(object))
            add(object, "text", button->text());
        if (auto *group = qobject_cast<QGroupBox *>(object))
            add(object, "title", group->title());
        if (auto *action = qobject_cast<QAction *>(object))
            add(object, "text", action->text());
        if (auto *tabs = qobject_cast<QTabWidget *>(object))
            for (int i = 0; i < tabs->count(); ++i)
                add(object, "tab" + QString::number(i), tabs->tabText(i));
        // Lists of sizes and rates ("128 MB [FlashCard]") are data the pages parse and store as
        // they stand; every other list item is a text.
        if (auto *combo = qobject_cast<QComboBox *>(object))
            for (int i = 0; i < combo->count(); ++i)
                if (!combo->itemText(i).trimmed().front().isDigit())
                    add(object, "item" + QString::number(i), combo->itemText(i));
        if (auto *tree = qobject_cast<QTreeWidget *>(object))
            for (int i = 0; i < tree->columnCount(); ++i)
                add(object, "column" + QString::number(i), tree->headerItem()->text(i));
        if (auto *widget = qobject_cast<QWidget *>(object))
            add(object, "hint", widget->toolTip());
    }
    return all;
}

QStringList words(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    QStringList list;
    for (auto it = word.globalMatch(text); it.hasNext();)
        list << it.next().captured();
    return list;
}

} // namespace

class TestGermanWalk : public QObject
{
    Q_OBJECT
private slots:
    void noEnglishLeftInGerman();
};

void TestGermanWalk::noEnglishLeftInGerman()
{
    WindowTestEnvironment env;
    QVERIFY(env.isValid());
    TForm1 form(nullptr, false);
    const QHash<QString, Text> english = texts(&form);

    auto german = std::make_unique<TTranslator>();
    QVERIFY(german->LoadFromFile(QStringLiteral(KINBOX_DATA_DIR "/deutsch.lng")));
    InstallTranslator(std::move(german));
    Translator().TranslateComponent(&form);
    for (QWidget *widget : form.findChildren<QWidget *>())
        if (auto *page = dynamic_cast<TPage *>(widget))
            page->Retranslate();
    const QHash<QString, Text> translated = texts(&form);
    InstallTranslator(nullptr);

    QStringList english_left;
    for (auto it = translated.cbegin(); it != translated.cend(); ++it) {
        const QString original = english.value(it.key()).text;
        const QStringList before = words(original);
        QStringList kept;
        for (const QString &w : words(it.value().text))
            if (before.contains(w) && !Shared.contains(w))
                kept << w;
        if (!kept.isEmpty())
            english_left << QStringLiteral("%1: \"%2\" -> \"%3\" (%4)")
                                .arg(it.value().where, original, it.value().text, kept.join(' '));
    }
    english_left.sort();
    english_left.removeDuplicates();
    for (const QString &line : english_left)
        qInfo("%s", qPrintable(line));
    QCOMPARE(english_left.size(), 0);
}

QTEST_MAIN(TestGermanWalk)
#include "tst_germanwalk.moc"
