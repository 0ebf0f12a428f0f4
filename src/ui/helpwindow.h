#pragma once
// The online help: a small window beside the main window that shows the Infos, Howto or FAQ topic of
// the active page, read from the help file (".ohp") of the current language.

#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QIODevice;
class QTextEdit;
class QToolButton;

namespace kbx {

// The topic prefix of a page, by the page's object name ("Page_Calc" gives "Calc"). Pages without
// help of their own, the Analyze page among them, have an empty prefix.
QString PageTopicPrefix(const QString &pageName);

// Where the help window and the main window go so that the help sits beside the main window and
// never covers it, all frames inside `screen`. `help` is the help window's frame size; the help takes
// the main window's height (cut to the screen). Right of the main window when there is room, else left
// of it; when neither side has room, the main window is narrowed (and moved left when it must) to
// make room at the screen's right edge, down to `mainMinimumWidth`. Empty rectangles when even that
// cannot be done.
struct HelpDock
{
    QRect help;
    QRect main;
};
HelpDock PlaceHelpBeside(const QRect &screen, const QRect &main, const QSize &help, int mainMinimumWidth);

class TfoHelp : public QWidget
{
    Q_OBJECT

public:
    // A window of its own (the owner deletes it), docked beside `mainWindow` and following it while
    // it is moved or resized. The active page is read from the main window's "TabSheet" whenever a
    // topic is shown.
    explicit TfoHelp(QWidget *mainWindow);

    QString HelpFile() const { return m_helpFile; }
    // Relative names resolve against the program folder.
    void setHelpFile(const QString &path);

    // The object name of the main window's active page, empty when it has none.
    QString ActivePageName() const;

    /// Screen seam: the rectangle the window must stay inside when it docks. By default the available
    /// area of the main window's screen; tests set a fixed one. An empty function restores the default.
    void setScreenRectSource(std::function<QRect()> source);

    // The text of a topic of the help file, or the message for a missing file or topic; empty when
    // the file cannot be read.
    QString ReadTopic(const QString &topic) const;
    // The lines of a topic read from an open device of help-file bytes, untrimmed; nothing on a read
    // error met before the topic ended.
    static std::optional<QString> ReadTopicFrom(QIODevice &device, const QString &topic);

    QTextEdit *oHelpMemo() const { return m_memo; }
    QToolButton *HelpInfos() const { return m_infos; }
    QToolButton *HelpHowto() const { return m_howto; }
    QToolButton *HelpFAQ() const { return m_faq; }

signals:
    // The user closed the window; the main window's help toggle goes up.
    void closed();

public slots:
    void HelpInfosClick();
    void HelpHowtoClick();
    void HelpFAQClick();
    // Shows again the topic of the pressed button, for the page that is active now.
    void RefreshTopic();
    // Right of the main window when its screen has room there, else left of it, else the main window
    // makes room (PlaceHelpBeside); nowhere new when not even that is possible.
    void DockBesideMainWindow();
    // Colours the question lines of the shown text blue and puts the caret at the start.
    void MarkQuestions();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showTopic(const QString &word);
    // `following`: the main window was moved or resized, and must not be made to give way.
    void dock(bool following);
    QRect screenRect() const;

    QPointer<QWidget> m_main;
    QTextEdit *m_memo = nullptr;
    QToolButton *m_infos = nullptr;
    QToolButton *m_howto = nullptr;
    QToolButton *m_faq = nullptr;
    QString m_helpFile;
    std::function<QRect()> m_screenRect;
    bool m_placingMain = false;
};

} // namespace kbx
