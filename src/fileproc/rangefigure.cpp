#include "fileproc/rangefigure.h"

#include "common/textfuncs.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kbx {

namespace {

const QColor WholeFile(0x00, 0x80, 0x00);
const QColor PartColor(0x00, 0x00, 0xFF);
const QColor Running(0xFF, 0x00, 0x00);

// Bands as half-open pixel rows: the input above, the output below.
constexpr int InputTop = 0, InputBottom = 18;
constexpr int OutputTop = 20, OutputBottom = 38;

// Rectangles here are half open, [x1, x2) × [y1, y2), and clipped to the image by QPainter.
QRect band(int x1, int y1, int x2, int y2)
{
    return QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
}

void outline(QPainter &p, const QColor &color, int x1, int y1, int x2, int y2)
{
    if (x2 - x1 < 1)
        return;
    p.setPen(QPen(color, 0));
    p.setBrush(Qt::NoBrush);
    // A cosmetic pen draws a rectangle one pixel wider and higher than its size.
    p.drawRect(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void hatch(QPainter &p, const QColor &color, Qt::BrushStyle style, int x1, int y1, int x2, int y2)
{
    if (x2 - x1 < 1)
        return;
    p.fillRect(band(x1, y1, x2, y2), QBrush(color, style));
    outline(p, color, x1, y1, x2, y2);
}

int limited(qint64 x, int width)
{
    return int(std::clamp<qint64>(x, 0, width));
}

} // namespace

TRangeFigure::TRangeFigure(QWidget *parent)
    : QWidget(parent)
    , m_image(FigureWidth, FigureHeight, QImage::Format_RGB32)
{
    setFixedSize(FigureWidth, FigureHeight);
    m_image.fill(palette().color(QPalette::Button));
}

void TRangeFigure::DrawRanges(const RangeFigureFacts &f)
{
    m_image.fill(palette().color(QPalette::Button));
    if (f.maxSize <= 0) {
        update();
        return;
    }
    const int width = FigureWidth;
    const double k = double(width + 1) / double(f.maxSize);
    const int sx = limited(Nearest(double(f.start) * k) + 1, width);
    const int ex = limited(Nearest(double(f.end) * k), width);

    QPainter p(&m_image);
    switch (f.function) {
    case FileFunction::Clone:
        hatch(p, WholeFile, Qt::BDiagPattern, 0, InputTop, width, InputBottom);
        hatch(p, PartColor, Qt::DiagCrossPattern, sx, InputTop, ex, InputBottom);
        hatch(p, PartColor, Qt::DiagCrossPattern, 0, OutputTop, width, OutputBottom);
        break;
    case FileFunction::Split:
        hatch(p, WholeFile, Qt::BDiagPattern, 0, InputTop, width, InputBottom);
        break;
    case FileFunction::Merge:
        hatch(p, WholeFile, Qt::BDiagPattern, 0, OutputTop, width, OutputBottom);
        break;
    case FileFunction::Truncate:
    case FileFunction::Crc:
        hatch(p, WholeFile, Qt::BDiagPattern, 0, InputTop, width, OutputBottom);
        hatch(p, PartColor, Qt::DiagCrossPattern, sx, InputTop, ex, OutputBottom);
        break;
    case FileFunction::MergeSplit:
        break;
    }

    if (IsMergeFunction(f.function)) {
        int x = sx;
        for (const qint64 size : f.entrySizes) {
            if (x >= width)
                break;
            const int w = int(std::max<qint64>(Nearest(double(size) * k), 2));
            outline(p, WholeFile, x, InputTop, std::min(x + w, width), InputBottom);
            x += w;
        }
    }
    if (IsSplitFunction(f.function)) {
        const qint64 step = std::max<qint64>(Nearest(double(f.partLength) * k), 2);
        qint64 right = 0;
        for (qint64 j = 1; right < 315 && right < width; ++j) {
            right = j * step;
            outline(p, PartColor, sx, OutputTop, limited(right, width), OutputBottom);
        }
    }
    update();
}

void TRangeFigure::DrawRunning(qint64 start, qint64 maxSize, qint64 read, qint64 written, qint64 writerTotal)
{
    if (maxSize <= 0)
        return;
    const int width = FigureWidth;
    const double k = double(width + 1) / double(maxSize);
    const int sx = limited(Nearest(double(start) * k) + 1, width);
    QPainter p(&m_image);
    if (writerTotal > 0) {
        const int wx = limited(Nearest(double(written) / double(writerTotal) * (width + 1)), width + 1);
        p.fillRect(band(1, OutputTop, wx, OutputBottom), Running);
    }
    const qint64 rx = sx + Nearest(double(read) * k);
    p.fillRect(band(sx, InputTop, limited(rx, width + 1), InputBottom), Running);
    update();
}

void TRangeFigure::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

void TRangeFigure::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    else if (event->button() == Qt::RightButton)
        emit menuRequested(event->globalPosition().toPoint());
}

TProgressImage::TProgressImage(QWidget *parent)
    : QWidget(parent)
{
    setFixedHeight(TRangeFigure::FigureHeight);
    SetBarWidth(0);
}

void TProgressImage::SetBarWidth(int width)
{
    setFixedWidth(std::clamp(width, 0, BarWidth));
}

void TProgressImage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor base = palette().color(QPalette::Highlight);
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, base.lighter(140));
    shade.setColorAt(0.5, base);
    shade.setColorAt(1, base.darker(130));
    p.fillRect(rect(), shade);
}

void TProgressImage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    else if (event->button() == Qt::RightButton)
        emit menuRequested(event->globalPosition().toPoint());
}

TActivityDot::TActivityDot(const QColor &color, QWidget *parent)
    : QWidget(parent)
    , m_color(color)
{
    setFixedSize(10, 10);
}

void TActivityDot::SetOn(bool on)
{
    if (m_on == on)
        return;
    m_on = on;
    update();
}

void TActivityDot::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(palette().color(QPalette::Mid));
    p.setBrush(m_on ? m_color : palette().color(QPalette::Button));
    p.drawEllipse(QRectF(0.5, 0.5, width() - 1.0, height() - 1.0));
}

} // namespace kbx
