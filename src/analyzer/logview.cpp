#include "analyzer/logview.h"

#include "analyzer/logstore.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <limits>

namespace kbx {

namespace {

// Tab stops every 80 pixels and a 4-pixel margin, as a plain-text editor lays a line out.
constexpr int TabStop = 80;
constexpr int Margin = 4;
// The scroll bars hold ints.
constexpr qint64 MaxLines = std::numeric_limits<int>::max();

} // namespace

TLogView::TLogView(const TLogStore *store, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_store(store)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(20);
    updateScrollBars();
}

int TLogView::lineHeight() const
{
    return qMax(1, fontMetrics().height());
}

int TLogView::visibleLines() const
{
    return qMax(1, viewport()->height() / lineHeight());
}

qint64 TLogView::topLine() const
{
    return verticalScrollBar()->value();
}

int TLogView::widthOf(const QString &text) const
{
    const QFontMetrics fm = fontMetrics();
    int x = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype tab = text.indexOf(QLatin1Char('\t'), from);
        x += fm.horizontalAdvance(text.mid(from, tab < 0 ? -1 : tab - from));
        if (tab < 0)
            return x;
        x = (x / TabStop + 1) * TabStop;
        from = tab + 1;
    }
}

void TLogView::updateScrollBars()
{
    QScrollBar *v = verticalScrollBar();
    v->setPageStep(visibleLines());
    v->setRange(0, int(qMax<qint64>(0, qMin(m_lines, MaxLines) - visibleLines())));
    QScrollBar *h = horizontalScrollBar();
    h->setPageStep(viewport()->width());
    h->setRange(0, qMax(0, 2 * Margin + m_widest - viewport()->width()));
}

void TLogView::sync()
{
    const qint64 lines = m_store->lineCount();
    if (lines < m_lines) {
        reset();
        return;
    }
    if (lines == m_lines)
        return;
    // Text lines are few (one per run's start and end) and the widest; pack lines are measured
    // when they are painted.
    for (qint64 i = m_lines; i < lines && i < m_lines + 4; ++i)
        m_widest = qMax(m_widest, widthOf(m_store->line(i)));
    if (lines - m_lines > 4)
        m_widest = qMax(m_widest, widthOf(m_store->line(lines - 1)));
    m_lines = lines;
    updateScrollBars();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    viewport()->update();
}

void TLogView::reset()
{
    m_lines = m_store->lineCount();
    m_anchor = m_current = -1;
    m_widest = 0;
    updateScrollBars();
    viewport()->update();
}

void TLogView::selectLines(qint64 first, qint64 last)
{
    if (m_lines == 0)
        return;
    m_anchor = qBound<qint64>(0, first, m_lines - 1);
    m_current = qBound<qint64>(0, last, m_lines - 1);
    viewport()->update();
}

void TLogView::selectAll()
{
    selectLines(0, m_lines - 1);
}

QString TLogView::selectedText() const
{
    if (m_anchor < 0)
        return {};
    return m_store->text(qMin(m_anchor, m_current), qMax(m_anchor, m_current));
}

void TLogView::copy()
{
    if (hasSelection())
        QApplication::clipboard()->setText(selectedText());
}

QString TLogView::toPlainText() const
{
    return m_store->text(0, m_lines - 1);
}

int TLogView::blockCount() const
{
    return int(qBound<qint64>(1, m_lines, MaxLines));
}

void TLogView::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    const QFontMetrics fm = fontMetrics();
    const int height = lineHeight();
    const int left = Margin - horizontalScrollBar()->value();
    const qint64 top = topLine();
    const qint64 end = qMin(m_lines, top + visibleLines() + 1);
    const qint64 selFirst = qMin(m_anchor, m_current);
    const qint64 selLast = qMax(m_anchor, m_current);
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const QColor text = palette().color(group, QPalette::Text);
    const QColor selectedText = palette().color(group, QPalette::HighlightedText);
    const QColor red(255, 0, 0);
    int widest = m_widest;
    for (qint64 i = top; i < end; ++i) {
        const int y = int(i - top) * height;
        const bool selected = m_anchor >= 0 && i >= selFirst && i <= selLast;
        if (selected)
            painter.fillRect(0, y, viewport()->width(), height, palette().brush(group, QPalette::Highlight));
        const QString line = m_store->line(i);
        const int redStart = m_store->redStart(i);
        const int baseline = y + fm.ascent();
        // Runs between tabs; the red value text is the end of the last run.
        int x = 0;
        qsizetype from = 0;
        for (;;) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
            const qsizetype runEnd = tab < 0 ? line.size() : tab;
            const qsizetype plainEnd = redStart >= from && redStart < runEnd ? redStart : runEnd;
            const QString plain = line.mid(from, plainEnd - from);
            painter.setPen(selected ? selectedText : text);
            painter.drawText(left + x, baseline, plain);
            x += fm.horizontalAdvance(plain);
            if (plainEnd < runEnd) {
                const QString value = line.mid(plainEnd, runEnd - plainEnd);
                painter.setPen(selected ? selectedText : red);
                painter.drawText(left + x, baseline, value);
                x += fm.horizontalAdvance(value);
            }
            if (tab < 0)
                break;
            x = (x / TabStop + 1) * TabStop;
            from = tab + 1;
        }
        widest = qMax(widest, x);
    }
    if (widest != m_widest) {
        // Widening the scroll range repaints nothing already painted; schedule it after this paint.
        m_widest = widest;
        QMetaObject::invokeMethod(this, &TLogView::updateScrollBars, Qt::QueuedConnection);
    }
}

void TLogView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TLogView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollBars();
}

qint64 TLogView::lineAt(int y) const
{
    return qBound<qint64>(0, topLine() + y / lineHeight(), qMax<qint64>(0, m_lines - 1));
}

void TLogView::moveCurrent(qint64 line, bool extend)
{
    if (m_lines == 0)
        return;
    line = qBound<qint64>(0, line, m_lines - 1);
    if (!extend || m_anchor < 0)
        m_anchor = line;
    m_current = line;
    QScrollBar *v = verticalScrollBar();
    if (line < v->value())
        v->setValue(int(qMin(line, MaxLines)));
    else if (line >= v->value() + visibleLines())
        v->setValue(int(qMin(line - visibleLines() + 1, MaxLines)));
    viewport()->update();
}

void TLogView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && event->position().y() < qint64(m_lines - topLine()) * lineHeight())
        moveCurrent(lineAt(int(event->position().y())), event->modifiers() & Qt::ShiftModifier);
    else if (event->button() == Qt::LeftButton)
        moveCurrent(m_lines - 1, event->modifiers() & Qt::ShiftModifier);
    QAbstractScrollArea::mousePressEvent(event);
}

void TLogView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        moveCurrent(lineAt(int(qMax<qreal>(0, event->position().y()))), true);
    QAbstractScrollArea::mouseMoveEvent(event);
}

void TLogView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const qint64 at = m_current < 0 ? topLine() : m_current;
    switch (event->key()) {
    case Qt::Key_Up: moveCurrent(at - 1, extend); return;
    case Qt::Key_Down: moveCurrent(m_current < 0 ? at : at + 1, extend); return;
    case Qt::Key_PageUp: moveCurrent(at - visibleLines(), extend); return;
    case Qt::Key_PageDown: moveCurrent(at + visibleLines(), extend); return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) {
            moveCurrent(0, extend);
            return;
        }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) {
            moveCurrent(m_lines - 1, extend);
            return;
        }
        break;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TLogView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("&Copy"), this, &TLogView::copy);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    QAction *all = menu.addAction(tr("Select All"), this, &TLogView::selectAll);
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(m_lines > 0);
    menu.exec(event->globalPos());
}

} // namespace kbx
