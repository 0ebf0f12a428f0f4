#include "shell/aboutbox.h"

#include "ui/translator.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace kbx {

TAboutBox::TAboutBox(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(Translate(QStringLiteral("Info about Kinbox")));
    setWindowOpacity(220.0 / 255.0);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(QGuiApplication::windowIcon().pixmap(48, 48));
    if (parent)
        icon->setPixmap(parent->windowIcon().pixmap(48, 48));

    auto *product = new QLabel(QStringLiteral("Kinbox ") + QLatin1String(KINBOX_VERSION), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    product->setFont(bold);

    auto *description = new QLabel(Translate(QStringLiteral("Split, merge, check and back up your video files")), this);
    description->setObjectName(QStringLiteral("Comments"));
    QFont italic = description->font();
    italic.setItalic(true);
    description->setFont(italic);

    auto *credit = new QLabel(Translate(QStringLiteral("Made by the Fernhill Crew")), this);
    credit->setObjectName(QStringLiteral("Copyright"));

    m_address = new QLabel(WebsiteAddress(), this);
    m_address->setObjectName(QStringLiteral("WebAddress"));
    QFont underlined = m_address->font();
    underlined.setUnderline(true);
    m_address->setFont(underlined);
    m_address->setStyleSheet(QStringLiteral("color: navy;"));
    // Clicks on the labels reach the box, which tells the address from the rest by position.
    for (QLabel *label : {icon, product, description, credit, m_address})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setMouseTracking(true);

    auto *texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(description);
    texts->addWidget(credit);
    texts->addWidget(m_address);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    adjustSize();
}

QString TAboutBox::WebsiteAddress()
{
    return QStringLiteral("https://kinbox.example.org/");
}

QString TAboutBox::ContactAddress()
{
    return QStringLiteral("https://kinbox.example.org/contact");
}

void TAboutBox::mousePressEvent(QMouseEvent *event)
{
    if (m_address->geometry().contains(event->position().toPoint()))
        emit websiteRequested();
    else
        hide();
    event->accept();
}

void TAboutBox::mouseMoveEvent(QMouseEvent *event)
{
    setCursor(m_address->geometry().contains(event->position().toPoint()) ? Qt::PointingHandCursor
                                                                          : Qt::ArrowCursor);
}

void TAboutBox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace kbx
