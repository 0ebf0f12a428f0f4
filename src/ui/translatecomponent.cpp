#include "ui/translator.h"

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>

namespace kbx {

namespace {

QString withoutFirstAmpersand(QString text)
{
    const qsizetype ampersand = text.indexOf(QLatin1Char('&'));
    if (ampersand >= 0)
        text.remove(ampersand, 1);
    return text;
}

// Setting an unchanged text would still clear a label's picture or re-run a layout.
void setLabelText(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

void setButtonText(QAbstractButton *button, const QString &text)
{
    if (button->text() != text)
        button->setText(text);
}

// A page of a tab widget: its parent is the tab widget's stack.
QTabWidget *pageOwner(QWidget *widget)
{
    auto *stack = qobject_cast<QStackedWidget *>(widget->parent());
    return stack ? qobject_cast<QTabWidget *>(stack->parent()) : nullptr;
}

} // namespace

void TTranslator::TranslateComponent(QObject *component) const
{
    if (!component)
        return;
    for (QObject *child : component->children()) {
        translateOne(child);
        if (!child->children().isEmpty())
            TranslateComponent(child);
    }
}

// The rules in their fixed order; a label takes rules 1 and 9, so its caption is translated twice.
void TTranslator::translateOne(QObject *object) const
{
    auto *label = qobject_cast<QLabel *>(object);
    if (label)
        setLabelText(label, Translate(withoutFirstAmpersand(label->text())));

    if (auto *checkBox = qobject_cast<QCheckBox *>(object)) {
        setButtonText(checkBox, Translate(withoutFirstAmpersand(checkBox->text())));
        // Fit the box to its new caption: the caption's width in the window's font plus the check
        // mark's 18 pixels, or what the style needs when its check mark is wider.
        const QFontMetrics metrics(checkBox->window()->font());
        const int width = qMax(metrics.horizontalAdvance(checkBox->text()) + 18, checkBox->sizeHint().width());
        checkBox->resize(width, checkBox->height());
    }

    auto *widget = qobject_cast<QWidget *>(object);
    if (widget) {
        if (QTabWidget *tabs = pageOwner(widget)) {
            const int index = tabs->indexOf(widget);
            if (index >= 0) {
                const QString text = Translate(withoutFirstAmpersand(tabs->tabText(index)));
                if (tabs->tabText(index) != text)
                    tabs->setTabText(index, text);
            }
        }
    }

    if (auto *radio = qobject_cast<QRadioButton *>(object))
        setButtonText(radio, Translate(withoutFirstAmpersand(radio->text())));

    if (auto *group = qobject_cast<QGroupBox *>(object)) {
        const QString title = Translate(withoutFirstAmpersand(group->title()));
        if (group->title() != title)
            group->setTitle(title);
    }

    if (auto *action = qobject_cast<QAction *>(object)) {
        if (!action->isSeparator()) {
            const QString text = Translate(withoutFirstAmpersand(action->text()));
            if (action->text() != text)
                action->setText(text);
        }
    }

    if (auto *button = qobject_cast<QPushButton *>(object))
        setButtonText(button, Translate(button->text()));

    if (auto *speedButton = qobject_cast<QToolButton *>(object)) {
        if (speedButton->autoRaise())
            setButtonText(speedButton, Translate(speedButton->text()));
    }

    if (label)
        setLabelText(label, Translate(label->text()));

    if (widget) {
        const QString hint = Translate(widget->toolTip());
        if (widget->toolTip() != hint)
            widget->setToolTip(hint);
    }
}

} // namespace kbx
