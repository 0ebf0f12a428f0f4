#include "ui/buttonedit.h"

#include <QIcon>
#include <QLineEdit>
#include <QResizeEvent>
#include <QToolButton>

namespace kbx {

TOxButtonEdit::TOxButtonEdit(QWidget *parent)
    : QWidget(parent)
{
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("Button"));
    m_button->setAutoRaise(true);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_button->setIconSize(QSize(16, 16));

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("Edit"));
    setFocusProxy(m_edit);

    connect(m_button, &QToolButton::clicked, this, [this] { ButtonPress(); });
    connect(m_edit, &QLineEdit::textChanged, this, &TOxButtonEdit::textChanged);

    resize(121, 21);
    layoutParts();
}

QString TOxButtonEdit::Text() const
{
    return m_edit->text();
}

void TOxButtonEdit::setText(const QString &text)
{
    m_edit->setText(text);
    layoutParts();
}

bool TOxButtonEdit::Readonly() const
{
    return m_edit->isReadOnly();
}

void TOxButtonEdit::setReadonly(bool on)
{
    m_edit->setReadOnly(on);
}

bool TOxButtonEdit::Flat() const
{
    return m_button->autoRaise();
}

void TOxButtonEdit::setFlat(bool on)
{
    m_button->setAutoRaise(on);
}

int TOxButtonEdit::SelStart() const
{
    return m_edit->cursorPosition();
}

void TOxButtonEdit::setSelStart(int position)
{
    m_edit->setCursorPosition(position);
}

void TOxButtonEdit::setGlyph(const QPixmap &glyph)
{
    m_glyph = glyph;
    if (glyph.isNull()) {
        m_button->setIcon(QIcon());
        return;
    }
    const int side = glyph.height();
    QIcon icon;
    icon.addPixmap(glyph.copy(0, 0, side, side), QIcon::Normal);
    if (NumGlyphs() >= 2)
        icon.addPixmap(glyph.copy(side, 0, side, side), QIcon::Disabled);
    m_button->setIcon(icon);
}

int TOxButtonEdit::NumGlyphs() const
{
    if (m_glyph.height() == 0)
        return 1;
    return qMax(1, m_glyph.width() / m_glyph.height());
}

QSize TOxButtonEdit::sizeHint() const
{
    return QSize(121, qMax(21, m_edit->sizeHint().height()));
}

QSize TOxButtonEdit::minimumSizeHint() const
{
    return QSize(ButtonWidth + 2 + m_edit->minimumSizeHint().width(), qMax(21, m_edit->minimumSizeHint().height()));
}

void TOxButtonEdit::ButtonPress()
{
    emit buttonClicked();
}

void TOxButtonEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void TOxButtonEdit::layoutParts()
{
    const int h = height();
    m_button->setGeometry(0, 0, ButtonWidth, h);
    m_edit->setGeometry(ButtonWidth + 1, 0, qMax(0, width() - ButtonWidth - 2), h);
}

} // namespace kbx
