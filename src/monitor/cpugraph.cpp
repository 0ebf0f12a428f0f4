#include "monitor/cpugraph.h"

#include "monitor/cpusampler.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace kbx {

TCPUGraph::TCPUGraph(const TLoadHistory &history, QWidget *parent)
    : QWidget(parent)
    , m_history(history)
{
    setMinimumSize(100, 60);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCPUGraph::render(QImage *image) const
{
    QPainter painter(image);
    draw(painter);
}

void TCPUGraph::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    draw(painter);
}

void TCPUGraph::mouseDoubleClickEvent(QMouseEvent *)
{
    emit doubleClicked();
}

void TCPUGraph::draw(QPainter &painter) const
{
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (m_maxLoad > 0) {
        painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::DotLine));
        const int y = CpuGraphY(m_maxLoad, h);
        painter.drawLine(0, y, w - 1, y);
    }
    painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::SolidLine));
    // Never more segments than the history holds samples.
    const int segments = std::min(w, TLoadHistory::Size - 1);
    QPolygon line(segments + 1);
    for (int k = 0; k <= segments; ++k)
        line.setPoint(k, w - k, CpuGraphY(m_history.at(k), h));
    painter.drawPolyline(line);
}

} // namespace kbx
