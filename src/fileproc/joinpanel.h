#pragma once
// The join list and its six buttons: the entries in merge order, their selection, ordering and
// hint, and the adding of files and folders. The Files page runs the handlers and owns the total.

#include <QGroupBox>
#include <QList>
#include <QString>
#include <QStringList>

class QListWidget;
class QMimeData;
class QListWidgetItem;
class QToolButton;

namespace kbx {

class TJoinPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit TJoinPanel(QWidget *parent = nullptr);

    // An item shows the file's name and size; its entry ("path"=size, as the job and the hint read
    // it) is kept under this role. An item without one is an entry in its text.
    static constexpr int EntryRole = Qt::UserRole;
    static QString EntryOf(const QListWidgetItem *item);

    QListWidget *List() const { return joinList; }
    QToolButton *AddButton() const { return joinAdd; }
    QToolButton *RemoveButton() const { return joinRemove; }
    QToolButton *InvertButton() const { return joinInvert; }
    QToolButton *SortButton() const { return joinSort; }
    QToolButton *MoveUpButton() const { return joinMoveUp; }
    QToolButton *MoveDownButton() const { return joinMoveDown; }

    int Count() const;
    QStringList Entries() const;
    QList<bool> Selection() const;

    void AddEntry(const QString &path, qint64 size);
    // Every file below the folder; returns the folders that could not be read.
    QStringList AddFolder(const QString &folder);
    // The "Add files..." dialog: the chosen files, or the chosen file's whole folder with the
    // directory filter. Returns the folders left out; `cancelled` tells whether anything was chosen.
    QStringList AddFromDialog(bool *cancelled);
    void Clear();

    // Removes the selected entries, or all of them when none is selected.
    void RemoveSelectedOrAll();
    void InvertSelection();
    void SelectAll();
    // The list's sorting follows the down state of the sort button.
    void FollowSortButton();
    // The first selected entry swaps places with its neighbour; false when nothing moved.
    bool MoveFirstSelected(bool up);
    void UpdateHint();
    // Builds every row's caption again, in the language now in use.
    void RefreshCaptions();

    // The local files and folders of a drop (text/uri-list), in the order dropped; other URLs are
    // left out.
    static QStringList DroppedPaths(const QMimeData *data);

signals:
    // Files or folders from a file manager were dropped on the list; the page decides what to add.
    void pathsDropped(const QStringList &paths);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QListWidget *joinList = nullptr;
    QToolButton *joinAdd = nullptr;
    QToolButton *joinRemove = nullptr;
    QToolButton *joinInvert = nullptr;
    QToolButton *joinSort = nullptr;
    QToolButton *joinMoveUp = nullptr;
    QToolButton *joinMoveDown = nullptr;
};

} // namespace kbx
