// The join list: adding files and folders, ordering, its total and its hint.

#include "fileproc/fileprocpage.h"

#include "engine/hugefile.h"
#include "fileproc/fileprocpage_text.h"
#include "fileproc/filenames.h"
#include "fileproc/joinlist.h"
#include "ui/outputname.h"
#include "fileproc/offsets.h"
#include "ui/dialogs.h"
#include "ui/fileedit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace kbx {

using filepage::NativeName;

namespace {

const QString AddFilter = QStringLiteral(
    "All files (*.*)|*.*|MPEG-Videos (*.vob;*.mpg;*.m2v;*.m1v;*.dat)|*.vob;*.mpg;*.m2v;*.m1v;*.dat|"
    "Complete directory (select any file)|*.*");
constexpr int DirectoryFilter = 2;

} // namespace

QStringList TFileProcPage::JoinEntries() const
{
    QStringList entries;
    entries.reserve(joinList->count());
    for (int i = 0; i < joinList->count(); ++i)
        entries << joinList->item(i)->text();
    return entries;
}

QList<bool> TFileProcPage::joinSelection() const
{
    QList<bool> selected;
    selected.reserve(joinList->count());
    for (int i = 0; i < joinList->count(); ++i)
        selected << joinList->item(i)->isSelected();
    return selected;
}

QString TFileProcPage::DefaultOutputName(const QString &currentOutput, const QString &inputName) const
{
    return kbx::DefaultOutputName(currentOutput, inputName);
}

namespace {

// An entry of the join list, sorted by JoinEntryLess rather than by plain text.
class JoinItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem &other) const override
    {
        return JoinEntryLess(text(), other.text());
    }
};

} // namespace

void TFileProcPage::addJoinEntry(const QString &path, qint64 size)
{
    joinList->addItem(new JoinItem(JoinEntryText(path, size)));
}

void TFileProcPage::addFolder(const QString &folder)
{
    QStringList leftOut;
    for (const FolderFile &file : CollectFolderFiles(folder, &leftOut))
        addJoinEntry(file.path, file.size);
    if (!leftOut.isEmpty()) {
        filepage::TellTranslated(this, filepage::Tr(QStringLiteral("These folders could not be read; their files "
                                                                   "are not in the list:"))
                                           + filepage::LineBreak + leftOut.join(filepage::LineBreak));
    }
}

void TFileProcPage::joinAddClick()
{
    m_addingFiles = true;
    FileDialogRequest request;
    request.title = filepage::Tr(QStringLiteral("Add files..."));
    request.filter = QtFileFilter(AddFilter);
    const QStringList filters = request.filter.split(QStringLiteral(";;"));
    request.selectedFilter = filters.value(0);
    if (joinList->count() > 0)
        request.start = FolderPart(JoinEntryPath(joinList->item(joinList->count() - 1)->text()));
    QString chosenFilter;
    const QStringList names = Dialogs::instance().openFileNames(this, request, &chosenFilter);
    if (!names.isEmpty()) {
        if (filters.indexOf(chosenFilter) == DirectoryFilter) {
            addFolder(FolderPart(names.first()));
        } else {
            for (const QString &name : names)
                addJoinEntry(name, ReadableSize(name));
        }
        if (joinList->count() > 0)
            outputFName->setText(DefaultOutputName(outputFName->Text(), joinList->item(0)->text()));
    }
    m_addingFiles = false;
    labOpenPrompt->hide();
    UpdateJoinTotal();
}

void TFileProcPage::MergeFiles(const QStringList &paths)
{
    if (refuseWhileBusy())
        return;
    m_addingFiles = true;
    joinList->clear();
    for (const QString &path : paths)
        addJoinEntry(path, ReadableSize(path));
    if (joinList->count() > 0) {
        outputFName->setText(DefaultOutputName(outputFName->Text(), joinList->item(0)->text()));
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
    if (IsMergeFunction(m_function) && m_joinTotal > 0 && ReadOffsetValue(offLength->text(), OffsetField::Other, 0).value < 1) {
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
    updateJoinHint();
    m_figureDirty = true;
}

void TFileProcPage::joinRemoveClick()
{
    const QList<QListWidgetItem *> selected = joinList->selectedItems();
    if (selected.isEmpty())
        joinList->clear();
    else
        qDeleteAll(selected);
    UpdateJoinTotal();
}

void TFileProcPage::joinInvertClick()
{
    const QSignalBlocker quiet(joinList);
    for (int i = 0; i < joinList->count(); ++i)
        joinList->item(i)->setSelected(!joinList->item(i)->isSelected());
    updateJoinHint();
}

void TFileProcPage::joinListDblClick()
{
    const QSignalBlocker quiet(joinList);
    joinList->selectAll();
    updateJoinHint();
}

void TFileProcPage::joinSortClick()
{
    joinList->setSortingEnabled(joinSort->isChecked());
    if (joinSort->isChecked())
        joinList->sortItems();
    m_figureDirty = true;
}

void TFileProcPage::joinMoveUpClick()
{
    const QList<bool> selected = joinSelection();
    const int first = int(selected.indexOf(true));
    if (first < 1)
        return;
    // A sorted list would put the entry straight back: moving by hand ends the sorting.
    if (joinSort->isChecked()) {
        joinSort->setChecked(false);
        joinSortClick();
    }
    QListWidgetItem *item = joinList->takeItem(first);
    joinList->insertItem(first - 1, item);
    joinList->item(first)->setSelected(false);
    item->setSelected(true);
    m_figureDirty = true;
}

void TFileProcPage::joinMoveDownClick()
{
    const QList<bool> selected = joinSelection();
    const int first = int(selected.indexOf(true));
    if (first < 0 || first >= joinList->count() - 1)
        return;
    if (joinSort->isChecked()) {
        joinSort->setChecked(false);
        joinSortClick();
    }
    QListWidgetItem *item = joinList->takeItem(first);
    joinList->insertItem(first + 1, item);
    joinList->item(first)->setSelected(false);
    item->setSelected(true);
    m_figureDirty = true;
}

void TFileProcPage::joinListClick()
{
    updateJoinHint();
}

void TFileProcPage::updateJoinHint()
{
    joinList->setToolTip(JoinHintText(JoinEntries(), joinSelection(), QLocale(), filepage::Translation()));
}

} // namespace kbx
