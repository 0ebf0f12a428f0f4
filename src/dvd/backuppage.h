#pragma once
// The Backup page: finds DVD video data (a disc, a copy on the hard disk or one MPEG file), lists
// the title sets against a medium size, shows the selected title's region, protection, picture and
// streams, and hands a title's VOB files to the Files page for merging.

#include "dvd/packprobe.h"
#include "ui/page.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace kbx {

class TOxFileEdit;

class TBackupPage : public QWidget, public TPage
{
    Q_OBJECT
public:
    // `probe` is shared with the Files page: whichever probes last leaves its result there.
    explicit TBackupPage(PackProbeState &probe, QWidget *parent = nullptr);

    // Adds one row to the title list: bytes, MB, GB, and the media of the chosen size it needs.
    void AddSizeRow(const QString &caption, qint64 size);
    // The whole search: locate the data, probe it, list the titles and show the selected one.
    void ScanDVD();

    // Replaces the medium sizes with the leading number of each of the calculator's media entries
    // and keeps the text shown; the list does not rescan.
    void SetMediaSizes(const QStringList &calculatorMediaTexts);
    // The Edit page's Verify: scan `location` as if the user had picked it.
    void VerifyLocation(const QString &location);
    // The main window's "DVD Backup..." item.
    void ShowDVDMenu(const QPoint &globalPos);
    // Where usepathfromIFOEditmodule1Click takes the Edit page's source path from.
    void SetIfoSourceGetter(std::function<QString()> getter) { m_ifoSource = std::move(getter); }

    // The texts of the status panels: 0 the title count, 1 where the data was found or the error.
    QString StatusText(int panel) const;

    // The location field's text, for the Edit page's "use path from backup module".
    QString LocationText() const;
    QString DVDPath() const { return m_dvdPath; }
    bool LocationIsFile() const { return m_locationIsFile; }
    // Content bytes of the titles in the order of the title selector.
    const QList<qint64> &TitleSizes() const { return m_titleSizes; }

    // The medium size ("copyMedium") and the last location ("BackupLocation").
    // The title list's column headers, which the window-wide translation does not reach.
    void Retranslate() override;
    QStringList SettingKeys() const override;
    void LoadSetting(const QString &key, const TSettingsAccess &store) override;
    void SaveSetting(const QString &key, TSettingsAccess &store) const override;

    QMenu *DVDPMenu = nullptr;

signals:
    // The selected title's content VOBs ("VTS_tt_n.VOB", n from 1) in part order; also empty.
    void mergeRequested(const QStringList &absolutePaths);

public slots:
    void reCheckClick();
    void copyMediaSizeChange();
    void browseClick();
    // Toggles the check mark of `item` (incHDDs or mi_RCfromIFO), incHDDs without one. The menu
    // items toggle themselves when chosen.
    void incHDDsClick(QObject *item = nullptr);
    // Shows the selected title; with a sender (the title selector) it also selects the title's row.
    void bak_TitlesChange(QObject *sender = nullptr);
    // A row of the title list gained the selection: select its title and show it.
    void InfoListSelectItem(int row);
    void bak_MergeBtnClick();
    void usepathfromIFOEditmodule1Click();

private:
    QGroupBox *buildLocation();
    QGroupBox *buildTitles();
    QGroupBox *buildInfo();
    QGroupBox *buildCDBar();
    void buildMenu();
    void ShowTitleInfo(bool withSender);
    void showReadError();
    // A search that found nothing readable: the previous disc's titles, details and merge go.
    void clearDisc();
    void setStatus(int panel, const QString &text);
    QString titleFile(int titleIndex) const;

    PackProbeState &m_probe;
    QString m_dvdPath;
    bool m_locationIsFile = false;
    QList<qint64> m_titleSizes;
    std::function<QString()> m_ifoSource;
    bool m_selectingRow = false;

    QGroupBox *gb_location = nullptr;
    TOxFileEdit *DVDLocation = nullptr;
    QPushButton *reCheck = nullptr;
    QComboBox *copyMediaSize = nullptr;
    QComboBox *bak_Titles = nullptr;
    QTreeWidget *InfoList = nullptr;
    QWidget *InfoStatus = nullptr;
    QLabel *m_status[2] = {nullptr, nullptr};
    QLabel *Image_DVD5 = nullptr;
    QLabel *Image_DVD9 = nullptr;
    QPushButton *bak_MergeBtn = nullptr;
    QPushButton *bak_StripBtn = nullptr;
    QWidget *m_cdBar = nullptr;
    QLabel *bak_CDs = nullptr;
    QLabel *bak_GrayCDs = nullptr;
    QLineEdit *ct_Region = nullptr;
    QCheckBox *ct_CSS = nullptr;
    QCheckBox *ct_macro = nullptr;
    QLineEdit *ct_wx = nullptr;
    QLineEdit *ct_hy = nullptr;
    QLineEdit *ct_aspect = nullptr;
    QListWidget *StreamBox = nullptr;
    QAction *incHDDs = nullptr;
    QAction *mi_RCfromIFO = nullptr;
    QAction *mode_DVD = nullptr;
    QAction *mode_FILE = nullptr;
    QAction *usepathfromIFOEditmodule1 = nullptr;
};

} // namespace kbx
