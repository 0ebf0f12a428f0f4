#pragma once
// The result of checking a checksum list: one row per listed file (OK, damaged or missing) and a
// summary line. Filled while the files are checked, so a long check shows its progress.

#include <QDialog>

class QLabel;
class QTreeWidget;

namespace kbx {

struct VerifyReport;

class TVerifyDialog : public QDialog
{
    Q_OBJECT
public:
    explicit TVerifyDialog(QWidget *parent = nullptr);

    // Checks every file `listPath` names and shows each result as it comes; returns the report.
    VerifyReport Run(const QString &listPath);
    QString SummaryText() const;

private:
    QTreeWidget *m_list = nullptr;
    QLabel *m_summary = nullptr;
};

// The summary line of a verification, e.g. "3 files checked: 2 OK, 1 damaged, 0 missing".
QString VerifySummaryText(const VerifyReport &report);

} // namespace kbx
