#include "ui/translator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace kbx;

namespace {

// A small window with one control of every kind the translator knows, and some it must leave alone.
struct Window {
    QWidget window;
    QLabel *label;
    QCheckBox *check;
    QTabWidget *tabs;
    QWidget *page;
    QGroupBox *group;
    QRadioButton *radio;
    QLabel *nestedLabel;
    QMenu *menu;
    QAction *action;
    QAction *separator;
    QPushButton *button;
    QToolButton *flatButton;
    QToolButton *raisedButton;
    QLineEdit *edit;
    QComboBox *combo;
    QLabel *picture;

    explicit Window(const QString &caption)
    {
        window.setWindowTitle(caption);
        label = new QLabel(caption, &window);
        label->setToolTip(caption);
        check = new QCheckBox(caption, &window);
        tabs = new QTabWidget(&window);
        page = new QWidget;
        tabs->addTab(page, caption);
        group = new QGroupBox(caption, page);
        radio = new QRadioButton(caption, group);
        nestedLabel = new QLabel(caption, group);
        auto *bar = new QMenuBar(&window);
        menu = bar->addMenu(caption);
        action = menu->addAction(caption);
        separator = menu->addSeparator();
        button = new QPushButton(caption, &window);
        flatButton = new QToolButton(&window);
        flatButton->setAutoRaise(true);
        flatButton->setText(caption);
        raisedButton = new QToolButton(&window);
        raisedButton->setText(caption);
        edit = new QLineEdit(caption, &window);
        edit->setToolTip(caption);
        combo = new QComboBox(&window);
        combo->addItem(caption);
        picture = new QLabel(&window);
        picture->setPixmap(QPixmap(4, 4));
    }
};

TTranslator dictionary(const QString &lines)
{
    TTranslator translator;
    translator.LoadFromText(lines);
    return translator;
}

} // namespace

class TestTranslateComponent : public QObject
{
    Q_OBJECT
private slots:
    void everyKindOfCaptionAndHint();
    void labelIsTranslatedTwice();
    void emptyDictionaryRemovesAccelerators();
    void checkBoxFitsItsNewCaption();
    void nullComponentIsIgnored();
};

void TestTranslateComponent::everyKindOfCaptionAndHint()
{
    Window w("&Start");
    dictionary("\"Start\"=\"&Los\"").TranslateComponent(&w.window);

    QCOMPARE(w.label->text(), QString("&Los"));
    QCOMPARE(w.check->text(), QString("&Los"));
    QCOMPARE(w.tabs->tabText(0), QString("&Los"));
    QCOMPARE(w.group->title(), QString("&Los"));
    QCOMPARE(w.radio->text(), QString("&Los"));
    QCOMPARE(w.menu->title(), QString("&Los"));
    QCOMPARE(w.action->text(), QString("&Los"));
    QVERIFY(w.separator->isSeparator());
    // Buttons keep their ampersand before translating: "&start" is no whole match, only a word.
    QCOMPARE(w.button->text(), QString("&&Los"));
    QCOMPARE(w.flatButton->text(), QString("&&Los"));
    QCOMPARE(w.raisedButton->text(), QString("&Start"));
    QCOMPARE(w.label->toolTip(), QString("&&Los"));
    QCOMPARE(w.edit->toolTip(), QString("&&Los"));

    // Window captions, edit texts and list items stay.
    QCOMPARE(w.window.windowTitle(), QString("&Start"));
    QCOMPARE(w.edit->text(), QString("&Start"));
    QCOMPARE(w.combo->itemText(0), QString("&Start"));
    QVERIFY(!w.picture->pixmap().isNull());
}

void TestTranslateComponent::labelIsTranslatedTwice()
{
    Window w("Start");
    dictionary("\"Start\"=\"Los\"\n\"Los\"=\"Go\"").TranslateComponent(&w.window);
    QCOMPARE(w.label->text(), QString("Go"));
    QCOMPARE(w.nestedLabel->text(), QString("Go"));
    QCOMPARE(w.check->text(), QString("Los"));
    QCOMPARE(w.group->title(), QString("Los"));
    QCOMPARE(w.label->toolTip(), QString("Los"));
}

void TestTranslateComponent::emptyDictionaryRemovesAccelerators()
{
    // Choosing the built-in language on a first run translates with nothing loaded.
    Window w("&Save");
    w.button->setText("Tom && Jerry");
    TTranslator().TranslateComponent(&w.window);
    QCOMPARE(w.label->text(), QString("Save"));
    QCOMPARE(w.check->text(), QString("Save"));
    QCOMPARE(w.tabs->tabText(0), QString("Save"));
    QCOMPARE(w.action->text(), QString("Save"));
    QCOMPARE(w.flatButton->text(), QString("Save"));
    QCOMPARE(w.button->text(), QString("Tom & Jerry"));
    QCOMPARE(w.label->toolTip(), QString("Save"));
    QCOMPARE(w.raisedButton->text(), QString("&Save"));
    QCOMPARE(w.edit->text(), QString("&Save"));
}

void TestTranslateComponent::checkBoxFitsItsNewCaption()
{
    Window w("Short");
    w.check->resize(10, 20);
    dictionary("\"Short\"=\"A much longer caption than before\"").TranslateComponent(&w.window);
    const int needed = QFontMetrics(w.window.font()).horizontalAdvance(w.check->text()) + 18;
    QCOMPARE(w.check->text(), QString("A much longer caption than before"));
    QVERIFY2(w.check->width() >= needed, qPrintable(QString::number(w.check->width())));
    QVERIFY(w.check->width() >= w.check->sizeHint().width());
    QCOMPARE(w.check->height(), 20);
}

void TestTranslateComponent::nullComponentIsIgnored()
{
    dictionary("\"a\"=\"b\"").TranslateComponent(nullptr);
}

QTEST_MAIN(TestTranslateComponent)
#include "tst_translatecomponent.moc"
