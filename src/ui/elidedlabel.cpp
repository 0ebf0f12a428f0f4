#include "ui/elidedlabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QToolTip>

namespace kbx {

TElidedLabel::TElidedLabel(int lines, QWidget *parent)
    : QLabel(parent), m_lines(qMax(1, lines))
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

QSize TElidedLabel::sizeHint() const
{
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(text()) + m.left() + m.right(),
            m_lines * fontMetrics().lineSpacing() + m.top() + m.bottom()};
}

QSize TElidedLabel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(QChar(0x2026)) + m.left() + m.right(), sizeHint().height()};
}

QStringList TElidedLabel::shownLines(int width) const
{
    m_elided = false;
    QStringList lines;
    const QString whole = text();
    if (whole.isEmpty() || width <= 0)
        return lines;
    QTextLayout layout(whole, font());
    QTextOption option;
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() + 1 == m_lines) {
            // The last line shown takes the rest of the text, cut to fit.
            const QString rest = whole.mid(line.textStart()).simplified();
            const QString shown = fontMetrics().elidedText(rest, Qt::ElideRight, width);
            m_elided = shown != rest;
            lines << shown;
            break;
        }
        lines << whole.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void TElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect area = contentsRect();
    const QStringList lines = shownLines(area.width());
    const int lineHeight = fontMetrics().lineSpacing();
    // Centred in its place as a one-line label would be.
    int y = area.top() + (area.height() - int(lines.size()) * lineHeight) / 2;
    for (const QString &line : lines) {
        const QRect row(area.left(), y, area.width(), lineHeight);
        const int horizontal = int(QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask);
        style()->drawItemText(&p, row, horizontal | Qt::AlignVCenter, palette(), isEnabled(), line, foregroundRole());
        y += lineHeight;
    }
}

bool TElidedLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        shownLines(contentsRect().width());
        if (m_elided)
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

} // namespace kbx
