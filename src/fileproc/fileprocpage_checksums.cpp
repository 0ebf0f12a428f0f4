// Which checksums a job computes, the checksum list written beside its output, and checking such
// lists: from the options menu, and before a merge of parts that have one beside them.

#include "fileproc/fileprocpage.h"

#include "engine/filejob.h"
#include "engine/sidecar.h"
#include "fileproc/fileprocpage_text.h"
#include "fileproc/joinlist.h"
#include "fileproc/verifydialog.h"
#include "ui/dialogs.h"
#include "ui/fileedit.h"
#include "ui/named.h"
#include "ui/page.h"
#include "ui/translator.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>

namespace kbx {

using filepage::LineBreak;
using filepage::NativeName;
using filepage::Tr;

namespace {

const QString KeyHashKinds = QStringLiteral("HashKinds");
const QString KeySidecar = QStringLiteral("Sidecar");

QAction *checkAction(QMenu *menu, const char *name, const char *caption, bool checked)
{
    auto *action = named(menu->addAction(QString::fromLatin1(caption)), name);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

} // namespace

void TFileProcPage::buildChecksumItems()
{
    pm_FileOptions->addSeparator();
    QMenu *kinds = named(pm_FileOptions->addMenu(QStringLiteral("Checksums")), "mi_Checksums");
    cbHashKinbox = checkAction(kinds, "cbHashKinbox", "Kinbox CRC", true);
    cbHashCrc32 = checkAction(kinds, "cbHashCrc32", "standard CRC-32", false);
    cbHashSha256 = checkAction(kinds, "cbHashSha256", "SHA-256", false);

    QMenu *sidecar = named(pm_FileOptions->addMenu(QStringLiteral("Checksum file")), "mi_Sidecar");
    auto *group = new QActionGroup(this);
    cbSidecarNone = checkAction(sidecar, "cbSidecarNone", "none", true);
    cbSidecarSfv = checkAction(sidecar, "cbSidecarSfv", "SFV (.sfv)", false);
    cbSidecarSha256 = checkAction(sidecar, "cbSidecarSha256", "SHA-256 (.sha256)", false);
    for (QAction *item : {cbSidecarNone, cbSidecarSfv, cbSidecarSha256})
        group->addAction(item);
    mi_VerifyChecksums = named(pm_FileOptions->addAction(QStringLiteral("Verify checksum file...")),
                               "mi_VerifyChecksums");
    connect(mi_VerifyChecksums, &QAction::triggered, this, &TFileProcPage::mi_VerifyChecksumsClick);
}

unsigned TFileProcPage::HashKinds() const
{
    unsigned kinds = 0;
    if (cbHashKinbox->isChecked())
        kinds |= HashKinbox;
    if (cbHashCrc32->isChecked())
        kinds |= HashCrc32;
    if (cbHashSha256->isChecked())
        kinds |= HashSha256;
    return kinds;
}

int TFileProcPage::SidecarChoice() const
{
    return cbSidecarSfv->isChecked() ? 1 : cbSidecarSha256->isChecked() ? 2 : 0;
}

void TFileProcPage::applyChecksumSettings(FileJobSettings &settings) const
{
    if (!settings.computeCrc)
        return;
    unsigned kinds = HashKinds();
    // The list's own sum, computed on the way, spares a second read of a single output.
    if (SidecarChoice() == 1)
        kinds |= HashCrc32;
    else if (SidecarChoice() == 2)
        kinds |= HashSha256;
    settings.hashKinds = kinds ? kinds : unsigned(HashKinbox);
}

QString TFileProcPage::plannedSidecar() const
{
    if (SidecarChoice() == 0 || Function() == FileFunction::Truncate)
        return {};
    const SidecarKind kind = SidecarChoice() == 1 ? SidecarKind::Sfv : SidecarKind::Sha256;
    const QString base = Function() == FileFunction::Crc ? inputFName->Text() : outputFName->Text();
    return QFile::decodeName(QByteArray::fromStdString(SidecarName(NativeName(base), kind)));
}

bool TFileProcPage::checksumChecksBeforeStart()
{
    if (IsMergeFunction(Function())) {
        std::vector<std::string> parts;
        for (const QString &entry : JoinEntries())
            parts.push_back(NativeName(JoinEntryPath(entry)));
        const QString list = QFile::decodeName(QByteArray::fromStdString(FindSidecarFor(parts)));
        if (!list.isEmpty()
            && filepage::Ask(Tr(QStringLiteral("The files to merge have a checksum file beside them:")) + LineBreak
                             + QLatin1Char('"') + list + QLatin1Char('"') + LineBreak
                             + Tr(QStringLiteral("Verify them before merging ?")))) {
            const VerifyReport report = showVerification(list);
            if (!report.Passed()) {
                filepage::TellTranslated(this, Tr(QStringLiteral("The merge was not started: a part is damaged or missing."))
                                                   + LineBreak + VerifySummaryText(report));
                return false;
            }
        }
    }
    const QString sidecar = plannedSidecar();
    if (!sidecar.isEmpty() && QFileInfo::exists(sidecar)) {
        const QString text = Tr(QStringLiteral("The checksum file")) + QStringLiteral(" \"") + sidecar
            + QStringLiteral("\" ") + Tr(QStringLiteral("exists already.")) + LineBreak
            + Tr(QStringLiteral("Replace it ?"));
        const auto answer = Dialogs::instance().message(this, QMessageBox::Question, ApplicationTitle(), text,
                                                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return false;
        m_sidecarReplaceAsked = true;
    } else {
        m_sidecarReplaceAsked = false;
    }
    return true;
}

QString TFileProcPage::checksumSummary()
{
    QString text;
    TCRCComputer &sums = m_job->Checksum();
    const unsigned kinds = m_job->CrcEnabled() ? m_job->Settings().hashKinds : 0;
    if ((kinds & HashCrc32) && (kinds & HashKinbox))
        text += QStringLiteral(", CRC-32: ") + QString::fromStdString(Hex32(sums.Sums.Crc32()));
    if (kinds & HashSha256)
        text += QStringLiteral(", SHA-256: ") + QString::fromStdString(sums.Sums.Sha256Hex());
    if (SidecarChoice() != 0 && !m_aborted) {
        const SidecarKind kind = SidecarChoice() == 1 ? SidecarKind::Sfv : SidecarKind::Sha256;
        try {
            const std::string path = WriteJobSidecar(*m_job, kind, m_sidecarReplaceAsked);
            text += QStringLiteral(", ") + Tr(QStringLiteral("checksum file")) + QStringLiteral(" \"")
                + QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).fileName() + QLatin1Char('"');
        } catch (const std::exception &error) {
            text += QStringLiteral(", ") + QString::fromLocal8Bit(error.what());
        }
    }
    return text;
}

quint32 TFileProcPage::shownCrc(bool &show) const
{
    const unsigned kinds = m_job->Settings().hashKinds;
    // The status line shows the Kinbox CRC unless only the standard one was chosen.
    if (show && !(kinds & HashKinbox) && (kinds & HashCrc32))
        return m_job->Checksum().Sums.Crc32();
    if (!(kinds & (HashKinbox | HashCrc32)))
        show = false;
    return m_job->Checksum().Crc.load(std::memory_order_relaxed);
}

VerifyReport TFileProcPage::showVerification(const QString &list)
{
    if (!m_verifyDialog)
        m_verifyDialog = new TVerifyDialog(this);
    m_verifyDialog->show();
    m_verifyDialog->raise();
    const VerifyReport report = m_verifyDialog->Run(list);
    fpStatus->setText(VerifySummaryText(report));
    return report;
}

void TFileProcPage::mi_VerifyChecksumsClick()
{
    if (m_busy)
        return;
    FileDialogRequest request;
    request.title = Tr(QStringLiteral("Select checksum file..."));
    request.filter = QStringLiteral("Checksum files (*.sfv *.sha256 *.md5);;All files (*)");
    const QString list = Dialogs::instance().openFileName(this, request);
    if (!list.isEmpty())
        showVerification(list);
}

QStringList TFileProcPage::ChecksumSettingKeys() const
{
    return {KeyHashKinds, KeySidecar};
}

void TFileProcPage::LoadChecksumSetting(const QString &key, const TSettingsAccess &store)
{
    if (!store.Has(key))
        return;
    const int value = store.ReadInt(key);
    if (key == KeyHashKinds && value >= 0) {
        cbHashKinbox->setChecked(value & HashKinbox);
        cbHashCrc32->setChecked(value & HashCrc32);
        cbHashSha256->setChecked(value & HashSha256);
    } else if (key == KeySidecar) {
        (value == 1 ? cbSidecarSfv : value == 2 ? cbSidecarSha256 : cbSidecarNone)->setChecked(true);
    }
}

void TFileProcPage::SaveChecksumSetting(const QString &key, TSettingsAccess &store) const
{
    if (key == KeyHashKinds)
        store.WriteInt(key, int(HashKinds()));
    else if (key == KeySidecar)
        store.WriteInt(key, SidecarChoice());
}

} // namespace kbx
