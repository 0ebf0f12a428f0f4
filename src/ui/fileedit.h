#pragma once
#include "ui/buttonedit.h"

#include <QFileDialog>

class QDragEnterEvent;
class QDropEvent;
class QMimeData;

namespace kbx {

// The file-name field of every module: a TOxButtonEdit whose button (and Enter or Down in an empty
// field) opens the open, save or folder dialog of its Style through the dialogs seam. buttonClicked()
// is emitted after a name has been picked, never after a cancelled dialog. A name dropped from a file
// manager, or typed and confirmed with Enter or by leaving the field, counts as picked the same way;
// an open or folder field refuses a name that does not exist, with a message.
class TOxFileEdit : public TOxButtonEdit
{
    Q_OBJECT
public:
    enum TOxButtonStyle { bsFileOpen, bsFileSave, bsPathOpen, bsCustom };
    Q_ENUM(TOxButtonStyle)

    explicit TOxFileEdit(QWidget *parent = nullptr);

    TOxButtonStyle Style() const { return m_style; }
    // Also sets the button's picture; bsCustom clears it (a Glyph set afterwards takes its place).
    void setStyle(TOxButtonStyle style);

    QFileDialog::Options SelectDirOpts() const { return m_selectDirOpts; }
    void setSelectDirOpts(QFileDialog::Options options) { m_selectDirOpts = options; }
    // Default: no overwrite prompt; the modules ask their own overwrite questions.
    QFileDialog::Options Options() const { return m_options; }
    void setOptions(QFileDialog::Options options) { m_options = options; }
    QString DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString &ext) { m_defaultExt = ext; }
    // "description|patterns|description|patterns", patterns separated by ";".
    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    // 1 for the first description; updated to the one the user left selected.
    int FilterIndex() const { return m_filterIndex; }
    void setFilterIndex(int index) { m_filterIndex = index; }
    QString InitialDir() const { return m_initialDir; }
    void setInitialDir(const QString &folder) { m_initialDir = folder; }
    QString Title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }

    // The folder this field's last dialog ended in (kept across restarts), or "" when none is known.
    QString RememberedFolder() const;

    // The picture of a style: a strip of two 16 x 16 images, normal and disabled; null for bsCustom.
    static QPixmap StyleGlyph(TOxButtonStyle style);

public slots:
    // Runs the dialog of the style; true when a name was picked (bsCustom: reports the press only).
    bool Browse();
    // Takes `name` as if it had been picked with the button; false (after a message) when an open or
    // folder field is given a name that does not exist.
    bool TakeName(const QString &name);

protected:
    void ButtonPress() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool browseFile();
    bool browseFolder();
    // The local name a drag carries, or "" when it carries none this field takes.
    QString droppedName(const QMimeData *data) const;
    void takeTypedName();
    void rememberFolder(const QString &folder);

    // Set while the user types; cleared once the name is taken or the text is set by the program.
    bool m_typed = false;

    TOxButtonStyle m_style = bsFileOpen;
    QFileDialog::Options m_selectDirOpts = QFileDialog::ShowDirsOnly;
    QFileDialog::Options m_options = QFileDialog::DontConfirmOverwrite;
    QString m_defaultExt;
    QString m_filter;
    int m_filterIndex = 1;
    QString m_initialDir;
    QString m_title;
};

} // namespace kbx
