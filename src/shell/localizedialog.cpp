#include "shell/localizedialog.h"

#include "ui/program.h"
#include "ui/registry.h"
#include "ui/translator.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kbx {

namespace {

const QString kDefault = QStringLiteral("default");

struct DialogTexts {
    const char16_t *defaultEntry;
    const char16_t *descriptionBox;
    const char16_t *selectorBox;
    const char16_t *descriptionMemo;
    const char16_t *ok;
    const char16_t *abort;
    const char16_t *restart;
};

const DialogTexts kEnglish = {
    u"default (english)",
    u"Localization",
    u"Language ressource files",
    u"The following language ressources have been provided for this application:",
    u"&Ok",
    u"&Abort",
    u"Please restart the program for the changes to take effect!",
};

const DialogTexts kGerman = {
    u"Voreinstellung (deutsch)",
    u"Lokalisierung",
    u"Sprachressourcen-Dateien",
    u"Für diese Application stehen Ihnen folgende Sprachressourcen zur Verfügung:",
    u"&Ok",
    u"Ab&brechen",
    u"Das Programm muß geschlossen werden, damit die Änderungen wirksam werden!",
};

QString text(const char16_t *chars)
{
    return QString::fromUtf16(chars);
}

} // namespace

TfoLocalizeDialog::TfoLocalizeDialog(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("foLocalizeDialog"));
    setWindowTitle(QStringLiteral("Language / Sprache"));
    setSizeGripEnabled(true);
    setMinimumSize(240, 200);
    resize(240, 240);

    m_descriptionBox = new QGroupBox(this);
    m_descriptionBox->setObjectName(QStringLiteral("DescriptionBox"));
    m_descriptionBox->setEnabled(false);
    m_descriptionMemo = new QPlainTextEdit(m_descriptionBox);
    m_descriptionMemo->setObjectName(QStringLiteral("DescriptionMemo"));
    m_descriptionMemo->setReadOnly(true);
    m_descriptionMemo->setFrameShape(QFrame::NoFrame);
    m_descriptionMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_descriptionMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_descriptionMemo->setFixedHeight(m_descriptionMemo->fontMetrics().lineSpacing() * 3 + 8);
    auto *descriptionLayout = new QVBoxLayout(m_descriptionBox);
    descriptionLayout->setContentsMargins(6, 2, 6, 2);
    descriptionLayout->addWidget(m_descriptionMemo);

    m_selectorBox = new QGroupBox(this);
    m_selectorBox->setObjectName(QStringLiteral("SelectorBox"));
    m_listBox = new QListWidget(m_selectorBox);
    m_listBox->setObjectName(QStringLiteral("ListBox1"));
    auto *selectorLayout = new QVBoxLayout(m_selectorBox);
    selectorLayout->addWidget(m_listBox);

    m_okBtn = new QPushButton(this);
    m_okBtn->setObjectName(QStringLiteral("Ok_Btn"));
    m_okBtn->setDefault(true);
    m_abortBtn = new QPushButton(this);
    m_abortBtn->setObjectName(QStringLiteral("Abort_Btn"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okBtn);
    buttons->addWidget(m_abortBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_descriptionBox);
    layout->addWidget(m_selectorBox, 1);
    layout->addLayout(buttons);

    connect(m_okBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_abortBtn, &QPushButton::clicked, this, &QDialog::reject);
    // Only the user's choices run the click handler; the dialog's own selections block it.
    connect(m_listBox, &QListWidget::currentRowChanged, this, &TfoLocalizeDialog::ListBox1Click);

    showTexts(Texts::English);
    m_savedTexts = currentTexts();
}

bool TfoLocalizeDialog::LoadStoredLanguage(QWidget *target, bool englishTexts)
{
    showTexts(englishTexts ? Texts::English : Texts::German);
    m_savedTexts = currentTexts();

    {
        const QSignalBlocker blocker(m_listBox);
        m_listBox->clear();
        m_listBox->addItem(m_defaultEntryText);
        // The shipped languages and those the user dropped into the user's data folder.
        for (const QString &file : LanguageFileNames())
            m_listBox->addItem(file.chopped(4));
        m_listBox->setCurrentRow(0);
    }

    m_targetForm = target;
    m_currentLanguage = Registry().ReadString(kSettingsSection, QStringLiteral("language"));
    if (m_currentLanguage.toLower() != kDefault && !QFileInfo(DataFile(m_currentLanguage)).isFile())
        m_currentLanguage.clear();
    if (m_currentLanguage.isEmpty())
        return false;
    if (m_currentLanguage != kDefault) {
        Translator().LoadFromFile(m_currentLanguage);
        Translator().TranslateComponent(m_targetForm);
    }
    return true;
}

bool TfoLocalizeDialog::Execute()
{
    if (QWidget *anchor = m_targetForm ? m_targetForm.data() : parentWidget())
        move(anchor->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    if (exec() != QDialog::Accepted)
        return false;
    ApplyLanguage();
    return true;
}

void TfoLocalizeDialog::ApplyLanguage()
{
    const QString selected = SelectedLanguageFile();
    if (selected == m_currentLanguage)
        return;
    const QString old = m_currentLanguage;
    m_currentLanguage = selected;
    Translator().LoadFromFile(m_currentLanguage);
    Registry().WriteString(kSettingsSection, QStringLiteral("language"), m_currentLanguage);
    if (old.isEmpty() || old == kDefault) {
        Translator().TranslateComponent(m_targetForm);
        return;
    }
    // Texts already translated cannot go back to another language in place.
    // Going back to English, the message is English whatever language the dialog was showing.
    const bool english = m_englishTexts || selected == kDefault;
    Translator().Inform(text(english ? kEnglish.restart : kGerman.restart));
    RestartProgram();
}

QString TfoLocalizeDialog::SelectedLanguageFile() const
{
    const int row = m_listBox->currentRow();
    if (row >= 1)
        return m_listBox->item(row)->text() + QStringLiteral(".lng");
    return kDefault;
}

void TfoLocalizeDialog::FormShow()
{
    if (m_currentLanguage.isEmpty()) {
        const QString system = SystemLanguageName();
        int row = 0;
        for (int i = 0; i < m_listBox->count(); ++i) {
            if (m_listBox->item(i)->text().compare(system, Qt::CaseInsensitive) == 0) {
                row = i;
                break;
            }
        }
        selectRow(row);
    } else if (m_currentLanguage != kDefault) {
        const QString entry = m_currentLanguage.chopped(qMin<qsizetype>(4, m_currentLanguage.size()));
        int row = -1;
        for (int i = 0; i < m_listBox->count() && row < 0; ++i) {
            if (m_listBox->item(i)->text() == entry)
                row = i;
        }
        selectRow(row);
    } else {
        selectRow(0);
    }
    ListBox1Click();
}

void TfoLocalizeDialog::ListBox1Click()
{
    const QString file = SelectedLanguageFile().toLower();
    if (file.contains(QLatin1String("deutsch")))
        showTexts(Texts::German);
    else if (file.contains(QLatin1String("englis")))
        showTexts(Texts::English);
    else
        showSavedTexts();
}

void TfoLocalizeDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfoLocalizeDialog::showTexts(Texts which)
{
    const DialogTexts &texts = which == Texts::English ? kEnglish : kGerman;
    m_englishTexts = which == Texts::English;
    m_defaultEntryText = text(texts.defaultEntry);
    setTexts({text(texts.descriptionBox), text(texts.selectorBox), text(texts.descriptionMemo),
              text(texts.ok), text(texts.abort)});
}

void TfoLocalizeDialog::showSavedTexts()
{
    QStringList texts;
    for (const QString &saved : m_savedTexts)
        texts << StripAccelerators(saved);
    setTexts(texts);
}

QStringList TfoLocalizeDialog::currentTexts() const
{
    return {m_descriptionBox->title(), m_selectorBox->title(), m_descriptionMemo->toPlainText(),
            m_okBtn->text(), m_abortBtn->text()};
}

void TfoLocalizeDialog::setTexts(const QStringList &texts)
{
    m_descriptionBox->setTitle(texts.at(0));
    m_selectorBox->setTitle(texts.at(1));
    m_descriptionMemo->setPlainText(texts.at(2));
    m_okBtn->setText(texts.at(3));
    m_abortBtn->setText(texts.at(4));
}

void TfoLocalizeDialog::selectRow(int row)
{
    const QSignalBlocker blocker(m_listBox);
    m_listBox->setCurrentRow(row);
    if (row < 0)
        m_listBox->clearSelection();
}

} // namespace kbx
