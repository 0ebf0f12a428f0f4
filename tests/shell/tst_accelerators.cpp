// Alt+letter keys of the pages, in English and German: one letter per control on a page, none that
// the window gives away already, captions left without "&", and the key clicks the button or focuses
// the field of the page shown, and nothing on a page that is not.

#include "analyzer/analyzepage.h"
#include "ifoedit/ifoeditpage.h"
#include "moviesplit/moviesplitpage.h"
#include "shell/tform1.h"
#include "ui/accelerators.h"
#include "ui/fileedit.h"
#include "ui/page.h"
#include "ui/translator.h"
#include "windowtestenv.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace kbx;

namespace {

void loadGerman(TForm1 &form)
{
    auto german = std::make_unique<TTranslator>();
    QVERIFY(german->LoadFromFile(QStringLiteral(KINBOX_DATA_DIR "/deutsch.lng")));
    InstallTranslator(std::move(german));
    Translator().TranslateComponent(&form);
    form.RetranslateAll();
}

QList<QWidget *> pagesOf(const TForm1 &form)
{
    QList<QWidget *> pages;
    for (TPage *page : form.Pages())
        pages << dynamic_cast<QWidget *>(page);
    return pages;
}

void pressAlt(QWidget *where, QChar letter)
{
    QTest::keyClick(where, Qt::Key(letter.unicode()), Qt::AltModifier);
}

} // namespace

class TestAccelerators : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<WindowTestEnvironment>();
        QVERIFY(m_env->isValid());
    }
    void cleanup()
    {
        InstallTranslator(nullptr);
        m_env.reset();
    }

    void lettersAreOwnAndUnique_data()
    {
        QTest::addColumn<bool>("german");
        QTest::newRow("English") << false;
        QTest::newRow("German") << true;
    }
    void lettersAreOwnAndUnique()
    {
        QFETCH(bool, german);
        TForm1 form(nullptr, false);
        if (german)
            loadGerman(form);
        // A key the window uses already is left to it: the letters are chosen again around it.
        TIFOEditPage *edit = form.IFOEditPage();
        const QChar verify = TAccelerators::Of(edit)->LetterOf(edit->IFO_Check);
        QVERIFY(!verify.isNull());
        new QShortcut(QKeySequence(Qt::ALT | Qt::Key(verify.unicode())), &form);
        form.RetranslateAll();
        QVERIFY(!TAccelerators::Of(edit)->LetterOf(edit->IFO_Check).isNull());
        QVERIFY(TAccelerators::Of(edit)->LetterOf(edit->IFO_Check) != verify);

        for (QWidget *page : pagesOf(form)) {
            const TAccelerators *keys = TAccelerators::Of(page);
            QVERIFY2(keys && !keys->Entries().isEmpty(), qPrintable(page->objectName()));
            QSet<QChar> letters;
            for (const TAccelerators::Entry &e : keys->Entries()) {
                const QString where = page->objectName() + '/' + e.target->objectName() + ' ' + e.letter;
                QVERIFY2(!letters.contains(e.letter), qPrintable(where));
                QVERIFY2(e.letter != verify, qPrintable(where));
                letters.insert(e.letter);
                // A letter of the control's own caption, so the key can be guessed from what is shown.
                QString caption;
                if (auto *b = qobject_cast<QAbstractButton *>(e.label))
                    caption = b->text();
                else if (auto *l = qobject_cast<QLabel *>(e.label))
                    caption = l->text();
                else if (auto *g = qobject_cast<QGroupBox *>(e.label))
                    caption = g->title();
                QVERIFY2(caption.contains(e.letter, Qt::CaseInsensitive), qPrintable(where + ' ' + caption));
                QVERIFY2(TAccelerators::ShownToolTip(e.label).contains(QStringLiteral("Alt+") + e.letter),
                         qPrintable(where));
            }
        }
        // Every labelled button of the Edit page has its key, the captions stay without "&".
        const TAccelerators *editKeys = TAccelerators::Of(edit);
        for (QAbstractButton *b : {edit->IFO_Start, edit->IFO_Check}) {
            QVERIFY(!editKeys->LetterOf(b).isNull());
            QVERIFY(!b->text().contains(QLatin1Char('&')));
        }
        QVERIFY(!editKeys->LetterOf(edit->IFO_Source->edit()).isNull());
        QVERIFY(!editKeys->LetterOf(edit->IFO_Files).isNull());
        // The tooltip's text stays the one the translation gives; the key is only shown with it.
        QCOMPARE(edit->IFO_Start->toolTip(), german ? Translate(QStringLiteral("execute selected operation"))
                                                    : QStringLiteral("execute selected operation"));
    }

    void altLetterClicksOrFocuses_data() { lettersAreOwnAndUnique_data(); }
    void altLetterClicksOrFocuses()
    {
        QFETCH(bool, german);
        TForm1 form(nullptr, false);
        if (german)
            loadGerman(form);
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.ShowPage(TForm1::IFOedit);
        TIFOEditPage *edit = form.IFOEditPage();
        const TAccelerators *keys = TAccelerators::Of(edit);

        // The presses are counted, not run: the handlers are tested with the page.
        QObject::disconnect(edit->IFO_Check, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::disconnect(edit->IFO_Start, &QAbstractButton::clicked, nullptr, nullptr);
        QSignalSpy verified(edit->IFO_Check, &QAbstractButton::clicked);
        QSignalSpy started(edit->IFO_Start, &QAbstractButton::clicked);
        // A control of another page with the same letter stays untouched while that page is hidden.
        const QChar verify = keys->LetterOf(edit->IFO_Check);
        QList<QSignalSpy *> elsewhere;
        for (QWidget *page : pagesOf(form)) {
            if (page == edit)
                continue;
            for (const TAccelerators::Entry &e : TAccelerators::Of(page)->Entries()) {
                if (e.letter != verify)
                    continue;
                if (auto *b = qobject_cast<QAbstractButton *>(e.target)) {
                    QObject::disconnect(b, &QAbstractButton::clicked, nullptr, nullptr);
                    elsewhere << new QSignalSpy(b, &QAbstractButton::clicked);
                }
            }
        }

        pressAlt(edit->IFO_Files, verify);
        QCOMPARE(verified.count(), 1);
        for (QSignalSpy *spy : std::as_const(elsewhere))
            QCOMPARE(spy->count(), 0);
        qDeleteAll(elsewhere);

        // Start is disabled without selected files: its key does what a click could, nothing.
        QVERIFY(!edit->IFO_Start->isEnabled());
        pressAlt(edit->IFO_Files, keys->LetterOf(edit->IFO_Start));
        QCOMPARE(started.count(), 0);
        edit->IFO_Start->setEnabled(true);
        pressAlt(edit->IFO_Files, keys->LetterOf(edit->IFO_Start));
        QCOMPARE(started.count(), 1);

        // A field's key (its group's title) puts the focus into it.
        edit->IFO_Files->setFocus();
        pressAlt(edit->IFO_Files, keys->LetterOf(edit->IFO_Source->edit()));
        QCOMPARE(QApplication::focusWidget(), edit->IFO_Source->edit());
        pressAlt(edit->IFO_Source->edit(), keys->LetterOf(edit->IFO_Files));
        QCOMPARE(QApplication::focusWidget(), edit->IFO_Files);

        // A label's key reaches its buddy on the Analyze page.
        form.ShowPage(TForm1::AnalyzeVOB);
        auto *analyze = form.findChild<TAnalyzeVOBFrame *>();
        const QChar offset = TAccelerators::Of(analyze)->LetterOf(analyze->ed_offset);
        QVERIFY(!offset.isNull());
        pressAlt(analyze->btn_research, offset);
        QCOMPARE(QApplication::focusWidget(), analyze->ed_offset);
    }

    // The start buttons read a verb in German; "start" of an offset stays the noun.
    void germanStartButtonsAreVerbs()
    {
        TForm1 form(nullptr, false);
        auto *analyze = form.findChild<TAnalyzeVOBFrame *>();
        QList<QAbstractButton *> starts{form.IFOEditPage()->IFO_Start, analyze->btn_research, form.MoviesPage()->MS_Start};
        for (QAbstractButton *b : starts)
            QCOMPARE(b->text(), QStringLiteral("Start"));
        loadGerman(form);
        QCOMPARE(starts.at(0)->text(), QStringLiteral("Ausf\u00fchren"));
        QCOMPARE(starts.at(1)->text(), QStringLiteral("Analysieren"));
        QCOMPARE(starts.at(2)->text(), QStringLiteral("Teilen"));
        QWidget *offsets = form.findChild<QWidget *>(QStringLiteral("fp_OffsetBox"));
        QVERIFY(offsets);
        QStringList labels;
        for (QLabel *l : offsets->findChildren<QLabel *>())
            labels << l->text();
        QVERIFY2(labels.contains(QStringLiteral("Anfang")), qPrintable(labels.join(',')));
        // A language file without the buttons' own entries still translates the caption.
        auto bare = std::make_unique<TTranslator>();
        bare->LoadFromText(QStringLiteral("\"start\"=\"Anfang\"\r\n"));
        InstallTranslator(std::move(bare));
        QCOMPARE(TranslateCaption(QStringLiteral("Start"), QStringLiteral("Start patching")), QStringLiteral("Anfang"));
    }

private:
    std::unique_ptr<WindowTestEnvironment> m_env;
};

QTEST_MAIN(TestAccelerators)
#include "tst_accelerators.moc"
