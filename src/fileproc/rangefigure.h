#pragma once
// The Files page's pictures: the range figure that shows which bytes a function touches, the
// overall-progress bar laid over it, and the small activity lights of the copy engine's workers.

#include "fileproc/functions.h"

#include <QImage>
#include <QList>
#include <QWidget>

namespace kbx {

// What the idle figure shows.
struct RangeFigureFacts
{
    FileFunction function = FileFunction::Split;
    qint64 maxSize = 0;
    qint64 start = 0;
    qint64 end = 0;
    qint64 partLength = 0;
    QList<qint64> entrySizes;   // join-list entries, in order
};

class TRangeFigure : public QWidget
{
    Q_OBJECT
public:
    static constexpr int FigureWidth = 316;
    static constexpr int FigureHeight = 37;

    explicit TRangeFigure(QWidget *parent = nullptr);

    // The idle picture: input band (rows 0-17) and output band (rows 20-37).
    void DrawRanges(const RangeFigureFacts &facts);
    // The running picture: what has been read and written so far, in red over the idle one.
    void DrawRunning(qint64 start, qint64 maxSize, qint64 read, qint64 written, qint64 writerTotal);
    const QImage &Image() const { return m_image; }

    QSize sizeHint() const override { return QSize(FigureWidth, FigureHeight); }

signals:
    void clicked();
    void menuRequested(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage m_image;
};

// The overall-progress bar; its width is the progress.
class TProgressImage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int BarWidth = 315;

    explicit TProgressImage(QWidget *parent = nullptr);
    void SetBarWidth(int width);

signals:
    void clicked();
    void menuRequested(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
};

// A light that is on while a worker handles a slot.
class TActivityDot : public QWidget
{
    Q_OBJECT
public:
    TActivityDot(const QColor &color, QWidget *parent = nullptr);
    bool IsOn() const { return m_on; }
    void SetOn(bool on);

    QSize sizeHint() const override { return QSize(10, 10); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
    bool m_on = false;
};

} // namespace kbx
