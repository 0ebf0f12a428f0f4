#pragma once
// A status text with a fixed place: it takes at most a given number of lines whatever it says, so
// nothing beside or above it moves when it changes; what does not fit ends in "…", and the whole
// text shows as the tooltip. text() stays the whole text.

#include <QLabel>

namespace kbx {

class TElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TElidedLabel(int lines = 1, QWidget *parent = nullptr);

    int Lines() const { return m_lines; }
    // Whether the text as last painted did not fit.
    bool IsElided() const { return m_elided; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // A wrapping label would ask for the height of all its lines at a narrow width.
    bool hasHeightForWidth() const override { return false; }
    int heightForWidth(int) const override { return sizeHint().height(); }

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The lines shown in `width`, the last one elided when the text needs more; sets m_elided.
    QStringList shownLines(int width) const;

    int m_lines;
    mutable bool m_elided = false;
};

} // namespace kbx
