#pragma once
// Alt+letter keys for the labelled buttons and fields of a page. The captions stay as they are (no
// "&" enters a text others compare); each control gets a letter of its own caption, free on its page
// and in its window, and shows the key in its tooltip.

#include <QChar>
#include <QList>
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QKeySequence;
class QShortcut;
class QWidget;

namespace kbx {

class TAccelerators : public QObject
{
    Q_OBJECT
public:
    // One control's key: the letter, the control that labels it (a button labels itself) and what
    // the key reaches (the button clicked, or the field focused).
    struct Entry {
        QChar letter;
        QPointer<QWidget> label;
        QPointer<QWidget> target;
    };

    // (Re)assigns the keys of `page` from its current captions, after construction and again after a
    // language change; `first` (the page's start button) is served before everything else.
    static TAccelerators *Assign(QWidget *page, QAbstractButton *first = nullptr);
    // The assigner of `page`, or null before the first Assign.
    static TAccelerators *Of(const QWidget *page);

    const QList<Entry> &Entries() const { return m_entries; }
    // The key of a control, labelling widget or target alike; null when it has none.
    QChar LetterOf(const QWidget *widget) const;
    // The tooltip `widget` shows: its own with the key added.
    static QString ShownToolTip(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TAccelerators(QWidget *page);
    void assign(QAbstractButton *first);
    void activate(int index);

    QWidget *m_page;
    QList<Entry> m_entries;
    QList<QShortcut *> m_shortcuts;
};

} // namespace kbx
