#pragma once
// The small "Info about Kinbox" box: a tool window on top of the others that closes on a click,
// except on the web address, which opens the maker's site.

#include <QWidget>

class QLabel;

namespace kbx {

class TAboutBox : public QWidget
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget *parent = nullptr);

    static QString WebsiteAddress();
    static QString ContactAddress();

signals:
    void websiteRequested();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_address = nullptr;
};

} // namespace kbx
