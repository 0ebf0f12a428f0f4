#include "ui/accelerators.h"

#include "ui/translator.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QTabBar>
#include <QToolButton>
#include <QToolTip>

namespace kbx {

namespace {

// Marks the shortcuts made here, so that one page's keys do not count as taken on another page:
// a page's keys only work while it is shown.
const char *const OwnShortcut = "kbxAccelerator";

bool usable(QChar ch)
{
    return ch.unicode() < 128 && ch.isLetterOrNumber();
}

// The letter an "&" in a caption gives its control, or null.
QChar mnemonicOf(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text.at(i + 1).toUpper();
    }
    return {};
}

// The letters of a caption in the order they are tried: the first letter of each word, then the
// others; only letters and digits a keyboard has without composing.
QList<QChar> lettersOf(const QString &caption)
{
    const QString text = StripAccelerators(caption);
    QList<QChar> first;
    QList<QChar> rest;
    bool wordStart = true;
    for (const QChar ch : text) {
        if (!ch.isLetterOrNumber()) {
            wordStart = true;
            continue;
        }
        if (usable(ch))
            (wordStart ? first : rest).append(ch.toUpper());
        wordStart = false;
    }
    return first + rest;
}

bool insideInput(const QWidget *widget, const QWidget *stop)
{
    for (const QWidget *w = widget->parentWidget(); w && w != stop; w = w->parentWidget()) {
        if (qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSpinBox *>(w))
            return true;
    }
    return false;
}

bool isField(const QWidget *widget)
{
    return qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget)
           || qobject_cast<const QAbstractSpinBox *>(widget) || qobject_cast<const QAbstractScrollArea *>(widget);
}

// The one field a titled group holds, or null when it holds none or several.
QWidget *onlyFieldOf(QGroupBox *group)
{
    QWidget *found = nullptr;
    for (QWidget *w : group->findChildren<QWidget *>()) {
        if (!isField(w) || insideInput(w, group) || w->focusPolicy() == Qt::NoFocus)
            continue;
        if (found)
            return nullptr;
        found = w;
    }
    return found;
}

// A button whose caption is shown: an icon-only tool button's text is no caption.
bool hasCaption(const QAbstractButton *button)
{
    if (StripAccelerators(button->text()).trimmed().isEmpty())
        return false;
    if (auto *tool = qobject_cast<const QToolButton *>(button))
        return tool->toolButtonStyle() != Qt::ToolButtonIconOnly || tool->icon().isNull();
    return true;
}

QString captionOf(const QWidget *label)
{
    if (auto *button = qobject_cast<const QAbstractButton *>(label))
        return button->text();
    if (auto *text = qobject_cast<const QLabel *>(label))
        return text->text();
    if (auto *group = qobject_cast<const QGroupBox *>(label))
        return group->title();
    return {};
}

// Whether `widget` lies on a page beside `page` (another tab): its keys answer only while it is shown.
bool onOtherPage(const QWidget *widget, const QWidget *page)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == page)
            return false;
        if (w->parentWidget() && w->parentWidget() == page->parentWidget())
            return true;
    }
    return false;
}

// Letters the window already gives away to `page`: "&" captions and Alt shortcuts, except those of
// the other pages and the keys made here.
QSet<QChar> takenFor(QWidget *page)
{
    QWidget *window = page->window();
    QSet<QChar> taken;
    auto take = [&taken](QChar letter) {
        if (!letter.isNull())
            taken.insert(letter);
    };
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (onOtherPage(w, page))
            continue;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            take(mnemonicOf(b->text()));
        else if (auto *l = qobject_cast<QLabel *>(w); l && l->buddy())
            take(mnemonicOf(l->text()));
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            take(mnemonicOf(g->title()));
    }
    for (QTabBar *bar : window->findChildren<QTabBar *>()) {
        for (int i = 0; i < bar->count(); ++i)
            take(mnemonicOf(bar->tabText(i)));
    }
    auto takeKeys = [&take](const QList<QKeySequence> &keys) {
        for (const QKeySequence &key : keys) {
            if (key.count() != 1)
                continue;
            const QKeyCombination combination = key[0];
            if (combination.keyboardModifiers() == Qt::AltModifier)
                take(QChar(int(combination.key())).toUpper());
        }
    };
    auto elsewhere = [page](const QObject *o) {
        auto *owner = qobject_cast<const QWidget *>(o->parent());
        return owner && onOtherPage(owner, page);
    };
    for (QShortcut *s : window->findChildren<QShortcut *>()) {
        if (!s->property(OwnShortcut).toBool() && !elsewhere(s))
            takeKeys(s->keys());
    }
    for (QAction *a : window->findChildren<QAction *>()) {
        if (!elsewhere(a))
            takeKeys(a->shortcuts());
    }
    return taken;
}

} // namespace

TAccelerators::TAccelerators(QWidget *page)
    : QObject(page), m_page(page)
{
}

TAccelerators *TAccelerators::Of(const QWidget *page)
{
    return page ? page->findChild<TAccelerators *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

TAccelerators *TAccelerators::Assign(QWidget *page, QAbstractButton *first)
{
    TAccelerators *self = Of(page);
    if (!self)
        self = new TAccelerators(page);
    self->assign(first);
    return self;
}

void TAccelerators::assign(QAbstractButton *first)
{
    qDeleteAll(m_shortcuts);
    m_shortcuts.clear();
    for (const Entry &e : std::as_const(m_entries)) {
        for (QWidget *w : {e.label.data(), e.target.data()})
            if (w)
                w->removeEventFilter(this);
    }
    m_entries.clear();

    // Who comes first gets the first letter of its caption: the start button, the other push
    // buttons, the fields (by a label of their own, else by their group's title), then the rest.
    QList<Entry> wanted;
    auto want = [&wanted](QWidget *label, QWidget *target) { wanted.append({QChar(), label, target}); };
    const QList<QAbstractButton *> buttons = m_page->findChildren<QAbstractButton *>();
    auto ownCaption = [](QAbstractButton *b) { return hasCaption(b) && mnemonicOf(b->text()).isNull(); };
    if (first && ownCaption(first))
        want(first, first);
    for (QAbstractButton *b : buttons) {
        if (qobject_cast<QPushButton *>(b) && ownCaption(b))
            want(b, b);
    }
    for (QLabel *l : m_page->findChildren<QLabel *>()) {
        if (l->buddy() && m_page->isAncestorOf(l->buddy()) && mnemonicOf(l->text()).isNull())
            want(l, l->buddy());
    }
    for (QGroupBox *g : m_page->findChildren<QGroupBox *>()) {
        if (g->isCheckable() || g->title().trimmed().isEmpty() || !mnemonicOf(g->title()).isNull())
            continue;
        if (QWidget *field = onlyFieldOf(g))
            want(g, field);
    }
    for (QAbstractButton *b : buttons) {
        if (!qobject_cast<QPushButton *>(b) && ownCaption(b))
            want(b, b);
    }

    QSet<QChar> taken = takenFor(m_page);
    QSet<const QWidget *> served;
    for (Entry &e : wanted) {
        if (!e.target || served.contains(e.target))
            continue;
        for (const QChar letter : lettersOf(captionOf(e.label))) {
            if (taken.contains(letter))
                continue;
            taken.insert(letter);
            served.insert(e.target);
            e.letter = letter;
            m_entries.append(e);
            break;
        }
    }

    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries.at(i);
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(e.letter.unicode())), m_page);
        shortcut->setProperty(OwnShortcut, true);
        // The page's keys work anywhere in the window while the page is shown; a hidden page's
        // shortcuts do not answer, so pages may use the same letters.
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, i] { activate(int(i)); });
        m_shortcuts.append(shortcut);
        for (QWidget *w : {e.label.data(), e.target.data()})
            w->installEventFilter(this);
    }
}

void TAccelerators::activate(int index)
{
    const Entry &e = m_entries.at(index);
    QWidget *target = e.target;
    // Only what a click or a click into the field could do.
    if (!target || !target->isVisible() || !target->isEnabled())
        return;
    if (target->focusPolicy() != Qt::NoFocus)
        target->setFocus(Qt::ShortcutFocusReason);
    if (auto *button = qobject_cast<QAbstractButton *>(target))
        button->click();
}

QChar TAccelerators::LetterOf(const QWidget *widget) const
{
    for (const Entry &e : m_entries) {
        if (e.label == widget || e.target == widget)
            return e.letter;
    }
    return {};
}

QString TAccelerators::ShownToolTip(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (const TAccelerators *self = Of(w)) {
            const QChar letter = self->LetterOf(widget);
            if (letter.isNull())
                break;
            const QString key = QStringLiteral("Alt+") + letter;
            return widget->toolTip().isEmpty() ? key : widget->toolTip() + QStringLiteral(" (") + key + QLatin1Char(')');
        }
    }
    return widget->toolTip();
}

bool TAccelerators::eventFilter(QObject *watched, QEvent *event)
{
    // The key joins the tooltip only as it is shown: the tooltip's text stays the one translated.
    if (event->type() == QEvent::ToolTip) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && !LetterOf(widget).isNull()) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), ShownToolTip(widget), widget);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kbx
