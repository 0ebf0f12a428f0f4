#pragma once
#include <QWidget>

class QPlainTextEdit;

namespace kbx {

/// A read-only window that shows a plain text file in a fixed-pitch font, decoded as Windows-1252
/// (the program overview is drawn with that code page's characters).
class TTextViewer : public QWidget
{
public:
    explicit TTextViewer(QWidget *parent = nullptr);

    /// Loads `path`; false with the file and the system's reason in `error` when it cannot be read,
    /// and the window keeps what it showed.
    bool load(const QString &path, QString *error = nullptr);
    QString text() const;

private:
    QPlainTextEdit *m_text;
};

} // namespace kbx
