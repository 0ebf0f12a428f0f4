// The join list's handlers: the panel keeps the entries; the page keeps the total, the output name
// and the rest of the page in step with them.

#include "fileproc/fileprocpage.h"

#include "fileproc/fileprocpage_text.h"
#include "fileproc/filenames.h"
#include "fileproc/joinlist.h"
#include "fileproc/joinpanel.h"
#include "fileproc/offsets.h"
#include "ui/fileedit.h"
#include "ui/outputname.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>

namespace kbx {

QStringList TFileProcPage::JoinEntries() const
{
    return joinPanel->Entries();
}

QString TFileProcPage::DefaultOutputName(const QString &currentOutput, const QString &inputName) const
{
    return kbx::DefaultOutputName(currentOutput, inputName);
}

void TFileProcPage::tellLeftOut(const QStringList &folders)
{
    if (folders.isEmpty())
        return;
    filepage::TellTranslated(this, filepage::Tr(QStringLiteral("These folders could not be read; their files "
                                                               "are not in the list:"))
                                       + filepage::LineBreak + folders.join(filepage::LineBreak));
}

void TFileProcPage::joinFilesAdded(bool added, const QStringList &leftOut)
{
    if (added && joinPanel->Count() > 0)
        outputFName->setText(DefaultOutputName(outputFName->Text(), joinPanel->Entries().first()));
    m_addingFiles = false;
    labOpenPrompt->hide();
    UpdateJoinTotal();
    tellLeftOut(leftOut);
}

void TFileProcPage::joinAddClick()
{
    m_addingFiles = true;
    bool cancelled = false;
    const QStringList leftOut = joinPanel->AddFromDialog(&cancelled);
    joinFilesAdded(!cancelled, leftOut);
}

void TFileProcPage::joinListDragDrop(const QStringList &paths)
{
    if (refuseWhileBusy())
        return;
    // The list takes files only while a merge function is chosen, as its buttons do.
    if (!joinPanel->isEnabled() || paths.isEmpty())
        return;
    m_addingFiles = true;
    QStringList leftOut;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir())
            leftOut += joinPanel->AddFolder(path);
        else
            joinPanel->AddEntry(path, ReadableSize(path));
    }
    joinFilesAdded(true, leftOut);
}

void TFileProcPage::MergeFiles(const QStringList &paths)
{
    if (refuseWhileBusy())
        return;
    m_addingFiles = true;
    joinPanel->Clear();
    for (const QString &path : paths)
        joinPanel->AddEntry(path, ReadableSize(path));
    if (joinPanel->Count() > 0) {
        outputFName->setText(DefaultOutputName(outputFName->Text(), joinPanel->Entries().first()));
        labOpenPrompt->hide();
    }
    m_addingFiles = false;
    UpdateJoinTotal();
    mergeRadio->setChecked(true);
    mergeRadioClick();
}

void TFileProcPage::UpdateJoinTotal()
{
    if (m_addingFiles)
        return;
    m_joinTotal = JoinSizeOf(JoinEntries(), {}, false);
    // A part length nobody chose is the whole: one part, not one part per byte.
    if (IsMergeFunction(m_function) && m_joinTotal > 0
        && ReadOffsetValue(offLength->text(), OffsetField::Other, 0).value < 1) {
        const QSignalBlocker quiet(offLength);
        offLength->setText(QString::number(m_joinTotal));
    }
    {
        const QSignalBlocker quiet(offMode);
        offMode->setCurrentText(UnitBySize(m_joinTotal));
    }
    offModeChange();
    if (IsMergeFunction(Function())) {
        updateOffsetBoxEnabled();
        ReadOffsetField(offStart);
        ReadOffsetField(offLength);
    }
    UpdateStartButton();
    showDescription();
    joinPanel->UpdateHint();
    m_figureDirty = true;
}

void TFileProcPage::joinRemoveClick()
{
    joinPanel->RemoveSelectedOrAll();
    UpdateJoinTotal();
}

void TFileProcPage::joinInvertClick()
{
    joinPanel->InvertSelection();
}

void TFileProcPage::joinListDblClick()
{
    joinPanel->SelectAll();
}

void TFileProcPage::joinSortClick()
{
    joinPanel->FollowSortButton();
    m_figureDirty = true;
}

void TFileProcPage::joinMoveUpClick()
{
    if (joinPanel->MoveFirstSelected(true))
        m_figureDirty = true;
}

void TFileProcPage::joinMoveDownClick()
{
    if (joinPanel->MoveFirstSelected(false))
        m_figureDirty = true;
}

void TFileProcPage::joinListClick()
{
    joinPanel->UpdateHint();
}

} // namespace kbx
