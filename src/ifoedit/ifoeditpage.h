#pragma once
// The Edit page: lists the files of a DVD backup folder and applies one of three fixed byte patches
// to the files the user selects.

#include "ui/page.h"

#include <QString>
#include <QWidget>

#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;

namespace kbx {

class TOxFileEdit;

class TIFOEditPage : public QWidget, public TPage
{
    Q_OBJECT
public:
    QAbstractButton *StartButton() const override;
    explicit TIFOEditPage(QWidget *parent = nullptr);

    // Fills IFO_Actions with the translated action names. The constructor calls it so the page works
    // on its own; Retranslate calls it again once a language is loaded. The selected row stays.
    void FillActions();
    // The action list (a list's entries are no captions the window's translation reaches) and the
    // start button's verb.
    void Retranslate() override;

    // The source folder as shown, for the Backup page's "use path from IFOEdit module".
    QString SourceText() const;
    // How "use path from backup module" reads the Backup page's location; unset, the item does nothing.
    void SetBackupLocationGetter(std::function<QString()> getter) { m_backupLocation = std::move(getter); }

    QString StatusText(int panel) const;

    // The last source folder ("EditFolder"), listed again at start-up when it is still there.
    QStringList SettingKeys() const override;
    void LoadSetting(const QString &key, const TSettingsAccess &store) override;
    void SaveSetting(const QString &key, TSettingsAccess &store) const override;

    TOxFileEdit *IFO_Source = nullptr;
    QListWidget *IFO_Files = nullptr;
    QListWidget *IFO_Actions = nullptr;
    QComboBox *IFO_Titles = nullptr;
    QPushButton *IFO_Start = nullptr;
    QPushButton *IFO_Check = nullptr;
    QStatusBar *IFO_Status = nullptr;
    QTimer *IFOStatusTimer = nullptr;
    QMenu *IFO_Popup = nullptr;
    QAction *IFO_BUPs = nullptr;
    QAction *usepathfrombackupmodule1 = nullptr;

signals:
    // Verify: the main window puts `location` into the Backup page's location, shows that page and
    // runs its search.
    void verifyRequested(const QString &location);
    // Every change of a status panel, in order (the run changes them faster than anyone could look).
    void statusChanged(int panel, const QString &text);

public slots:
    void IFO_SourceButtonClick();
    void IFO_ActionsClick();
    void IFO_ActionsDblClick();
    void IFO_FilesClick();
    void IFO_StartClick();
    void IFO_CheckClick();
    void IFOStatusTimerTimer();
    void IFO_BUPsClick();
    void usepathfrombackupmodule1Click();

private:
    void setStatus(int panel, const QString &text);
    void showPopup(QWidget *from, const QPoint &at);
    int selectedAction() const;
    QList<int> selectedFiles() const;
    QString folderText() const;
    void updateStartEnabled();

    QLabel *m_panels[2] = {nullptr, nullptr};
    std::function<QString()> m_backupLocation;
};

} // namespace kbx
