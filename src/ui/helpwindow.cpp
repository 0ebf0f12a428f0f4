#include "ui/helpwindow.h"

#include "ui/codepage.h"
#include "ui/program.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace kbx {

namespace {

const QString kMissingFile = QStringLiteral(
    "Kinbox Openhelp not found!\r\n\r\nPlease make sure Kinbox can find the file Kinbox.ohp.");
const QString kMissingTopic = QStringLiteral("The requested topic was not found!");

struct PagePrefix {
    const char *page;
    const char *prefix;
};

constexpr std::array<PagePrefix, 6> kPrefixes = {{
    {"Page_Backup", "Backup"},
    {"Page_CPUmon", "Shutdown"},
    {"Page_Calc", "Calc"},
    {"Page_FileProc", "FileProc"},
    {"Page_MovieSplit", "MovieSplit"},
    {"Page_IFOedit", "IfoEdit"},
}};

bool trimmable(QChar ch)
{
    return ch.unicode() <= 32 || ch.isSpace() || ch.category() == QChar::Other_Control;
}

QString trimmedText(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && trimmable(text.at(start)))
        ++start;
    while (end > start && trimmable(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

// Splits a byte stream into lines ended by CR LF, LF or CR alone; a CR at the end of one read waits
// for the next, since an LF may follow it there.
class LineReader
{
public:
    explicit LineReader(QIODevice &device) : m_device(device) {}

    enum class Result { Line, End, Error };

    Result next(QByteArray &line)
    {
        for (;;) {
            for (; m_scan < m_pending.size(); ++m_scan) {
                const char ch = m_pending.at(m_scan);
                if (ch != '\n' && ch != '\r')
                    continue;
                if (ch == '\r' && m_scan + 1 == m_pending.size() && !m_atEnd)
                    break;
                line = m_pending.left(m_scan);
                qsizetype skip = m_scan + 1;
                if (ch == '\r' && skip < m_pending.size() && m_pending.at(skip) == '\n')
                    ++skip;
                m_pending.remove(0, skip);
                m_scan = 0;
                return Result::Line;
            }
            if (m_atEnd) {
                if (m_pending.isEmpty())
                    return Result::End;
                line = m_pending;
                m_pending.clear();
                m_scan = 0;
                return Result::Line;
            }
            char chunk[65536];
            const qint64 got = m_device.read(chunk, sizeof chunk);
            if (got < 0)
                return Result::Error;
            if (got == 0)
                m_atEnd = true;
            else
                m_pending.append(chunk, got);
        }
    }

private:
    QIODevice &m_device;
    QByteArray m_pending;
    qsizetype m_scan = 0;
    bool m_atEnd = false;
};

} // namespace

QString PageTopicPrefix(const QString &pageName)
{
    for (const PagePrefix &entry : kPrefixes) {
        if (pageName == QLatin1String(entry.page))
            return QString::fromLatin1(entry.prefix);
    }
    return QString();
}

// No parent: translating the main window goes through everything it owns, and the help stays as it is.
TfoHelp::TfoHelp(QWidget *mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                           | Qt::WindowStaysOnTopHint)
    , m_main(mainWindow)
{
    setObjectName(QStringLiteral("foHelp"));
    setWindowTitle(QStringLiteral("Kinbox Online Help"));
    // Closing the help must never end the program, whatever else is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setMinimumSize(268, 150);
    resize(268, 401);

    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(48);
    auto *panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    auto makeButton = [&](const char *name, const char *caption) {
        auto *button = new QToolButton(panel);
        button->setObjectName(QLatin1String(name));
        button->setText(QLatin1String(caption));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        group->addButton(button);
        panelLayout->addWidget(button);
        return button;
    };
    m_infos = makeButton("HelpInfos", "Infos");
    m_howto = makeButton("HelpHowto", "Howto");
    m_faq = makeButton("HelpFAQ", "FAQ");
    m_faq->setChecked(true);
    connect(m_infos, &QToolButton::clicked, this, &TfoHelp::HelpInfosClick);
    connect(m_howto, &QToolButton::clicked, this, &TfoHelp::HelpHowtoClick);
    connect(m_faq, &QToolButton::clicked, this, &TfoHelp::HelpFAQClick);

    m_memo = new QTextEdit(this);
    m_memo->setObjectName(QStringLiteral("oHelpMemo"));
    m_memo->setReadOnly(true);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    m_memo->setFont(font);
    QPalette colours = m_memo->palette();
    QColor background = colours.color(QPalette::ToolTipBase);
    // Topics are shown in black, which a dark theme's tooltip colour would make unreadable.
    if (background.lightness() < 128)
        background = QColor(255, 255, 225);
    colours.setColor(QPalette::Base, background);
    colours.setColor(QPalette::Text, Qt::black);
    m_memo->setPalette(colours);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(m_memo, 1);

    if (m_main)
        m_main->installEventFilter(this);
}

void TfoHelp::setHelpFile(const QString &path)
{
    m_helpFile = path;
}

QString TfoHelp::ActivePageName() const
{
    if (!m_main)
        return QString();
    const auto *tabs = m_main->findChild<QTabWidget *>(QStringLiteral("TabSheet"));
    if (!tabs || !tabs->currentWidget())
        return QString();
    return tabs->currentWidget()->objectName();
}

void TfoHelp::setScreenRectSource(std::function<QRect()> source)
{
    m_screenRect = std::move(source);
}

QString TfoHelp::ReadTopic(const QString &topic) const
{
    if (m_helpFile.isEmpty())
        return kMissingFile;
    const QString path = QFileInfo(m_helpFile).isRelative() ? QDir(ProgramFolder::path()).filePath(m_helpFile)
                                                            : m_helpFile;
    if (!QFileInfo(path).isFile())
        return kMissingFile;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const std::optional<QString> raw = ReadTopicFrom(file, topic);
    if (!raw)
        return QString();
    const QString text = trimmedText(*raw);
    return text.isEmpty() ? kMissingTopic : text;
}

std::optional<QString> TfoHelp::ReadTopicFrom(QIODevice &device, const QString &topic)
{
    const QString header = QLatin1Char('[') + topic.toLower() + QLatin1Char(']');
    bool found = false;
    QString text;
    LineReader reader(device);
    QByteArray bytes;
    for (;;) {
        const LineReader::Result result = reader.next(bytes);
        if (result == LineReader::Result::Error)
            return std::nullopt;
        if (result == LineReader::Result::End)
            break;
        const QString line = DecodeWindows1252(bytes);
        if (line.toLower() == header)
            found = true;
        else if (found && line.startsWith(QLatin1Char('[')))
            break;
        else if (found)
            text += QLatin1String("\r\n") + line;
    }
    return text;
}

void TfoHelp::HelpInfosClick()
{
    showTopic(QStringLiteral("Infos"));
}

void TfoHelp::HelpHowtoClick()
{
    showTopic(QStringLiteral("Howto"));
}

void TfoHelp::HelpFAQClick()
{
    showTopic(QStringLiteral("FAQ"));
    MarkQuestions();
}

void TfoHelp::RefreshTopic()
{
    if (m_infos->isChecked())
        HelpInfosClick();
    else if (m_howto->isChecked())
        HelpHowtoClick();
    else if (m_faq->isChecked())
        HelpFAQClick();
}

void TfoHelp::showTopic(const QString &word)
{
    const QString text = ReadTopic(PageTopicPrefix(ActivePageName()) + QLatin1Char('_') + word);
    // The caret may stand in a blue question of the last FAQ; its colour must not carry over.
    m_memo->clear();
    m_memo->setCurrentCharFormat(QTextCharFormat());
    m_memo->setTextColor(Qt::black);
    m_memo->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void TfoHelp::MarkQuestions()
{
    QTextCharFormat question;
    question.setForeground(QColor(0, 0, 255));
    QTextCursor cursor(m_memo->document());
    for (QTextBlock block = m_memo->document()->begin(); block.isValid(); block = block.next()) {
        // The last line counts too: a question that ends the text is still a question.
        if (!block.text().endsWith(QLatin1Char('?')))
            continue;
        cursor.setPosition(block.position());
        cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(question);
    }
    QTextCursor start(m_memo->document());
    m_memo->setTextCursor(start);
}

QRect TfoHelp::screenRect() const
{
    if (m_screenRect)
        return m_screenRect();
    const QScreen *screen = m_main ? m_main->screen() : this->screen();
    return screen ? screen->availableGeometry() : QRect();
}

HelpDock PlaceHelpBeside(const QRect &screen, const QRect &main, const QSize &help, int mainMinimumWidth)
{
    if (screen.isEmpty() || help.width() > screen.width())
        return {};
    // Level with the main window, as high as it is, but never past the screen's top or bottom.
    const int top = qMax(main.top(), screen.top());
    const int bottom = qMin(main.bottom(), screen.bottom());
    if (bottom < top)
        return {};
    const auto beside = [&](int left) { return QRect(left, top, help.width(), bottom - top + 1); };
    if (main.right() + help.width() <= screen.right())
        return {beside(main.right() + 1), main};
    if (main.left() - help.width() >= screen.left())
        return {beside(main.left() - help.width()), main};
    // No room on either side: the help takes the screen's right edge and the main window gives way.
    const int helpLeft = screen.right() + 1 - help.width();
    const int room = helpLeft - screen.left();
    if (room < mainMinimumWidth)
        return {};
    const int width = qMin(main.width(), room);
    const int left = qBound(screen.left(), main.left(), helpLeft - width);
    return {beside(helpLeft), QRect(left, main.top(), width, main.height())};
}

void TfoHelp::DockBesideMainWindow()
{
    dock(false);
}

void TfoHelp::dock(bool following)
{
    if (!m_main)
        return;
    const QRect main = m_main->frameGeometry();
    const QRect own = frameGeometry();
    // What the frames add to the client areas, which is what moving and resizing speak of.
    const QSize mainFrame = main.size() - m_main->size();
    const QSize ownFrame = own.size() - size();
    const HelpDock dock =
        PlaceHelpBeside(screenRect(), main, own.size(), m_main->minimumWidth() + mainFrame.width());
    if (dock.help.isEmpty())
        return;
    if (dock.main != main && following) {
        // Following the main window never undoes what the user just did to it: when it now leaves
        // no room (maximised, say), the help steps aside as if closed, and F1 brings it back beside.
        hide();
        emit closed();
        return;
    }
    if (dock.main != main) {
        // The main window's own moves and resizes are no news to follow.
        const QScopedValueRollback<bool> placing(m_placingMain, true);
        const QPoint clientOffset = m_main->geometry().topLeft() - main.topLeft();
        m_main->setWindowState(m_main->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
        m_main->setGeometry(QRect(dock.main.topLeft() + clientOffset, dock.main.size() - mainFrame));
    }
    move(dock.help.topLeft());
    // The frame takes the main window's height; the client area is what remains inside it.
    resize(width(), dock.help.height() - ownFrame.height());
}

void TfoHelp::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    DockBesideMainWindow();
    RefreshTopic();
}

void TfoHelp::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

bool TfoHelp::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_main && isVisible() && !m_placingMain
        && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        dock(true);
    return QWidget::eventFilter(watched, event);
}

} // namespace kbx
