// The main window's two start-up steps, the help toggle, the language and setup dialogs, and the
// settings at close.

#include "shell/tform1.h"

#include "analyzer/analyzepage.h"
#include "calc/calcpage.h"
#include "dvd/backuppage.h"
#include "moviesplit/moviesplitpage.h"
#include "shell/aboutbox.h"
#include "ui/helpwindow.h"
#include "ui/page.h"
#include "shell/localizedialog.h"
#include "shell/pref.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "shell/setupdialog.h"
#include "ui/translator.h"

#include <QListWidget>
#include <QSignalBlocker>
#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QTabWidget>
#include <QToolButton>

namespace kbx {

QString TForm1::HelpFileFor(const QString &languageFile, const QString &executablePath)
{
    const QString language = languageFile.trimmed();
    if (!language.isEmpty() && language.compare(QLatin1String("default"), Qt::CaseInsensitive) != 0) {
        const QFileInfo info(language.contains(QLatin1Char('/')) ? language : DataFile(language));
        const QString help = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".ohp");
        if (QFileInfo::exists(help))
            return help;
    }
    const QFileInfo exe(executablePath);
    return exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ohp");
}

void TForm1::CreationStep(bool interactive)
{
    // A first run is one whose settings section does not exist yet; a window embedded without the
    // deferred start-up has no first-run flow.
    m_firstRun = interactive && !Registry().KeyExists(kSettingsSection);
    if (m_firstRun)
        m_btnHelp->setChecked(true);
    m_pref = std::make_unique<TPref>(this);
    m_pref->SetFrame(m_tabs, m_btnHelp, [this] {
        // The stored page comes without a page change, yet the selector still shows it.
        const QSignalBlocker block(m_selector);
        m_selector->setCurrentRow(m_tabs->currentIndex());
        m_calc->calcRate();
    });
    for (TPage *page : m_pages)
        m_pref->AddPage(page);
    m_pref->Load();
    if (m_firstRun)
        Programoverview1Click();
    m_movies->SetPresets(m_calc->MediaTexts());
    m_backup->SetMediaSizes(m_calc->MediaTexts());
    if (m_analyze)
        m_analyze->FrameCreate();
}

void TForm1::DeferredStartup()
{
    if (!m_language)
        m_language = new TfoLocalizeDialog(this);
    EnsureSetupDialog();
    if (!m_help) {
        m_help = new TfoHelp(this);
        connect(m_help, &TfoHelp::closed, this, [this] { m_btnHelp->setChecked(false); });
    }

    TOxRegistry &registry = Registry();
    const bool usableLanguage = m_language->LoadStoredLanguage(this, true);
    RetranslateAll();
    if (!usableLanguage || !registry.ValueExists(kSettingsSection, QStringLiteral("SetupDone"))) {
        if (m_setup->Execute())
            registry.WriteString(kSettingsSection, QStringLiteral("SetupDone"), QStringLiteral("1"));
    }
    Translator().TranslateComponent(m_setup);

    m_help->setHelpFile(HelpFileFor(registry.ReadString(kSettingsSection, QStringLiteral("language")),
                                    ProgramFile(QCoreApplication::applicationFilePath())));
    m_pref->LoadHelp();
    ApplyHelpToggle();
    if (m_calc)
        m_calc->calcRate();
    m_startupDone = true;
    emit startupFinished();
}

void TForm1::btn_oHelpClick()
{
    ApplyHelpToggle();
}

void TForm1::ApplyHelpToggle()
{
    if (!m_help)
        return;
    if (m_btnHelp->isChecked()) {
        m_help->show();
        m_help->RefreshTopic();
    } else {
        m_help->hide();
    }
}

void TForm1::EnsureSetupDialog()
{
    if (!m_language)
        m_language = new TfoLocalizeDialog(this);
    if (!m_setup) {
        m_setup = new TfoKbxSetup(this, m_language);
        m_setup->SetWebsiteAddress(TAboutBox::WebsiteAddress());
        m_setup->SetDocumentationFile(m_documentationFile);
    }
}

void TForm1::Setup1Click()
{
    EnsureSetupDialog();
    m_setup->Execute();
}

void TForm1::Language1Click()
{
    if (!m_language)
        m_language = new TfoLocalizeDialog(this);
    m_language->Execute();
    RetranslateAll();
    if (m_help) {
        m_help->setHelpFile(HelpFileFor(Registry().ReadString(kSettingsSection, QStringLiteral("language")),
                                        ProgramFile(QCoreApplication::applicationFilePath())));
        m_help->RefreshTopic();
    }
}

void TForm1::RetranslateAll()
{
    RetranslateSelector();
    for (TPage *page : m_pages)
        page->Retranslate();
    AssignAccelerators();
}

void TForm1::SaveSettings()
{
    if (m_pref)
        m_pref->Save();
}

} // namespace kbx
