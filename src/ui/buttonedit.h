#pragma once
#include <QPixmap>
#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kbx {

// A single-line edit with a small flat button at its left: the button 22 pixels wide and as high as
// the control, the edit from 1 pixel right of it to 1 pixel before the right edge. Disabling the
// control disables both parts.
class TOxButtonEdit : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(bool Readonly READ Readonly WRITE setReadonly)
    Q_PROPERTY(bool Flat READ Flat WRITE setFlat)
    Q_PROPERTY(int SelStart READ SelStart WRITE setSelStart)
public:
    static constexpr int ButtonWidth = 22;

    explicit TOxButtonEdit(QWidget *parent = nullptr);

    QString Text() const;
    void setText(const QString &text);
    bool Readonly() const;
    void setReadonly(bool on);
    bool Flat() const;
    void setFlat(bool on);
    int SelStart() const;
    void setSelStart(int position);
    // A strip of images of the button's height: normal, then disabled.
    QPixmap Glyph() const { return m_glyph; }
    void setGlyph(const QPixmap &glyph);
    int NumGlyphs() const;

    QLineEdit *edit() const { return m_edit; }
    QToolButton *button() const { return m_button; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The button was pressed (for a TOxFileEdit: a name was picked).
    void buttonClicked();
    void textChanged(const QString &text);

protected:
    // What the button does; by default it reports the press.
    virtual void ButtonPress();
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutParts();

    QToolButton *m_button = nullptr;
    QLineEdit *m_edit = nullptr;
    QPixmap m_glyph;
};

} // namespace kbx
