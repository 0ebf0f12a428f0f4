#include "fileproc/joinpanel.h"

#include "common/paths.h"
#include "fileproc/fileprocpage_text.h"
#include "fileproc/filenames.h"
#include "fileproc/joinlist.h"
#include "ui/dialogs.h"
#include "ui/named.h"

#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QLocale>
#include <QMimeData>
#include <QSignalBlocker>
#include <QToolButton>
#include <QUrl>

namespace kbx {

namespace {

const QString AddFilter = QStringLiteral(
    "All files (*.*)|*.*|MPEG-Videos (*.vob;*.mpg;*.m2v;*.m1v;*.dat)|*.vob;*.mpg;*.m2v;*.m1v;*.dat|"
    "Complete directory (select any file)|*.*");
constexpr int DirectoryFilter = 2;

// An entry of the join list, sorted by JoinEntryLess over the entries rather than by what it shows.
class JoinItem : public QListWidgetItem
{
public:
    explicit JoinItem(const QString &entry)
        : QListWidgetItem(JoinEntryCaption(entry, QLocale(), filepage::Translation()))
    {
        setData(TJoinPanel::EntryRole, entry);
        setToolTip(JoinEntryPath(entry));
    }
    bool operator<(const QListWidgetItem &other) const override
    {
        return JoinEntryLess(TJoinPanel::EntryOf(this), TJoinPanel::EntryOf(&other));
    }
};

QToolButton *panelButton(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *button = named(new QToolButton(parent), name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(30, 24);
    return button;
}

} // namespace

TJoinPanel::TJoinPanel(QWidget *parent)
    : QGroupBox(QStringLiteral("Files to merge"), parent)
{
    setObjectName(QStringLiteral("joinPanel"));
    joinList = named(new QListWidget(this), "joinList");
    joinList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    joinList->setSortingEnabled(true);
    joinList->setMinimumHeight(60);
    joinList->setToolTip(QStringLiteral("select files to compute their concatenated size"));
    // Drops land on the viewport; the list's own drop handling knows only its internal moves.
    joinList->setAcceptDrops(true);
    joinList->viewport()->setAcceptDrops(true);
    joinList->viewport()->installEventFilter(this);

    joinAdd = panelButton(this, "joinAdd", QStringLiteral("+"), QStringLiteral("Add element"));
    joinRemove = panelButton(this, "joinRemove", QStringLiteral("\u2212"), QStringLiteral("Remove element"));
    joinInvert = panelButton(this, "joinInvert", QStringLiteral("\u00b1"), QStringLiteral("Invert selection"));
    joinSort = panelButton(this, "joinSort", QStringLiteral("A-Z"), QStringLiteral("Sort elements"));
    joinSort->setCheckable(true);
    joinSort->setChecked(true);
    joinMoveUp = panelButton(this, "joinMoveUp", QStringLiteral("\u25b2"), QStringLiteral("Move element up"));
    joinMoveDown = panelButton(this, "joinMoveDown", QStringLiteral("\u25bc"), QStringLiteral("Move element down"));

    auto *buttons = new QGridLayout;
    buttons->setSpacing(2);
    const QList<QToolButton *> all{joinAdd, joinRemove, joinInvert, joinSort, joinMoveUp, joinMoveDown};
    for (int i = 0; i < all.size(); ++i)
        buttons->addWidget(all.at(i), i / 2, i % 2);
    buttons->setRowStretch(3, 1);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 6);
    row->addWidget(joinList, 1);
    row->addLayout(buttons);
}

QString TJoinPanel::EntryOf(const QListWidgetItem *item)
{
    const QVariant entry = item->data(EntryRole);
    return entry.isValid() ? entry.toString() : item->text();
}

int TJoinPanel::Count() const
{
    return joinList->count();
}

QStringList TJoinPanel::Entries() const
{
    QStringList entries;
    entries.reserve(joinList->count());
    for (int i = 0; i < joinList->count(); ++i)
        entries << EntryOf(joinList->item(i));
    return entries;
}

QList<bool> TJoinPanel::Selection() const
{
    QList<bool> selected;
    selected.reserve(joinList->count());
    for (int i = 0; i < joinList->count(); ++i)
        selected << joinList->item(i)->isSelected();
    return selected;
}

void TJoinPanel::AddEntry(const QString &path, qint64 size)
{
    joinList->addItem(new JoinItem(JoinEntryText(path, size)));
}

QStringList TJoinPanel::AddFolder(const QString &folder)
{
    QStringList leftOut;
    for (const FolderFile &file : CollectFolderFiles(folder, &leftOut))
        AddEntry(file.path, file.size);
    return leftOut;
}

QStringList TJoinPanel::AddFromDialog(bool *cancelled)
{
    FileDialogRequest request;
    request.title = filepage::Tr(QStringLiteral("Add files..."));
    request.filter = QtFileFilter(AddFilter);
    const QStringList filters = request.filter.split(QStringLiteral(";;"));
    request.selectedFilter = filters.value(0);
    if (joinList->count() > 0)
        request.start = FolderPart(JoinEntryPath(EntryOf(joinList->item(joinList->count() - 1))));
    QString chosenFilter;
    const QStringList names = Dialogs::instance().openFileNames(window(), request, &chosenFilter);
    *cancelled = names.isEmpty();
    if (names.isEmpty())
        return {};
    if (filters.indexOf(chosenFilter) == DirectoryFilter)
        return AddFolder(FolderPart(names.first()));
    for (const QString &name : names)
        AddEntry(name, ReadableSize(name));
    return {};
}

void TJoinPanel::Clear()
{
    joinList->clear();
}

void TJoinPanel::RemoveSelectedOrAll()
{
    const QList<QListWidgetItem *> selected = joinList->selectedItems();
    if (selected.isEmpty())
        joinList->clear();
    else
        qDeleteAll(selected);
}

void TJoinPanel::InvertSelection()
{
    {
        const QSignalBlocker quiet(joinList);
        for (int i = 0; i < joinList->count(); ++i)
            joinList->item(i)->setSelected(!joinList->item(i)->isSelected());
    }
    UpdateHint();
}

void TJoinPanel::SelectAll()
{
    {
        const QSignalBlocker quiet(joinList);
        joinList->selectAll();
    }
    UpdateHint();
}

void TJoinPanel::FollowSortButton()
{
    joinList->setSortingEnabled(joinSort->isChecked());
    if (joinSort->isChecked())
        joinList->sortItems();
}

bool TJoinPanel::MoveFirstSelected(bool up)
{
    const int first = int(Selection().indexOf(true));
    const int target = up ? first - 1 : first + 1;
    if (first < 0 || target < 0 || target >= joinList->count())
        return false;
    // A sorted list would put the entry straight back: moving by hand ends the sorting.
    if (joinSort->isChecked()) {
        joinSort->setChecked(false);
        FollowSortButton();
    }
    QListWidgetItem *item = joinList->takeItem(first);
    joinList->insertItem(target, item);
    joinList->item(first)->setSelected(false);
    item->setSelected(true);
    return true;
}

QStringList TJoinPanel::DroppedPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    return paths;
}

bool TJoinPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != joinList->viewport())
        return QGroupBox::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (isEnabled() && !DroppedPaths(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList paths = DroppedPaths(drop->mimeData());
        if (paths.isEmpty()) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        emit pathsDropped(paths);
        return true;
    }
    default:
        return QGroupBox::eventFilter(watched, event);
    }
}

void TJoinPanel::UpdateHint()
{
    joinList->setToolTip(JoinHintText(Entries(), Selection(), QLocale(), filepage::Translation()));
}

void TJoinPanel::RefreshCaptions()
{
    for (int i = 0; i < joinList->count(); ++i) {
        QListWidgetItem *item = joinList->item(i);
        item->setText(JoinEntryCaption(EntryOf(item), QLocale(), filepage::Translation()));
    }
}

} // namespace kbx
