#include "ui/fileedit.h"

#include "ui/dialogs.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "ui/translator.h"

#include <QDir>
#include <QFileInfo>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QToolButton>

namespace kbx {

namespace {

struct Palette {
    QColor outline, fill, light, accent;
};

const Palette kNormal{QColor(0x6b, 0x4f, 0x10), QColor(0xf2, 0xc2, 0x4b), QColor(0xfb, 0xe3, 0x9a),
                      QColor(0x1f, 0x4e, 0x9c)};
const Palette kDisabled{QColor(0x90, 0x90, 0x90), QColor(0xc8, 0xc8, 0xc8), QColor(0xe0, 0xe0, 0xe0),
                        QColor(0xa0, 0xa0, 0xa0)};

void drawFolder(QPainter &p, const Palette &c, bool open)
{
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.5, 3.5);
    back.lineTo(7.5, 5.5);
    back.lineTo(13.5, 5.5);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(c.outline);
    p.setBrush(c.fill);
    p.drawPath(back);
    if (open) {
        QPainterPath front;
        front.moveTo(1.5, 13.5);
        front.lineTo(4.5, 8.5);
        front.lineTo(15.5, 8.5);
        front.lineTo(12.5, 13.5);
        front.closeSubpath();
        p.setBrush(c.light);
        p.drawPath(front);
    }
}

void drawOpen(QPainter &p, const Palette &c)
{
    drawFolder(p, c, true);
    // An arrow out of the folder: the file that will be opened.
    p.setPen(QPen(c.accent, 1.5));
    p.drawLine(QPointF(11, 6), QPointF(11, 1.5));
    p.drawLine(QPointF(9, 3.5), QPointF(11, 1.5));
    p.drawLine(QPointF(13, 3.5), QPointF(11, 1.5));
}

void drawSave(QPainter &p, const Palette &c)
{
    p.setPen(c.outline);
    p.setBrush(c.accent);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 1.5, 9, 6));
    p.setBrush(c.light);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
}

void drawPath(QPainter &p, const Palette &c)
{
    drawFolder(p, c, false);
    p.setPen(Qt::NoPen);
    p.setBrush(c.outline);
    for (int x : {4, 7, 10})
        p.drawRect(x, 10, 2, 2);
}

using Painter = void (*)(QPainter &, const Palette &);

QPixmap strip(Painter paint)
{
    QPixmap pixmap(32, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p, kNormal);
    p.translate(16, 0);
    paint(p, kDisabled);
    return pixmap;
}

// The last folder a field's dialog ended in is kept per field (by its object name) beside the
// program's other settings, so the next dialog of that field starts there after a restart.
const QString FoldersGroup = QStringLiteral("folders/");

QSettings FolderStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, Registry().Vendor(), Registry().AppTitle());
}

} // namespace

TOxFileEdit::TOxFileEdit(QWidget *parent)
    : TOxButtonEdit(parent)
    , m_filter(QStringLiteral("All files (*.*)|*.*"))
{
    edit()->installEventFilter(this);
    setAcceptDrops(true);
    // The line edit would take a dropped address as text; the field takes it as a name instead.
    edit()->setAcceptDrops(false);
    connect(edit(), &QLineEdit::textEdited, this, [this] { m_typed = true; });
    connect(edit(), &QLineEdit::editingFinished, this, &TOxFileEdit::takeTypedName);
    setStyle(bsFileOpen);
}

void TOxFileEdit::setStyle(TOxButtonStyle style)
{
    m_style = style;
    setGlyph(StyleGlyph(style));
    // The button shows only a picture: say in words what it does.
    QString hint;
    switch (style) {
    case bsFileOpen: hint = QStringLiteral("Choose a file"); break;
    case bsFileSave: hint = QStringLiteral("Choose where to save"); break;
    case bsPathOpen: hint = QStringLiteral("Choose a folder"); break;
    case bsCustom: break;
    }
    // English here: the translator's walk over the page translates hints with every other text.
    button()->setToolTip(hint);
    button()->setAccessibleName(hint);
}

QString TOxFileEdit::RememberedFolder() const
{
    if (objectName().isEmpty())
        return QString();
    const QString folder = FolderStore().value(FoldersGroup + objectName()).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void TOxFileEdit::rememberFolder(const QString &folder)
{
    if (!objectName().isEmpty() && !folder.isEmpty())
        FolderStore().setValue(FoldersGroup + objectName(), folder);
}

QPixmap TOxFileEdit::StyleGlyph(TOxButtonStyle style)
{
    switch (style) {
    case bsFileOpen: return strip(drawOpen);
    case bsFileSave: return strip(drawSave);
    case bsPathOpen: return strip(drawPath);
    case bsCustom: break;
    }
    return QPixmap();
}

bool TOxFileEdit::Browse()
{
    bool picked = false;
    switch (m_style) {
    case bsFileOpen:
    case bsFileSave: picked = browseFile(); break;
    case bsPathOpen: picked = browseFolder(); break;
    case bsCustom:
        // No dialog of its own: the owner's handler does the work.
        emit buttonClicked();
        return false;
    }
    if (picked)
        emit buttonClicked();
    return picked;
}

void TOxFileEdit::ButtonPress()
{
    Browse();
}

QString TOxFileEdit::droppedName(const QMimeData *data) const
{
    if (!data || !data->hasUrls() || !isEnabled() || Readonly() || m_style == bsCustom)
        return QString();
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return QString();
    const QString name = urls.first().toLocalFile();
    const QFileInfo info(name);
    if (m_style == bsPathOpen)
        return info.isDir() ? name : QString();
    return info.isDir() ? QString() : name;
}

void TOxFileEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedName(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TOxFileEdit::dropEvent(QDropEvent *event)
{
    const QString name = droppedName(event->mimeData());
    if (name.isEmpty())
        return;
    event->acceptProposedAction();
    TakeName(name);
}

bool TOxFileEdit::TakeName(const QString &name)
{
    m_typed = false;
    const QFileInfo info(name);
    const bool exists = m_style == bsPathOpen ? info.isDir() : info.exists() && !info.isDir();
    if ((m_style == bsFileOpen || m_style == bsPathOpen) && !exists) {
        const QString what = m_style == bsPathOpen ? Translate(QStringLiteral("Folder not found:"))
                                                   : Translate(QStringLiteral("File not found:"));
        Dialogs::instance().warning(window(), QString(), what + QLatin1Char('\n') + name);
        return false;
    }
    setText(QDir::toNativeSeparators(name));
    emit buttonClicked();
    return true;
}

void TOxFileEdit::takeTypedName()
{
    // Only a name the user typed is taken; a text the program set, or an unchanged one, is not.
    if (!m_typed || Readonly() || m_style == bsCustom)
        return;
    m_typed = false;
    const QString name = Text().trimmed();
    if (name.isEmpty())
        return;
    TakeName(name);
}

bool TOxFileEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edit() && event->type() == QEvent::KeyPress && Text().isEmpty()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter) {
            Browse();
            return true;
        }
    }
    return TOxButtonEdit::eventFilter(watched, event);
}

bool TOxFileEdit::browseFile()
{
    // The text may be an output mask; its wildcards are no part of a proposed name.
    QString name = Text();
    name.remove(QLatin1Char('?')).remove(QLatin1Char('*'));

    FileDialogRequest request;
    request.title = m_title;
    request.filter = QtFileFilter(m_filter);
    request.defaultSuffix = m_defaultExt;
    request.options = m_options;
    const QStringList filters = request.filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    if (!filters.isEmpty())
        request.selectedFilter = filters.value(qBound(1, m_filterIndex, int(filters.size())) - 1);
    if (m_initialDir.isEmpty())
        request.start = name.isEmpty() ? RememberedFolder() : name;
    else if (name.isEmpty())
        request.start = m_initialDir;
    else
        request.start = QFileInfo(name).isRelative() ? QDir(m_initialDir).filePath(name) : name;

    QString chosenFilter;
    Dialogs &dialogs = Dialogs::instance();
    const QString chosen = m_style == bsFileSave ? dialogs.saveFileName(this, request, &chosenFilter)
                                                 : dialogs.openFileName(this, request, &chosenFilter);
    if (chosen.isEmpty())
        return false;
    const qsizetype index = filters.indexOf(chosenFilter);
    if (index >= 0)
        m_filterIndex = int(index) + 1;
    rememberFolder(QFileInfo(chosen).absolutePath());
    setText(QDir::toNativeSeparators(chosen));
    return true;
}

bool TOxFileEdit::browseFolder()
{
    QString start = Text();
    if (start.isEmpty())
        start = RememberedFolder();
    if (start.isEmpty())
        start = ProgramFolderFile(QString());
    const QString chosen = Dialogs::instance().folder(this, m_title, start, m_selectDirOpts);
    if (chosen.isEmpty())
        return false;
    rememberFolder(chosen);
    setText(QDir::toNativeSeparators(chosen));
    return true;
}

} // namespace kbx
