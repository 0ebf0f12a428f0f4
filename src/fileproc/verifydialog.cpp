#include "fileproc/verifydialog.h"

#include "engine/sidecar.h"
#include "fileproc/fileprocpage_text.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kbx {

using filepage::Tr;

namespace {

QString StatusText(VerifyStatus status)
{
    switch (status) {
    case VerifyStatus::Ok: return Tr(QStringLiteral("OK"));
    case VerifyStatus::Damaged: return Tr(QStringLiteral("damaged"));
    case VerifyStatus::Missing: return Tr(QStringLiteral("missing"));
    }
    return {};
}

} // namespace

QString VerifySummaryText(const VerifyReport &report)
{
    if (!report.error.empty())
        return QString::fromLocal8Bit(report.error.c_str());
    QString text = QString::number(report.items.size()) + QLatin1Char(' ') + Tr(QStringLiteral("files checked"))
        + QStringLiteral(": ") + QString::number(report.ok) + QLatin1Char(' ') + Tr(QStringLiteral("OK"))
        + QStringLiteral(", ") + QString::number(report.damaged) + QLatin1Char(' ') + Tr(QStringLiteral("damaged"))
        + QStringLiteral(", ") + QString::number(report.missing) + QLatin1Char(' ') + Tr(QStringLiteral("missing"));
    if (!report.badLines.empty())
        text += QStringLiteral(", ") + QString::number(report.badLines.size()) + QLatin1Char(' ')
            + Tr(QStringLiteral("unreadable lines"));
    return text;
}

TVerifyDialog::TVerifyDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("VerifyDialog"));
    setWindowTitle(Tr(QStringLiteral("Verify checksums")));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("verifyList"));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({Tr(QStringLiteral("File")), Tr(QStringLiteral("Result")), Tr(QStringLiteral("Details"))});
    m_list->setRootIsDecorated(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("verifySummary"));
    m_summary->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *column = new QVBoxLayout(this);
    column->addWidget(m_list, 1);
    column->addWidget(m_summary);
    column->addWidget(buttons);
    resize(560, 320);
}

VerifyReport TVerifyDialog::Run(const QString &listPath)
{
    m_list->clear();
    m_summary->setText(Tr(QStringLiteral("Checking...")));
    setWindowTitle(Tr(QStringLiteral("Verify checksums")) + QStringLiteral(" - ") + listPath);
    auto add = [this](const VerifyItem &item) {
        auto *row = new QTreeWidgetItem(m_list);
        row->setText(0, QString::fromLocal8Bit(item.name.c_str()));
        row->setText(1, StatusText(item.status));
        row->setText(2, QString::fromLocal8Bit(item.detail.c_str()));
        if (item.status != VerifyStatus::Ok) {
            row->setForeground(1, QColor(0xC0, 0x00, 0x00));
            QFont bold = row->font(1);
            bold.setBold(true);
            row->setFont(1, bold);
        }
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const VerifyReport report = VerifySidecar(filepage::NativeName(listPath), {}, add);
    for (const std::string &line : report.badLines) {
        auto *row = new QTreeWidgetItem(m_list);
        row->setText(0, QString::fromLocal8Bit(line.c_str()));
        row->setText(1, Tr(QStringLiteral("not a checksum line")));
    }
    m_summary->setText(VerifySummaryText(report));
    return report;
}

QString TVerifyDialog::SummaryText() const
{
    return m_summary->text();
}

} // namespace kbx
