// The Backup page's handlers: the scan, the size rows, the selected title's details and the merge.
#include "dvd/backuppage.h"

#include "dvd/dvdnames.h"
#include "dvd/dvdscan.h"
#include "dvd/sizerow.h"
#include "dvd/titleinfo.h"
#include "common/paths.h"
#include "ui/dialogs.h"
#include "ui/fileedit.h"
#include "ui/translator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTreeWidget>

#include <algorithm>

namespace kbx {

namespace {

QString Tr(const char *text)
{
    return Translate(QString::fromUtf8(text));
}

const DvdTranslate PageTranslate = [](const char *text) { return Tr(text); };

struct ContentPart
{
    qint64 number;
    QString name;
};

// The part number of "VTS_tt_n.VOB" for the title `tt`; 0 for the menu VOB and for other names.
qint64 ContentPartNumber(const QString &name, const QString &tt)
{
    const QString prefix = QStringLiteral("vts_") + tt + QLatin1Char('_');
    const QString suffix = QStringLiteral(".vob");
    if (!name.startsWith(prefix, Qt::CaseInsensitive) || !name.endsWith(suffix, Qt::CaseInsensitive))
        return 0;
    const QString digits = name.mid(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.isEmpty() || digits.at(0) == QLatin1Char('0') || digits.size() > 9)
        return 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    }
    return digits.toLongLong();
}

} // namespace

void TBackupPage::showReadError()
{
    Dialogs::instance().information(this, ApplicationTitle(),
                                    Tr("DVD cannot be read. Start a DVD player to initialize access.")
                                        + QLatin1Char('\n')
                                        + Tr("You can immediately quit the player after it has first accessed the DVD."));
}

void TBackupPage::clearDisc()
{
    {
        const QSignalBlocker blocker(bak_Titles);
        bak_Titles->clear();
    }
    m_titleSizes.clear();
    bak_Titles->setEnabled(false);
    bak_MergeBtn->setEnabled(false);
    Image_DVD5->setVisible(false);
    Image_DVD9->setVisible(false);
    bak_CDs->setVisible(false);
    StreamBox->clear();
    StreamBox->setEnabled(false);
    for (QLineEdit *field : {ct_Region, ct_wx, ct_hy, ct_aspect})
        field->clear();
    ct_CSS->setChecked(false);
    ct_macro->setChecked(false);
}

void TBackupPage::AddSizeRow(const QString &caption, qint64 size)
{
    const SizeRowTexts row = SizeRow(size, MediumMB(copyMediaSize->currentText()));
    auto *item = new QTreeWidgetItem(QStringList{caption, row.bytes, row.mb, row.gb, row.cds, row.free});
    for (int column = 1; column < 6; ++column)
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    InfoList->addTopLevelItem(item);
}

void TBackupPage::ScanDVD()
{
    {
        const QScopedValueRollback<bool> quiet(m_selectingRow, true);
        InfoList->clear();
    }
    setStatus(0, QString());

    DvdScanInput input;
    input.locationText = DVDLocation->Text();
    input.locationEnabled = DVDLocation->isEnabledTo(this);
    input.includeHdds = incHDDs->isChecked();
    input.selectedTitle = bak_Titles->currentText();
    const DvdScanResult result = kbx::ScanDVD(input, PageTranslate);

    m_dvdPath = result.location.dvdPath;
    m_locationIsFile = result.location.locationIsFile;
    if (m_dvdPath.isEmpty()) {
        clearDisc();
        setStatus(1, result.status1);
        return;
    }

    m_probe = result.probe;
    if (result.readMessage)
        showReadError();
    setStatus(1, result.status1);
    if (m_probe.MpegKind == MpegNone) {
        clearDisc();
        return;
    }
    if (!m_locationIsFile) {
        Image_DVD5->setVisible(result.badge == DvdBadge::Dvd5);
        Image_DVD9->setVisible(result.badge == DvdBadge::Dvd9);
    }
    if (result.hasCapacity)
        AddSizeRow(Tr("Capacity"), result.capacity);
    if (result.titlesReplaced) {
        const QSignalBlocker blocker(bak_Titles);
        bak_Titles->clear();
        m_titleSizes.clear();
        for (qsizetype i = 0; i < result.titleItems.size(); ++i) {
            if (!m_locationIsFile)
                AddSizeRow(QStringLiteral("Title %1").arg(i + 1), result.titleSizes.at(i));
            bak_Titles->addItem(result.titleItems.at(i));
            m_titleSizes << result.titleSizes.at(i);
        }
    }
    setStatus(0, result.status0);

    {
        const QSignalBlocker blocker(bak_Titles);
        const int index = result.selectedIndex();
        if (index < bak_Titles->count())
            bak_Titles->setCurrentIndex(index);
    }
    if (bak_Titles->count() > 0) {
        bak_TitlesChange(bak_Titles);
        bak_MergeBtn->setEnabled(true);
        bak_Titles->setEnabled(bak_Titles->count() >= 2);
    }
}

void TBackupPage::reCheckClick()
{
    ScanDVD();
}

void TBackupPage::copyMediaSizeChange()
{
    ScanDVD();
}

void TBackupPage::browseClick()
{
    const QString text = DVDLocation->Text();
    const QString name = text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
    // A title set's VOB stands for its whole DVD folder; any other file is scanned on its own.
    if (name.contains(QLatin1String("vts_"), Qt::CaseInsensitive))
        DVDLocation->setText(ParentFolder(text));
    else
        incHDDs->setChecked(true);
    ScanDVD();
}

void TBackupPage::VerifyLocation(const QString &location)
{
    DVDLocation->setText(location);
    browseClick();
}

void TBackupPage::usepathfromIFOEditmodule1Click()
{
    if (!m_ifoSource)
        return;
    DVDLocation->setText(m_ifoSource());
    browseClick();
}

void TBackupPage::incHDDsClick(QObject *item)
{
    auto *action = qobject_cast<QAction *>(item ? item : incHDDs);
    if (action == incHDDs || action == mi_RCfromIFO)
        action->toggle();
}

void TBackupPage::bak_TitlesChange(QObject *sender)
{
    ShowTitleInfo(sender != nullptr);
}

void TBackupPage::InfoListSelectItem(int row)
{
    if (m_selectingRow)
        return;
    if (row > 0 && row - 1 < bak_Titles->count()) {
        const QSignalBlocker blocker(bak_Titles);
        bak_Titles->setCurrentIndex(row - 1);
    }
    bak_TitlesChange(nullptr);
}

QString TBackupPage::titleFile(int titleIndex) const
{
    // Without a DVD folder a name would resolve against the process's current folder.
    if (m_dvdPath.isEmpty() || titleIndex < 0)
        return QString();
    const QString name = QStringLiteral("Vts_%1_1.vob").arg(bak_Titles->itemText(titleIndex));
    const QString found = FindEntryNoCase(m_dvdPath, name);
    return found.isEmpty() ? m_dvdPath + name : found;
}

void TBackupPage::ShowTitleInfo(bool withSender)
{
    StreamBox->clear();
    if (bak_Titles->count() == 0) {
        StreamBox->setEnabled(false);
        return;
    }
    const std::optional<qint64> medium = MediumMB(copyMediaSize->currentText());
    if (m_locationIsFile && bak_Titles->count() > 0) {
        const QSignalBlocker blocker(bak_Titles);
        bak_Titles->setCurrentIndex(0);
    }
    const int index = bak_Titles->currentIndex();
    const qint64 size = index >= 0 && index < m_titleSizes.size() ? m_titleSizes.at(index) : 0;
    const int pixels = CDBarPixels(size, medium);
    bak_CDs->resize(pixels, bak_CDs->height());
    // Without a usable medium size the bar has nothing to count.
    bak_CDs->setVisible(medium.has_value());

    TitleInfoInput input;
    input.packSize = m_probe.PackSize;
    input.mpegKind = m_probe.MpegKind;
    if (m_locationIsFile) {
        input.file = QDir::cleanPath(DVDLocation->Text());
        mode_FILE->setChecked(true);
    } else {
        input.file = titleFile(index);
        mode_DVD->setChecked(true);
        input.regionByte = ReadRegionByte(FindEntryNoCase(m_dvdPath, QStringLiteral("Video_ts.ifo")),
                                          mi_RCfromIFO->isChecked());
        if (withSender) {
            const int row = bak_Titles->currentText().toInt();
            if (row > 0 && row < InfoList->topLevelItemCount()) {
                const QScopedValueRollback<bool> quiet(m_selectingRow, true);
                InfoList->setCurrentItem(InfoList->topLevelItem(row));
            }
        }
    }

    const TitleInfo info = kbx::ShowTitleInfo(input, PageTranslate);
    m_probe.MpegKind = info.mpegKind;
    StreamBox->addItems(info.streams);
    StreamBox->setEnabled(StreamBox->count() > 0);
    if (info.readFailed) {
        showReadError();
        return;
    }
    if (info.regionText)
        ct_Region->setText(*info.regionText);
    if (info.css)
        ct_CSS->setChecked(*info.css);
    if (info.macrovision)
        ct_macro->setChecked(*info.macrovision);
    if (info.widthText)
        ct_wx->setText(*info.widthText);
    if (info.heightText)
        ct_hy->setText(*info.heightText);
    if (info.aspectText)
        ct_aspect->setText(*info.aspectText);
}

void TBackupPage::bak_MergeBtnClick()
{
    const QString tt = bak_Titles->currentText();
    if (tt.isEmpty())
        return;
    QList<ContentPart> parts;
    if (!m_dvdPath.isEmpty()) {
        const QDir folder(m_dvdPath);
        const QFileInfoList entries = folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
        for (const QFileInfo &entry : entries) {
            const qint64 number = ContentPartNumber(entry.fileName(), tt);
            if (number > 0 && entry.isFile())
                parts.append({number, entry.absoluteFilePath()});
        }
    }
    // VTS_tt_10.VOB follows VTS_tt_9.VOB whatever order the folder lists them in.
    std::sort(parts.begin(), parts.end(), [](const ContentPart &a, const ContentPart &b) {
        return a.number != b.number ? a.number < b.number : a.name < b.name;
    });
    QStringList paths;
    for (const ContentPart &part : parts)
        paths << part.name;
    emit mergeRequested(paths);
}

} // namespace kbx
