#pragma once
#include <QWidget>

namespace kbx {

class TLoadHistory;

// The load graph: newest sample at the right edge, one column per sample, and a dotted red line at
// the highest load seen. It draws what the page holds; the page repaints it at each tick.
class TCPUGraph : public QWidget
{
    Q_OBJECT
public:
    TCPUGraph(const TLoadHistory &history, QWidget *parent = nullptr);

    void setMaxLoad(int load) { m_maxLoad = load; }
    int maxLoad() const { return m_maxLoad; }
    // Draws the graph as it stands onto `image` (the size of the widget).
    void render(QImage *image) const;

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void draw(QPainter &painter) const;

    const TLoadHistory &m_history;
    int m_maxLoad = 0;
};

} // namespace kbx
