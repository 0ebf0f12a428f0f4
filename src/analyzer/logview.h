#pragma once
// The Analyze page's log view: paints only the lines in sight straight from the log store, so a
// log of millions of lines costs no layout. Out-of-range value texts are red; whole lines are
// selected with the mouse or the keyboard and copied as text.

#include <QAbstractScrollArea>

namespace kbx {

class TLogStore;

class TLogView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TLogView(const TLogStore *store, QWidget *parent = nullptr);

    // Shows the lines appended to the store since the last call and follows the end of the log.
    void sync();
    // After the store has been cleared.
    void reset();
    // Lines the view shows (the store may hold more until the next sync).
    qint64 lineCount() const { return m_lines; }

    void selectLines(qint64 first, qint64 last);
    void selectAll();
    bool hasSelection() const { return m_anchor >= 0; }
    // The selected lines joined by line breaks.
    QString selectedText() const;
    // The selected lines to the clipboard.
    void copy();

    // The whole log as one text, lines joined by line breaks.
    QString toPlainText() const;
    // Lines of the log; an empty log counts one empty line, as an editor does.
    int blockCount() const;

    // The first line in sight.
    qint64 topLine() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int lineHeight() const;
    int visibleLines() const;
    void updateScrollBars();
    void moveCurrent(qint64 line, bool extend);
    qint64 lineAt(int y) const;
    int widthOf(const QString &text) const;

    const TLogStore *m_store;
    qint64 m_lines = 0;
    qint64 m_anchor = -1;   // selection: the lines from anchor to current, both included
    qint64 m_current = -1;
    int m_widest = 0;       // widest line measured so far, in pixels
};

} // namespace kbx
