#include "ui/textviewer.h"

#include "ui/codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace kbx {

TTextViewer::TTextViewer(QWidget *parent) : QWidget(parent, Qt::Window), m_text(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("TextViewer"));
    m_text->setObjectName(QStringLiteral("TextViewerText"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
    // Wide enough for the 80 columns such files are drawn in.
    const QFontMetrics metrics(m_text->font());
    resize(metrics.horizontalAdvance(QString(84, QLatin1Char('M'))) + 30, metrics.lineSpacing() * 32);
}

bool TTextViewer::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString());
        return false;
    }
    QString text = DecodeWindows1252(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_text->setPlainText(text);
    setWindowTitle(QFileInfo(path).fileName());
    return true;
}

QString TTextViewer::text() const
{
    return m_text->toPlainText();
}

} // namespace kbx
