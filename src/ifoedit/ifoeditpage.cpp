#include "ifoedit/ifoeditpage.h"

#include "engine/hugefile.h"
#include "ifoedit/editlist.h"
#include "ifoedit/ifofiles.h"
#include "platform/power.h"
#include "ui/dialogs.h"
#include "ui/elidedlabel.h"
#include "ui/fileedit.h"
#include "ui/named.h"
#include "ui/translator.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace kbx {

namespace {

const char *const SourceFilter =
    "MPEG-Videos (*.vob;*.mpg;*.m2v;*.m1v;*.dat)|*.vob;*.mpg;*.m2v;*.m1v;*.dat|All files (*.*)|*.*";
constexpr int StatusClearMs = 2000;

QString skipReason(PatchOutcome outcome)
{
    return outcome == PatchOutcome::TooShort ? Translate(QStringLiteral("file too short"))
                                             : Translate(QStringLiteral("no sequence header"));
}

} // namespace

TIFOEditPage::TIFOEditPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Page_IFOedit"));
    auto *top = new QVBoxLayout(this);

    auto *sourceBox = named(new QGroupBox(tr("source folder")), "IFO_SourceBox");
    IFO_Source = named(new TOxFileEdit, "IFO_Source");
    IFO_Source->setStyle(TOxFileEdit::bsPathOpen);
    IFO_Source->setReadonly(true);
    IFO_Source->setTitle(QStringLiteral("Open DVD or MPEG videos..."));
    IFO_Source->setFilter(QLatin1String(SourceFilter));
    (new QVBoxLayout(sourceBox))->addWidget(IFO_Source);
    top->addWidget(sourceBox);

    auto *row = new QHBoxLayout;
    auto *filesBox = named(new QGroupBox(tr("affected files")), "IFO_FilesBox");
    IFO_Files = named(new QListWidget, "IFO_Files");
    IFO_Files->setSelectionMode(QAbstractItemView::ExtendedSelection);
    (new QVBoxLayout(filesBox))->addWidget(IFO_Files);
    row->addWidget(filesBox, 1);

    auto *right = new QVBoxLayout;
    auto *actionsBox = named(new QGroupBox(tr("Actions to perform")), "IFO_ActionsBox");
    IFO_Actions = named(new QListWidget, "IFO_Actions");
    IFO_Actions->setSelectionMode(QAbstractItemView::SingleSelection);
    IFO_Actions->setEnabled(false);
    (new QVBoxLayout(actionsBox))->addWidget(IFO_Actions);
    right->addWidget(actionsBox, 1);

    auto *titlesBox = named(new QGroupBox(tr("affected titles")), "IFO_TitlesBox");
    IFO_Titles = named(new QComboBox, "IFO_Titles");
    IFO_Titles->setEnabled(false);
    (new QVBoxLayout(titlesBox))->addWidget(IFO_Titles);
    right->addWidget(titlesBox);

    auto *buttons = new QHBoxLayout;
    IFO_Start = named(new QPushButton(tr("Start")), "IFO_Start");
    IFO_Start->setToolTip(tr("execute selected operation"));
    IFO_Start->setEnabled(false);
    IFO_Check = named(new QPushButton(tr("Verify")), "IFO_Check");
    IFO_Check->setToolTip(tr("verifies changes using the DVD info module"));
    buttons->addStretch(1);
    buttons->addWidget(IFO_Start);
    buttons->addWidget(IFO_Check);
    right->addLayout(buttons);
    // The three actions need little room: beyond it, the file list takes what the window gives.
    for (QWidget *box : {actionsBox, titlesBox})
        box->setMaximumWidth(box->fontMetrics().averageCharWidth() * 64);
    row->addLayout(right, 1);
    top->addLayout(row, 1);

    IFO_Status = named(new QStatusBar(this), "IFO_Status");
    IFO_Status->setSizeGripEnabled(false);
    // Each panel keeps its place whatever it says, so the buttons above never move: descriptions and
    // skip lists wrap onto a second line and end in "..." beyond it (the whole text is the tooltip).
    // Panel 0 gets the width of the longest action name when the actions are filled.
    m_panels[0] = new TElidedLabel(1, IFO_Status);
    m_panels[1] = new TElidedLabel(2, IFO_Status);
    m_panels[0]->setObjectName(QStringLiteral("IFO_Status_Panel0"));
    m_panels[1]->setObjectName(QStringLiteral("IFO_Status_Panel1"));
    m_panels[0]->setAlignment(Qt::AlignCenter);
    m_panels[0]->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_panels[1]->setWordWrap(true);
    IFO_Status->addWidget(m_panels[0]);
    IFO_Status->addWidget(m_panels[1], 1);
    top->addWidget(IFO_Status);

    IFO_Popup = named(new QMenu(this), "IFO_Popup");
    IFO_BUPs = named(IFO_Popup->addAction(tr("include &Backups")), "IFO_BUPs");
    IFO_BUPs->setCheckable(true);
    IFO_Popup->addSeparator();
    usepathfrombackupmodule1 =
        named(IFO_Popup->addAction(tr("use path from backup module")), "usepathfrombackupmodule1");

    IFOStatusTimer = named(new QTimer(this), "IFOStatusTimer");
    IFOStatusTimer->setInterval(StatusClearMs);
    connect(IFOStatusTimer, &QTimer::timeout, this, &TIFOEditPage::IFOStatusTimerTimer);
    IFOStatusTimer->start();

    for (QWidget *w : {static_cast<QWidget *>(sourceBox), static_cast<QWidget *>(IFO_Source),
                       static_cast<QWidget *>(IFO_Source->edit()), static_cast<QWidget *>(IFO_Files)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint &at) { showPopup(w, at); });
    }

    connect(IFO_Source, &TOxFileEdit::buttonClicked, this, &TIFOEditPage::IFO_SourceButtonClick);
    // The handlers select items themselves; they block these signals while they do.
    connect(IFO_Actions, &QListWidget::itemSelectionChanged, this, &TIFOEditPage::IFO_ActionsClick);
    connect(IFO_Actions, &QListWidget::itemDoubleClicked, this, &TIFOEditPage::IFO_ActionsDblClick);
    connect(IFO_Files, &QListWidget::itemSelectionChanged, this, &TIFOEditPage::IFO_FilesClick);
    connect(IFO_Start, &QPushButton::clicked, this, &TIFOEditPage::IFO_StartClick);
    connect(IFO_Check, &QPushButton::clicked, this, &TIFOEditPage::IFO_CheckClick);
    // Qt has already flipped the mark when the item fires; the handler flips it itself.
    connect(IFO_BUPs, &QAction::triggered, this, [this] {
        IFO_BUPs->setChecked(!IFO_BUPs->isChecked());
        IFO_BUPsClick();
    });
    connect(usepathfrombackupmodule1, &QAction::triggered, this,
            &TIFOEditPage::usepathfrombackupmodule1Click);

    FillActions();
}

void TIFOEditPage::FillActions()
{
    const QSignalBlocker blocker(IFO_Actions);
    const int selected = selectedAction();
    IFO_Actions->clear();
    int nameWidth = 150;
    for (const TIFOAction &action : IFOActions()) {
        const QString name = Translate(QLatin1String(action.name));
        IFO_Actions->addItem(name);
        nameWidth = qMax(nameWidth, m_panels[0]->fontMetrics().horizontalAdvance(name) + 16);
    }
    m_panels[0]->setMinimumWidth(nameWidth);
    if (selected >= 0)
        IFO_Actions->item(selected)->setSelected(true);
}

void TIFOEditPage::Retranslate()
{
    FillActions();
    IFO_Start->setText(TranslateCaption(QStringLiteral("Start"), QStringLiteral("Start patching")));
}

QString TIFOEditPage::SourceText() const
{
    return IFO_Source->Text();
}

QString TIFOEditPage::StatusText(int panel) const
{
    return panel >= 0 && panel < 2 ? m_panels[panel]->text() : QString();
}

void TIFOEditPage::setStatus(int panel, const QString &text)
{
    m_panels[panel]->setText(text);
    emit statusChanged(panel, text);
}

void TIFOEditPage::showPopup(QWidget *from, const QPoint &at)
{
    IFO_Popup->popup(from->mapToGlobal(at));
}

int TIFOEditPage::selectedAction() const
{
    const QList<QListWidgetItem *> items = IFO_Actions->selectedItems();
    return items.isEmpty() ? -1 : IFO_Actions->row(items.first());
}

QList<int> TIFOEditPage::selectedFiles() const
{
    QList<int> rows;
    for (int i = 0; i < IFO_Files->count(); ++i) {
        if (IFO_Files->item(i)->isSelected())
            rows.append(i);
    }
    return rows;
}

QString TIFOEditPage::folderText() const
{
    return IFO_Source->Text().trimmed();
}

QStringList TIFOEditPage::SettingKeys() const
{
    return {QStringLiteral("EditFolder")};
}

void TIFOEditPage::LoadSetting(const QString &key, const TSettingsAccess &store)
{
    if (key != QLatin1String("EditFolder") || !store.Has(key))
        return;
    IFO_Source->setText(store.Read(key));
    if (!folderText().isEmpty() && QFileInfo(folderText()).isDir())
        IFO_SourceButtonClick();
}

void TIFOEditPage::SaveSetting(const QString &key, TSettingsAccess &store) const
{
    if (key == QLatin1String("EditFolder"))
        store.Write(key, IFO_Source->Text());
}

void TIFOEditPage::updateStartEnabled()
{
    IFO_Start->setEnabled(!selectedFiles().isEmpty());
}

void TIFOEditPage::IFO_SourceButtonClick()
{
    const QString folder = folderText();
    if (folder.isEmpty())
        return;
    {
        const QSignalBlocker files(IFO_Files);
        IFO_Files->clear();
        for (const TIFOListedFile &file : ListIFOFolder(folder, IFO_BUPs->isChecked())) {
            auto *item = new QListWidgetItem(file.shown, IFO_Files);
            item->setData(Qt::UserRole, file.actual);
        }
    }
    {
        const QSignalBlocker actions(IFO_Actions);
        IFO_Actions->setEnabled(IFO_Files->count() > 0);
        IFO_Actions->clearSelection();
        if (IFO_Actions->isEnabled() && IFO_Actions->count() > 0) {
            IFO_Actions->setCurrentRow(0);
            IFO_Actions->item(0)->setSelected(true);
        }
    }
    IFO_ActionsClick();

    QStringList shown;
    for (int i = 0; i < IFO_Files->count(); ++i)
        shown.append(IFO_Files->item(i)->text());
    IFO_Titles->clear();
    IFO_Titles->addItems(TitleNumbers(shown));
    IFO_Titles->setCurrentIndex(IFO_Titles->count() > 0 ? 0 : -1);
}

void TIFOEditPage::IFO_ActionsClick()
{
    const int index = selectedAction();
    if (index < 0 || index >= IFOActionCount) {
        updateStartEnabled();
        return;
    }
    const TIFOAction &action = IFOActions()[size_t(index)];
    setStatus(0, Translate(QLatin1String(action.name)));
    setStatus(1, Translate(QLatin1String(action.description)));
    {
        const QSignalBlocker blocker(IFO_Files);
        for (int i = 0; i < IFO_Files->count(); ++i) {
            QListWidgetItem *item = IFO_Files->item(i);
            item->setSelected(MatchesAnyMask(QLatin1String(action.masks), item->text()));
        }
    }
    updateStartEnabled();
}

void TIFOEditPage::IFO_ActionsDblClick()
{
    IFO_Start->click();
}

void TIFOEditPage::IFO_FilesClick()
{
    const int index = selectedAction();
    if (index < 0 || index >= IFOActionCount)
        return;
    const TIFOAction &action = IFOActions()[size_t(index)];
    {
        const QSignalBlocker blocker(IFO_Files);
        for (int row : selectedFiles()) {
            QListWidgetItem *item = IFO_Files->item(row);
            if (!MatchesAnyMask(QLatin1String(action.masks), item->text()))
                item->setSelected(false);
        }
    }
    updateStartEnabled();
}

void TIFOEditPage::IFO_StartClick()
{
    const QList<int> rows = selectedFiles();
    const int index = selectedAction();
    if (rows.isEmpty() || index < 0 || index >= IFOActionCount)
        return;
    const TIFOAction &action = IFOActions()[size_t(index)];
    const TEditList edits = ParseEditList(QLatin1String(action.edits));
    if (!edits.ok()) {
        ReportError(edits.error, this);
        return;
    }
    // The files are changed in place: ask once before the first write, with No as the default.
    const QString question = Translate(QStringLiteral("Change %1 file(s) in place with \"%2\"?"))
                                 .arg(rows.size())
                                 .arg(Translate(QLatin1String(action.name)));
    if (!Dialogs::instance().questionDefaultNo(this, ApplicationTitle(), question))
        return;
    setStatus(1, Translate(QStringLiteral("executing selected action...")));

    const QString folder = folderText();
    const qsizetype total = rows.size();
    // A half-patched set of files is what an idle suspend in the middle would leave.
    const SleepInhibitor awake(QStringLiteral("Patching IFO files in ") + folder);
    QStringList skipped;
    try {
        for (qsizetype n = 0; n < total; ++n) {
            const QListWidgetItem *item = IFO_Files->item(rows.at(n));
            setStatus(0, Translate(QStringLiteral("file")) + QLatin1Char(' ') + QString::number(n + 1)
                             + QLatin1Char(' ') + Translate(QStringLiteral("of")) + QLatin1Char(' ')
                             + QString::number(total));
            const QString path = FullFileName(folder, item->data(Qt::UserRole).toString());
            const PatchResult result = PatchFile(path, edits.entries, action.anchor);
            if (result.outcome == PatchOutcome::Patched) {
                setStatus(1, Translate(QStringLiteral("action successful")));
            } else {
                const QString entry = item->text() + QStringLiteral(" (") + skipReason(result.outcome)
                                      + QLatin1Char(')');
                skipped.append(entry);
                setStatus(1, Translate(QStringLiteral("skipped")) + QStringLiteral(": ") + entry);
            }
        }
    } catch (const std::exception &e) {
        // The files before this one keep their patch; panel 0 still names the file that failed.
        setStatus(1, Translate(QStringLiteral("action failed")));
        ReportError(QString::fromLocal8Bit(e.what()), this);
        return;
    }
    if (skipped.isEmpty()) {
        setStatus(1, Translate(QStringLiteral("action successful")));
        IFOStatusTimer->start();
        return;
    }
    // A skip is kept on show until the next action: two seconds are too short to read the names.
    setStatus(0, QString::number(total - skipped.size()) + QLatin1Char(' ') + Translate(QStringLiteral("of"))
                     + QLatin1Char(' ') + QString::number(total) + QLatin1Char(' ')
                     + Translate(QStringLiteral("files patched")));
    setStatus(1, Translate(QStringLiteral("skipped")) + QStringLiteral(": ")
                     + skipped.join(QStringLiteral(", ")));
}

void TIFOEditPage::IFO_CheckClick()
{
    const QList<int> rows = selectedFiles();
    if (rows.isEmpty())
        return;
    const QString location =
        rows.size() == 1
            ? FullFileName(folderText(), IFO_Files->item(rows.first())->data(Qt::UserRole).toString())
            : IFO_Source->Text();
    emit verifyRequested(location);
}

void TIFOEditPage::IFOStatusTimerTimer()
{
    IFOStatusTimer->stop();
    setStatus(0, QString());
    setStatus(1, QString());
}

void TIFOEditPage::IFO_BUPsClick()
{
    IFO_BUPs->setChecked(!IFO_BUPs->isChecked());
    IFO_SourceButtonClick();
    IFO_ActionsClick();
}

void TIFOEditPage::usepathfrombackupmodule1Click()
{
    if (!m_backupLocation)
        return;
    IFO_Source->setText(m_backupLocation());
    IFO_SourceButtonClick();
}

QAbstractButton *TIFOEditPage::StartButton() const
{
    return IFO_Start;
}

} // namespace kbx
